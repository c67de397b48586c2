// The parts of File that are the same on every OS.
#include "platform/files.h"

namespace platform {

std::string FailureReason(std::string_view message) {
  // The path is the first quoted text (a Windows path holds no quote); the
  // reason follows the quote that closes it, or the second path's.
  constexpr std::string_view kBeforeReason = "\": ";
  size_t open = message.find('"');
  if (open == std::string_view::npos) return "";
  size_t at = message.find(kBeforeReason, open + 1);
  if (at == std::string_view::npos) return "";
  return std::string(message.substr(at + kBeforeReason.size()));
}

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
