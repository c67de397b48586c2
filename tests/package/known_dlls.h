#pragma once
// The DLLs setup.exe and uninst.exe may import: the system's known DLLs on
// every Windows from 7 on (HKLM\SYSTEM\CurrentControlSet\Control\Session
// Manager\KnownDLLs, which the loader maps from System32 only, never
// searching the program's folder), ntdll (always loaded first), and
// comctl32, which the programs' manifest takes from the side-by-side store.
// Any other DLL would be looked for beside the program first.

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

namespace stubtest {

inline constexpr std::array<std::string_view, 25> kAllowedImports = {
    "advapi32.dll", "clbcatq.dll", "comdlg32.dll", "difxapi.dll", "gdi32.dll",
    "imagehlp.dll", "imm32.dll",   "kernel32.dll", "msctf.dll",   "msvcrt.dll",
    "normaliz.dll", "nsi.dll",     "ole32.dll",    "oleaut32.dll", "psapi.dll",
    "rpcrt4.dll",   "sechost.dll", "setupapi.dll", "shell32.dll", "shlwapi.dll",
    "user32.dll",   "wldap32.dll", "ws2_32.dll",   "ntdll.dll",   "comctl32.dll"};

inline std::string LowerAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return out;
}

// True when name (any letter case, with ".dll") is on the list.
inline bool IsAllowedImport(std::string_view name) {
  std::string lower = LowerAscii(name);
  return std::find(kAllowedImports.begin(), kAllowedImports.end(), lower) != kAllowedImports.end();
}

}  // namespace stubtest
