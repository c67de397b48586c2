#include "platform/upper_case.h"

#include <gtest/gtest.h>

namespace {

using platform::SameUpperCaseKey;
using platform::UpperCaseKey;
using platform::UpperCaseUnit;

TEST(UpperCase, LettersOfEveryScriptPairUp) {
  struct Pair {
    char16_t lower, upper;
  };
  for (Pair p : {Pair{u'a', u'A'}, Pair{u'z', u'Z'}, Pair{u'\u00E9', u'\u00C9'},  // é
                 Pair{u'\u00FF', u'\u0178'},                                       // ÿ Ÿ
                 Pair{u'\u0101', u'\u0100'}, Pair{u'\u017E', u'\u017D'},           // Latin Extended-A
                 Pair{u'\u0180', u'\u0243'}, Pair{u'\u01C6', u'\u01C4'},           // Latin Extended-B
                 Pair{u'\u0253', u'\u0181'}, Pair{u'\u1E01', u'\u1E00'},           // IPA, Extended Additional
                 Pair{u'\u2C65', u'\u023A'}, Pair{u'\uA723', u'\uA722'},           // Extended-C, -D
                 Pair{u'\u03C9', u'\u03A9'}, Pair{u'\u03C2', u'\u03A3'},           // ω, final ς
                 Pair{u'\u1F80', u'\u1F88'}, Pair{u'\u1FB3', u'\u1FBC'},           // ᾀ ᾳ: title-case forms
                 Pair{u'\u0434', u'\u0414'}, Pair{u'\u0451', u'\u0401'},           // Cyrillic
                 Pair{u'\u0561', u'\u0531'}, Pair{u'\u0586', u'\u0556'},           // Armenian
                 Pair{u'\u2D00', u'\u10A0'}, Pair{u'\u10D0', u'\u1C90'},           // Georgian
                 Pair{u'\uAB70', u'\u13A0'}, Pair{u'\u13F8', u'\u13F0'},           // Cherokee
                 Pair{u'\u2C30', u'\u2C00'}, Pair{u'\u2C81', u'\u2C80'},           // Glagolitic, Coptic
                 Pair{u'\u24D0', u'\u24B6'}, Pair{u'\u2170', u'\u2160'},           // ⓐ, roman ⅰ
                 Pair{u'\uFF41', u'\uFF21'}}) {                                    // full width
    EXPECT_EQ(UpperCaseUnit(p.lower), p.upper) << std::hex << static_cast<int>(p.lower);
    EXPECT_EQ(UpperCaseUnit(p.upper), p.upper) << std::hex << static_cast<int>(p.upper);
  }
}

// Letters whose upper case is another letter's (ı -> I, ſ -> S), or more
// than one letter (ß -> SS), stay as they are, as in Windows' own table:
// Windows keeps "ı.txt", "I.txt" and "i.txt" apart from "İ.txt" only as I/i.
TEST(UpperCase, LettersWithoutACasePairStay) {
  for (char16_t c : {u'\u00DF', u'\u0131', u'\u0130', u'\u017F', u'\u00B5', u'\u03D0', u'\u03F5',
                     u'\u1E9B', u'\u0345', u'\u1FBE', u'\u0149', u'\uFB00', u'\u1F88', u'\u01C5'})
    EXPECT_EQ(UpperCaseUnit(c), c) << std::hex << static_cast<int>(c);
  EXPECT_EQ(UpperCaseUnit(u'i'), u'I');
}

TEST(UpperCase, OtherUnitsStay) {
  for (char16_t c : {char16_t{u'0'}, char16_t{u'\\'}, char16_t{u'\u6D4B'}, char16_t{u'\u00D7'},
                     char16_t{u'\u00F7'}, char16_t{0xD800}, char16_t{0xDBFF}, char16_t{0xDC00},
                     char16_t{0xDFFF}, char16_t{u'\uE000'}, char16_t{u'\uFFFF'}, char16_t{0}})
    EXPECT_EQ(UpperCaseUnit(c), c) << std::hex << static_cast<int>(c);
  // A character outside the BMP stays two units, both unchanged: 𐐨 (Deseret
  // small letter) is not paired with 𐐀 by Windows' table either.
  EXPECT_EQ(UpperCaseKey(u"\U00010428"), u"\U00010428");
}

TEST(UpperCase, KeysCompareWholeNames) {
  EXPECT_EQ(UpperCaseKey(u"Ծրագիր\\ჩანაწერი.txt"), u"ԾՐԱԳԻՐ\\ᲩᲐᲜᲐᲬᲔᲠᲘ.TXT");
  EXPECT_TRUE(SameUpperCaseKey(u"straße.TXT", u"STRAßE.txt"));
  EXPECT_FALSE(SameUpperCaseKey(u"straße.txt", u"STRASSE.txt"));
  EXPECT_FALSE(SameUpperCaseKey(u"ı.txt", u"I.txt"));
  EXPECT_FALSE(SameUpperCaseKey(u"ab", u"abc"));
  EXPECT_TRUE(SameUpperCaseKey(u"", u""));
}

}  // namespace
