#include "codec/file_codec.h"

#include <limits>
#include <memory>

#include "codec/codec_messages.h"
#include "codec/lzss_decoder.h"
#include "codec/parallel_encoder.h"
#include "codec/xor_mask.h"

namespace codec {

bool CompressFileTo(const std::string& input, platform::File& out, const CodecParams& params,
                    int64_t* compLen, bool* stopped, std::string* err, int jobs) {
  *compLen = 0;
  *stopped = false;
  if (!CheckCode(params.code, err)) return false;
  if (input.empty() || !platform::PathExists(input) || platform::IsDirectory(input)) return true;
  auto in = platform::File::Open(input, platform::File::Mode::kRead, err);
  if (!in) return false;
  int64_t size = 0;
  if (!in->Size(&size, err)) return false;
  if (size == 0) return true;
  if (size > std::numeric_limits<int32_t>::max()) {
    *err = input + ": " + msg::kInputTooLarge;
    return false;
  }
  if (!out.SeekToEnd(err)) return false;
  ReadFn read = [&](uint8_t* buf, size_t n, std::string* e) { return in->ReadExact(buf, n, e); };
  WriteFn write = [&](const uint8_t* buf, size_t n, std::string* e) { return out.Write(buf, n, e); };
  return EncodeStreamOnThreads(static_cast<int32_t>(size), read, write, params, jobs, compLen, stopped,
                               err);
}

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
