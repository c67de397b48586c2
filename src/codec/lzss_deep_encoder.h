#pragma once
// The encoder for levels above kRowLevelMax, behind EncodeStream: the same
// arguments and results. Called only with a checked code array and size > 0.

#include <cstdint>
#include <string>

#include "codec/stream_io.h"

namespace codec {

// Searches this deep or less are served by the rows of the main encoder.
inline constexpr int kRowLevelMax = 30;

bool EncodeStreamDeep(int32_t size, const ReadFn& read, const WriteFn& write,
                      const CodecParams& params, int64_t* compLen, bool* stopped,
                      std::string* err);

}  // namespace codec
