#pragma once
// Removing folders that setup made once they are empty: a folder that still
// holds anything stays.

#include <string>
#include <vector>

namespace stub {

// Removes dirs that are empty, deepest first.
void RemoveFoldersIfEmpty(std::vector<std::wstring> dirs);

// Removes the folders that hold paths, below root (and root itself when
// remove_root), deepest first, when they are empty. A link or junction on the
// way is left alone.
void RemoveEmptyFoldersOf(const std::vector<std::wstring>& paths, const std::wstring& root,
                          bool remove_root);

}  // namespace stub
