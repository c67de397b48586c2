#pragma once
// How qrpack build turns its arguments into entries and install options:
// an option's file may be an ENTRY or any file inside a folder ENTRY, and
// "DIR/." stands for the folder's contents, each its own ENTRY.

#include <string>
#include <vector>

#include "entries/entry_list.h"

namespace cli {

// Where an option's file is: a file row of the list, or a file below a
// folder row, by its path in the package.
struct OptionTarget {
  int32_t row = 0;       // the file row (1-based), or 0 for a file below a folder row
  std::string rel_path;  // the file's path in the package ("\" between its parts)
};

// Finds the file given (a path, relative to the current folder or absolute)
// among the rows: a file row of that path, or a regular file below a folder
// row, letter case aside. False with the reason (without the option's name)
// when it is none of them.
bool FindOptionTarget(const entries::EntryList& list, const std::string& given, OptionTarget* target,
                      std::string* err);

// True when an ENTRY argument names a folder's contents: it ends in "/."
// (or "\." on Windows).
bool NamesFolderContents(const std::string& arg);

// The paths of what folder holds, in the order a folder row's walk takes
// them, without "thumbs.db" and the save path (as inside a folder row).
// False with the system's reason when the folder cannot be listed.
bool FolderContents(const std::string& folder, const std::string& save_path,
                    std::vector<std::string>* paths, std::string* err);

}  // namespace cli
