#include "win_util.h"

#include "platform/upper_case.h"
#include "stub_text.h"

namespace stub {

std::wstring SystemErrorText(DWORD code) {
  wchar_t* buf = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
  std::wstring text(buf ? buf : L"", buf ? n : 0);
  if (buf) LocalFree(buf);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' ||
                           text.back() == L'.' || text.back() == L'。'))
    text.pop_back();
  if (text.empty()) return text::kErrorCode + std::to_wstring(code);
  return text;
}

std::wstring SystemError(std::wstring_view what, const std::wstring& path, DWORD code) {
  return text::WithReason(std::wstring(what) + L"“" + path + L"”", SystemErrorText(code));
}

void WriteStdErr(const std::wstring& message) {
  HANDLE h = GetStdHandle(STD_ERROR_HANDLE);
  if (h == nullptr || h == INVALID_HANDLE_VALUE) return;
  std::string line = platform::WideToUtf8(message) + "\n";
  DWORD written = 0;
  WriteFile(h, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

std::wstring ModulePath() {
  std::wstring buf(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
    if (n < buf.size()) {
      buf.resize(n);
      return buf;
    }
    buf.resize(buf.size() * 2);
  }
}

std::wstring ParentOf(const std::wstring& path) {
  size_t slash = path.find_last_of(L'\\');
  if (slash == std::wstring::npos) return L"";
  if (slash == 2 && path.size() > 1 && path[1] == L':') return path.substr(0, 3);
  return path.substr(0, slash);
}

std::wstring LastSegment(const std::wstring& path) {
  size_t slash = path.find_last_of(L'\\');
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool SameNoCase(std::wstring_view a, std::wstring_view b) {
  static_assert(sizeof(wchar_t) == sizeof(char16_t));
  return platform::SameUpperCaseKey(std::u16string_view(reinterpret_cast<const char16_t*>(a.data()), a.size()),
                                    std::u16string_view(reinterpret_cast<const char16_t*>(b.data()), b.size()));
}

std::wstring NoCaseKey(const std::wstring& path) {
  std::wstring k = path;
  for (wchar_t& c : k) c = static_cast<wchar_t>(platform::UpperCaseUnit(static_cast<char16_t>(c)));
  return k;
}

std::wstring UserTempFolder() {
  wchar_t temp[MAX_PATH + 1];
  DWORD n = GetTempPathW(MAX_PATH + 1, temp);
  if (n == 0 || n > MAX_PATH) return L"";
  std::wstring folder(temp, n);
  while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
  return folder;
}

}  // namespace stub
