#include "platform/wildcards.h"

#include <windows.h>

#include "platform/utf.h"

namespace platform {

std::vector<std::string> ExpandWildcards(const std::string& pattern) {
  size_t last = pattern.find_last_of("\\/:");
  std::string folder = last == std::string::npos ? "" : pattern.substr(0, last + 1);
  if (pattern.find_first_of("*?", folder.size()) == std::string::npos) return {pattern};
  std::vector<std::string> paths;
  WIN32_FIND_DATAW found;
  HANDLE h = FindFirstFileW(Utf8ToWide(pattern).c_str(), &found);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name != L"." && name != L"..") paths.push_back(folder + WideToUtf8(name));
    } while (FindNextFileW(h, &found));
    FindClose(h);
  }
  if (paths.empty()) paths.push_back(pattern);
  return paths;
}

}  // namespace platform
