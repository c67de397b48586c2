#pragma once
// The names a package may store. Setup creates every file under its stored
// name on Windows, so a name Windows cannot create, or two names Windows
// takes for one, makes a package that can never install. The writer refuses
// such names before anything is written, naming the file.

#include <map>
#include <string>
#include <string_view>

namespace package {

// A name's upper-cased UTF-16 code units: Windows (NTFS) compares and
// orders names by them.
std::u16string WindowsNameKey(std::string_view utf8);

// Why Windows cannot create a file or folder named part (one part of a
// path, UTF-8): a message lead of messages.h, or nullptr when it can.
const char* NamePartProblem(std::string_view part);
// The same for each part of a stored path ("\" between the parts).
const char* RelPathProblem(std::string_view rel_path);

// Collects the stored paths of a package and finds those that cannot stand
// side by side on Windows: the same path twice, paths that differ only in
// letter case, a file where another path needs a folder, and a top-level
// file that takes the uninstaller's name.
class NameClashes {
 public:
  // Adds rel_path (of the source file full_path); false with *err naming
  // the file (and the other one) when it clashes.
  bool Add(const std::string& rel_path, const std::string& full_path, std::string* err);

 private:
  struct Seen {
    std::string rel_path;
    std::string full_path;
  };
  std::map<std::u16string, Seen> files_;
  std::map<std::u16string, Seen> folders_;
};

}  // namespace package
