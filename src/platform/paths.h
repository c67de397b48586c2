#pragma once
// Splitting a path at its last separator (platform::kPathSeparator: "\" on
// Windows, "/" elsewhere). For every path p,
// GetFolderPath(p) + GetFileName(p) == p.

#include <string>
#include <string_view>

namespace platform {

// The text after the last separator; the whole path when it has none; empty
// when the path ends with one (a drive root such as "C:\").
std::string GetFileName(std::string_view path);

// The text up to and including the last separator; empty when it has none.
std::string GetFolderPath(std::string_view path);

// folder + separator + name, without doubling a separator that folder
// already ends with (a drive root "E:\" or "/"); just name when folder is
// empty.
std::string JoinPath(std::string_view folder, std::string_view name);

}  // namespace platform
