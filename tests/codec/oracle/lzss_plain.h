#pragma once
// The plain encoder and decoder: a direct transcription of the stream's
// rules, one byte at a time. They are the reference the fast EncodeStream
// and DecodeStream are tested against (same arguments, same results, same
// bytes); nothing else should call them.

#include <cstdint>
#include <string>

#include "codec/lzss_decoder.h"
#include "codec/stream_io.h"

namespace codec {

bool EncodeStreamPlain(int32_t size, const ReadFn& read, const WriteFn& write,
                       const CodecParams& params, int64_t* compLen, bool* stopped,
                       std::string* err);

bool DecodeStreamPlain(const ReadFn& read, StreamExtent extent, const WriteFn& write,
                       const CodecParams& params, int32_t* size, bool* stopped, std::string* err);

}  // namespace codec
