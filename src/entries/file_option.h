#pragma once
// An install option set on one payload file by its path in the package: a
// file inside a folder row, or one more file of an option that several
// files share (a shortcut on each). docs/format.md section 3 has the
// option list that stores them.

#include <cstdint>
#include <string>
#include <string_view>

namespace entries {

struct FileOption {
  int32_t bit = 0;       // one of kOptionBits
  std::string rel_path;  // the file's RelPath in the package, "\" between parts (UTF-8)

  bool operator==(const FileOption&) const = default;
  auto operator<=>(const FileOption& o) const {
    if (auto c = rel_path <=> o.rel_path; c != 0) return c;
    return bit <=> o.bit;
  }
};

// The separator between the parts of a path in a package, on every system.
inline constexpr char kRelPathSeparator = '\\';

// Whether rel_path lies below the top-level name (a folder row's Name).
inline bool IsBelow(std::string_view rel_path, std::string_view top_name) {
  return rel_path.size() > top_name.size() + 1 && rel_path.substr(0, top_name.size()) == top_name &&
         rel_path[top_name.size()] == kRelPathSeparator;
}

}  // namespace entries
