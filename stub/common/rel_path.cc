#include "rel_path.h"

#include <windows.h>

#include <string>

#include "package/name_rules.h"
#include "win_util.h"

namespace stub {
namespace {

bool Fail(std::wstring* why, std::wstring text) {
  if (why) *why = std::move(text);
  return false;
}

bool CheckSegment(std::wstring_view seg, std::wstring* why) {
  switch (package::CheckNamePart(std::u16string(seg.begin(), seg.end()))) {
    case package::NamePartFault::kNone: return true;
    case package::NamePartFault::kEmpty: return Fail(why, L"空的路径段");
    case package::NamePartFault::kDotSegment: return Fail(why, L"路径段 \"" + std::wstring(seg) + L"\"");
    case package::NamePartFault::kForbiddenChar: return Fail(why, L"非法字符");
    case package::NamePartFault::kEndsWithDotOrSpace: return Fail(why, L"以点或空格结尾的名称");
    case package::NamePartFault::kDeviceName: return Fail(why, L"设备名 \"" + std::wstring(seg) + L"\"");
  }
  return Fail(why, L"非法字符");
}

}  // namespace

bool CheckRelPath(std::wstring_view rel, std::wstring* why) {
  if (rel.empty()) return Fail(why, L"空的文件名");
  if (rel.front() == L'\\') return Fail(why, L"绝对路径");
  for (wchar_t c : rel)
    if (c != L'\\' && package::IsForbiddenNameChar(static_cast<char16_t>(c))) return Fail(why, L"非法字符");
  size_t start = 0;
  for (;;) {
    size_t end = rel.find(L'\\', start);
    std::wstring_view seg = rel.substr(start, end == std::wstring_view::npos ? rel.npos : end - start);
    if (!CheckSegment(seg, why)) return false;
    if (end == std::wstring_view::npos) return true;
    start = end + 1;
  }
}

bool CheckTopLevelName(std::wstring_view name, std::wstring* why) {
  if (name.find(L'\\') != std::wstring_view::npos) return Fail(why, L"不是顶层文件名");
  return CheckRelPath(name, why);
}

bool IsWithin(const std::wstring& folder, const std::wstring& path) {
  std::wstring f = folder;
  while (f.size() > 3 && f.back() == L'\\') f.pop_back();
  if (path.size() < f.size()) return false;
  if (!SameNoCase(std::wstring_view(path).substr(0, f.size()), f)) return false;
  if (path.size() == f.size()) return true;
  return f.back() == L'\\' || path[f.size()] == L'\\';
}

bool JoinBelow(const std::wstring& folder, std::wstring_view rel, std::wstring* full,
               std::wstring* why) {
  std::wstring joined = folder;
  if (joined.empty() || joined.back() != L'\\') joined += L'\\';
  joined += rel;
  DWORD n = GetFullPathNameW(joined.c_str(), 0, nullptr, nullptr);
  if (n == 0) return Fail(why, L"无法解析路径");
  std::wstring abs(n, L'\0');
  n = GetFullPathNameW(joined.c_str(), n, abs.data(), nullptr);
  abs.resize(n);
  if (!IsWithin(folder, abs) || abs.size() <= folder.size())
    return Fail(why, L"路径超出安装目录");
  *full = std::move(abs);
  return true;
}

std::wstring SafeFileName(const std::wstring& text) {
  std::wstring s;
  for (wchar_t c : text)
    s += (c < 0x20 || wcschr(L"\\/:*?\"<>|", c)) ? L'_' : c;
  while (!s.empty() && (s.back() == L'.' || s.back() == L' ')) s.pop_back();
  std::wstring why;
  if (!CheckTopLevelName(s, &why)) s = L"_" + s;
  return s;
}

}  // namespace stub
