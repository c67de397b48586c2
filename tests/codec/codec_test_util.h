#pragma once
// Helpers shared by the codec tests: deterministic inputs and a digest.

#include <cstdint>
#include <functional>
#include <type_traits>
#include <span>
#include <string>
#include <vector>

#include "codec/lzss_decoder.h"
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

// One encode or decode over memory with every progress report and every
// write recorded; a stop is requested in progress report number stop_at
// (0: never).
struct Recording {
  bool ok = false;
  bool stopped = false;
  std::string err;
  std::vector<uint8_t> bytes;     // all that was written
  std::vector<int32_t> progress;  // the reports, in order
  std::vector<size_t> writes;     // the size of each write
  int64_t compLen = 0;           // encoder: the compressed length it returned
};

using EncodeFn = bool (*)(int32_t size, const codec::ReadFn& read, const codec::WriteFn& write,
                          const codec::CodecParams& params, int64_t* compLen, bool* stopped,
                          std::string* err);
using DecodeFn = bool (*)(const codec::ReadFn& read, codec::StreamExtent extent,
                          const codec::WriteFn& write, const codec::CodecParams& params,
                          int32_t* size, bool* stopped, std::string* err);

Recording RecordEncode(EncodeFn encode, const std::vector<uint8_t>& input, int16_t level,
                       std::span<const uint8_t> code, int stop_at = 0);
// The same with any encoder of EncodeFn's arguments (a lambda that binds more).
Recording RecordEncode(const std::function<std::remove_pointer_t<EncodeFn>>& encode,
                       const std::vector<uint8_t>& input, int16_t level,
                       std::span<const uint8_t> code, int stop_at = 0);
// Reading past the end of the stream fails with "overrun".
Recording RecordDecode(DecodeFn decode, const std::vector<uint8_t>& stream, bool exact,
                       std::span<const uint8_t> code, int stop_at = 0);

}  // namespace codec_test
