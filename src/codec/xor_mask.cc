#include "codec/xor_mask.h"

#include "codec/codec_messages.h"
#include "codec/stream_format.h"

namespace codec {

bool CheckCode(std::span<const uint8_t> code, std::string* err) {
  if (!code.empty() && code.size() < static_cast<size_t>(kMinCodeSize)) {
    *err = msg::kCodeTooShort;
    return false;
  }
  return true;
}

void MaskBlock(uint8_t* block, size_t n, std::span<const uint8_t> code) {
  if (code.empty()) {
    for (size_t i = 0; i < n; ++i) block[i] ^= kFormatMask;
    return;
  }
  // A block no longer than the code array uses code[i]; a longer one cycles
  // through code[0..U-1] with U = code.size() - 1, so code[U] is never used.
  const size_t period = n <= code.size() ? n : code.size() - 1;
  size_t j = 0;
  for (size_t i = 0; i < n; ++i) {
    block[i] ^= code[j] ^ kFormatMask;
    if (++j == period) j = 0;
  }
}

}  // namespace codec
