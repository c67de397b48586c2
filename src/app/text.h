#pragma once
// UTF-8 (the core's text) to and from UTF-16 (the Win32 API's text).

#include <string>
#include <string_view>

#include "shell/unicode.h"

namespace app {

inline std::wstring Widen(std::string_view utf8) { return shell::Utf8ToWide(utf8); }
inline std::string Narrow(std::wstring_view wide) { return shell::WideToUtf8(wide); }

}  // namespace app
