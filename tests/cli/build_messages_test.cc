// What qrpack build and the reading commands tell the user: the product's
// identity, values the package would change, a damaged container, paths
// that cannot be written, files that are no package, --quiet and the
// progress line.

#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli.h"
#include "cli/console_progress.h"
#include "cli_test_util.h"
#include "package/layout.h"
#include "package/messages.h"
#include "package/stub_container.h"
#include "platform/files.h"
#include "scratch_dir.h"

#ifdef _WIN32
#include <windows.h>

#include "cli/console.h"
#else
#include <sys/stat.h>

#include "non_root.h"
#endif

namespace {

using cli_test::Build;
using cli_test::BuiltInstallDat;
using cli_test::Join;
using cli_test::Put;
using cli_test::Qrpack;

class BuildMessages : public ::testing::Test {
 protected:
  void SetUp() override { Put(dir_ / "a.txt", "a"); }
  // The line of text that starts with lead, without its end.
  static std::string LineOf(const std::string& text, const std::string& lead) {
    size_t at = text.find(lead);
    if (at == std::string::npos) return "";
    return text.substr(at, text.find('\n', at) - at);
  }
  ScratchDir dir_;
};

constexpr char kKeyLine[] = "Uninstall key (product code): ";

TEST_F(BuildMessages, BuildAndListShowTheSameUninstallKeyAndDefaultsWarn) {
  std::string pkg = dir_ / "p.exe";
  ChildResult r = Qrpack(dir_.path(), Build({"--name", "工具甲", "--publisher", "甲公司", "-o", pkg, "a.txt"}));
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "") << "a named product gets no warning";
  std::string key = LineOf(r.out, kKeyLine);
  ASSERT_NE(key, "") << r.out;
  EXPECT_EQ(key.rfind(std::string(kKeyLine) + "工具甲_", 0), 0u) << key;
  ChildResult list = Qrpack(dir_.path(), {"list", pkg});
  EXPECT_EQ(LineOf(list.out, kKeyLine), key) << list.out;
  ChildResult json = Qrpack(dir_.path(), {"list", "--json", pkg});
  EXPECT_NE(json.out.find("\"uninstall_key\": \"" + key.substr(sizeof kKeyLine - 1) + "\""),
            std::string::npos)
      << json.out;

  // Another product of the same publisher has another key.
  r = Qrpack(dir_.path(), Build({"--name", "工具乙", "--publisher", "甲公司", "-o", pkg, "a.txt"}));
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(LineOf(r.out, kKeyLine), key);

  // Without --name or --publisher the package shares the defaults' identity.
  for (std::vector<std::string> args : {std::vector<std::string>{"--name", "工具甲"},
                                        std::vector<std::string>{"--publisher", "甲公司"},
                                        std::vector<std::string>{}}) {
    args.insert(args.end(), {"-o", pkg, "a.txt"});
    r = Qrpack(dir_.path(), Build(args));
    ASSERT_EQ(r.code, 0) << r.err;
    std::string shown_key = LineOf(r.out, kKeyLine).substr(sizeof kKeyLine - 1);
    EXPECT_NE(r.err.find("warning: without --name or --publisher"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("(uninstall key " + shown_key + ")"), std::string::npos) << r.err;
  }
}

TEST_F(BuildMessages, QuietPrintsNothingOnSuccess) {
  ChildResult r = Qrpack(dir_.path(), Build({"--quiet", "-o", dir_ / "p.exe", "a.txt"}));
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(platform::PathExists(dir_ / "p.exe"));
  // A failure still speaks.
  r = Qrpack(dir_.path(), Build({"--quiet", "-o", dir_ / "p.exe", "missing.txt"}));
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err, "");
}

TEST_F(BuildMessages, ValuesThePackageWouldChangeAreRefusedWithLimitAndValue) {
  const std::string twenty = "一二三四五六七八九十abcdefghij";  // 20 characters
  const std::string pkg = dir_ / "p.exe";
  ChildResult r = Qrpack(dir_.path(), Build({"--name", twenty, "--publisher", twenty, "--dir", twenty,
                                             "--version", "10.2.3-beta.4+build1", "-o", pkg, "a.txt"}));
  ASSERT_EQ(r.code, 0) << r.err;
  ChildResult list = Qrpack(dir_.path(), {"list", pkg});
  EXPECT_NE(list.out.find("AppName：" + twenty + "\n"), std::string::npos) << list.out;
  EXPECT_NE(list.out.find("Version：10.2.3-beta.4+build1\n"), std::string::npos) << list.out;
  ASSERT_TRUE(platform::RemoveFile(pkg, nullptr));

  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> told;  // what the message must hold
  } cases[] = {
      {{"--name", "Contoso Development Tools"}, {"--name", "20", "\"Contoso Development Tools\""}},
      {{"--publisher", twenty + "x"}, {"--publisher", "20", twenty + "x"}},
      {{"--dir", "Contoso Development Tools"}, {"--dir", "20"}},
      {{"--version", "10.2.3-beta.4+build.5"}, {"--version", "20", "10.2.3-beta.4+build.5"}},
      {{"--dir", "Tools\\Mine"}, {"--dir", "\"\\\"", "Tools\\Mine"}},
      {{"--name", "가나다"}, {"--name", "GBK", "가나다"}},
      {{"--publisher", "a\r\nSetupDir：x"}, {"--publisher", "line break"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"-o", pkg, "a.txt"});
    r = Qrpack(dir_.path(), Build(args));
    EXPECT_EQ(r.code, 2) << c.args[1];
    for (const std::string& t : c.told) EXPECT_NE(r.err.find(t), std::string::npos) << t << "\n" << r.err;
    EXPECT_FALSE(platform::PathExists(pkg));
  }
}

TEST_F(BuildMessages, AGivenInstallDatIsCheckedWhole) {
  const std::string good = ReadWholeFile(BuiltInstallDat());
  const std::string pkg = dir_ / "p.exe";
  std::string err;
  // Cut, lengthened, and with a first member that decodes into no program.
  int32_t l1 = package::GetI32(reinterpret_cast<const uint8_t*>(good.data()));
  std::string grown = good;
  grown[static_cast<size_t>(l1) + 8] = static_cast<char>(grown[static_cast<size_t>(l1) + 8] - 1);
  Put(dir_ / "img1", std::string(20000, 'x'));
  Put(dir_ / "img2", std::string(20000, 'y'));
  ASSERT_TRUE(package::WriteStubContainer(dir_ / "img1", dir_ / "img2", dir_ / "plain.dat", &err)) << err;
  struct Case {
    std::string name, bytes, told;
  } cases[] = {
      {"cut.dat", good.substr(0, good.size() - 1), package::msg::kContainerBadEnd},
      {"long.dat", good + "x", package::msg::kContainerBadEnd},
      {"grown.dat", grown, package::msg::kContainerBadEnd},
      {"plain.dat", ReadWholeFile(dir_ / "plain.dat"), package::msg::kStubNotProgram},
  };
  for (const Case& c : cases) {
    Put(dir_ / c.name, c.bytes);
    ChildResult r = Qrpack(dir_.path(), {"build", "--install-dat", dir_ / c.name, "-o", pkg, "a.txt"});
    EXPECT_EQ(r.code, 1) << c.name;
    EXPECT_NE(r.err.find(package::msg::kContainerDamaged), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(c.told + (dir_ / c.name)), std::string::npos) << r.err;
    EXPECT_FALSE(platform::PathExists(pkg)) << c.name;
  }
  // A sound copy under another name builds.
  Put(dir_ / "copy.dat", good);
  ChildResult r = Qrpack(dir_.path(), {"build", "--install-dat", dir_ / "copy.dat", "-o", pkg, "a.txt"});
  EXPECT_EQ(r.code, 0) << r.err;
}

TEST_F(BuildMessages, AnOutputThatCannotBeWrittenIsNamedWithTheReason) {
  const std::string missing = Join(dir_ / "missing", "p.exe");
  ChildResult r = Qrpack(dir_.path(), Build({"-o", missing, "a.txt"}));
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find(std::string(package::msg::kCannotCreate) + missing + "（"), std::string::npos) << r.err;
  r = Qrpack(dir_.path(), Build({"-o", dir_.path(), "a.txt"}));
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find(std::string(package::msg::kCannotCreate) + dir_.path() + "（" +
                       package::msg::kSavePathIsFolder + "）"),
            std::string::npos)
      << r.err;
  // compress names its output, never the temporary file beside it.
  const std::string out = Join(dir_ / "missing", "a.bin");
  r = Qrpack(dir_.path(), {"compress", "a.txt", out});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find(out + "\""), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find(".tmp"), std::string::npos) << r.err;
}

#ifndef _WIN32
// A read-only folder, as a user that root's rights do not cover.
TEST_F(BuildMessages, AReadOnlyOutputFolderIsNamedWithTheReason) {
  const std::string ro = dir_ / "ro";
  ASSERT_TRUE(platform::CreateDirectories(ro, nullptr));
  chmod(ro.c_str(), 0555);
  non_root::OpenToEveryone(dir_.path());
  const std::string pkg = Join(ro, "p.exe");
  int outcome = non_root::Run([&] {
    ChildResult r = Qrpack(dir_.path(), Build({"-o", pkg, "a.txt"}));
    std::string told = std::string(package::msg::kCannotCreate) + pkg + "（";
    return r.code == 1 && r.err.find(told) != std::string::npos ? 0 : 1;
  });
  if (outcome == -1) GTEST_SKIP() << "cannot switch to a user without root's rights";
  EXPECT_EQ(outcome, 0);
}

// The install.dat beside the program: a missing one says where it was looked for.
TEST_F(BuildMessages, AMissingInstallDatSaysWhereItWasLookedFor) {
  const std::string exe = dir_ / "qrpack";
  std::string err;
  ASSERT_TRUE(WriteWholeFile(exe, ReadWholeFile(cli_test::BinaryDir() + "/bin/qrpack")));
  chmod(exe.c_str(), 0755);
  ChildOptions options;
  options.program = {exe};
  options.cwd = dir_.path();
  ChildResult r = RunQrpackChild({"build", "a.txt"}, options);
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("install.dat文件丢失或被修改无法使用，请重新下载！（查找位置：" + (dir_ / "install.dat") + "）"),
            std::string::npos)
      << r.err;
}
#endif

TEST_F(BuildMessages, AFileThatIsNoPackageIsCalledSoAndADamagedOneDamaged) {
  Put(dir_ / "notes.txt", std::string(100000, 'n'));
  ChildResult r = Qrpack(dir_.path(), {"list", "notes.txt"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find(package::msg::kNotAPackage + std::string("notes.txt")), std::string::npos) << r.err;
  // A program with nothing behind it: the setup program alone.
  const std::string pkg = dir_ / "p.exe";
  ASSERT_EQ(Qrpack(dir_.path(), Build({"--quiet", "-o", pkg, "a.txt"})).code, 0);
  std::string bytes = ReadWholeFile(pkg);
  int32_t stub_size = package::GetI32(reinterpret_cast<const uint8_t*>(bytes.data()) + bytes.size() - 8) ^ 0x71;
  Put(dir_ / "setup.exe", bytes.substr(0, static_cast<size_t>(stub_size)));
  r = Qrpack(dir_.path(), {"verify", "setup.exe"});
  EXPECT_NE(r.err.find(package::msg::kNotAPackage), std::string::npos) << r.err;
  // A package cut short is damaged.
  Put(dir_ / "cut.exe", bytes.substr(0, bytes.size() - 3));
  r = Qrpack(dir_.path(), {"list", "cut.exe"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find(package::msg::kPackageDamaged), std::string::npos) << r.err;
}

TEST(ConsoleProgress, AShorterLineCoversTheLongerOneBefore) {
  std::ostringstream os;
  {
    cli::ConsoleProgress progress(os, true);
    progress.SetMaximum(100);
    progress.SetStatus("正在处理写入安装包的数据...");
    progress.Advance(100);
    std::string before = os.str();
    progress.SetStatus("短");
    std::string line = os.str().substr(before.size());
    // "\r短 100%" and blanks up to the longer line's end.
    const std::string shown = "\r短 100%";
    EXPECT_EQ(line, shown + std::string(before.size() - before.rfind('\r') - shown.size(), ' '));
  }
  EXPECT_EQ(os.str().back(), '\n');
  std::ostringstream hidden;
  {
    cli::ConsoleProgress progress(hidden, false);
    progress.SetStatus("x");
  }
  EXPECT_EQ(hidden.str(), "");
}

TEST(Qrpack, VersionIsTheProjectVersion) {
  ScratchDir dir;
  ChildResult r = Qrpack(dir.path(), {"--version"});
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, std::string("qrpack ") + cli::kVersion + "\n");
  EXPECT_NE(std::string(cli::kVersion).find('.'), std::string::npos);
}

#ifdef _WIN32
// qrpack.exe switches the console to UTF-8 and puts the code page back.
TEST(Console, TheCodePageItChangedIsPutBack) {
  const bool own_console = GetConsoleOutputCP() == 0 && AllocConsole();
  UINT original = GetConsoleOutputCP();
  if (original == 0 || !SetConsoleOutputCP(936)) {
    if (own_console) FreeConsole();
    GTEST_SKIP() << "no console to change";
  }
  cli::UseUtf8Console();
  EXPECT_EQ(GetConsoleOutputCP(), static_cast<UINT>(CP_UTF8));
  cli::RestoreConsole();
  EXPECT_EQ(GetConsoleOutputCP(), 936u);
  SetConsoleOutputCP(original);
  if (own_console) FreeConsole();
}
#endif

}  // namespace
