#pragma once
// The uninstaller's name index, appended to the decoded uninstaller image
// and coded with its own XorKey; docs/format.md ("The uninstaller's name
// index") gives its fields.

#include <cstdint>
#include <string>
#include <vector>

#include "package/image_digest.h"
#include "package/layout.h"
#include "platform/files.h"

namespace package {

// Appends the index at the end of f, an uninstaller image of at least
// kMinImageSize bytes, coded with key (its bytes 4096..12287). Texts are
// code page 936 bytes.
bool AppendNameIndex(platform::File& f, const XorKey& key, const std::string& title_gbk,
                     const std::vector<std::string>& rel_paths_gbk, std::string* err);

// The number of bytes AppendNameIndex adds for these texts.
int64_t NameIndexSize(const std::string& title_gbk, const std::vector<std::string>& rel_paths_gbk);

struct NameIndex {
  int64_t image_size = 0;  // U
  std::string title;       // UTF-8
  std::vector<std::string> rel_paths;      // UTF-8
  std::vector<std::string> rel_paths_gbk;  // as stored
};

// Reads the index of the uninstaller at path, checking every length and the
// count against the file's size. A signed uninstaller is read below its
// certificate table.
bool ReadNameIndex(const std::string& path, NameIndex* index, std::string* err);

// Checks the digest the uninstaller at path carries of its image and its
// name index (image_digest.h); true when it carries none (a foreign
// uninstaller, or one whose writer did not fill it in). Any failure names
// the uninstaller as damaged.
bool CheckUninstaller(const std::string& path, std::string* err);

}  // namespace package
