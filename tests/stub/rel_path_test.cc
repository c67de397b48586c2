// The name checks every package path and option name must pass.
#include "rel_path.h"

#include <gtest/gtest.h>

#include "command_line.h"

namespace stub {
namespace {

TEST(CheckRelPath, AcceptsOrdinaryNames) {
  for (const wchar_t* ok : {L"a.txt", L"bin\\tool.exe", L"深层\\目录\\文件.dat", L"a b\\c d.txt",
                            L".hidden", L"a..b", L"console\\x", L"COM10", L"nul_file", L"lpt"}) {
    std::wstring why;
    EXPECT_TRUE(CheckRelPath(ok, &why)) << ok;
  }
}

TEST(CheckRelPath, RefusesEveryWayOut) {
  for (const wchar_t* bad : {
           L"", L"..", L"..\\x", L"a\\..\\..\\x", L"a\\..", L".\\a", L"a\\.\\b",  // dots
           L"\\x", L"\\\\server\\share\\x", L"\\\\?\\C:\\x", L"\\\\.\\pipe\\x",   // absolute
           L"C:\\x", L"C:x", L"x:stream", L"a/../b", L"a/b",                     // drive, stream, "/"
           L"a\\\\b", L"a\\", L"\\",                                             // empty segments
           L"CON", L"con.txt", L"dir\\Nul", L"aux .log", L"COM1", L"lpt9.x", L"PRN",
           L"CONIN$", L"conout$.txt", L"COM\u00B9",                              // devices
           L"a.", L"a ", L"dir.\\x", L"dir \\x",                                 // trailing dot/space
           L"a*b", L"a?b", L"a<b", L"a>b", L"a|b", L"a\"b", L"a\tb"}) {         // wildcards, controls
    std::wstring why;
    EXPECT_FALSE(CheckRelPath(bad, &why)) << bad;
    EXPECT_FALSE(why.empty()) << bad;
  }
}

TEST(CheckTopLevelName, RefusesSubfolders) {
  std::wstring why;
  EXPECT_TRUE(CheckTopLevelName(L"app.exe", &why));
  EXPECT_FALSE(CheckTopLevelName(L"bin\\app.exe", &why));
  EXPECT_FALSE(CheckTopLevelName(L"..", &why));
}

TEST(JoinBelow, StaysBelowTheFolder) {
  std::wstring full, why;
  ASSERT_TRUE(JoinBelow(L"C:\\Apps\\X", L"bin\\a.exe", &full, &why));
  EXPECT_EQ(full, L"C:\\Apps\\X\\bin\\a.exe");
  ASSERT_TRUE(JoinBelow(L"C:\\", L"a.exe", &full, &why));
  EXPECT_EQ(full, L"C:\\a.exe");
}

TEST(IsWithin, ComparesWholeSegmentsWithoutCase) {
  EXPECT_TRUE(IsWithin(L"C:\\Apps\\X", L"c:\\apps\\x\\y.txt"));
  EXPECT_TRUE(IsWithin(L"C:\\Apps\\X", L"C:\\Apps\\X"));
  EXPECT_FALSE(IsWithin(L"C:\\Apps\\X", L"C:\\Apps\\XY\\y.txt"));
  EXPECT_FALSE(IsWithin(L"C:\\Apps\\X", L"C:\\Apps"));
  EXPECT_TRUE(IsWithin(L"C:\\", L"C:\\a"));
}

TEST(ParseArgs, SilentAndFolder) {
  StubArgs a = ParseArgs(L"/S /D=C:\\Program Files\\My App");
  EXPECT_TRUE(a.silent);
  EXPECT_EQ(a.folder, L"C:\\Program Files\\My App");

  a = ParseArgs(L"/s");
  EXPECT_TRUE(a.silent);
  EXPECT_TRUE(a.folder.empty());

  // /D= takes the rest of the line, even what looks like a switch.
  a = ParseArgs(L"/D=D:\\x /S  ");
  EXPECT_FALSE(a.silent);
  EXPECT_EQ(a.folder, L"D:\\x /S");

  // Unknown switches and look-alikes are refused, and are no /S.
  a = ParseArgs(L"/SILENT /Sx /NCRC");
  EXPECT_FALSE(a.silent);
  EXPECT_EQ(a.refused, L"/SILENT");
}

TEST(ParseArgs, CleanupPass) {
  StubArgs a = ParseArgs(L"/_CLEANUP=1234:C:\\Program Files\\X\\uninst.exe", Program::kUninstaller);
  EXPECT_EQ(a.wait_handle, 1234u);
  EXPECT_EQ(a.cleanup_target, L"C:\\Program Files\\X\\uninst.exe");
}

TEST(SkipProgramName, QuotedAndPlain) {
  EXPECT_EQ(SkipProgramName(L"\"C:\\a b\\setup.exe\" /S"), L"/S");
  EXPECT_EQ(SkipProgramName(L"setup.exe   /D=C:\\x"), L"/D=C:\\x");
  EXPECT_EQ(SkipProgramName(L"setup.exe"), L"");
}

}  // namespace
}  // namespace stub
