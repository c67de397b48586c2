// The command line of setup.exe and uninst.exe: what is taken, what is
// refused, and the switches the programs pass to themselves.
#include <gtest/gtest.h>

#include "command_line.h"
#include "elevation.h"

namespace stub {
namespace {

TEST(CommandLine, AQuotedFolderIsTakenExactlyAsTheUnquotedForm) {
  const std::wstring folder = L"C:\\My Apps\\X";
  for (const wchar_t* line : {L"/D=C:\\My Apps\\X", L"\"/D=C:\\My Apps\\X\"", L"/D=\"C:\\My Apps\\X\"",
                              L"  \"/d=C:\\My Apps\\X\"  ", L"/S \"/D=C:\\My Apps\\X\""}) {
    StubArgs a = ParseArgs(line);
    EXPECT_EQ(a.folder, folder) << line;
    EXPECT_EQ(a.refused, L"") << line;
  }
  // Quoted, it is one argument: switches may follow it.
  StubArgs a = ParseArgs(L"\"/D=C:\\My Apps\\X\" /S");
  EXPECT_EQ(a.folder, folder);
  EXPECT_TRUE(a.silent);
  // A network folder and a forward slash after the drive are full paths too.
  EXPECT_EQ(ParseArgs(L"/D=\\\\server\\share\\X").folder, L"\\\\server\\share\\X");
  EXPECT_EQ(ParseArgs(L"\"/D=D:/x y\"").folder, L"D:/x y");
}

TEST(CommandLine, AnUnknownSwitchOrAMalformedFolderIsRefused) {
  struct Case {
    const wchar_t* line;
    const wchar_t* refused;
  };
  for (const Case& c : {Case{L"/S /X", L"/X"}, Case{L"/silent", L"/silent"}, Case{L"/S/D=C:\\x", L"/S/D=C:\\x"},
                        Case{L"/D=", L"/D="}, Case{L"/D=   ", L"/D="}, Case{L"\"/D=\"", L"/D="},
                        Case{L"/D=relative\\folder", L"/D=relative\\folder"},
                        Case{L"/D=\\rooted", L"/D=\\rooted"}, Case{L"/D=C:", L"/D=C:"},
                        Case{L"/D=C:x", L"/D=C:x"}, Case{L"\"/D=My Apps\" /S", L"/D=My Apps"},
                        Case{L"C:\\x", L"C:\\x"}, Case{L"\"\"", L"\"\""},
                        // Internal to the uninstaller: setup does not take it.
                        Case{L"/_CLEANUP=1:C:\\u.exe", L"/_CLEANUP=1:C:\\u.exe"}}) {
    StubArgs a = ParseArgs(c.line);
    EXPECT_EQ(a.refused, c.refused) << c.line;
    EXPECT_TRUE(a.folder.empty()) << c.line;
  }
  // /S counts wherever it stands, so a refusal is reported the silent way.
  EXPECT_TRUE(ParseArgs(L"/X /S").silent);
  // The first refused argument is the one named.
  EXPECT_EQ(ParseArgs(L"/A /B").refused, L"/A");
}

TEST(CommandLine, TheUninstallerTakesNoFolderButItsOwnSwitches) {
  EXPECT_EQ(ParseArgs(L"/D=C:\\x", Program::kUninstaller).refused, L"/D=C:\\x");
  StubArgs a = ParseArgs(ElevatedArgs(L"/S"), Program::kUninstaller);
  EXPECT_TRUE(a.elevated);
  EXPECT_TRUE(a.silent);
  EXPECT_EQ(a.refused, L"");
  a = ParseArgs(L"/_CLEANUP=7:C:\\a b\\uninst.exe|C:\\a b", Program::kUninstaller);
  EXPECT_EQ(a.refused, L"");
  EXPECT_EQ(a.wait_handle, 7u);
  EXPECT_EQ(a.cleanup_target, L"C:\\a b\\uninst.exe");
}

TEST(CommandLine, TheUsageNamesTheArgumentAndTheProgramsSwitches) {
  std::wstring setup = UsageMessage(Program::kSetup, L"/X");
  EXPECT_EQ(setup.rfind(L"无法识别的命令行参数：/X\r\n", 0), 0u) << "the argument leads";
  EXPECT_NE(setup.find(L"/D="), std::wstring::npos);
  std::wstring uninst = UsageMessage(Program::kUninstaller, L"/X");
  EXPECT_NE(uninst.find(L"/S"), std::wstring::npos);
  EXPECT_EQ(uninst.find(L"/D="), std::wstring::npos) << "the uninstaller takes no folder";
}

TEST(CommandLine, TheLogAndTheScopeSwitches) {
  StubArgs a = ParseArgs(L"/S /log");
  EXPECT_TRUE(a.log);
  EXPECT_EQ(a.log_path, L"") << "a new log in %TEMP%";
  a = ParseArgs(L"\"/LOG=C:\\My Logs\\x.log\" /allusers /D=C:\\A B");
  EXPECT_EQ(a.refused, L"");
  EXPECT_EQ(a.log_path, L"C:\\My Logs\\x.log");
  EXPECT_FALSE(a.log_continues);
  EXPECT_EQ(a.scope, Scope::kMachine);
  EXPECT_EQ(a.folder, L"C:\\A B");
  EXPECT_EQ(ParseArgs(L"/LOG=\"rel dir\\x.log\"").log_path, L"rel dir\\x.log");
  EXPECT_EQ(ParseArgs(L"/CURRENTUSER /CURRENTUSER").scope, Scope::kUser) << "said twice is said once";
  EXPECT_FALSE(ParseArgs(L"/S").scope.has_value());
  // Refused: a log without a file, both scopes, a scope for the uninstaller.
  EXPECT_EQ(ParseArgs(L"/LOG=").refused, L"/LOG=");
  EXPECT_EQ(ParseArgs(L"/ALLUSERS /CURRENTUSER").refused, L"/CURRENTUSER");
  EXPECT_EQ(ParseArgs(L"/CURRENTUSER /S /ALLUSERS").refused, L"/ALLUSERS");
  EXPECT_EQ(ParseArgs(L"/ALLUSERS", Program::kUninstaller).refused, L"/ALLUSERS");
  EXPECT_EQ(ParseArgs(L"/LOG=x.log", Program::kUninstaller).refused, L"");
}

TEST(CommandLine, ARunStartedByThisOneGetsItsSwitchesAndContinuesItsLog) {
  StubArgs a = ParseArgs(L"/S /CURRENTUSER /LOG=rel.log /D=C:\\My Apps\\X");
  std::wstring child = ChildArgs(a, L"C:\\Temp dir\\rel.log");
  StubArgs c = ParseArgs(ElevatedArgs(child));
  EXPECT_EQ(c.refused, L"");
  EXPECT_TRUE(c.elevated);
  EXPECT_TRUE(c.silent);
  EXPECT_EQ(c.scope, Scope::kUser);
  EXPECT_TRUE(c.log);
  EXPECT_TRUE(c.log_continues);
  EXPECT_EQ(c.log_path, L"C:\\Temp dir\\rel.log");
  EXPECT_EQ(c.folder, L"C:\\My Apps\\X");
  // Without a log or a folder, nothing of them.
  c = ParseArgs(ChildArgs(ParseArgs(L""), L""));
  EXPECT_FALSE(c.silent || c.log || c.scope.has_value() || !c.folder.empty());
  // The uninstaller's cleanup copy: the log, then its own switch last.
  c = ParseArgs(ChildArgs(StubArgs{}, L"C:\\l.log") + L" /_CLEANUP=7:C:\\a b\\uninst.exe", Program::kUninstaller);
  EXPECT_EQ(c.log_path, L"C:\\l.log");
  EXPECT_EQ(c.cleanup_target, L"C:\\a b\\uninst.exe");
}

}  // namespace
}  // namespace stub
