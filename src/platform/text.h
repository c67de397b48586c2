#pragma once
// Text crossing into the package: UTF-8 in memory, code page 936 (GBK) bytes
// in the package. iconv on POSIX (text_posix.cc), WideCharToMultiByte on
// Windows (text_win32.cc).

#include <string>
#include <string_view>

namespace platform {

// UTF-8 to code page 936. A character code page 936 cannot represent becomes
// '?'; *lossy (when given) tells whether that happened.
std::string ToCodePage936(std::string_view utf8, bool* lossy = nullptr);

// Code page 936 to UTF-8; a byte sequence that is not GBK becomes U+FFFD.
std::string FromCodePage936(std::string_view bytes);

}  // namespace platform
