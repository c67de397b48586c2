// qrpack build, list, extract and verify. On Linux each case runs the real
// program as a child process (so the digest check, the file-size limit and
// the exit codes are the program's own); the Windows build runs the same
// commands in-process under wine.

#include <gtest/gtest.h>

#include <cstdlib>
#include <algorithm>
#include <filesystem>
#include <sstream>

#include "cli/cli.h"
#include "cli_test_util.h"
#include "package/messages.h"
#include "package/package_reader.h"
#include "package/pe_image.h"
#include "package/stub_container.h"
#include "platform/shell.h"
#include "platform/files.h"
#include "scratch_dir.h"

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using cli_test::BinaryDir;
using cli_test::BuiltInstallDat;
using cli_test::Join;
using cli_test::Listing;
using cli_test::Put;
using cli_test::RenameRecord;

struct Result {
  int code = -1;
  std::string out;
  std::string err;
};

#ifdef _WIN32
Result Qrpack(const std::string& cwd, const std::vector<std::string>& args) {
  std::ostringstream out, err;
  cli::Io io{out, err};
  fs::path old = fs::current_path();
  fs::current_path(ScratchDir::FsPath(cwd));
  Result r;
  r.code = cli::RunQrpack(args, io);
  fs::current_path(old);
  r.out = out.str();
  r.err = err.str();
  return r;
}
#else
// Runs qrpack in cwd; file_limit > 0 caps the size of files it writes.
Result Qrpack(const std::string& cwd, const std::vector<std::string>& args, rlim_t file_limit = 0,
           const std::string& exe_override = "", const std::string& tmpdir = "") {
  static ScratchDir io_dir;
  std::string exe = exe_override.empty() ? BinaryDir() + "/bin/qrpack" : exe_override;
  std::fflush(stdout);  // nothing buffered here may reach the child's output
  pid_t pid = fork();
  if (pid == 0) {
    if (file_limit > 0) {
      struct rlimit lim = {file_limit, file_limit};
      setrlimit(RLIMIT_FSIZE, &lim);
    }
    if (!tmpdir.empty()) setenv("TMPDIR", tmpdir.c_str(), 1);
    if (chdir(cwd.c_str()) != 0) _exit(126);
    if (!freopen((io_dir / "out").c_str(), "w", stdout) || !freopen((io_dir / "err").c_str(), "w", stderr))
      _exit(126);
    std::vector<char*> argv = {const_cast<char*>(exe.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(exe.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  Result r;
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = ReadWholeFile(io_dir / "out");
  r.err = ReadWholeFile(io_dir / "err");
  return r;
}
#endif

// "b" followed by n: the name of a test file of n bytes.
std::string BlockName(size_t n) {
  std::string name = std::to_string(n);
  name.insert(name.begin(), 'b');
  return name;
}

std::string Pattern(size_t n, uint32_t seed) {
  std::string s(n, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (size_t i = 0; i < n; ++i) {
    x = x * 1103515245u + 12345u;
    // Half of it repeats, so the codec finds references; the rest is noise.
    s[i] = static_cast<char>((i / 64) % 2 ? (x >> 16) & 0xFF : 'a' + i % 7);
  }
  return s;
}

// --install-dat for in-process runs, whose program folder holds none.
std::vector<std::string> WithInstallDat(std::vector<std::string> args) {
  args.insert(args.begin() + 1, {"--install-dat", BuiltInstallDat()});
  return args;
}

class PackageCommands : public ::testing::Test {
 protected:
  std::string Tree() {
    std::string app = dir_ / "App";
    Put(Join(app, "small.txt"), "hello");
    for (size_t n : {40959, 40960, 40961, 81920, 300000})
      Put(Join(app, Join("blocks", BlockName(n))), Pattern(n, static_cast<uint32_t>(n)));
    Put(Join(app, Join("中文目录", "说明.txt")), "中文内容");
    Put(Join(app, "Thumbs.db"), "skip");
    Put(Join(app, Join("sub", "THUMBS.DB")), "skip");
    Put(Join(app, "empty.txt"), "");
    std::string err;
    platform::CreateDirectories(Join(app, Join("nothing", "inside")), &err);
    Put(dir_ / "other" + platform::kPathSeparator + Join("App", "small.txt"), "second copy");
    Put(dir_ / "setup.exe", "the program");
    return app;
  }
  ScratchDir dir_;
};

TEST_F(PackageCommands, BuildListVerifyExtractRoundTrip) {
  std::string app = Tree();
  std::string pkg = dir_ / "pkg.exe";
  // A second folder that gives App\small.txt again makes a package that
  // could never install: refused, naming both files, with nothing written.
  std::string other_app = dir_ / "other" + platform::kPathSeparator + "App";
  Result r = Qrpack(dir_.path(), WithInstallDat({"build", "--name", "软件", "-o", pkg, "App", other_app}));
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find(std::string("两个文件在安装包中的名称相同，不能写入安装包：") +
                       Join(other_app, "small.txt") + "（" + Join(app, "small.txt") + "）"),
            std::string::npos)
      << r.err;
  EXPECT_FALSE(platform::PathExists(pkg));

  r = Qrpack(dir_.path(), WithInstallDat({"build", "--name", "软件", "--publisher", "发行商", "--run",
                                         "setup.exe", "--desktop", dir_ / "setup.exe", "-o", pkg,
                                         "App", "setup.exe"}));
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out.rfind("已经将所有文件打包进安装程序！\n" + pkg + "\nUninstall key (product code): 软件_", 0), 0u)
      << r.out;
  EXPECT_EQ(r.err, "") << "no progress line when stderr is no terminal";

  r = Qrpack(dir_.path(), {"verify", pkg});
  EXPECT_EQ(r.code, 0) << r.err;
  r = Qrpack(dir_.path(), {"list", "--json", pkg});
  ASSERT_EQ(r.code, 0) << r.err;
  for (const char* expected :
       {"\"AppName\": \"软件\"", "\"SetupDir\": \"QrSetup\"", "\"Publisher\": \"发行商\"",
        "\"Version\": \"1.0.0.0\"", "\"option_union\": 5", "{\"bit\": 1, \"name\": \"setup.exe\"}",
        "{\"bit\": 4, \"name\": \"setup.exe\"}",
        "{\"path\": \"App\\\\blocks\\\\b40960\", \"size\": 40960,",
        "{\"path\": \"App\\\\中文目录\\\\说明.txt\", \"size\": 12,",
        "{\"path\": \"App\\\\empty.txt\", \"size\": 0, \"compressed\": 0}",
        "\"title\": \"AppName：软件\""})
    EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\n" << r.out;
  EXPECT_EQ(r.out.find("THUMBS"), std::string::npos);
  EXPECT_EQ(r.out.find("Thumbs"), std::string::npos);

  std::string out = dir_ / "extracted";
  r = Qrpack(dir_.path(), {"extract", pkg, out});
  ASSERT_EQ(r.code, 0) << r.err;
  for (size_t n : {40959, 40960, 40961, 81920, 300000}) {
    std::string rel = Join("App", Join("blocks", BlockName(n)));
    EXPECT_TRUE(ReadWholeFile(Join(out, rel)) == Pattern(n, static_cast<uint32_t>(n))) << rel;
  }
  EXPECT_EQ(ReadWholeFile(Join(out, Join("App", Join("中文目录", "说明.txt")))), "中文内容");
  EXPECT_EQ(ReadWholeFile(Join(out, Join("App", "small.txt"))), "hello");
  EXPECT_EQ(ReadWholeFile(Join(out, "setup.exe")), "the program");
  EXPECT_TRUE(platform::PathExists(Join(out, "uninst.exe")));
  EXPECT_EQ(ReadWholeFile(Join(out, Join("App", "empty.txt"))), "");
  EXPECT_FALSE(platform::PathExists(Join(out, Join("App", "nothing"))));
}

TEST_F(PackageCommands, DefaultsAreTheMainWindowsAndChecksAreTheButtons) {
  Put(dir_ / "a.txt", "a");
  Result r = Qrpack(dir_.path(), WithInstallDat({"build", "a.txt"}));
  ASSERT_EQ(r.code, 0) << r.err;
  std::string pkg = dir_ / "QrSetup.exe";
  EXPECT_TRUE(platform::PathExists(pkg));
  r = Qrpack(dir_.path(), {"list", pkg});
  EXPECT_NE(r.out.find("AppName：测试\n  SetupDir：QrSetup\n  Publisher：Quorin软件工作室\n  Version：1.0.0.0"),
            std::string::npos) << r.out;

  struct Case {
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {{"build", "--name", "", "--dir", "", "a.txt"}, "请输入您的软件名称！"},
      {{"build", "--dir", "", "a.txt"}, "请输入软件安装目录名！"},
      {{"build", "-o", "", "a.txt"}, "请选择安装包保存路径！"},
      {{"build", "-o", Join(dir_ / "missing", "x.exe"), "a.txt"}, "无法在您指定的安装路径下创建安装包！"},
      {{"build", "a.txt", dir_ / "a.txt"}, "该文件已经被添加到列表中！"},
      {{"build", "a.txt", "missing.txt"}, "找不到文件或文件夹：missing.txt"},
  };
  for (const Case& c : cases) {
    r = Qrpack(dir_.path(), WithInstallDat(c.args));
    EXPECT_EQ(r.code, 1) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
  }
  EXPECT_FALSE(platform::PathExists(dir_ / "missing"));
}

TEST_F(PackageCommands, FoldersTwiceAndRootsAreRefusedLikeTheMenu) {
  std::string err;
  platform::CreateDirectories(dir_ / "Dir", &err);
  Result r = Qrpack(dir_.path(), WithInstallDat({"build", "Dir", dir_ / "Dir"}));
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("该目录已经被添加到列表中！"), std::string::npos) << r.err;
  std::string root = fs::path(ScratchDir::FsPath(dir_.path())).root_path().string();
  r = Qrpack(dir_.path(), WithInstallDat({"build", root}));
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("根目录不能添加到列表中，请重新选择！"), std::string::npos) << r.err;
}

TEST_F(PackageCommands, UsageErrorsExitTwo) {
  Put(dir_ / "a.txt", "a");
  platform::CreateDirectories(dir_ / "Dir", nullptr);
  for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
           {"build"},
           {"build", "--run", "b.txt", "a.txt"},
           {"build", "--run", "Dir", "a.txt", "Dir"},
           {"build", "--jobs", "x", "a.txt"},
           {"build", "--bogus", "a.txt"},
           {"list"},
           {"extract", "p"},
           {"verify", "a", "b"}}) {
    Result r = Qrpack(dir_.path(), args);
    EXPECT_EQ(r.code, 2) << args[1] << r.err;
  }
  Result r = Qrpack(dir_.path(), WithInstallDat({"build", "--jobs", "4", "--quiet", "a.txt"}));
  EXPECT_EQ(r.code, 0) << r.err;
}

TEST_F(PackageCommands, VerifyAndListReportDamage) {
  Put(dir_ / "a.txt", Pattern(50000, 1));
  std::string pkg = dir_ / "p.exe";
  ASSERT_EQ(Qrpack(dir_.path(), WithInstallDat({"build", "-o", pkg, "a.txt"})).code, 0);
  std::string good = ReadWholeFile(pkg);
  // One record more in the trailer, a stream's length field grown by one,
  // cut packages, zeros. (A changed literal inside a stream decodes to other
  // bytes; the package's digest finds it, below.)
  std::string more = good;
  more[more.size() - 4] = static_cast<char>(more[more.size() - 4] ^ 0x03);
  std::string longer = good;
  auto byte = [&](size_t i) { return static_cast<size_t>(static_cast<uint8_t>(good[i])); };
  size_t c = (byte(good.size() - 8) ^ 0x71) | byte(good.size() - 7) << 8 | byte(good.size() - 6) << 16;
  size_t config_len = byte(c) | byte(c + 1) << 8;
  size_t compLenAt = c + 2 + config_len + 2 + 2 + 5;  // after the option union and "a.txt"
  longer[compLenAt] = static_cast<char>(longer[compLenAt] + 1);
  std::string total = good;
  total[total.size() - 12] = static_cast<char>(total[total.size() - 12] ^ 0x01);
  ASSERT_TRUE(WriteWholeFile(pkg, total));
  Result r = Qrpack(dir_.path(), {"verify", pkg});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("尾部记录的总大小与各文件大小之和不符"), std::string::npos) << r.err;
  std::string damaged[] = {more, longer, good.substr(0, good.size() - 1), good.substr(0, 20000),
                           std::string(good.size(), '\0')};
  for (const std::string& bytes : damaged) {
    ASSERT_TRUE(WriteWholeFile(pkg, bytes));
    r = Qrpack(dir_.path(), {"verify", pkg});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("qrpack: "), std::string::npos) << r.err;
  }
  // A package cut inside its program's headers holds no package any more.
  ASSERT_TRUE(WriteWholeFile(pkg, good.substr(0, 100)));
  r = Qrpack(dir_.path(), {"list", pkg});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find(package::msg::kNotAPackage + pkg), std::string::npos) << r.err;
}

// A byte changed inside a stream that still decodes (to other bytes): only
// the digest tells.
TEST_F(PackageCommands, VerifyAndExtractRefuseAChangedByteInAStream) {
  std::string data = Pattern(50000, 1);
  Put(dir_ / "a.txt", data);
  std::string pkg = dir_ / "p.exe";
  ASSERT_EQ(Qrpack(dir_.path(), WithInstallDat({"build", "-o", pkg, "a.txt"})).code, 0);
  std::string good = ReadWholeFile(pkg), bad;
  std::string err;
  {
    package::PackageReader reader;
    ASSERT_TRUE(reader.Open(pkg, &err)) << err;
    const package::FileRecord& f = reader.contents().files[0];
    // The first byte from the middle of the stream on whose change it still
    // decodes whole.
    for (size_t at = static_cast<size_t>(f.StreamOffset()) + 4 + static_cast<size_t>(f.compLen) / 2;
         bad.empty(); ++at) {
      std::string bytes = good;
      bytes[at] = static_cast<char>(bytes[at] ^ 0x04);
      ASSERT_TRUE(WriteWholeFile(dir_ / "try.exe", bytes));
      package::PackageReader changed;
      std::string decoded;
      auto sink = [&](const uint8_t* p, size_t n, std::string*) {
        decoded.append(reinterpret_cast<const char*>(p), n);
        return true;
      };
      if (changed.Open(dir_ / "try.exe", &err) && changed.DecodeRecord(0, sink, nullptr, &err) &&
          decoded.size() == data.size()) {
        EXPECT_NE(decoded, data);
        bad = bytes;
      }
    }
  }
  ASSERT_TRUE(WriteWholeFile(pkg, bad));
  Result r = Qrpack(dir_.path(), {"verify", pkg});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find(std::string(package::msg::kPackageDamaged) + package::msg::kDigestMismatch),
            std::string::npos) << r.err;
  r = Qrpack(dir_.path(), {"extract", pkg, dir_ / "out"});
  EXPECT_EQ(r.code, 1);
  EXPECT_FALSE(platform::PathExists(dir_ / "out"));
}

// The test signer, as the shell runs it.
std::string Signer(const std::string& options) {
  std::string path = QR_TEST_SIGNER;
#ifdef _WIN32
  if (!path.empty() && path[0] == '/') {
    std::replace(path.begin(), path.end(), '/', '\\');
    path = "Z:" + path;
  }
#endif
  return platform::ShellWordForFile(path) + options + " $f";
}

bool EndsWithCertTable(const std::string& path) {
  std::string bytes = ReadWholeFile(path);
  package::PeHeaders pe = package::ParsePeHeaders(
      std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  return package::HasTrailingCertTable(pe, static_cast<int64_t>(bytes.size()));
}

TEST_F(PackageCommands, BuildSignsWithTheCommandAndAFailureKeepsTheOldPackage) {
  Put(dir_ / "a.txt", Pattern(20000, 1));
  std::string pkg = dir_ / "p.exe";
  Result r = Qrpack(dir_.path(), WithInstallDat({"build", "--sign-command", "signtool sign f", "a.txt"}));
  EXPECT_EQ(r.code, 2);
  EXPECT_NE(r.err.find("--sign-command needs $f"), std::string::npos) << r.err;

  r = Qrpack(dir_.path(), WithInstallDat({"build", "--sign-command", Signer(""), "-o", pkg, "a.txt"}));
  ASSERT_EQ(r.code, 0) << r.err;
  r = Qrpack(dir_.path(), {"verify", pkg});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find(", SHA-256 digest matches, signed\n"), std::string::npos) << r.out;
  r = Qrpack(dir_.path(), {"list", pkg});
  EXPECT_NE(r.out.find("signed (certificate table of 1512 bytes), SHA-256 digest"), std::string::npos) << r.out;
  r = Qrpack(dir_.path(), {"extract", pkg, dir_ / "out"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(EndsWithCertTable(Join(dir_ / "out", "uninst.exe")));
  EXPECT_TRUE(EndsWithCertTable(pkg));

  std::string before = ReadWholeFile(pkg);
  r = Qrpack(dir_.path(), WithInstallDat({"build", "--sign-command", Signer(" --fail"), "-o", pkg, "a.txt"}));
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find(package::msg::kSignFailed), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("test signer refuses to sign"), std::string::npos) << r.err;
  EXPECT_TRUE(ReadWholeFile(pkg) == before);
  std::vector<platform::DirEntry> entries;
  ASSERT_TRUE(platform::ListDirectory(dir_.path(), &entries, nullptr));
  for (const auto& e : entries) EXPECT_EQ(e.name.find(".tmp"), std::string::npos) << e.name;
}

#ifndef _WIN32
// A real signing tool: osslsigncode with a certificate made for the test.
class Osslsigncode : public PackageCommands {
 protected:
  void SetUp() override {
    std::string cmd = "cd '" + dir_.path() +
                      "' && openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 "
                      "-subj '/CN=QrMaker Test' -addext extendedKeyUsage=codeSigning >/dev/null 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << "openssl could not make a certificate";
    Put(dir_ / "a.txt", Pattern(20000, 1));
  }
  // osslsigncode in dir_; true when it exits with 0.
  bool Run(const std::string& args) {
    std::string cmd = "cd '" + dir_.path() + "' && osslsigncode " + args + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
  }
  std::string Verified(const std::string& pkg) {
    Result r = Qrpack(dir_.path(), {"verify", pkg});
    return r.code == 0 ? r.out : r.err;
  }
  static constexpr char kSign[] = "sign -certs cert.pem -key key.pem";
};

TEST_F(Osslsigncode, SignsAtBuildTimeAndTheSignaturesVerify) {
  std::string sign = std::string("osslsigncode ") + kSign + " -in $f -out $f.signed && mv $f.signed $f";
  Result r = Qrpack(dir_.path(), WithInstallDat({"build", "--sign-command", sign, "-o", "p.exe", "a.txt"}));
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(Run("verify -CAfile cert.pem -in p.exe"));
  EXPECT_NE(Verified("p.exe").find(", SHA-256 digest matches, signed"), std::string::npos);
  ASSERT_EQ(Qrpack(dir_.path(), {"extract", "p.exe", "out"}).code, 0);
  EXPECT_TRUE(Run("verify -CAfile cert.pem -in out/uninst.exe"));
}

TEST_F(Osslsigncode, SignedAfterwardsSignedAgainAndUnsignedStillRead) {
  ASSERT_EQ(Qrpack(dir_.path(), WithInstallDat({"build", "-o", "p.exe", "a.txt"})).code, 0);
  ASSERT_TRUE(Run(std::string(kSign) + " -in p.exe -out signed.exe"));
  EXPECT_TRUE(Run("verify -CAfile cert.pem -in signed.exe"));
  EXPECT_NE(Verified("signed.exe").find("signed"), std::string::npos);
  ASSERT_TRUE(Run(std::string(kSign) + " -in signed.exe -out again.exe"));
  EXPECT_NE(Verified("again.exe").find("signed"), std::string::npos);
  ASSERT_TRUE(Run("remove-signature -in again.exe -out removed.exe"));
  EXPECT_NE(Verified("removed.exe").find("SHA-256 digest matches\n"), std::string::npos);
  // One changed byte of the signed package's payload is found.
  std::string bytes = ReadWholeFile(dir_ / "signed.exe");
  bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x10);
  ASSERT_TRUE(WriteWholeFile(dir_ / "signed.exe", bytes));
  EXPECT_NE(Verified("signed.exe").find("qrpack: "), std::string::npos);
}
#endif

TEST_F(PackageCommands, ExtractRefusesNamesThatLeaveTheFolder) {
  Put(dir_ / "abcdefg", "payload");
  std::string pkg = dir_ / "p.exe";
  ASSERT_EQ(Qrpack(dir_.path(), WithInstallDat({"build", "-o", pkg, "abcdefg"})).code, 0);
  std::string good = ReadWholeFile(pkg);
  std::string out = dir_ / "x" + platform::kPathSeparator + "y";
  for (std::string name : {"..\\evil", "\\absolu", "\\\\unc\\a", "C:\\evil", "c:evil1", "a\\\\bcde",
                           "abcdef\\", "ab/../c", ".\\abcde"}) {
    ASSERT_TRUE(WriteWholeFile(pkg, good));
    RenameRecord(pkg, "abcdefg", name);
    Result r = Qrpack(dir_.path(), {"extract", pkg, out});
    EXPECT_EQ(r.code, 1) << name;
    EXPECT_NE(r.err.find("安装包中的文件名会写到目标文件夹之外"), std::string::npos) << r.err;
    EXPECT_FALSE(platform::PathExists(dir_ / "x")) << name;
    EXPECT_FALSE(platform::PathExists(dir_ / "evil")) << name;
  }
}

#ifndef _WIN32
TEST_F(PackageCommands, AFullDiskFailsCleanlyAndKeepsTheOldPackage) {
  std::string out = dir_ / "out";
  ScratchDir tmp;
  Put(Join(out, "QrSetup.exe"), "the old package");
  package::StubContainer c;
  std::string err;
  ASSERT_TRUE(package::OpenStubContainer(BuiltInstallDat(), &c, &err)) << err;
  rlim_t images = static_cast<rlim_t>(std::max(c.setup_size, c.uninst_size)) + 100000;
  // The uninstaller fits the limit, the package with its payload does not.
  Put(dir_ / "big.bin", Pattern(3 * images, 7));
  Result r = Qrpack(dir_.path(), {"build", "-o", Join(out, "QrSetup.exe"), "big.bin"}, images, "",
                    tmp.path());
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("写入安装包失败，安装包没有生成：" + Join(out, "QrSetup.exe")), std::string::npos)
      << r.err;
  // Many files on several threads: records waiting beside the package hit
  // the limit too, and the build fails the same way, leaving nothing.
  for (int i = 0; i < 24; ++i) {
    std::string name = "f";
    name += std::to_string(i);
    Put(Join(dir_ / "many", name), Pattern(images / 3, i));
  }
  r = Qrpack(dir_.path(), {"build", "--jobs", "4", "-o", Join(out, "QrSetup.exe"), "many"}, images, "",
             tmp.path());
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("写入安装包失败，安装包没有生成：" + Join(out, "QrSetup.exe")), std::string::npos)
      << r.err;
  // The uninstaller itself over the limit.
  r = Qrpack(dir_.path(), {"build", "-o", Join(out, "QrSetup.exe"), "big.bin"},
             static_cast<rlim_t>(c.uninst_size) - 1000, "", tmp.path());
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("无法写入临时文件夹中的卸载程序，安装包没有生成："), std::string::npos) << r.err;
  EXPECT_EQ(ReadWholeFile(Join(out, "QrSetup.exe")), "the old package");
  EXPECT_EQ(Listing(out), std::vector<std::string>{"QrSetup.exe"});
  EXPECT_TRUE(Listing(tmp.path()).empty());
}

TEST_F(PackageCommands, WithoutInstallDatTheOneBesideTheProgramMustPassItsDigest) {
  Put(dir_ / "a.txt", "a");
  // A copy of qrpack beside a changed install.dat.
  std::string exe = dir_ / "qrpack";
  fs::copy_file(BinaryDir() + "/bin/qrpack", exe);
  fs::permissions(exe, fs::perms::owner_all);
  std::string dat = ReadWholeFile(BuiltInstallDat());
  dat[dat.size() / 2] = static_cast<char>(dat[dat.size() / 2] ^ 1);
  Put(dir_ / "install.dat", dat);
  Result r = Qrpack(dir_.path(), {"build", "a.txt"}, 0, exe);
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("加载失败：install.dat文件丢失或被修改无法使用，请重新下载！"), std::string::npos) << r.err;
  EXPECT_FALSE(platform::PathExists(dir_ / "QrSetup.exe"));
  // The shipped one passes.
  r = Qrpack(dir_.path(), {"build", "a.txt"});
  EXPECT_EQ(r.code, 0) << r.err;
}

// The Windows qrpack.exe (under wine) and this one make the same bytes from
// the same tree.
TEST_F(PackageCommands, WindowsAndLinuxBuildsMakeIdenticalPackages) {
  std::string win_exe = BinaryDir() + "/win/bin/qrpack.exe";
  const char* src = std::getenv("QR_SOURCE_DIR");
  if (!platform::PathExists(win_exe) || !src || std::system("command -v wine >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "no Windows build at " << win_exe;
  Tree();
  std::vector<std::string> common = {"build", "--name", "跨平台", "--run", "setup.exe",
                                     "--install-dat", BuiltInstallDat()};
  std::vector<std::string> linux_args = common;
  // One package name for both: the package's version resource holds it.
  for (std::string a : {"-o", "pkg.exe", "App", "setup.exe"}) linux_args.push_back(a);
  Result r = Qrpack(dir_.path(), linux_args);
  ASSERT_EQ(r.code, 0) << r.err;
  std::string err;
  ASSERT_TRUE(platform::ReplaceFile(dir_ / "pkg.exe", dir_ / "linux.exe", &err)) << err;
  auto win_path = [](const std::string& p) {
    std::string w = "Z:" + p;
    std::replace(w.begin(), w.end(), '/', '\\');
    return w;
  };
  std::vector<std::string> win_args = {std::string(src) + "/cmake/wine-run.sh", win_exe};
  for (std::string a : common) win_args.push_back(a == BuiltInstallDat() ? win_path(a) : a);
  for (std::string a : {"-o", "pkg.exe", "App", "setup.exe"}) win_args.push_back(a);
  std::string cmd = "cd '" + dir_.path() + "' && '" + win_args[0] + "'";
  for (size_t i = 1; i < win_args.size(); ++i) cmd += " '" + win_args[i] + "'";
  cmd += " >/dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
  std::string a = ReadWholeFile(dir_ / "linux.exe"), b = ReadWholeFile(dir_ / "pkg.exe");
  EXPECT_GT(a.size(), 300000u);
  EXPECT_TRUE(a == b) << "sizes " << a.size() << " and " << b.size();
}
#endif

}  // namespace
