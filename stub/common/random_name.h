#pragma once
// Names no one can foresee, for files and folders made where others may
// write (%TEMP%): hexadecimal digits from the system's cryptographic random
// source (bcrypt.dll, loaded from System32).

#include <cstddef>
#include <string>

namespace stub {

// 2 * bytes lowercase hexadecimal digits; false when the source failed.
bool RandomHex(size_t bytes, std::wstring* hex);

}  // namespace stub
