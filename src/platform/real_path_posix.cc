#include "platform/real_path.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace platform {

bool RealPath(const std::string& path, std::string* real, std::string* err) {
  char* resolved = realpath(path.c_str(), nullptr);
  if (!resolved) {
    *err = "cannot resolve \"" + path + "\": " + std::strerror(errno);
    return false;
  }
  *real = resolved;
  std::free(resolved);
  return true;
}

}  // namespace platform
