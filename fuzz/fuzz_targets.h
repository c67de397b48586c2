#pragma once
// The fuzz targets as plain functions, so that the test suites can replay
// the seed corpus through them with any compiler. Each returns false when
// an invariant of the codec is broken (the fuzzer then aborts).

#include <cstddef>
#include <cstdint>

namespace fuzz {

// Decodes arbitrary bytes as a stream. The first byte picks the options
// (bit 0: exact length; bit 1: an 8192-byte code array; bit 2: a 2-byte
// code array); the rest is the stream. A decode must end (with or without
// an error) and never produce more bytes than the header announces, and the
// fast and the plain decoder must agree on the result, the message and
// every byte.
bool DecompressTarget(const uint8_t* data, size_t size);

// Compresses arbitrary bytes and decodes them again. The first byte picks
// the level and the code array; the rest is the input. The round trip must
// give the input back, the stream must be 4 + compLen bytes, and the fast
// and the plain encoder, and the parallel encoder with small chunks, must
// write the same bytes.
bool RoundTripTarget(const uint8_t* data, size_t size);

}  // namespace fuzz
