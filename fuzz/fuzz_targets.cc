#include "fuzz_targets.h"

#include <span>
#include <string>
#include <vector>

#include "codec/lzss_decoder.h"
#include "lzss_plain.h"
#include "codec/memory_codec.h"
#include "codec/parallel_encoder.h"
#include "codec/stream_format.h"

namespace fuzz {
namespace {

// A fixed code array whose elements all differ from their neighbours.
const std::vector<uint8_t>& Code8192() {
  static const std::vector<uint8_t> code = [] {
    std::vector<uint8_t> c(8192);
    uint32_t x = 12345;
    for (auto& b : c) {
      x = x * 1103515245u + 12345u;
      b = static_cast<uint8_t>(x >> 23);
    }
    return c;
  }();
  return code;
}

const uint8_t kCode2[] = {0x5A, 0xC3};

std::span<const uint8_t> PickCode(uint8_t options) {
  if (options & 2) return Code8192();
  if (options & 4) return kCode2;
  return {};
}

}  // namespace

namespace {

struct DecodeResult {
  bool ok = false;
  bool sane = true;  // pieces within bounds, input never overrun
  std::string err;
  int32_t header = 0;
  std::vector<uint8_t> output;
};

template <typename DecodeFn>
DecodeResult Decode(DecodeFn decode, std::span<const uint8_t> stream, uint8_t options) {
  DecodeResult res;
  codec::CodecParams params;
  params.code = PickCode(options);
  size_t at = 0;
  codec::ReadFn read = [&](uint8_t* buf, size_t n, std::string* err) {
    if (n > stream.size() - at) {
      res.sane = false;
      *err = "read past the end";
      return false;
    }
    std::copy_n(stream.data() + at, n, buf);
    at += n;
    return true;
  };
  codec::WriteFn write = [&](const uint8_t* buf, size_t n, std::string*) {
    if (n == 0 || n > static_cast<size_t>(codec::kBlockSize)) res.sane = false;
    res.output.insert(res.output.end(), buf, buf + n);
    return true;
  };
  bool stopped = false;
  res.ok = decode(read, codec::StreamExtent{static_cast<int64_t>(stream.size()), (options & 1) != 0},
                  write, params, &res.header, &stopped, &res.err);
  if (stopped) res.sane = false;
  return res;
}

}  // namespace

bool DecompressTarget(const uint8_t* data, size_t size) {
  if (size == 0) return true;
  const std::span<const uint8_t> stream(data + 1, size - 1);
  const DecodeResult fast = Decode(codec::DecodeStream, stream, data[0]);
  const DecodeResult plain = Decode(codec::DecodeStreamPlain, stream, data[0]);
  if (!fast.sane || !plain.sane) return false;
  if (fast.ok != plain.ok || fast.err != plain.err || fast.output != plain.output) return false;
  const int64_t produced = static_cast<int64_t>(fast.output.size());
  if (fast.ok) return produced == fast.header;
  return !fast.err.empty() && produced <= fast.header;
}

bool RoundTripTarget(const uint8_t* data, size_t size) {
  if (size == 0) return true;
  static const int16_t kLevels[] = {16, -1, 0, 1, 2, 5, 64, 16};
  const uint8_t options = data[0];
  const std::span<const uint8_t> input(data + 1, size - 1);
  codec::CodecParams params;
  params.level = kLevels[options & 7];
  params.code = PickCode(static_cast<uint8_t>(options >> 2));
  std::vector<uint8_t> stream;
  std::string err;
  int64_t compLen = -1;
  if (!codec::CompressBuffer(input, params, &stream, &err, &compLen)) return false;
  if (input.empty()) return stream.empty() && compLen == 0;
  if (static_cast<int64_t>(stream.size()) != compLen + codec::kHeaderSize) return false;
  // The plain encoder must write the very same bytes.
  size_t at = 0;
  codec::ReadFn read = [&](uint8_t* buf, size_t n, std::string*) {
    std::copy_n(input.data() + at, n, buf);
    at += n;
    return true;
  };
  std::vector<uint8_t> plain;
  codec::WriteFn write = [&](const uint8_t* buf, size_t n, std::string*) {
    plain.insert(plain.end(), buf, buf + n);
    return true;
  };
  int64_t plain_len = -1;
  bool stopped = false;
  if (!codec::EncodeStreamPlain(static_cast<int32_t>(input.size()), read, write, params,
                                &plain_len, &stopped, &err) ||
      plain != stream || plain_len != compLen)
    return false;
  // So must the parallel encoder, with chunks small enough for the input
  // to span several, run here on this thread alone (chunk after chunk).
  codec::ParallelOptions po;
  po.width = 3;
  po.chunk = 1000 + 1500 * (options >> 5);
  po.lead = (options & 0x10) ? 0 : 4500;
  at = 0;
  std::vector<uint8_t> parallel;
  write = [&](const uint8_t* buf, size_t n, std::string*) {
    parallel.insert(parallel.end(), buf, buf + n);
    return true;
  };
  int64_t parallel_len = -1;
  codec::ParallelEncoder enc(static_cast<int32_t>(input.size()), params, po);
  if (!enc.Run(read, write, &parallel_len, &stopped, &err) || parallel != stream ||
      parallel_len != compLen)
    return false;
  std::vector<uint8_t> output;
  if (!codec::DecompressBuffer(stream, true, params, &output, &err)) return false;
  return output.size() == input.size() && std::equal(output.begin(), output.end(), input.begin());
}

}  // namespace fuzz
