#include "codec/memory_codec.h"

#include <cstring>
#include <limits>

#include "codec/codec_messages.h"
#include "codec/lzss_decoder.h"
#include "codec/lzss_encoder.h"

namespace codec {

bool CompressBuffer(std::span<const uint8_t> input, const CodecParams& params,
                    std::vector<uint8_t>* stream, std::string* err, int64_t* compLen) {
  if (input.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    *err = msg::kInputTooLarge;
    return false;
  }
  size_t at = 0;
  ReadFn read = [&](uint8_t* buf, size_t n, std::string*) {
    std::memcpy(buf, input.data() + at, n);
    at += n;
    return true;
  };
  WriteFn write = [&](const uint8_t* buf, size_t n, std::string*) {
    stream->insert(stream->end(), buf, buf + n);
    return true;
  };
  int64_t len = 0;
  bool stopped = false;
  if (!EncodeStream(static_cast<int32_t>(input.size()), read, write, params, &len, &stopped, err))
    return false;
  if (compLen) *compLen = len;
  return true;
}

bool DecompressBuffer(std::span<const uint8_t> stream, bool exact, const CodecParams& params,
                      std::vector<uint8_t>* output, std::string* err) {
  output->clear();
  size_t at = 0;
  ReadFn read = [&](uint8_t* buf, size_t n, std::string* e) {
    if (n > stream.size() - at) {
      *e = msg::kTruncated;
      return false;
    }
    std::memcpy(buf, stream.data() + at, n);
    at += n;
    return true;
  };
  WriteFn write = [&](const uint8_t* buf, size_t n, std::string*) {
    output->insert(output->end(), buf, buf + n);
    return true;
  };
  int32_t size = 0;
  bool stopped = false;
  return DecodeStream(read, StreamExtent{static_cast<int64_t>(stream.size()), exact}, write,
                      params, &size, &stopped, err);
}

}  // namespace codec
