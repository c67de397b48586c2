#pragma once
// Constants of the compressed stream, whose format docs/format.md ("The
// compressed stream") writes down.

#include <cstdint>

namespace codec {

inline constexpr int kBlockSize = 40960;    // masking and I/O block
inline constexpr int kRingSize = 4096;      // LZSS ring positions
inline constexpr int kRingMask = kRingSize - 1;
inline constexpr int kMaxMatch = 18;        // longest reference
inline constexpr int kMinMatch = 3;         // shortest reference
inline constexpr uint8_t kFormatMask = 0x71;
inline constexpr int kHeaderSize = 4;
inline constexpr int kMinCodeSize = 2;      // a code array's upper index is a divisor
// The level every package stream and install.dat member is written with
// (candidates examined per position - 1), and the default of every caller.
inline constexpr int16_t kCompressLevel = 16;

// The header: the original size, signed 32-bit little-endian.
inline int32_t GetHeader(const uint8_t* h) {
  return static_cast<int32_t>(uint32_t{h[0]} | (uint32_t{h[1]} << 8) | (uint32_t{h[2]} << 16) |
                              (uint32_t{h[3]} << 24));
}
inline void PutHeader(int32_t size, uint8_t* h) {
  const uint32_t v = static_cast<uint32_t>(size);
  for (int i = 0; i < kHeaderSize; ++i) h[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace codec
