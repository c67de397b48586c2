#pragma once
// Helpers shared by the codec tests: deterministic inputs and a digest.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "codec/memory_codec.h"
#include "codec/xor_mask.h"

namespace codec_test {

// Deterministic pseudo-random bytes (xorshift64*), equal on every platform.
std::vector<uint8_t> RandomBytes(size_t n, uint64_t seed);

// Deterministic English-like text: words from a fixed list, spaces, line ends.
std::vector<uint8_t> TextBytes(size_t n, uint64_t seed);

// Bytes of the running test program (real machine code), repeated or cut to n.
std::vector<uint8_t> ProgramBytes(size_t n);

// An 8192-byte code array with every value position-dependent, so that a
// wrong code index shows in the output.
std::vector<uint8_t> Code8192();

// 64-bit FNV-1a of the bytes: a platform-independent fingerprint.
uint64_t Fnv1a(std::span<const uint8_t> bytes);

// The stream of input with the masking removed from its data (header as is).
std::vector<uint8_t> PlainStream(std::span<const uint8_t> input, int16_t level,
                                 std::span<const uint8_t> code = {});

// Compresses and fails the current test on error.
std::vector<uint8_t> Compress(std::span<const uint8_t> input, int16_t level,
                              std::span<const uint8_t> code = {});

}  // namespace codec_test
