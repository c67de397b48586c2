#pragma once
// The two temporary files of a build, both created exclusively so a build
// never overwrites a file it did not make:
// - the temporary package, in the save path's own folder: the save path's
//   file name with its extension replaced by ".tmp" (then "~1.tmp", "~2.tmp"
//   ... when taken), never the save path itself;
// - the temporary uninstaller, "~" + two capital letters + five digits in
//   the temp folder, a fresh name on every collision.

#include <memory>
#include <random>
#include <string>

#include "platform/files.h"

namespace package {

// Candidate number attempt (0 first) for the temporary package.
std::string TempPackagePath(const std::string& save_path, int attempt);

// "~" + 2 letters + 5 digits; letter = 65 + round(25 r), digit = 48 + round(9 r),
// rounding half to even, r uniform in [0, 1).
std::string RandomTempName(std::mt19937& rng);

struct TempFile {
  std::string path;
  std::unique_ptr<platform::File> file;  // open for reading and writing
};

bool CreateTempPackage(const std::string& save_path, TempFile* out, std::string* err);
bool CreateTempUninstaller(const std::string& temp_folder, TempFile* out, std::string* err);

}  // namespace package
