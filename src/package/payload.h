#pragma once
// Payload collection: the entry rows, in list order, become the flat list of
// files a package holds. A file row is one file; a folder row is walked
// depth-first, pre-order, each directory's entries sorted by the ordinal
// order of their upper-cased names (the order NTFS lists them in), so the
// same tree gives the same package on every system. Inside folder rows,
// "thumbs.db" in any letter case and the save path itself are left out.
// Directory links that lead back to a directory already walked are not
// followed again.

#include <cstdint>
#include <string>
#include <vector>

#include "entries/file_option.h"
#include "package/build_request.h"

namespace package {

struct PackFile {
  std::string FullPath;  // source path (native separators)
  std::string RelPath;   // path in the package, "\" between its parts (UTF-8)
  int64_t FileSize = 0;  // at collection time; the writer refuses 2 GiB and more
};

// Appends the payload of rows to *files. Fails when a file row cannot be
// measured (it vanished or is unreadable), and when a row or a file below a
// folder row is a pipe, device or socket (only regular files are packed),
// and when a folder below a folder row cannot be listed (the package would
// lack part of it), naming the folder with the system's reason. A stop request (see
// PackageRequest) ends the walk at the next directory entry or row, leaving
// *files incomplete.
bool CollectPackFiles(const std::vector<EntryRow>& rows, const std::string& save_path,
                      std::vector<PackFile>* files, std::string* err,
                      const std::atomic<bool>* stop = nullptr);

// The file a folder's walk leaves out, in any letter case.
inline constexpr char kThumbsDb[] = "thumbs.db";

// The path separator inside packages, on every system.
inline constexpr char kPackageSeparator = entries::kRelPathSeparator;

}  // namespace package
