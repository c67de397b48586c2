#pragma once
// Block masking of the compressed data. Each block of at most kBlockSize
// bytes is masked by itself with index i starting at 0:
//   byte[i] ^= code[j] ^ kFormatMask, j = i mod U when the block's upper
//   index (length - 1) exceeds U, the code array's upper index, else j = i;
//   an empty code array masks with kFormatMask alone.
// Masking is its own inverse.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace codec {

// Checks that a code array can be used: empty, or at least kMinCodeSize bytes.
bool CheckCode(std::span<const uint8_t> code, std::string* err);

// Masks one block in place. code is empty or CheckCode-valid.
void MaskBlock(uint8_t* block, size_t n, std::span<const uint8_t> code);

}  // namespace codec
