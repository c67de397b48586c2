// Progress reports and stop checkpoints of the engine.

#include <gtest/gtest.h>

#include <atomic>

#include "codec/lzss_decoder.h"
#include "codec/lzss_encoder.h"
#include "codec/stream_format.h"
#include "codec_test_util.h"

using Bytes = std::vector<uint8_t>;

namespace {

struct EncodeRun {
  std::vector<int32_t> progress;
  Bytes written;
  int64_t comp_len = -1;
  bool stopped = false;
};

// Encodes input; stop_at_report > 0 requests a stop in that progress report.
EncodeRun Encode(const Bytes& input, int stop_at_report = 0) {
  EncodeRun run;
  std::atomic<bool> stop{false};
  codec::CodecParams params;
  params.stop = &stop;
  params.progress = [&](int32_t n) {
    run.progress.push_back(n);
    if (static_cast<int>(run.progress.size()) == stop_at_report) stop = true;
  };
  size_t at = 0;
  codec::ReadFn read = [&](uint8_t* buf, size_t n, std::string*) {
    std::copy_n(input.begin() + at, n, buf);
    at += n;
    return true;
  };
  codec::WriteFn write = [&](const uint8_t* buf, size_t n, std::string*) {
    run.written.insert(run.written.end(), buf, buf + n);
    return true;
  };
  std::string err;
  EXPECT_TRUE(codec::EncodeStream(static_cast<int32_t>(input.size()), read, write, params,
                                  &run.comp_len, &run.stopped, &err))
      << err;
  return run;
}

struct DecodeRun {
  std::vector<int32_t> progress;
  std::vector<size_t> writes;
  Bytes out;
  bool stopped = false;
};

DecodeRun Decode(const Bytes& stream, int stop_at_report = 0) {
  DecodeRun run;
  std::atomic<bool> stop{false};
  codec::CodecParams params;
  params.stop = &stop;
  params.progress = [&](int32_t n) {
    run.progress.push_back(n);
    if (static_cast<int>(run.progress.size()) == stop_at_report) stop = true;
  };
  size_t at = 0;
  codec::ReadFn read = [&](uint8_t* buf, size_t n, std::string*) {
    std::copy_n(stream.begin() + at, n, buf);
    at += n;
    return true;
  };
  codec::WriteFn write = [&](const uint8_t* buf, size_t n, std::string*) {
    run.writes.push_back(n);
    run.out.insert(run.out.end(), buf, buf + n);
    return true;
  };
  std::string err;
  int32_t size = 0;
  EXPECT_TRUE(codec::DecodeStream(read, {static_cast<int64_t>(stream.size()), true}, write,
                                  params, &size, &run.stopped, &err))
      << err;
  return run;
}

using Counts = std::vector<int32_t>;

TEST(Progress, EncoderReportsEveryRead) {
  EXPECT_EQ(Encode(Bytes(1, 7)).progress, Counts{1});
  EXPECT_EQ(Encode(Bytes(40960, 7)).progress, Counts{40960});
  EXPECT_EQ(Encode(Bytes(40961, 7)).progress, (Counts{40960, 1}));
  EXPECT_EQ(Encode(codec_test::RandomBytes(100000, 1)).progress, (Counts{40960, 40960, 18080}));
  EXPECT_TRUE(Encode(Bytes{}).progress.empty());
}

TEST(Progress, DecoderReportsEveryWrite) {
  for (size_t n : {1, 40959, 40960, 40961, 81921}) {
    const Bytes in = codec_test::TextBytes(n, n);
    const DecodeRun run = Decode(codec_test::Compress(in, 16));
    EXPECT_EQ(run.out, in);
    Counts want(n / 40960, 40960);
    if (n % 40960) want.push_back(static_cast<int32_t>(n % 40960));
    EXPECT_EQ(run.progress, want) << n;
    EXPECT_EQ(std::vector<int32_t>(run.writes.begin(), run.writes.end()), want);
  }
}

TEST(Stop, EncoderIgnoresTheRequestAtTheFirstRead) {
  const Bytes in = codec_test::RandomBytes(40000, 2);
  const EncodeRun run = Encode(in, 1);
  EXPECT_FALSE(run.stopped);
  EXPECT_EQ(run.written, codec_test::Compress(in, 16));
}

TEST(Stop, EncoderStopsAfterALaterRead) {
  const Bytes in = codec_test::RandomBytes(200000, 3);
  const Bytes full = codec_test::Compress(in, 16);
  const EncodeRun run = Encode(in, 2);
  EXPECT_TRUE(run.stopped);
  EXPECT_EQ(run.comp_len, 0);
  EXPECT_EQ(run.progress, (Counts{40960, 40960}));
  // The header and the full blocks written so far stay; they are the same
  // as the start of the complete stream.
  ASSERT_GE(run.written.size(), 4u);
  EXPECT_EQ((run.written.size() - 4) % codec::kBlockSize, 0u);
  EXPECT_LT(run.written.size(), full.size());
  EXPECT_TRUE(std::equal(run.written.begin(), run.written.end(), full.begin()));
}

TEST(Stop, DecoderStopsAfterAFullWrite) {
  const Bytes in = codec_test::TextBytes(200000, 5);
  const DecodeRun run = Decode(codec_test::Compress(in, 16), 1);
  EXPECT_TRUE(run.stopped);
  EXPECT_EQ(run.progress, Counts{40960});
  EXPECT_EQ(run.out, Bytes(in.begin(), in.begin() + 40960));
}

TEST(Stop, DecoderOfAShortStreamHasNoCheckpoint) {
  const Bytes in = codec_test::TextBytes(40000, 5);
  const DecodeRun run = Decode(codec_test::Compress(in, 16), 1);
  EXPECT_FALSE(run.stopped);
  EXPECT_EQ(run.out, in);
}

}  // namespace
