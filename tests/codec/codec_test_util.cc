#include "codec_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "codec/stream_format.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace codec_test {

std::vector<uint8_t> RandomBytes(size_t n, uint64_t seed) {
  std::vector<uint8_t> v(n);
  uint64_t x = seed * 0x9E3779B97F4A7C15ull + 1;
  for (size_t i = 0; i < n; ++i) {
    x ^= x >> 12;
    x ^= x << 25;
    x ^= x >> 27;
    v[i] = static_cast<uint8_t>((x * 0x2545F4914F6CDD1Dull) >> 56);
  }
  return v;
}

std::vector<uint8_t> TextBytes(size_t n, uint64_t seed) {
  static const char* const kWords[] = {
      "the", "of", "and", "a", "to", "in", "is", "you", "that", "it", "he", "was", "for", "on",
      "are", "as", "with", "his", "they", "at", "be", "this", "have", "from", "or", "one",
      "had", "by", "word", "but", "not", "what", "all", "were", "we", "when", "your", "can",
      "said", "there", "use", "an", "each", "which", "she", "do", "how", "their", "if",
      "package", "installer", "compress", "folder", "window", "progress", "stream"};
  const std::vector<uint8_t> r = RandomBytes(n + 16, seed);
  std::vector<uint8_t> v;
  v.reserve(n);
  size_t k = 0;
  while (v.size() < n) {
    const char* w = kWords[r[k++ % r.size()] % std::size(kWords)];
    for (; *w && v.size() < n; ++w) v.push_back(static_cast<uint8_t>(*w));
    if (v.size() < n) v.push_back(r[k++ % r.size()] % 11 == 0 ? '\n' : ' ');
  }
  return v;
}

namespace {

// The file of the running program.
std::vector<uint8_t> ReadOwnExecutable() {
#ifdef _WIN32
  wchar_t path[32768];
  const DWORD n = GetModuleFileNameW(nullptr, path, 32768);
  std::ifstream f(std::filesystem::path(std::wstring(path, n)), std::ios::binary);
#else
  std::ifstream f("/proc/self/exe", std::ios::binary);
#endif
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

}  // namespace

std::vector<uint8_t> ProgramBytes(size_t n) {
  static const std::vector<uint8_t> self = ReadOwnExecutable();
  EXPECT_FALSE(self.empty());
  std::vector<uint8_t> v;
  v.reserve(n);
  while (!self.empty() && v.size() < n)
    v.insert(v.end(), self.begin(), self.begin() + std::min(self.size(), n - v.size()));
  return v;
}

std::vector<uint8_t> Code8192() {
  std::vector<uint8_t> code = RandomBytes(8192, 8192);
  return code;
}

uint64_t Fnv1a(std::span<const uint8_t> bytes) {
  uint64_t h = 0xcbf29ce484222325ull;
  for (uint8_t b : bytes) {
    h ^= b;
    h *= 0x100000001b3ull;
  }
  return h;
}

std::vector<uint8_t> Compress(std::span<const uint8_t> input, int16_t level,
                              std::span<const uint8_t> code) {
  codec::CodecParams params;
  params.code = code;
  params.level = level;
  std::vector<uint8_t> stream;
  std::string err;
  EXPECT_TRUE(codec::CompressBuffer(input, params, &stream, &err)) << err;
  return stream;
}

std::vector<uint8_t> PlainStream(std::span<const uint8_t> input, int16_t level,
                                 std::span<const uint8_t> code) {
  std::vector<uint8_t> stream = Compress(input, level, code);
  for (size_t at = codec::kHeaderSize; at < stream.size(); at += codec::kBlockSize) {
    const size_t n = std::min<size_t>(codec::kBlockSize, stream.size() - at);
    codec::MaskBlock(stream.data() + at, n, code);
  }
  return stream;
}

namespace {

// Parameters that record the progress reports into run and request a stop in
// report number stop_at.
codec::CodecParams Recorded(Recording* run, std::atomic<bool>* stop, int16_t level,
                            std::span<const uint8_t> code, int stop_at) {
  codec::CodecParams params;
  params.code = code;
  params.level = level;
  params.stop = stop;
  params.progress = [run, stop, stop_at](int32_t n) {
    run->progress.push_back(n);
    if (static_cast<int>(run->progress.size()) == stop_at) *stop = true;
  };
  return params;
}

codec::WriteFn RecordWrites(Recording* run) {
  return [run](const uint8_t* buf, size_t n, std::string*) {
    run->writes.push_back(n);
    run->bytes.insert(run->bytes.end(), buf, buf + n);
    return true;
  };
}

}  // namespace

Recording RecordEncode(EncodeFn encode, const std::vector<uint8_t>& input, int16_t level,
                       std::span<const uint8_t> code, int stop_at) {
  return RecordEncode(std::function<std::remove_pointer_t<EncodeFn>>(encode), input, level, code, stop_at);
}

Recording RecordEncode(const std::function<std::remove_pointer_t<EncodeFn>>& encode,
                       const std::vector<uint8_t>& input, int16_t level,
                       std::span<const uint8_t> code, int stop_at) {
  Recording run;
  std::atomic<bool> stop{false};
  const codec::CodecParams params = Recorded(&run, &stop, level, code, stop_at);
  size_t at = 0;
  codec::ReadFn read = [&](uint8_t* buf, size_t n, std::string*) {
    std::copy_n(input.begin() + static_cast<std::ptrdiff_t>(at), n, buf);
    at += n;
    return true;
  };
  run.ok = encode(static_cast<int32_t>(input.size()), read, RecordWrites(&run), params,
                  &run.compLen, &run.stopped, &run.err);
  return run;
}

Recording RecordDecode(DecodeFn decode, const std::vector<uint8_t>& stream, bool exact,
                       std::span<const uint8_t> code, int stop_at) {
  Recording run;
  std::atomic<bool> stop{false};
  const codec::CodecParams params = Recorded(&run, &stop, codec::kCompressLevel, code, stop_at);
  size_t at = 0;
  codec::ReadFn read = [&](uint8_t* buf, size_t n, std::string* e) {
    if (n > stream.size() - at) {
      *e = "overrun";
      return false;
    }
    std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(at), n, buf);
    at += n;
    return true;
  };
  int32_t size = 0;
  run.ok = decode(read, codec::StreamExtent{static_cast<int64_t>(stream.size()), exact},
                  RecordWrites(&run), params, &size, &run.stopped, &run.err);
  return run;
}

}  // namespace codec_test
