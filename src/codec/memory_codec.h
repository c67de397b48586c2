#pragma once
// The codec on memory buffers: for tests, benchmarks and callers that hold
// the bytes already.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "codec/stream_io.h"

namespace codec {

// Appends the stream of input (header and masked data) to *stream. An empty
// input appends nothing. *compLen (optional) gets the length after the header.
bool CompressBuffer(std::span<const uint8_t> input, const CodecParams& params,
                    std::vector<uint8_t>* stream, std::string* err, int64_t* compLen = nullptr);

// Decodes the stream at the start of stream into *output (replaced). With
// exact set, stream must hold exactly one stream and nothing after it.
bool DecompressBuffer(std::span<const uint8_t> stream, bool exact, const CodecParams& params,
                      std::vector<uint8_t>* output, std::string* err);

}  // namespace codec
