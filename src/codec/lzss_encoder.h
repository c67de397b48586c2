#pragma once
// The LZSS encoder: one stream from one input, in bounded memory (fixed
// tables and two kBlockSize buffers; never the whole input).

#include <cstdint>
#include <string>

#include "codec/stream_io.h"

namespace codec {

// Encodes size bytes (1..2147483647) pulled from read into one stream pushed
// to write: first the 4-byte header, then the masked blocks (kBlockSize each,
// the last one shorter). The input is read in pieces of kBlockSize bytes (the
// last one shorter) and every read is reported to params.progress. After each
// read but the first the stop request is checked: when set, the call returns
// true with *stopped set and *compLen 0, and what was written stays written.
// Otherwise *compLen is the number of bytes written after the header.
bool EncodeStream(int32_t size, const ReadFn& read, const WriteFn& write,
                  const CodecParams& params, int64_t* compLen, bool* stopped, std::string* err);

}  // namespace codec
