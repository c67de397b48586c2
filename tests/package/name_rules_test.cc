// The one set of rules for names Windows can create, which the builder and
// setup both apply: what each rule catches, and the order they are tried in.
#include "gtest/gtest.h"
#include "package/name_rules.h"

namespace {

using package::CheckNamePart;
using package::NamePartFault;

TEST(NameRules, EachRuleAndTheOrderTheyAreTried) {
  EXPECT_EQ(CheckNamePart(u""), NamePartFault::kEmpty);
  EXPECT_EQ(CheckNamePart(u"."), NamePartFault::kDotSegment);
  EXPECT_EQ(CheckNamePart(u".."), NamePartFault::kDotSegment);
  for (char16_t c : std::u16string(u"<>:\"/\\|?*\x01\x1F"))
    EXPECT_EQ(CheckNamePart(std::u16string(u"a") + c + u"b"), NamePartFault::kForbiddenChar) << int(c);
  EXPECT_EQ(CheckNamePart(std::u16string(1, u'\0')), NamePartFault::kForbiddenChar);
  EXPECT_EQ(CheckNamePart(u"a."), NamePartFault::kEndsWithDotOrSpace);
  EXPECT_EQ(CheckNamePart(u"a "), NamePartFault::kEndsWithDotOrSpace);
  // A forbidden character is named before the trailing dot, that before the device.
  EXPECT_EQ(CheckNamePart(u"a?."), NamePartFault::kForbiddenChar);
  EXPECT_EQ(CheckNamePart(u"con."), NamePartFault::kEndsWithDotOrSpace);
  for (const char16_t* ok : {u"...a", u".gitignore", u"a b", u"说明.txt", u"COM10", u"LPT", u"CONSOLE", u"NULL.txt",
                             u"COMx", u"\u00A0", u"a\u00B9"})
    EXPECT_EQ(CheckNamePart(ok), NamePartFault::kNone);
}

TEST(NameRules, DeviceNamesInAnyCaseWithAnyExtensionAndSpaces) {
  for (const char16_t* device : {u"CON", u"prn", u"Aux", u"nul.txt", u"nul .txt", u"NUL  ", u"com0", u"COM9.log",
                                 u"lpt1", u"COM\u00B9", u"LPT\u00B3.x", u"CONIN$", u"conout$.a.b"})
    EXPECT_TRUE(package::IsDeviceName(device)) << std::string(device, device + 3);
  for (const char16_t* name : {u"CON1", u"xCON", u"COM\u00B4", u"LPT\u2074", u"\uFF23ON", u"CONIN", u" CON"})
    EXPECT_FALSE(package::IsDeviceName(name));
}

}  // namespace
