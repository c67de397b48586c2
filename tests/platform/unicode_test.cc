#include "platform/unicode.h"

#include <gtest/gtest.h>

namespace {

TEST(UnicodeTest, TruncateCountsUtf16Units) {
  EXPECT_EQ(platform::Utf16Length("测试ab"), 4u);
  EXPECT_EQ(platform::Utf16Length("\xF0\x9F\x98\x80"), 2u);
  std::string twenty_five = "一二三四五六七八九十一二三四五六七八九十abcde";
  EXPECT_EQ(platform::TruncateUtf16(twenty_five, 20), "一二三四五六七八九十一二三四五六七八九十");
  EXPECT_EQ(platform::TruncateUtf16("short", 20), "short");
  EXPECT_EQ(platform::TruncateUtf16("abc", 0), "");
  // A surrogate pair is never split.
  EXPECT_EQ(platform::TruncateUtf16("a\xF0\x9F\x98\x80", 2), "a");
  EXPECT_EQ(platform::TruncateUtf16("a\xF0\x9F\x98\x80", 3), "a\xF0\x9F\x98\x80");
}

TEST(UnicodeTest, FoldCaseForPaths) {
  EXPECT_EQ(platform::FoldCase("C:\\Data\\a.txt"), "C:\\DATA\\A.TXT");
  EXPECT_EQ(platform::FoldCase("àéöøþ×ÿß"), "ÀÉÖØÞ×Ÿß");
  EXPECT_EQ(platform::FoldCase("ωάдёաａ"), "ΩΆДЁԱＡ");
  EXPECT_EQ(platform::FoldCase("测试\xF0\x9F\x98\x80"), "测试\xF0\x9F\x98\x80");
  EXPECT_TRUE(platform::EqualIgnoringCase("c:\\a\\B.TXT", "C:\\A\\b.txt"));
  EXPECT_FALSE(platform::EqualIgnoringCase("C:\\A\\b.txt\\", "C:\\A\\b.txt"));
  EXPECT_FALSE(platform::EqualIgnoringCase("C:/A/b.txt", "C:\\A\\b.txt"));
  // Invalid bytes stay distinct rather than collapsing into one U+FFFD.
  EXPECT_FALSE(platform::EqualIgnoringCase("a\xFF", "a\xFE"));
}

}  // namespace
