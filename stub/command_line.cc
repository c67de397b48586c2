#include "command_line.h"

#include <cwctype>

#include "elevation.h"

namespace stub {
namespace {

constexpr std::wstring_view kCleanup = L"/_CLEANUP=";  // /_CLEANUP=<handle>:<path>|..., last
constexpr std::wstring_view kElevated = kElevatedSwitch;

bool StartsWithNoCase(std::wstring_view s, std::wstring_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (std::towupper(s[i]) != std::towupper(prefix[i])) return false;
  return true;
}

std::wstring_view TrimRight(std::wstring_view s) {
  while (!s.empty() && (s.back() == L' ' || s.back() == L'\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

std::wstring_view SkipProgramName(std::wstring_view cmdline) {
  size_t i = 0;
  if (!cmdline.empty() && cmdline[0] == L'"') {
    size_t close = cmdline.find(L'"', 1);
    i = close == cmdline.npos ? cmdline.size() : close + 1;
  } else {
    while (i < cmdline.size() && cmdline[i] != L' ' && cmdline[i] != L'\t') ++i;
  }
  while (i < cmdline.size() && (cmdline[i] == L' ' || cmdline[i] == L'\t')) ++i;
  return cmdline.substr(i);
}

StubArgs ParseArgs(std::wstring_view args) {
  StubArgs out;
  size_t i = 0;
  while (i < args.size()) {
    while (i < args.size() && (args[i] == L' ' || args[i] == L'\t')) ++i;
    std::wstring_view rest = args.substr(i);
    if (rest.empty()) break;
    if (StartsWithNoCase(rest, L"/D=")) {
      out.folder = TrimRight(rest.substr(3));
      break;
    }
    if (StartsWithNoCase(rest, kCleanup)) {
      std::wstring_view v = TrimRight(rest.substr(kCleanup.size()));
      size_t colon = v.find(L':');
      if (colon != v.npos) {
        out.wait_handle = std::wcstoull(std::wstring(v.substr(0, colon)).c_str(), nullptr, 10);
        std::wstring_view rest_list = v.substr(colon + 1);
        size_t bar = rest_list.find(L'|');
        out.cleanup_target = rest_list.substr(0, bar);
        while (bar != rest_list.npos) {
          rest_list = rest_list.substr(bar + 1);
          bar = rest_list.find(L'|');
          std::wstring_view dir = rest_list.substr(0, bar);
          if (!dir.empty()) out.cleanup_folders.emplace_back(dir);
        }
      }
      break;
    }
    size_t end = rest.find_first_of(L" \t");
    std::wstring_view token = rest.substr(0, end);
    if (token.size() == 2 && token[0] == L'/' && std::towupper(token[1]) == L'S') out.silent = true;
    if (token.size() == kElevated.size() && StartsWithNoCase(token, kElevated)) out.elevated = true;
    i += token.size();
  }
  return out;
}

}  // namespace stub
