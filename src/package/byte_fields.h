#pragma once
// Little-endian fields of binary formats read from and written to byte
// strings, for the PE resource code: reads check nothing, callers check the
// bounds first.

#include <cstdint>
#include <span>
#include <string>

namespace package::bytes {

inline uint16_t Get16(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}
inline uint32_t Get32(std::span<const uint8_t> b, size_t at) {
  return uint32_t{Get16(b, at)} | (uint32_t{Get16(b, at + 2)} << 16);
}
inline void Put16(std::string* out, uint16_t v) {
  out->push_back(static_cast<char>(v & 0xFF));
  out->push_back(static_cast<char>(v >> 8));
}
inline void Put32(std::string* out, uint32_t v) {
  Put16(out, static_cast<uint16_t>(v & 0xFFFF));
  Put16(out, static_cast<uint16_t>(v >> 16));
}
// Overwrites 2 or 4 bytes at at (inside out).
inline void Set16(std::string* out, size_t at, uint16_t v) {
  (*out)[at] = static_cast<char>(v & 0xFF);
  (*out)[at + 1] = static_cast<char>(v >> 8);
}
inline void Set32(std::string* out, size_t at, uint32_t v) {
  Set16(out, at, static_cast<uint16_t>(v & 0xFFFF));
  Set16(out, at + 2, static_cast<uint16_t>(v >> 16));
}
inline std::span<const uint8_t> View(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}
inline void PadTo(std::string* out, size_t alignment) {
  while (out->size() % alignment != 0) out->push_back('\0');
}

}  // namespace package::bytes
