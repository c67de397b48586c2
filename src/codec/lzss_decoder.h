#pragma once
// The LZSS decoder: one stream to its original bytes, in bounded memory
// (a ring and two kBlockSize buffers; nothing sized by the stream's header).
//
// Hostile input ends with an error, never with an access out of bounds or an
// endless loop: a header cut short, a negative size, data that ends before
// the size is produced, a reference to a ring position the stream has not
// written yet, and (when the stream's length is known) bytes left over.

#include <cstdint>
#include <string>

#include "codec/stream_io.h"

namespace codec {

struct StreamExtent {
  // Bytes that read may deliver, counted from the 4-byte header.
  int64_t bytes = 0;
  // True: bytes is the stream's exact length (header + compressed data), as
  // recorded by the writer, so the last block is exactly the encoder's last
  // block and left-over bytes are an error. False: bytes is all that follows
  // the header's offset (the rest of a file); blocks are
  // min(kBlockSize, bytes left) and bytes after the stream are not used.
  bool exact = false;
};

// Decodes the stream pulled from read (header first) and pushes the decoded
// bytes to write in pieces of kBlockSize (the last one shorter), reporting
// each piece to params.progress. After each full piece the stop request is
// checked: when set the call returns true with *stopped set. *size receives
// the header's original size (0 or more) once read. A size of 0 decodes to
// nothing.
bool DecodeStream(const ReadFn& read, StreamExtent extent, const WriteFn& write,
                  const CodecParams& params, int32_t* size, bool* stopped, std::string* err);

}  // namespace codec
