#include "command_line.h"

#include <cwctype>

#include "elevation.h"
#include "stub_text.h"
#include "win_util.h"

namespace stub {
namespace {

constexpr std::wstring_view kCleanup = L"/_CLEANUP=";  // /_CLEANUP=<handle>:<path>|..., last
constexpr std::wstring_view kElevated = kElevatedSwitch;
constexpr std::wstring_view kFolder = L"/D=";
constexpr std::wstring_view kSilent = L"/S";
constexpr std::wstring_view kLog = L"/LOG";
constexpr std::wstring_view kLogFile = L"/LOG=";
constexpr std::wstring_view kLogContinued = L"/_LOG=";
constexpr std::wstring_view kAllUsers = L"/ALLUSERS";
constexpr std::wstring_view kCurrentUser = L"/CURRENTUSER";

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

bool StartsWithNoCase(std::wstring_view s, std::wstring_view prefix) {
  return s.size() >= prefix.size() && SameNoCase(s.substr(0, prefix.size()), prefix);
}

std::wstring_view TrimRight(std::wstring_view s) {
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// A drive path (C:\..., C:/...) or a network path (\\server\...).
bool IsFullPath(std::wstring_view folder) {
  if (folder.size() >= 3 && std::iswalpha(folder[0]) && folder[1] == L':' &&
      (folder[2] == L'\\' || folder[2] == L'/'))
    return true;
  return folder.size() > 2 && folder[0] == L'\\' && folder[1] == L'\\';
}

// One argument from s (which starts at it): up to the next blank outside
// quotes, the quotes removed. *used gets the characters it took.
std::wstring NextArgument(std::wstring_view s, size_t* used) {
  std::wstring arg;
  bool quoted = false;
  size_t i = 0;
  for (; i < s.size() && (quoted || !IsBlank(s[i])); ++i) {
    if (s[i] == L'"') quoted = !quoted;
    else arg += s[i];
  }
  *used = i;
  return arg;
}

void ParseCleanup(std::wstring_view v, StubArgs* out) {
  size_t colon = v.find(L':');
  if (colon == v.npos) return;
  out->wait_handle = std::wcstoull(std::wstring(v.substr(0, colon)).c_str(), nullptr, 10);
  std::wstring_view rest_list = v.substr(colon + 1);
  size_t bar = rest_list.find(L'|');
  out->cleanup_target = rest_list.substr(0, bar);
  while (bar != rest_list.npos) {
    rest_list = rest_list.substr(bar + 1);
    bar = rest_list.find(L'|');
    std::wstring_view dir = rest_list.substr(0, bar);
    if (!dir.empty()) out->cleanup_folders.emplace_back(dir);
  }
}

// Takes /D='s value; false when the program takes none or it is no full path.
bool TakeFolder(std::wstring_view value, Program program, StubArgs* out) {
  // /D="C:\My Apps": the quotes around the value are no part of it.
  if (value.size() >= 2 && value.front() == L'"' && value.back() == L'"')
    value = value.substr(1, value.size() - 2);
  if (program != Program::kSetup || !IsFullPath(value)) return false;
  out->folder = value;
  return true;
}

}  // namespace

std::wstring_view SkipProgramName(std::wstring_view cmdline) {
  size_t i = 0;
  if (!cmdline.empty() && cmdline[0] == L'"') {
    size_t close = cmdline.find(L'"', 1);
    i = close == cmdline.npos ? cmdline.size() : close + 1;
  } else {
    while (i < cmdline.size() && !IsBlank(cmdline[i])) ++i;
  }
  while (i < cmdline.size() && IsBlank(cmdline[i])) ++i;
  return cmdline.substr(i);
}

StubArgs ParseArgs(std::wstring_view args, Program program) {
  StubArgs out;
  auto refuse = [&](std::wstring_view arg) {
    if (out.refused.empty()) out.refused = arg.empty() ? std::wstring(L"\"\"") : std::wstring(arg);
  };
  size_t i = 0;
  while (i < args.size()) {
    while (i < args.size() && IsBlank(args[i])) ++i;
    std::wstring_view rest = args.substr(i);
    if (rest.empty()) break;
    // The switches that take the rest of the line.
    if (StartsWithNoCase(rest, kFolder)) {
      std::wstring_view value = TrimRight(rest.substr(kFolder.size()));
      if (!TakeFolder(value, program, &out)) refuse(TrimRight(rest));
      break;
    }
    if (program == Program::kUninstaller && StartsWithNoCase(rest, kCleanup)) {
      ParseCleanup(TrimRight(rest.substr(kCleanup.size())), &out);
      break;
    }
    size_t used = 0;
    std::wstring arg = NextArgument(rest, &used);
    i += used;
    if (SameNoCase(arg, kSilent)) out.silent = true;
    else if (SameNoCase(arg, kElevated)) out.elevated = true;
    else if (SameNoCase(arg, kLog)) out.log = true;
    else if (StartsWithNoCase(arg, kLogFile) || StartsWithNoCase(arg, kLogContinued)) {
      bool continued = StartsWithNoCase(arg, kLogContinued);
      out.log_path = arg.substr((continued ? kLogContinued : kLogFile).size());
      out.log = !out.log_path.empty();
      out.log_continues = continued;
      if (!out.log) refuse(arg);
    } else if (program == Program::kSetup &&
               (SameNoCase(arg, kAllUsers) || SameNoCase(arg, kCurrentUser))) {
      Scope scope = SameNoCase(arg, kAllUsers) ? Scope::kMachine : Scope::kUser;
      if (out.scope && *out.scope != scope) refuse(arg);
      out.scope = scope;
    }
    else if (StartsWithNoCase(arg, kFolder) && rest.front() == L'"') {
      if (!TakeFolder(std::wstring_view(arg).substr(kFolder.size()), program, &out)) refuse(arg);
    } else refuse(arg);
  }
  return out;
}

std::wstring ChildArgs(const StubArgs& args, const std::wstring& log) {
  std::wstring out;
  auto add = [&](std::wstring_view part) {
    if (!out.empty()) out += L' ';
    out += part;
  };
  if (args.silent) add(kSilent);
  if (args.scope) add(*args.scope == Scope::kMachine ? kAllUsers : kCurrentUser);
  if (!log.empty()) add(L"\"" + std::wstring(kLogContinued) + log + L"\"");
  if (!args.folder.empty()) add(L"\"" + std::wstring(kFolder) + args.folder + L"\"");
  return out;
}

std::wstring UsageMessage(Program program, const std::wstring& refused) {
  return text::kBadArgument + refused + L"\r\n\r\n" +
         (program == Program::kSetup ? text::kSetupUsage : text::kUninstallUsage);
}

}  // namespace stub
