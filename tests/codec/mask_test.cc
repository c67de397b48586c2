// Block masking: the code index rule and block boundaries of whole streams.

#include <gtest/gtest.h>

#include "codec/stream_format.h"
#include "codec/xor_mask.h"
#include "codec_test_util.h"

using Bytes = std::vector<uint8_t>;

namespace {

Bytes Masked(size_t n, const Bytes& code) {
  Bytes block(n, 0);
  codec::MaskBlock(block.data(), n, code);
  return block;
}

TEST(Mask, FormatMaskAlone) {
  EXPECT_EQ(Masked(5, {}), Bytes(5, 0x71));
}

TEST(Mask, BlockAsLongAsCodeUsesItsLastElement) {
  const Bytes code = codec_test::Code8192();
  ASSERT_NE(code[0], code[8191]);
  const Bytes m = Masked(8192, code);
  for (size_t i = 0; i < 8192; ++i) ASSERT_EQ(m[i], code[i] ^ 0x71) << i;
}

TEST(Mask, LongerBlockCyclesWithUpperIndex) {
  const Bytes code = codec_test::Code8192();
  const Bytes m = Masked(8193, code);
  EXPECT_EQ(m[8190], code[8190] ^ 0x71);
  EXPECT_EQ(m[8191], code[0] ^ 0x71);
  EXPECT_EQ(m[8192], code[1] ^ 0x71);
  const Bytes full = Masked(codec::kBlockSize, code);
  for (size_t i = 0; i < full.size(); ++i) ASSERT_EQ(full[i], code[i % 8191] ^ 0x71) << i;
}

TEST(Mask, TwoByteCodeAlternatesOnlyItsFirstElementWhenLong) {
  // U = 1: a block longer than two bytes uses code[0] everywhere.
  EXPECT_EQ(Masked(2, {0x01, 0x02}), (Bytes{0x70, 0x73}));
  EXPECT_EQ(Masked(4, {0x01, 0x02}), (Bytes{0x70, 0x70, 0x70, 0x70}));
}

TEST(Mask, IsItsOwnInverse) {
  const Bytes code = codec_test::Code8192();
  Bytes data = codec_test::RandomBytes(20000, 9);
  const Bytes orig = data;
  codec::MaskBlock(data.data(), data.size(), code);
  EXPECT_NE(data, orig);
  codec::MaskBlock(data.data(), data.size(), code);
  EXPECT_EQ(data, orig);
}

TEST(Mask, OneByteCodeIsRefused) {
  std::string err;
  const Bytes one{7};
  EXPECT_FALSE(codec::CheckCode(one, &err));
  EXPECT_FALSE(err.empty());
  codec::CodecParams params;
  params.code = one;
  Bytes stream;
  EXPECT_FALSE(codec::CompressBuffer(Bytes(10, 1), params, &stream, &err));
  EXPECT_TRUE(stream.empty());
}

// The LZSS bytes do not depend on the code array, so a stream masked with a
// code equals the format-mask-only stream re-masked block by block.
TEST(Mask, EveryBlockOfAStreamStartsAtCodeIndexZero) {
  const Bytes code = codec_test::Code8192();
  const Bytes in = codec_test::RandomBytes(100000, 5);  // incompressible: 3 blocks
  const Bytes with_code = codec_test::Compress(in, 16, code);
  const Bytes plain = codec_test::PlainStream(in, 16);
  ASSERT_EQ(with_code.size(), plain.size());
  ASSERT_GT(plain.size(), 4u + 2 * codec::kBlockSize);
  for (size_t at = 4; at < plain.size(); at += codec::kBlockSize) {
    const size_t n = std::min<size_t>(codec::kBlockSize, plain.size() - at);
    Bytes block(plain.begin() + at, plain.begin() + at + n);
    codec::MaskBlock(block.data(), n, code);
    ASSERT_TRUE(std::equal(block.begin(), block.end(), with_code.begin() + at)) << at;
    // Spot-check the rule directly at the start of every block.
    EXPECT_EQ(with_code[at], plain[at] ^ code[0] ^ 0x71);
  }
}

}  // namespace
