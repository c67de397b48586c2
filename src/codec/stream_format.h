#pragma once
// Constants of the compressed stream: a 4-byte little-endian original size,
// then LZSS groups masked in blocks of kBlockSize bytes.

#include <cstdint>

namespace codec {

inline constexpr int kBlockSize = 40960;    // masking and I/O block
inline constexpr int kRingSize = 4096;      // LZSS ring positions
inline constexpr int kMaxMatch = 18;        // longest reference
inline constexpr int kMinMatch = 3;         // shortest reference
inline constexpr uint8_t kFormatMask = 0x71;
inline constexpr int kHeaderSize = 4;

}  // namespace codec
