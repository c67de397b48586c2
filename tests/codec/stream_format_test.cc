// The stream bytes of known inputs, checked before and after masking.

#include <gtest/gtest.h>

#include <numeric>

#include "codec/stream_format.h"
#include "codec_test_util.h"

using codec_test::PlainStream;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes Repeat(const Bytes& unit, int times) {
  Bytes v;
  for (int i = 0; i < times; ++i) v.insert(v.end(), unit.begin(), unit.end());
  return v;
}

TEST(StreamFormat, RunOfOneByteCopiesItself) {
  EXPECT_EQ(PlainStream(Bytes(24, 0x61), 16),
            (Bytes{0x18, 0, 0, 0, 0x01, 0x61, 0x00, 0x0F, 0x12, 0x02}));
}

TEST(StreamFormat, RepeatedTriple) {
  EXPECT_EQ(PlainStream(Repeat({0x61, 0x62, 0x63}, 8), 16),
            (Bytes{0x18, 0, 0, 0, 0x07, 0x61, 0x62, 0x63, 0x00, 0x0F, 0x12, 0x00}));
}

TEST(StreamFormat, NegativeLevelGivesLiteralsOnly) {
  Bytes in(20);
  std::iota(in.begin(), in.end(), 0x41);
  Bytes want{0x14, 0, 0, 0, 0xFF};
  for (uint8_t c = 0x41; c <= 0x48; ++c) want.push_back(c);
  want.push_back(0xFF);
  for (uint8_t c = 0x49; c <= 0x50; ++c) want.push_back(c);
  want.insert(want.end(), {0x0F, 0x51, 0x52, 0x53, 0x54});
  EXPECT_EQ(PlainStream(in, -1), want);
  // Repetitive input too: a negative level never searches.
  const Bytes run(20, 0x61);
  const Bytes s = PlainStream(run, -1);
  ASSERT_EQ(s.size(), 4u + 9 + 9 + 5);
  EXPECT_EQ(s[4], 0xFF);
  EXPECT_EQ(s[13], 0xFF);
  EXPECT_EQ(s[22], 0x0F);
}

TEST(StreamFormat, ShortInputs) {
  EXPECT_EQ(PlainStream(Bytes{0x78}, 16), (Bytes{1, 0, 0, 0, 0x01, 0x78}));
  EXPECT_EQ(PlainStream(Bytes{0x78, 0x79, 0x7A}, 16), (Bytes{3, 0, 0, 0, 0x07, 0x78, 0x79, 0x7A}));
  // Seventeen equal bytes: a literal and one reference of 16 to position 0.
  EXPECT_EQ(PlainStream(Bytes(17, 0x30), 16), (Bytes{17, 0, 0, 0, 0x01, 0x30, 0x00, 0x0D}));
}

TEST(StreamFormat, EmptyInputWritesNothing) {
  EXPECT_TRUE(codec_test::Compress(Bytes{}, 16).empty());
}

TEST(StreamFormat, DataIsMaskedHeaderIsNot) {
  const Bytes s = codec_test::Compress(Bytes(24, 0x61), 16);
  EXPECT_EQ(s, (Bytes{0x18, 0, 0, 0, 0x01 ^ 0x71, 0x61 ^ 0x71, 0x00 ^ 0x71, 0x0F ^ 0x71,
                      0x12 ^ 0x71, 0x02 ^ 0x71}));
  const Bytes code{0x10, 0x20, 0x30};
  const Bytes c = codec_test::Compress(Bytes{0x78, 0x79, 0x7A}, 16, code);
  // A block of 4 bytes with a 3-byte code (U = 2): j = i mod 2.
  EXPECT_EQ(c, (Bytes{3, 0, 0, 0, 0x07 ^ 0x10 ^ 0x71, 0x78 ^ 0x20 ^ 0x71, 0x79 ^ 0x10 ^ 0x71,
                      0x7A ^ 0x20 ^ 0x71}));
}

TEST(StreamFormat, ZeroLevelExaminesOneCandidate) {
  // abcd abce abcd: with level 0 only the newest candidate of the chain is
  // compared; with level 16 the older, longer match wins.
  const Bytes in{'a', 'b', 'c', 'd', 'a', 'b', 'c', 'e', 'a', 'b', 'c', 'd'};
  const Bytes lv0 = PlainStream(in, 0);
  const Bytes lv16 = PlainStream(in, 16);
  // Position 8 "abcd": level 0 sees position 4 ("abce", 3 bytes),
  // level 16 also sees position 0 ("abcd", 4 bytes).
  EXPECT_EQ(lv0, (Bytes{12, 0, 0, 0, 0xAF, 'a', 'b', 'c', 'd', 0x00, 0x00, 'e', 0x04, 0x00, 'd'}));
  EXPECT_EQ(lv16, (Bytes{12, 0, 0, 0, 0x2F, 'a', 'b', 'c', 'd', 0x00, 0x00, 'e', 0x00, 0x01}));
}

TEST(StreamFormat, FirstByteIsLiteralAndReferencesStayBehind) {
  for (const Bytes& in : {codec_test::TextBytes(50000, 3), codec_test::RandomBytes(9000, 4),
                          Bytes(9000, 0)}) {
    const Bytes s = PlainStream(in, 16);
    ASSERT_GE(s.size(), 6u);
    EXPECT_EQ(s[4] & 1, 1);
    // Walk the groups; every reference names an already written position.
    size_t at = 4;
    int64_t produced = 0;
    const int64_t size = static_cast<int64_t>(in.size());
    while (produced < size) {
      const uint8_t flags = s.at(at++);
      for (int bit = 0; bit < 8 && produced < size; ++bit) {
        if (flags & (1 << bit)) {
          ++at;
          ++produced;
        } else {
          const int pos = s.at(at) | ((s.at(at + 1) & 0xF0) << 4);
          const int len = (s.at(at + 1) & 0x0F) + 3;
          at += 2;
          if (produced < codec::kRingSize) {
            EXPECT_LT(pos, produced);
          }
          produced += len;
        }
      }
    }
    EXPECT_EQ(produced, size);
    EXPECT_EQ(at, s.size());
  }
}

}  // namespace
