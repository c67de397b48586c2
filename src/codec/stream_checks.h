#pragma once
// The checks every decoder makes around its loop: the header before, the
// stream's end after. Shared by the fast and the plain decoder.

#include <cstdint>
#include <string>

#include "codec/lzss_decoder.h"

namespace codec {

// Reads the 4-byte header; fails on a cut header or a negative size.
bool ReadStreamHeader(const ReadFn& read, StreamExtent extent, int32_t* size, std::string* err);

// With an exact extent, every compressed byte must have been used.
bool CheckStreamEnd(StreamExtent extent, int64_t consumed, bool stopped, std::string* err);

}  // namespace codec
