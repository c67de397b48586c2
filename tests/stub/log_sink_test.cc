// The run's log (/LOG): its bytes, the files it will and will not write
// through, and what a log that cannot be written leaves.
#include <windows.h>

#include <gtest/gtest.h>

#include "log_sink.h"
#include "stub_test_util.h"

namespace stubtest {
namespace {

constexpr char kBom[] = "\xEF\xBB\xBF";

// The log's lines without their time stamps ("YYYY-MM-DD HH:MM:SS ").
std::vector<std::string> LinesOf(const std::string& bytes) {
  std::vector<std::string> lines;
  size_t at = bytes.rfind(kBom, 0) == 0 ? 3 : 0;
  while (at < bytes.size()) {
    size_t end = bytes.find("\r\n", at);
    if (end == std::string::npos) end = bytes.size();
    std::string line = bytes.substr(at, end - at);
    lines.push_back(line.size() > 20 ? line.substr(20) : line);
    at = end + 2;
  }
  return lines;
}

TEST(LogSink, UTF8WithAMarkOneLineAnEntryAndWhatCameBeforeItWasOpened) {
  ScratchDir dir(L"log");
  WriteFile(dir / L"run.log", "an older log, longer than the new one will be, all of it replaced");
  stub::LogSink log;
  log.Write(L"安装程序：C:\\setup.exe");  // before the log is open: kept
  ASSERT_EQ(log.Create(dir / L"run.log"), 0u);
  EXPECT_EQ(log.path(), dir / L"run.log");
  log.Write(L"消息：无法替换文件“a.exe”，它正在被其他程序使用。\r\n正在使用它的程序：app");
  log.Write(L"退出码：", L"3");
  log.Close();
  log.Write(L"after the close: dropped");
  std::string bytes = ReadFile(dir / L"run.log");
  ASSERT_EQ(bytes.rfind(kBom, 0), 0u) << "a byte-order mark first";
  EXPECT_EQ(bytes.compare(bytes.size() - 2, 2, "\r\n"), 0);
  EXPECT_EQ(bytes.find("older"), std::string::npos);
  std::vector<std::string> lines = LinesOf(bytes);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "安装程序：C:\\setup.exe");
  EXPECT_EQ(lines[1], "消息：无法替换文件“a.exe”，它正在被其他程序使用。 正在使用它的程序：app");
  EXPECT_EQ(lines[2], "退出码：3");
  // The time stamp: "YYYY-MM-DD HH:MM:SS ".
  EXPECT_EQ(bytes[3 + 4], '-');
  EXPECT_EQ(bytes[3 + 13], ':');
  EXPECT_EQ(bytes[3 + 19], ' ');
}

TEST(LogSink, ARunThatContinuesALogAppendsWithoutASecondMark) {
  ScratchDir dir(L"log");
  stub::LogSink parent;
  ASSERT_EQ(parent.Create(dir / L"run.log"), 0u);
  parent.Write(L"first");
  {
    stub::LogSink child;  // the elevated run, while the parent waits
    ASSERT_EQ(child.Continue(dir / L"run.log"), 0u);
    child.Write(L"second");
  }
  parent.Write(L"third");  // after the child: at the end, not over it
  parent.Close();
  std::string bytes = ReadFile(dir / L"run.log");
  EXPECT_EQ(bytes.find(kBom, 1), std::string::npos);
  EXPECT_EQ(LinesOf(bytes), (std::vector<std::string>{"first", "second", "third"}));
  // Only a log that is there is continued.
  stub::LogSink lost;
  EXPECT_NE(lost.Continue(dir / L"gone.log"), 0u);
  EXPECT_FALSE(Exists(dir / L"gone.log"));
}

// The name a new log made at local time t + seconds would have.
std::wstring NewLogName(const std::wstring& dir, const std::wstring& stem, int seconds) {
  SYSTEMTIME t;
  GetLocalTime(&t);
  FILETIME ft;
  SystemTimeToFileTime(&t, &ft);
  ULARGE_INTEGER at = {{ft.dwLowDateTime, ft.dwHighDateTime}};
  at.QuadPart += static_cast<ULONGLONG>(seconds) * 10000000;
  ft = {at.LowPart, at.HighPart};
  FileTimeToSystemTime(&ft, &t);
  wchar_t name[64];
  swprintf(name, 64, L"_%04u%02u%02u-%02u%02u%02u_", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
           t.wSecond);
  return dir + L"\\" + stem + name;
}

TEST(LogSink, ANewLogNeverWritesThroughAFileAlreadyAtItsName) {
  ScratchDir dir(L"log");
  stub::LogSink log;
  ASSERT_EQ(log.CreateNew(dir.path(), L"产品_setup", L"0123456789abcdef"), 0u);
  std::wstring made = log.path();
  EXPECT_EQ(made.rfind(dir / L"产品_setup_", 0), 0u);
  EXPECT_EQ(made.substr(made.size() - 21), L"_0123456789abcdef.log");
  EXPECT_EQ(made.size(), (dir / L"产品_setup_").size() + 15 + 21) << "YYYYMMDD-HHMMSS";
  log.Close();

  // Someone who foresaw the names planted files there (for this second and
  // the next few): none is opened, none is changed.
  std::vector<std::wstring> planted;
  for (int s = 0; s < 5; ++s) {
    planted.push_back(NewLogName(dir.path(), L"产品_setup", s) + L"feed.log");
    WriteFile(planted.back(), "planted");
  }
  stub::LogSink again;
  EXPECT_EQ(again.CreateNew(dir.path(), L"产品_setup", L"feed"),
            static_cast<unsigned long>(ERROR_FILE_EXISTS));
  EXPECT_FALSE(again.is_open());
  for (const std::wstring& p : planted) EXPECT_EQ(ReadFile(p), "planted");
}

TEST(LogSink, ALogThatCannotBeOpenedIsGivenUpAndSaysWhere) {
  ScratchDir dir(L"log");
  for (const std::wstring& bad : {dir.path(), dir / L"no such folder\\run.log"}) {
    stub::StubArgs args;
    args.log = true;
    args.log_path = bad;
    stub::LogSink& log = stub::Log();
    std::wstring why;
    EXPECT_FALSE(stub::OpenRequestedLog(args, L"产品", &why));
    EXPECT_NE(why.find(bad), std::wstring::npos) << Narrow(why);
    EXPECT_NE(why.find(L"不记录日志"), std::wstring::npos) << Narrow(why);
    EXPECT_FALSE(log.is_open());
    log.Write(L"nowhere to go");  // and no harm
  }
  // Without /LOG nothing is opened and nothing is said.
  std::wstring why;
  EXPECT_TRUE(stub::OpenRequestedLog(stub::StubArgs{}, L"产品", &why));
  EXPECT_EQ(why, L"");
}

}  // namespace
}  // namespace stubtest
