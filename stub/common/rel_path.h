#pragma once
// The rules a relative path from a package must meet before anything is
// written or removed with it. A package is untrusted input: a name that could
// reach outside the install folder, or name a device, refuses the whole
// package (setup) or index (uninstaller).

#include <string>
#include <string_view>

namespace stub {

// A relative path below the install folder, "\" between segments: not empty;
// no "/" (a second separator on Windows), ":" (drive, stream), control or
// wildcard characters; no leading "\" (absolute, UNC, \\?\); every segment
// non-empty, not "." or "..", without a trailing dot or space and not a
// reserved device name (CON, PRN, AUX, NUL, COM1..9, LPT1..9, CONIN$,
// CONOUT$, with or without an extension). On failure *why says which rule.
bool CheckRelPath(std::wstring_view rel, std::wstring* why);

// A single file name (an option record's entry): CheckRelPath and no "\".
bool CheckTopLevelName(std::wstring_view name, std::wstring* why);

// A file name made from text that may hold characters a name cannot (a
// product's name): those become "_", and a name Windows refuses gets a "_"
// in front.
std::wstring SafeFileName(const std::wstring& text);

// folder + "\" + rel, made absolute, after checking that the result lies
// strictly below the (absolute) folder. rel must have passed CheckRelPath.
bool JoinBelow(const std::wstring& folder, std::wstring_view rel, std::wstring* full,
               std::wstring* why);

// True when path equals folder or lies below it (case-insensitive, whole segments).
bool IsWithin(const std::wstring& folder, const std::wstring& path);

}  // namespace stub
