#pragma once
// The path of an existing file or folder with every link and junction on its
// way followed, absolute and in the native form (realpath on POSIX, the
// final path of an open handle on Windows, without its "\\?\" prefix).

#include <string>

namespace platform {

bool RealPath(const std::string& path, std::string* real, std::string* err);

}  // namespace platform
