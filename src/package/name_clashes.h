#pragma once
// Stored paths that cannot stand side by side on Windows: the same path
// twice, paths Windows takes for one (equal case keys, platform/upper_case.h),
// and a file where another path needs a folder. The builder refuses such a
// package; setup refuses to install one.

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

namespace package {

enum class NameClash {
  kNone,
  kSamePath,       // the same stored path twice
  kCaseOnly,       // paths that differ only in letter case
  kFileAndFolder,  // a file where another path needs a folder, or the reverse
};

// The stored paths ("\" between the parts) of one package, numbered 0, 1, ...
// in the order they are added.
class NameClashes {
 public:
  // Adds rel_path; the clash with a path added before, whose number goes to
  // *other. A path that clashes is not kept.
  NameClash Add(std::u16string_view rel_path, size_t* other);

 private:
  struct Seen {
    std::u16string rel_path;
    size_t number;
  };
  std::map<std::u16string, Seen> files_;
  std::map<std::u16string, Seen> folders_;
  size_t count_ = 0;
};

}  // namespace package
