#include "cli/entry_options.h"

#include <algorithm>
#include <tuple>

#include "cli/package_cli_util.h"
#include "package/payload.h"
#include "package/windows_names.h"
#include "platform/files.h"
#include "platform/unicode.h"

namespace cli {

bool FindOptionTarget(const entries::EntryList& list, const std::string& given, OptionTarget* target,
                      std::string* err) {
  const std::string path = AbsolutePath(given);
  for (int32_t i = 1; i <= list.count(); ++i) {
    const entries::PackageEntry& row = list.row(i);
    const std::string full = row.FullPath();
    const bool folder = entries::ParseFlags(row.Flags) & entries::Directory;
    if (platform::EqualIgnoringCase(full, path)) {
      if (folder) {
        *err = "names a folder: " + given;
        return false;
      }
      *target = OptionTarget{i, row.Name};
      return true;
    }
    const std::string prefix = full + platform::kPathSeparator;
    if (!folder || path.size() <= prefix.size() ||
        !platform::EqualIgnoringCase(path.substr(0, prefix.size()), prefix))
      continue;
    if (platform::KindOfPath(path) != platform::PathKind::kFile) {
      *err = "names no file inside the folder ENTRY " + full + ": " + given;
      return false;
    }
    std::string rel = row.Name + package::kPackageSeparator + path.substr(prefix.size());
    std::replace(rel.begin(), rel.end(), platform::kPathSeparator, package::kPackageSeparator);
    *target = OptionTarget{0, rel};
    return true;
  }
  *err = "names no ENTRY and no file inside a folder ENTRY: " + given;
  return false;
}

bool NamesFolderContents(const std::string& arg) {
  if (arg.size() < 2 || arg.back() != '.') return false;
  char sep = arg[arg.size() - 2];
  return sep == '/' || sep == platform::kPathSeparator;
}

bool FolderContents(const std::string& folder, const std::string& save_path,
                    std::vector<std::string>* paths, std::string* err) {
  std::vector<platform::DirEntry> entries;
  if (!platform::ListDirectory(folder, &entries, err)) return false;
  std::vector<std::tuple<std::u16string, std::string>> order;
  for (const platform::DirEntry& e : entries) order.emplace_back(package::WindowsNameKey(e.name), e.name);
  std::sort(order.begin(), order.end());
  for (const auto& [key, name] : order) {
    std::string path = folder + platform::kPathSeparator + name;
    if (platform::EqualIgnoringCase(name, package::kThumbsDb) || platform::EqualIgnoringCase(path, save_path)) continue;
    paths->push_back(path);
  }
  return true;
}

}  // namespace cli
