#include "platform/text.h"

#include <gtest/gtest.h>

namespace {

using platform::FromCodePage936;
using platform::ToCodePage936;

TEST(CodePage936Test, AsciiAndChinese) {
  bool lossy = true;
  EXPECT_EQ(ToCodePage936("QrSetup 1.0", &lossy), "QrSetup 1.0");
  EXPECT_FALSE(lossy);
  EXPECT_EQ(ToCodePage936("测试", &lossy), "\xB2\xE2\xCA\xD4");
  EXPECT_FALSE(lossy);
  EXPECT_EQ(ToCodePage936("", &lossy), "");
  EXPECT_FALSE(lossy);
  EXPECT_EQ(ToCodePage936("a\0b", nullptr), "a");  // string_view of a C string
  EXPECT_EQ(ToCodePage936(std::string_view("a\0b", 3)), std::string("a\0b", 3));
}

TEST(CodePage936Test, FullWidthAndSpecialCharacters) {
  EXPECT_EQ(ToCodePage936("\xEF\xBC\x9A"), "\xA3\xBA");  // U+FF1A full-width colon
  EXPECT_EQ(ToCodePage936("€"), "\x80");
  EXPECT_EQ(ToCodePage936("é"), "\xA8\xA6");
  EXPECT_EQ(ToCodePage936("Quorin软件工作室"), "Quorin\xC8\xED\xBC\xFE\xB9\xA4\xD7\xF7\xCA\xD2");
}

TEST(CodePage936Test, UnmappableBecomesOneQuestionMark) {
  bool lossy = false;
  // Hangul and a Latin capital with macron are not in code page 936; no
  // best-fit substitute ("A") may appear.
  EXPECT_EQ(ToCodePage936("a한b", &lossy), "a?b");
  EXPECT_TRUE(lossy);
  lossy = false;
  EXPECT_EQ(ToCodePage936("Ā", &lossy), "?");
  EXPECT_TRUE(lossy);
  lossy = false;
  // A character outside the basic plane is one character: one '?'.
  EXPECT_EQ(ToCodePage936("x\xF0\x9F\x98\x80y", &lossy), "x?y");
  EXPECT_TRUE(lossy);
  // A literal question mark is no loss.
  lossy = true;
  EXPECT_EQ(ToCodePage936("why?", &lossy), "why?");
  EXPECT_FALSE(lossy);
}

TEST(CodePage936Test, RoundTrip) {
  const std::string texts[] = {"安装包保存路径", "D:\\工作\\说明：第一版.txt", "€100", "版本 1.0.0.0"};
  for (const std::string& t : texts) {
    bool lossy = true;
    std::string bytes = ToCodePage936(t, &lossy);
    EXPECT_FALSE(lossy) << t;
    EXPECT_EQ(FromCodePage936(bytes), t);
  }
  EXPECT_EQ(FromCodePage936("\xA3\xBA"), "：");
}

TEST(CodePage936Test, InvalidBytesBecomeReplacementCharacters) {
  // A lone lead byte at the end, a lead byte before a byte that can't follow
  // it, and 0xFF which starts nothing.
  EXPECT_EQ(FromCodePage936("a\xB2"), "a\xEF\xBF\xBD");
  EXPECT_EQ(FromCodePage936("\xFF" "A"), "\xEF\xBF\xBD" "A");
  EXPECT_EQ(FromCodePage936("\xB2\x0A" "b"), "\xEF\xBF\xBD\n" "b");
}

}  // namespace

#include "platform/md5.h"
#include "scratch_dir.h"

namespace {

// Windows maps its user-defined byte areas to private-use characters, iconv
// does not; both builds must give the same bytes.
TEST(CodePage936Test, PrivateUseAreaIsNotMapped) {
  bool lossy = false;
  EXPECT_EQ(ToCodePage936("a\xEE\x80\x80" "b", &lossy), "a?b");  // U+E000
  EXPECT_TRUE(lossy);
  EXPECT_EQ(FromCodePage936("\xA1\x40"), "\xEF\xBF\xBD@");
  EXPECT_EQ(FromCodePage936("\xAA\xA1"), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

// Every character of the basic plane, converted in one piece: the bytes are
// the same on Linux and Windows (the digest is that of the Linux result).
TEST(CodePage936Test, WholeBasicPlaneGivesTheSameBytesOnEveryOs) {
  std::string all;
  for (char32_t c = 1; c < 0x10000; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    if (c < 0x80) {
      all.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      all.push_back(static_cast<char>(0xC0 | (c >> 6)));
      all.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      all.push_back(static_cast<char>(0xE0 | (c >> 12)));
      all.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      all.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  std::string bytes = ToCodePage936(all);
  ScratchDir dir;
  ASSERT_TRUE(WriteWholeFile(dir / "cp936.bin", bytes));
  platform::Md5Digest d{};
  std::string err;
  ASSERT_TRUE(platform::Md5OfFile(dir / "cp936.bin", &d, &err)) << err;
  std::string hex;
  for (uint8_t b : d) hex += "0123456789abcdef"[b >> 4], hex += "0123456789abcdef"[b & 15];
  EXPECT_EQ(bytes.size(), 85278u);
  EXPECT_EQ(hex, "eead5e72acf92d0319a99e5801a21a11");
}

}  // namespace
