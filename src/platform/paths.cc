#include "platform/paths.h"

#include "platform/files.h"

namespace platform {

std::string GetFileName(std::string_view path) {
  size_t sep = path.rfind(platform::kPathSeparator);
  return std::string(sep == std::string_view::npos ? path : path.substr(sep + 1));
}

std::string GetFolderPath(std::string_view path) {
  size_t sep = path.rfind(platform::kPathSeparator);
  return sep == std::string_view::npos ? std::string() : std::string(path.substr(0, sep + 1));
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path(folder);
  if (!path.empty() && path.back() != platform::kPathSeparator) path += platform::kPathSeparator;
  path += name;
  return path;
}

}  // namespace platform
