#pragma once
// Helpers shared by the package commands.

#include <string>

#include "package/package_reader.h"
#include "package/name_index.h"

namespace cli {

// A path given on the command line in the form the choosers return:
// absolute, native separators, no trailing separator (a root keeps its own).
std::string AbsolutePath(const std::string& utf8);

// Opens the package at path; a file that fails and carries no data behind a
// program is called no package (package::msg::kNotAPackage), not a damaged one.
bool OpenPackage(package::PackageReader& reader, const std::string& path, std::string* err);

// Decodes the package's last record (the uninstaller) into a temporary file,
// checks its digest and reads its name index; the temporary file is removed
// again.
bool ReadPackageNameIndex(package::PackageReader& reader, package::NameIndex* index,
                          std::string* err);

}  // namespace cli
