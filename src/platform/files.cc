// The parts of File that are the same on every OS.
#include "platform/files.h"

namespace platform {

bool File::ReadExact(void* buf, size_t n, std::string* err) {
  size_t got;
  if (!Read(buf, n, &got, err)) return false;
  if (got != n) {
    if (err) *err = "unexpected end of file \"" + path_ + "\"";
    return false;
  }
  return true;
}

}  // namespace platform
