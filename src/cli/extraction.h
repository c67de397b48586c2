#pragma once
// Writing a package's files below a folder without losing a file.
//
// Everything is checked before anything is written, and one failed check
// refuses the whole package:
// - names that would leave the folder (absolute, drive or UNC paths, "..",
//   ":", "/", empty parts);
// - two records of one name, or a name that is a file in one record and a
//   folder in another, compared as Windows compares names (letter case and
//   trailing dots and spaces do not count), since the package installs there;
// - in the folder: a link (symbolic link, junction) where a file goes or a
//   folder's path passes, a file where a folder is needed, a folder, pipe,
//   device or socket where a file goes, and the package itself (under any
//   name, a hard link included) where a file goes;
// - a package whose digest of itself does not match (image_digest.h).
// Then a file whose place is free is decoded straight into a new file there,
// and one that replaces a file is decoded beside it under a temporary name
// and renamed over it once every record has decoded. A failure removes what
// this run made: the temporary files, the files it added and the folders it
// created; files already there keep their content. No link inside the folder is ever followed (see
// platform/folder.h), and the package is only ever opened for reading.

#include <string>

#include "package/package_reader.h"

namespace cli {

// Writes every record of reader's package below dir (created when missing);
// false with a message when refused or failed.
bool ExtractPackage(package::PackageReader& reader, const std::string& dir, std::string* err);

}  // namespace cli
