#pragma once
// The two temporary files of a build, both created exclusively so a build
// never overwrites a file it did not make, and both listed with
// platform::CreateTemporaryFile so an interrupted program removes them:
// - the temporary package, in the save path's own folder: the save path's
//   file name with its extension replaced by ".tmp" (then "~" + a random
//   tag + ".tmp" when taken), never the save path itself;
// - the temporary uninstaller, "~" + two capital letters + five digits in
//   the temp folder, a fresh name on every collision.

#include <memory>
#include <random>
#include <string>

#include "platform/files.h"

namespace package {

// A temporary package name: the save path's name with ".tmp" for its
// extension, with "~" + tag before it when tag is not empty. Empty when
// that would be the save path itself.
std::string TempPackagePath(const std::string& save_path, const std::string& tag);

// 16 random hexadecimal digits from a generator seeded by the system's
// random source: names made with it do not run out.
std::string RandomTag();

// "~" + 2 letters + 5 digits; letter = 65 + round(25 r), digit = 48 + round(9 r),
// rounding half to even, r uniform in [0, 1).
std::string RandomTempName(std::mt19937& rng);

struct TempFile {
  std::string path;
  std::unique_ptr<platform::File> file;  // open for reading and writing
};

bool CreateTempPackage(const std::string& save_path, TempFile* out, std::string* err);
// A failure names the temp folder after failure_lead (by default the
// build's text, which says the package was not made).
bool CreateTempUninstaller(const std::string& temp_folder, TempFile* out, std::string* err,
                           const char* failure_lead = nullptr);

}  // namespace package
