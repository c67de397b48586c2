#pragma once
// The names a package may store. Setup creates every file under its stored
// name on Windows, so a name Windows cannot create, or two names Windows
// takes for one, makes a package that can never install. The writer refuses
// such names before anything is written, naming the file.

#include <string>
#include <string_view>
#include <vector>

#include "package/name_clashes.h"

namespace package {

// A name's case key (platform/upper_case.h): Windows (NTFS) compares and
// orders names by it.
std::u16string WindowsNameKey(std::string_view utf8);

// Why Windows cannot create a file or folder named part (one part of a
// path, UTF-8): a message lead of messages.h, or nullptr when it can.
const char* NamePartProblem(std::string_view part);
// The same for each part of a stored path ("\" between the parts).
const char* RelPathProblem(std::string_view rel_path);

// Collects the stored paths of a package and finds those that cannot stand
// side by side on Windows (NameClashes), and a top-level file or folder that
// takes the uninstaller's name.
class PayloadNames {
 public:
  PayloadNames();
  // Adds rel_path (of the source file full_path); false with *err naming
  // the file (and the other one) when it clashes.
  bool Add(const std::string& rel_path, const std::string& full_path, std::string* err);

 private:
  NameClashes clashes_;
  std::vector<std::string> full_paths_;  // by number; 0 is the uninstaller
};

}  // namespace package
