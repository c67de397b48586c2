// Progress reports and stop checkpoints of the engine.

#include <gtest/gtest.h>

#include "codec/lzss_decoder.h"
#include "codec/lzss_encoder.h"
#include "codec/stream_format.h"
#include "codec_test_util.h"

using Bytes = std::vector<uint8_t>;

namespace {

// Encodes or decodes with the default level and no code array;
// stop_at_report > 0 requests a stop in that progress report.
codec_test::Recording Encode(const Bytes& input, int stop_at_report = 0) {
  codec_test::Recording run =
      codec_test::RecordEncode(codec::EncodeStream, input, codec::kCompressLevel, {}, stop_at_report);
  EXPECT_TRUE(run.ok) << run.err;
  return run;
}

codec_test::Recording Decode(const Bytes& stream, int stop_at_report = 0) {
  codec_test::Recording run =
      codec_test::RecordDecode(codec::DecodeStream, stream, true, {}, stop_at_report);
  EXPECT_TRUE(run.ok) << run.err;
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
    const codec_test::Recording run = Decode(codec_test::Compress(in, 16));
    EXPECT_EQ(run.bytes, in);
    Counts want(n / 40960, 40960);
    if (n % 40960) want.push_back(static_cast<int32_t>(n % 40960));
    EXPECT_EQ(run.progress, want) << n;
    EXPECT_EQ(std::vector<int32_t>(run.writes.begin(), run.writes.end()), want);
  }
}

TEST(Stop, EncoderIgnoresTheRequestAtTheFirstRead) {
  const Bytes in = codec_test::RandomBytes(40000, 2);
  const codec_test::Recording run = Encode(in, 1);
  EXPECT_FALSE(run.stopped);
  EXPECT_EQ(run.bytes, codec_test::Compress(in, 16));
}

TEST(Stop, EncoderStopsAfterALaterRead) {
  const Bytes in = codec_test::RandomBytes(200000, 3);
  const Bytes full = codec_test::Compress(in, 16);
  const codec_test::Recording run = Encode(in, 2);
  EXPECT_TRUE(run.stopped);
  EXPECT_EQ(run.compLen, 0);
  EXPECT_EQ(run.progress, (Counts{40960, 40960}));
  // The header and the full blocks written so far stay; they are the same
  // as the start of the complete stream.
  ASSERT_GE(run.bytes.size(), 4u);
  EXPECT_EQ((run.bytes.size() - 4) % codec::kBlockSize, 0u);
  EXPECT_LT(run.bytes.size(), full.size());
  EXPECT_TRUE(std::equal(run.bytes.begin(), run.bytes.end(), full.begin()));
}

TEST(Stop, DecoderStopsAfterAFullWrite) {
  const Bytes in = codec_test::TextBytes(200000, 5);
  const codec_test::Recording run = Decode(codec_test::Compress(in, 16), 1);
  EXPECT_TRUE(run.stopped);
  EXPECT_EQ(run.progress, Counts{40960});
  EXPECT_EQ(run.bytes, Bytes(in.begin(), in.begin() + 40960));
}

TEST(Stop, DecoderOfAShortStreamHasNoCheckpoint) {
  const Bytes in = codec_test::TextBytes(40000, 5);
  const codec_test::Recording run = Decode(codec_test::Compress(in, 16), 1);
  EXPECT_FALSE(run.stopped);
  EXPECT_EQ(run.bytes, in);
}

}  // namespace
