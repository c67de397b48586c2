#pragma once
// A project: everything a package is built from, as the window shows it and
// as a *.qrproj file keeps it (project_file.h). Paths here are absolute, in
// the native form; the file stores them relative to its own folder.

#include <optional>
#include <string>
#include <vector>

#include "package/build_request.h"

namespace project {

// The file name extension of project files, with its dot.
inline constexpr char kExtension[] = ".qrproj";

struct Project {
  package::PropertyValues properties;      // save_path absolute, or empty
  std::vector<package::EntryRow> entries;  // in list order; Folder + Name absolute
  std::optional<int> jobs;                 // unset: one per core
  std::string sign_command;                // empty: the package is not signed
  std::string icon;                        // empty: taken from the marked files
  package::Compression compression = package::Compression::kLzss;

  bool operator==(const Project&) const = default;
};

// The install options by the names the file and the command line give them.
struct OptionName {
  const char* name;
  int32_t bit;
};
inline constexpr OptionName kOptionNames[] = {
    {"run", 1},      {"quick-launch", 2},  {"desktop", 4},
    {"autorun", 8},  {"program-group", 16}, {"control-panel-icon", 32},
};
// The bit of a folder row.
inline constexpr int32_t kFolderBit = 64;

// The project of the window's defaults with no entries: the five default
// values, the save path "QrSetup.exe" in folder.
Project DefaultProject(const std::string& folder);

// The request that builds the project (install_dat, stop and the test hook
// left to the caller).
package::PackageRequest ToRequest(const Project& p);

// Whether path ends with kExtension, letter case ignored.
bool IsProjectPath(const std::string& path);

}  // namespace project
