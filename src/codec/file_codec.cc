// The decoding half of file_codec.h (the encoding half is file_encoder.cc,
// so a program that only decodes links no encoder).

#include "codec/file_codec.h"

#include <limits>
#include <memory>

#include "codec/codec_messages.h"
#include "codec/lzss_decoder.h"
#include "codec/xor_mask.h"

namespace codec {

bool DecodeFromFile(platform::File& in, int64_t offset, std::optional<int64_t> streamLen,
                    const WriteFn& sink, const CodecParams& params, int32_t* size,
                    bool* stopped, std::string* err) {
  *size = 0;
  *stopped = false;
  int64_t file_size = 0;
  if (!in.Size(&file_size, err)) return false;
  if (offset < 0) {
    *err = in.path() + ": " + msg::kNegativeOffset;
    return false;
  }
  if (offset > file_size) {
    *err = in.path() + ": " + msg::kOffsetPastEnd;
    return false;
  }
  StreamExtent extent{file_size - offset, false};
  if (streamLen) {
    if (*streamLen < kHeaderSize || *streamLen > extent.bytes) {
      *err = in.path() + ": " + msg::kTruncated;
      return false;
    }
    extent = StreamExtent{*streamLen, true};
  }
  if (!in.Seek(offset, err)) return false;
  ReadFn read = [&](uint8_t* buf, size_t n, std::string* e) { return in.ReadExact(buf, n, e); };
  if (!DecodeStream(read, extent, sink, params, size, stopped, err)) {
    if (err->find(in.path()) == std::string::npos) *err = in.path() + ": " + *err;
    return false;
  }
  return true;
}

}  // namespace codec
