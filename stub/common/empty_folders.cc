#include "empty_folders.h"

#include <windows.h>

#include <algorithm>
#include <set>

#include "rel_path.h"
#include "win_util.h"

namespace stub {

void RemoveFoldersIfEmpty(std::vector<std::wstring> dirs) {
  std::sort(dirs.begin(), dirs.end(),
            [](const std::wstring& a, const std::wstring& b) { return a.size() > b.size(); });
  for (const std::wstring& d : dirs) RemoveDirectoryW(d.c_str());
}

void RemoveEmptyFoldersOf(const std::vector<std::wstring>& paths, const std::wstring& root,
                          bool remove_root) {
  std::set<std::wstring> dirs;
  for (const std::wstring& p : paths)
    for (std::wstring d = ParentOf(p); d.size() > root.size() && IsWithin(root, d); d = ParentOf(d))
      if (!IsReparsePoint(d)) dirs.insert(d);
  RemoveFoldersIfEmpty(std::vector<std::wstring>(dirs.begin(), dirs.end()));
  if (remove_root) RemoveDirectoryW(root.c_str());
}

}  // namespace stub
