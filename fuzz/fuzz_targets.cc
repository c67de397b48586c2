#include "fuzz_targets.h"

#include <span>
#include <string>
#include <vector>

#include "codec/lzss_decoder.h"
#include "codec/memory_codec.h"
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

bool DecompressTarget(const uint8_t* data, size_t size) {
  if (size == 0) return true;
  const uint8_t options = data[0];
  const std::span<const uint8_t> stream(data + 1, size - 1);
  codec::CodecParams params;
  params.code = PickCode(options);
  size_t at = 0;
  codec::ReadFn read = [&](uint8_t* buf, size_t n, std::string* err) {
    if (n > stream.size() - at) {
      *err = "read past the end";
      return false;
    }
    std::copy_n(stream.data() + at, n, buf);
    at += n;
    return true;
  };
  int64_t produced = 0;
  bool sink_ok = true;
  codec::WriteFn write = [&](const uint8_t* buf, size_t n, std::string*) {
    if (n == 0 || n > static_cast<size_t>(codec::kBlockSize)) sink_ok = false;
    volatile uint8_t touch = buf[0] ^ buf[n - 1];  // the whole piece must be readable
    (void)touch;
    produced += static_cast<int64_t>(n);
    return true;
  };
  int32_t header = 0;
  bool stopped = false;
  std::string err;
  const bool ok = codec::DecodeStream(read, {static_cast<int64_t>(stream.size()), (options & 1) != 0},
                                      write, params, &header, &stopped, &err);
  if (!sink_ok || stopped || at > stream.size()) return false;
  if (ok) return produced == header;
  return !err.empty() && produced <= header;
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
  int64_t comp_len = -1;
  if (!codec::CompressBuffer(input, params, &stream, &err, &comp_len)) return false;
  if (input.empty()) return stream.empty() && comp_len == 0;
  if (static_cast<int64_t>(stream.size()) != comp_len + codec::kHeaderSize) return false;
  std::vector<uint8_t> output;
  if (!codec::DecompressBuffer(stream, true, params, &output, &err)) return false;
  return output.size() == input.size() && std::equal(output.begin(), output.end(), input.begin());
}

}  // namespace fuzz
