// Encode then decode: sizes around every boundary, real and random data,
// with and without a code array, at the levels the callers use.

#include <gtest/gtest.h>

#include "codec/stream_format.h"
#include "codec_test_util.h"

using Bytes = std::vector<uint8_t>;

namespace {

struct Input {
  const char* kind;
  Bytes bytes;
};

std::vector<Input> Inputs(size_t n) {
  Bytes mixed = codec_test::TextBytes(n, n);
  // Runs and repeats inside text: long references next to literals.
  for (size_t i = 0; i + 300 < mixed.size(); i += 7000) std::fill_n(mixed.begin() + i, 300, 'z');
  return {{"text", mixed},
          {"random", codec_test::RandomBytes(n, n + 1)},
          {"program", codec_test::ProgramBytes(n)},
          {"zeros", Bytes(n, 0)}};
}

void ExpectRoundTrip(const Bytes& in, int16_t level, const Bytes& code, const char* what) {
  codec::CodecParams params;
  params.code = code;
  params.level = level;
  Bytes stream;
  std::string err;
  int64_t compLen = -1;
  ASSERT_TRUE(codec::CompressBuffer(in, params, &stream, &err, &compLen)) << err;
  if (in.empty()) {
    EXPECT_TRUE(stream.empty());
    return;
  }
  ASSERT_EQ(static_cast<int64_t>(stream.size()), compLen + codec::kHeaderSize);
  EXPECT_EQ(codec::GetHeader(stream.data()), static_cast<int32_t>(in.size()));
  Bytes out;
  ASSERT_TRUE(codec::DecompressBuffer(stream, true, params, &out, &err))
      << what << " size " << in.size() << " level " << level << ": " << err;
  ASSERT_TRUE(out == in) << what << " size " << in.size() << " level " << level
                         << " code " << code.size();
  // Data after the stream changes nothing when the length is not given.
  stream.insert(stream.end(), 100, 0xEE);
  ASSERT_TRUE(codec::DecompressBuffer(stream, false, params, &out, &err)) << err;
  ASSERT_TRUE(out == in);
}

TEST(RoundTrip, BoundarySizes) {
  const Bytes code = codec_test::Code8192();
  for (size_t n : {0, 1, 17, 18, 19, 4095, 4096, 4097, 8192, 8193, 40959, 40960, 40961, 81920,
                   81921}) {
    for (const Input& input : Inputs(n)) {
      for (int16_t level : {-1, 0, 16}) {
        ExpectRoundTrip(input.bytes, level, {}, input.kind);
        ExpectRoundTrip(input.bytes, level, code, input.kind);
      }
    }
  }
}

TEST(RoundTrip, HundredsOfKilobytes) {
  const Bytes code = codec_test::Code8192();
  for (const Input& input : Inputs(400000)) {
    ExpectRoundTrip(input.bytes, 16, code, input.kind);
    ExpectRoundTrip(input.bytes, 0, {}, input.kind);
  }
  ExpectRoundTrip(codec_test::ProgramBytes(300000), -1, code, "program");
}

TEST(RoundTrip, HighLevelsAndShortCodes) {
  const Bytes in = codec_test::TextBytes(100000, 77);
  ExpectRoundTrip(in, 32767, {}, "text");
  ExpectRoundTrip(in, -32768, {}, "text");
  ExpectRoundTrip(in, 16, {0x55, 0xAA}, "text");
  ExpectRoundTrip(in, 16, codec_test::RandomBytes(40961, 1), "text");
}

TEST(RoundTrip, CompressesRedundantData) {
  const Bytes zeros(100000, 0);
  EXPECT_LT(codec_test::Compress(zeros, 16).size(), zeros.size() / 8);
  const Bytes text = codec_test::TextBytes(100000, 1);
  EXPECT_LT(codec_test::Compress(text, 16).size(), text.size() * 3 / 4);
}

}  // namespace
