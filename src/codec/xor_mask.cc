#include "codec/xor_mask.h"

#include <algorithm>
#include <cstring>

#include "codec/codec_messages.h"
#include "codec/stream_format.h"

namespace codec {
namespace {

constexpr uint64_t kWordMask = 0x0101010101010101ull * kFormatMask;

// dst[i] ^= src[i] ^ kFormatMask for i < n, a machine word at a time.
void XorRun(uint8_t* dst, const uint8_t* src, size_t n) {
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t d, c;
    std::memcpy(&d, dst + i, 8);
    std::memcpy(&c, src + i, 8);
    d ^= c ^ kWordMask;
    std::memcpy(dst + i, &d, 8);
  }
  for (; i < n; ++i) dst[i] ^= src[i] ^ kFormatMask;
}

}  // namespace

bool CheckCode(std::span<const uint8_t> code, std::string* err) {
  if (!code.empty() && code.size() < static_cast<size_t>(kMinCodeSize)) {
    *err = msg::kCodeTooShort;
    return false;
  }
  return true;
}

void MaskBlock(uint8_t* block, size_t n, std::span<const uint8_t> code) {
  if (code.empty()) {
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
      uint64_t d;
      std::memcpy(&d, block + i, 8);
      d ^= kWordMask;
      std::memcpy(block + i, &d, 8);
    }
    for (; i < n; ++i) block[i] ^= kFormatMask;
    return;
  }
  // A block no longer than the code array uses code[i]; a longer one cycles
  // through code[0..U-1] with U = code.size() - 1, so code[U] is never used.
  const size_t period = n <= code.size() ? n : code.size() - 1;
  const uint8_t* pattern = code.data();
  size_t chunk = period;
  // A short period is repeated into a longer pattern (a whole number of
  // periods) so that the runs stay long enough for whole words.
  uint8_t repeated[512];
  if (period < 256) {
    chunk = period * (256 / period);
    for (size_t i = 0; i < chunk; ++i) repeated[i] = code[i % period];
    pattern = repeated;
  }
  for (size_t off = 0; off < n; off += chunk) XorRun(block + off, pattern, std::min(chunk, n - off));
}

}  // namespace codec
