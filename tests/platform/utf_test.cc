#include "platform/utf.h"

#include <gtest/gtest.h>

namespace {

TEST(UtfTest, Utf16RoundTrip) {
  const std::string texts[] = {"", "abc", "安装包保存路径", "é€", "x\xF0\x9F\x98\x80y"};
  for (const std::string& t : texts) {
    EXPECT_EQ(platform::Utf16ToUtf8(platform::Utf8ToUtf16(t)), t);
    EXPECT_EQ(platform::WideToUtf8(platform::Utf8ToWide(t)), t);
  }
  EXPECT_EQ(platform::Utf8ToUtf16("测试"), u"测试");
  EXPECT_EQ(platform::Utf8ToUtf16("\xF0\x9F\x98\x80"), u"\U0001F600");
  EXPECT_EQ(platform::Utf8ToUtf16("\xF0\x9F\x98\x80").size(), 2u);
}

TEST(UtfTest, InvalidInputBecomesReplacementCharacter) {
  EXPECT_EQ(platform::Utf8ToUtf16("a\xFF" "b"), u"a\uFFFDb");
  EXPECT_EQ(platform::Utf8ToUtf16("\xE6\xB5"), u"\uFFFD");        // cut short
  EXPECT_EQ(platform::Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong "/"
  EXPECT_EQ(platform::Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD");    // encoded surrogate
  EXPECT_EQ(platform::Utf16ToUtf8(u"a\xD800" "b"), "a\xEF\xBF\xBD" "b");
}

}  // namespace
