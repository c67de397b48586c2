#pragma once
// The codec on files of the platform layer: encode a named file onto the end
// of an open file, decode a stream at an offset of an open file into a sink.

#include <cstdint>
#include <optional>
#include <string>

#include "codec/stream_io.h"
#include "platform/files.h"

namespace codec {

// Appends the stream of the file at input to the end of out (header, then
// the masked data) and sets *compLen to the bytes after the header. A
// missing or empty input, or a directory, writes nothing and gives 0. An
// input of 2147483648 bytes or more is refused. *stopped: see EncodeStream.
// With jobs > 1 a large input is encoded on that many threads (the same
// stream; see EncodeStreamOnThreads).
bool CompressFileTo(const std::string& input, platform::File& out, const CodecParams& params,
                    int64_t* compLen, bool* stopped, std::string* err, int jobs = 1);

// Decodes the stream whose header is at offset of in and pushes the decoded
// bytes to sink (see DecodeStream). streamLen, when known, is the stream's
// exact length (4 + the compressed length the writer recorded); the stream
// must then lie inside the file and end exactly there. Unknown, the stream
// may use the rest of the file. An offset outside the file is an error.
bool DecodeFromFile(platform::File& in, int64_t offset, std::optional<int64_t> streamLen,
                    const WriteFn& sink, const CodecParams& params, int32_t* size,
                    bool* stopped, std::string* err);

}  // namespace codec
