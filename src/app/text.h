#pragma once
// UTF-8 (the core's text) to and from UTF-16 (the Win32 API's text).

#include <string>
#include <string_view>

namespace app {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);

}  // namespace app
