// The journal's text form: every record survives the round trip, a journal
// cut off anywhere reads as the records written before the cut, and a
// journal that breaks a rule is refused whole.
#include "journal_record.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace stub {
namespace {

using Kind = JournalRecord::Kind;

JournalRecord Rec(Kind kind, std::wstring path = {}, std::wstring backup = {}) {
  JournalRecord r;
  r.kind = kind;
  r.path = std::move(path);
  r.backup = std::move(backup);
  return r;
}

// One record of every kind, with text that needs escaping.
std::vector<JournalRecord> EveryKind() {
  std::vector<JournalRecord> rs;
  JournalRecord begin;
  begin.purpose = JournalPurpose::kUninstall;
  rs.push_back(begin);
  rs.push_back(Rec(Kind::kRoot, L"C:\\Program Files\\测试 100%"));
  rs.push_back(Rec(Kind::kRoot, L"\\\\server\\share\\old"));
  rs.push_back(Rec(Kind::kStaging, L"C:\\Program Files\\测试 100%\\~qrsetup7_0.tmp"));
  rs.push_back(Rec(Kind::kFolder, L"C:\\Program Files\\测试 100%\\数据"));
  rs.push_back(Rec(Kind::kPlaced, L"C:\\Program Files\\测试 100%\\数据\\a%09b.txt"));
  rs.push_back(Rec(Kind::kMoved, L"\\\\server\\share\\old\\x.dll", L"\\\\server\\share\\old\\~qrsetup7_0.tmp\\b1"));
  JournalRecord link = Rec(Kind::kSmallFile, L"C:\\Users\\u\\Desktop\\程序.lnk");
  link.flag = true;
  link.bytes = std::string("L\0\0\0\x01\x14\x02\n\t%\xff", 11);
  rs.push_back(link);
  rs.push_back(Rec(Kind::kSmallFile, L"C:\\Users\\u\\Desktop\\new.lnk"));
  JournalRecord key = Rec(Kind::kKey);
  key.key = {Scope::kMachine, L"测试软件_1A2B", true,
             {{L"DisplayName", 1, std::string("\x4b\x6d\0\0", 4)}, {L"", 4, std::string(4, '\0')},
              {L"Qr\tShortcuts", 7, ""}}};
  rs.push_back(key);
  JournalRecord gone = Rec(Kind::kKey);
  gone.key = {Scope::kUser, L"Other", false, {}};
  rs.push_back(gone);
  rs.push_back(Rec(Kind::kCommit));
  return rs;
}

std::string Text(const std::vector<JournalRecord>& rs) {
  std::string text(kJournalHeader);
  for (const JournalRecord& r : rs) text += EncodeRecord(r);
  return text;
}

void ExpectSame(const JournalRecord& a, const JournalRecord& b) {
  EXPECT_EQ(a.kind, b.kind);
  EXPECT_EQ(a.purpose, b.purpose);
  EXPECT_EQ(a.path, b.path);
  EXPECT_EQ(a.backup, b.backup);
  EXPECT_EQ(a.flag, b.flag);
  EXPECT_EQ(a.bytes, b.bytes);
  EXPECT_EQ(a.key.scope, b.key.scope);
  EXPECT_EQ(a.key.key, b.key.key);
  EXPECT_EQ(a.key.existed, b.key.existed);
  ASSERT_EQ(a.key.values.size(), b.key.values.size());
  for (size_t i = 0; i < a.key.values.size(); ++i) {
    EXPECT_EQ(a.key.values[i].name, b.key.values[i].name);
    EXPECT_EQ(a.key.values[i].type, b.key.values[i].type);
    EXPECT_EQ(a.key.values[i].data, b.key.values[i].data);
  }
}

TEST(JournalRecord, EveryRecordComesBackAsItWasWritten) {
  std::vector<JournalRecord> written = EveryKind(), read;
  std::string text = Text(written);
  ASSERT_TRUE(ParseJournal(text, &read));
  ASSERT_EQ(read.size(), written.size());
  for (size_t i = 0; i < read.size(); ++i) ExpectSame(read[i], written[i]);
  // One record a line: no byte of the text breaks a line or a field.
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + 12 + 3);
}

// A run that dies while writing leaves a journal cut anywhere: what it holds
// is every record whose lines were all written, and nothing else.
TEST(JournalRecord, AJournalCutAnywhereHoldsTheRecordsWrittenWhole) {
  std::vector<JournalRecord> written = EveryKind();
  std::string text = Text(written);
  std::vector<size_t> ends;  // where each record's text ends
  size_t at = kJournalHeader.size();
  for (const JournalRecord& r : written) ends.push_back(at += EncodeRecord(r).size());
  for (size_t cut = 0; cut <= text.size(); ++cut) {
    std::vector<JournalRecord> read;
    ASSERT_TRUE(ParseJournal(std::string_view(text).substr(0, cut), &read)) << cut;
    size_t whole = 0;
    while (whole < ends.size() && ends[whole] <= cut) ++whole;
    // Without its roots, a journal tells of nothing done.
    size_t expected = whole < 2 ? 0 : whole;
    ASSERT_EQ(read.size(), expected) << "cut at " << cut;
    for (size_t i = 0; i < read.size(); ++i) ExpectSame(read[i], written[i]);
  }
}

TEST(JournalRecord, AJournalThatBreaksARuleIsRefusedWhole) {
  const std::string head = std::string(kJournalHeader) + "begin\tinstall\nroot\tC:\\A\n";
  const std::string bad[] = {
      "QRJOURNAL 2\nbegin\tinstall\nroot\tC:\\A\n",      // another format
      head + "rename\tC:\\A\\x\n",                       // unknown record
      head + "placed\n",                                 // missing field
      head + "placed\tC:\\A\\x\textra\n",                // one field too many
      head + "placed\tC:\\A\\%0Ax\n",                    // a control character
      head + "placed\tC:\\A\\%G0\n",                     // bad escape
      head + "placed\tC:\\A\\x%2\n",                     // cut escape
      head + "small\tC:\\l.lnk\t2\t00\n",                // bad flag
      head + "small\tC:\\l.lnk\t1\t0\n",                 // odd hex
      head + "small\tC:\\l.lnk\t1\tZZ\n",                // not hex
      head + "small\tC:\\l.lnk\t0\t00\n",                // bytes of a file that did not exist
      head + "key\tuser\ta\\b\t1\t0\n",                  // a key name with a separator
      head + "key\troot\ta\t1\t0\n",                     // unknown scope
      head + "key\tuser\ta\t0\t1\nvalue\tv\t1\t00\n",    // values of a key that did not exist
      head + "key\tuser\ta\t1\t1\nvalue\tv\tx\t00\n",    // bad type
      head + "key\tuser\ta\t1\t1\nvalue\tv\t1\t00\nvalue\tw\t1\t00\n",  // more values than said
      head + "key\tuser\ta\t1\t2\nvalue\tv\t1\t00\ncommit\n",           // fewer values, then more
      head + "key\tuser\ta\t1\t999\n",                   // over the limit of values
      head + "value\tv\t1\t00\n",                        // a value without its key
      head + "begin\tinstall\n",                         // begun twice
      head + "placed\tC:\\A\\x\nroot\tC:\\B\n",          // a root after a step
      head + "commit\nplaced\tC:\\A\\x\n",               // a step after the commit
      std::string(kJournalHeader) + "root\tC:\\A\n",     // no begin
      std::string(kJournalHeader) + "begin\tinstall\nplaced\tC:\\A\\x\n",  // no root
      head + "folder\t\n",                               // an empty path
  };
  for (const std::string& text : bad) {
    std::vector<JournalRecord> read;
    EXPECT_FALSE(ParseJournal(text, &read)) << text;
  }
  // Sizes beyond the limits.
  std::vector<JournalRecord> read;
  std::string big_link = head + "small\tC:\\l.lnk\t1\t" + std::string((kMaxSmallFileBytes + 1) * 2, 'A') + "\n";
  EXPECT_FALSE(ParseJournal(big_link, &read));
  std::string long_path = head + "placed\tC:\\" + std::string(kMaxJournalPath, 'x') + "\n";
  EXPECT_FALSE(ParseJournal(long_path, &read));
  std::string huge = head + std::string(kMaxJournalBytes, '#');
  EXPECT_FALSE(ParseJournal(huge, &read));
  // And the same journals within them are read.
  std::string link = head + "small\tC:\\l.lnk\t1\t" + std::string(kMaxSmallFileBytes * 2, 'A') + "\n";
  ASSERT_TRUE(ParseJournal(link, &read));
  EXPECT_EQ(read.back().bytes.size(), kMaxSmallFileBytes);
}

}  // namespace
}  // namespace stub
