// The decoder on streams the encoder never writes: short, corrupt and
// hostile ones end with an error; the format's odd corners decode as defined.

#include <gtest/gtest.h>

#include "codec/codec_messages.h"
#include "codec/lzss_decoder.h"
#include "codec/stream_format.h"
#include "codec_test_util.h"

using Bytes = std::vector<uint8_t>;

namespace {

// A stream from a size and unmasked group bytes, masked with the format mask.
Bytes Stream(int32_t size, Bytes groups) {
  Bytes s(4);
  codec::PutHeader(size, s.data());
  codec::MaskBlock(groups.data(), groups.size(), {});
  s.insert(s.end(), groups.begin(), groups.end());
  return s;
}

bool Decode(const Bytes& stream, Bytes* out, std::string* err, bool exact = false) {
  return codec::DecompressBuffer(stream, exact, codec::CodecParams{}, out, err);
}

TEST(Decoder, ReferenceRunningPastSizeStopsAtSize) {
  Bytes out;
  std::string err;
  ASSERT_TRUE(Decode(Stream(5, {0x01, 'a', 0x00, 0x0F}), &out, &err)) << err;
  EXPECT_EQ(out, Bytes(5, 'a'));
}

TEST(Decoder, ZeroSizeDecodesToNothing) {
  Bytes out{1, 2, 3};
  std::string err;
  ASSERT_TRUE(Decode(Stream(0, {}), &out, &err)) << err;
  EXPECT_TRUE(out.empty());
}

TEST(Decoder, HeaderCutShort) {
  for (size_t n = 0; n < 4; ++n) {
    Bytes out;
    std::string err;
    EXPECT_FALSE(Decode(Bytes(n, 0x01), &out, &err));
    EXPECT_EQ(err, codec::msg::kHeaderCut);
  }
}

TEST(Decoder, NegativeSize) {
  Bytes out;
  std::string err;
  EXPECT_FALSE(Decode(Stream(-1, {0x01, 'a'}), &out, &err));
  EXPECT_EQ(err, codec::msg::kNegativeSize);
}

TEST(Decoder, SizeLargerThanData) {
  Bytes out;
  std::string err;
  EXPECT_FALSE(Decode(Stream(2147483647, {0x01, 'a', 0x00, 0x0F}), &out, &err));
  EXPECT_EQ(err, codec::msg::kTruncated);
  // Cut in the middle of a reference and right after a flag byte.
  EXPECT_FALSE(Decode(Stream(10, {0x01, 'a', 0x00}), &out, &err));
  EXPECT_EQ(err, codec::msg::kTruncated);
  EXPECT_FALSE(Decode(Stream(10, {0x01}), &out, &err));
  EXPECT_EQ(err, codec::msg::kTruncated);
}

TEST(Decoder, EveryTruncationOfARealStreamFails) {
  const Bytes in = codec_test::TextBytes(3000, 12);
  const Bytes s = codec_test::Compress(in, 16);
  for (size_t cut = 0; cut < s.size(); ++cut) {
    Bytes out;
    std::string err;
    ASSERT_FALSE(Decode(Bytes(s.begin(), s.begin() + cut), &out, &err)) << cut;
    ASSERT_FALSE(err.empty());
  }
}

TEST(Decoder, ReferenceToUnwrittenPosition) {
  Bytes out;
  std::string err;
  // First item a reference: nothing written yet.
  EXPECT_FALSE(Decode(Stream(3, {0x00, 0x00, 0x00}), &out, &err));
  EXPECT_EQ(err, codec::msg::kBadReference);
  // One byte written (position 0); position 1 is not.
  EXPECT_FALSE(Decode(Stream(4, {0x01, 'a', 0x01, 0x00}), &out, &err));
  EXPECT_EQ(err, codec::msg::kBadReference);
  // Position 4095 long before the ring is full.
  EXPECT_FALSE(Decode(Stream(4, {0x01, 'a', 0xFF, 0xF0}), &out, &err));
  EXPECT_EQ(err, codec::msg::kBadReference);
  // Once the ring has been filled every position is written.
  Bytes groups;
  for (int g = 0; g < 512; ++g) {
    groups.push_back(0xFF);
    for (int i = 0; i < 8; ++i) groups.push_back(static_cast<uint8_t>(g + i));
  }
  // Position 4094, length 3: the third byte comes from position 0, which
  // the first byte of this same reference has just overwritten.
  groups.insert(groups.end(), {0x00, 0xFE, 0xF0});
  ASSERT_TRUE(Decode(Stream(4099, groups), &out, &err)) << err;
  ASSERT_EQ(out.size(), 4099u);
  EXPECT_NE(out[4094], out[4095]);
  EXPECT_EQ(out[4096], out[4094]);
  EXPECT_EQ(out[4097], out[4095]);
  EXPECT_EQ(out[4098], out[4094]);
}

TEST(Decoder, ExactLengthRejectsLeftOverBytes) {
  Bytes s = codec_test::Compress(codec_test::TextBytes(5000, 2), 16);
  Bytes out;
  std::string err;
  ASSERT_TRUE(Decode(s, &out, &err, true)) << err;
  s.push_back(0);
  EXPECT_FALSE(Decode(s, &out, &err, true));
  EXPECT_EQ(err, codec::msg::kTrailingBytes);
  EXPECT_TRUE(Decode(s, &out, &err, false)) << err;
}

// A stream whose last block is exactly as long as the code array, followed by
// other data: with its length known the decoder masks that block as the
// encoder did; without, its last block is longer and index 8191 uses code[0].
TEST(Decoder, KnownLengthKeepsTheEncodersLastBlock) {
  const Bytes code = codec_test::Code8192();
  const Bytes in = codec_test::RandomBytes(7281, 3);  // literals only: 7281 + 911 = 8192
  codec::CodecParams params;
  params.code = code;
  params.level = -1;
  Bytes s;
  std::string err;
  int64_t compLen = 0;
  ASSERT_TRUE(codec::CompressBuffer(in, params, &s, &err, &compLen)) << err;
  ASSERT_EQ(compLen, 8192);
  s.insert(s.end(), 50, 0x33);
  Bytes out;
  ASSERT_TRUE(codec::DecompressBuffer(std::span(s).first(4 + 8192), true, params, &out, &err))
      << err;
  EXPECT_EQ(out, in);
  ASSERT_TRUE(codec::DecompressBuffer(s, false, params, &out, &err)) << err;
  ASSERT_EQ(out.size(), in.size());
  EXPECT_TRUE(std::equal(in.begin(), in.end() - 1, out.begin()));
  EXPECT_EQ(out.back(), in.back() ^ code[8191] ^ code[0]);
}

TEST(Decoder, WrongCodeGivesGarbageOrAnError) {
  const Bytes in = codec_test::TextBytes(20000, 4);
  const Bytes code = codec_test::Code8192();
  const Bytes s = codec_test::Compress(in, 16, code);
  Bytes out;
  std::string err;
  if (Decode(s, &out, &err)) {
    EXPECT_NE(out, in);
  }
}

TEST(Decoder, RandomStreamsNeverMisbehave) {
  for (uint64_t seed = 0; seed < 300; ++seed) {
    Bytes s = codec_test::RandomBytes(64 + seed * 13, seed);
    // Plausible sizes: small, so that many streams decode far.
    codec::PutHeader(static_cast<int32_t>(seed * 37), s.data());
    Bytes out;
    std::string err;
    if (Decode(s, &out, &err)) {
      EXPECT_EQ(out.size(), seed * 37);
    } else {
      EXPECT_FALSE(err.empty());
    }
  }
}

}  // namespace
