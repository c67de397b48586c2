// qrpack against hostile input and a hostile environment: special files,
// interruptions, file-size limits, an output that is the input, temporary
// names that are taken, a missing temp folder. Each command must end with a
// clear message and leave no file behind.

#include <gtest/gtest.h>

#include "cli_test_util.h"
#include "codec/memory_codec.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace {

using namespace cli_test;

// Bytes that do not compress.
std::string Noise(size_t n) {
  std::string s(n, '\0');
  uint32_t x = 12345;
  for (char& c : s) {
    x = x * 1103515245u + 12345u;
    c = static_cast<char>(x >> 23);
  }
  return s;
}

std::string StreamOf(const std::string& data) {
  codec::CodecParams params;
  std::vector<uint8_t> stream;
  std::string err;
  EXPECT_TRUE(codec::CompressBuffer(std::vector<uint8_t>(data.begin(), data.end()), params, &stream,
                                    &err))
      << err;
  return std::string(stream.begin(), stream.end());
}

TEST(OwnInput, CompressAndDecompressNeverReplaceTheirInput) {
  ScratchDir dir;
  const std::string data = Noise(5000), stream = StreamOf(data);
  Put(dir / "in", data);
  Put(dir / "s", stream);
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"compress", "in", "in"},
           {"compress", "in", dir / "in"},
           {"decompress", "s", "s"},
           {"compress", "in", "k", "--key", "k"}}) {
    if (args.size() > 3) Put(dir / "k", "key bytes");
    ChildResult r = Qrpack(dir.path(), args);
    EXPECT_EQ(r.code, 1) << args[0] << " " << args[2];
    EXPECT_NE(r.err.find("the output must not replace it"), std::string::npos) << r.err;
  }
  EXPECT_TRUE(ReadWholeFile(dir / "in") == data);
  EXPECT_TRUE(ReadWholeFile(dir / "s") == stream);
  EXPECT_EQ(ReadWholeFile(dir / "k"), "key bytes");
  EXPECT_EQ(Listing(dir.path()), (std::vector<std::string>{"in", "k", "s"}));
#ifndef _WIN32
  // The input under another name: a symbolic link to it, a hard link.
  ASSERT_EQ(symlink((dir / "in").c_str(), (dir / "soft").c_str()), 0);
  ASSERT_EQ(link((dir / "s").c_str(), (dir / "hard").c_str()), 0);
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"compress", "in", "soft"}, {"compress", "soft", "in"}, {"decompress", "s", "hard"}}) {
    ChildResult r = Qrpack(dir.path(), args);
    EXPECT_EQ(r.code, 1) << args[0] << " " << args[1] << " " << args[2];
    EXPECT_NE(r.err.find("the output must not replace it"), std::string::npos) << r.err;
  }
  EXPECT_TRUE(ReadWholeFile(dir / "in") == data);
  EXPECT_TRUE(ReadWholeFile(dir / "s") == stream);
#endif
}

// Files at the first hundred temporary names that come to mind do not
// stop a command.
TEST(TemporaryNames, DoNotRunOut) {
  ScratchDir dir;
  const std::string data = Noise(3000);
  Put(dir / "in", data);
  for (int n = 0; n < 100; ++n) Put(dir / ("out.qrpack-" + std::to_string(n) + ".tmp"), "taken");
  ChildResult r = Qrpack(dir.path(), {"compress", "in", "out"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(ReadWholeFile(dir / "out") == StreamOf(data));
  EXPECT_EQ(Listing(dir.path()).size(), 102u) << "no temporary file stays";
  EXPECT_EQ(ReadWholeFile(dir / "out.qrpack-99.tmp"), "taken");
}

#ifndef _WIN32

// A sparse file of n bytes (zeros that take no disk).
void Sparse(const std::string& path, int64_t n) {
  std::string err;
  auto f = platform::File::Open(path, platform::File::Mode::kCreateTruncate, &err);
  ASSERT_TRUE(f && f->Truncate(n, &err)) << err;
}

TEST(SpecialFiles, AreRefusedAtOnceNamingThem) {
  ScratchDir dir;
  Put(Join(dir / "App", "a.txt"), "a");
  Put(dir / "a.txt", "a");
  const std::string pipe = Join(dir / "App", "pipe");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0666), 0);
  platform::CreateDirectories(dir / "Dev", nullptr);
  ASSERT_EQ(symlink("/dev/null", Join(dir / "Dev", "null").c_str()), 0);
  platform::CreateDirectories(dir / "Sock", nullptr);
  const std::string sock = Join(dir / "Sock", "s");
  int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  struct sockaddr_un addr = {};
  addr.sun_family = AF_UNIX;
  ASSERT_LT(sock.size(), sizeof addr.sun_path);
  std::copy(sock.begin(), sock.end(), addr.sun_path);
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);

  const std::string refused = "不是普通文件（管道、设备或套接字），不能写入安装包：";
  struct Case {
    std::vector<std::string> entries;
    std::string named;
  } builds[] = {{{"App"}, pipe},
                {{"a.txt", Join("App", "pipe")}, pipe},
                {{"Dev"}, Join(dir / "Dev", "null")},
                {{"Sock"}, sock}};
  for (const Case& c : builds) {
    std::vector<std::string> args = {"-o", "p.exe"};
    args.insert(args.end(), c.entries.begin(), c.entries.end());
    ChildResult r = Qrpack(dir.path(), Build(args));
    EXPECT_FALSE(r.hung);
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find(refused + c.named), std::string::npos) << r.err;
  }
  close(fd);

  // Read as a package, a stream, a key or a container; written as an output.
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"verify", pipe},
           {"list", pipe},
           {"extract", pipe, "out"},
           {"decompress", pipe, "out"},
           {"compress", pipe, "out"},
           {"compress", "a.txt", "out", "--key", pipe},
           {"compress", "a.txt", pipe},
           {"build", "--install-dat", pipe, "-o", "p.exe", "a.txt"}}) {
    ChildResult r = Qrpack(dir.path(), args);
    EXPECT_FALSE(r.hung) << args[0];
    EXPECT_EQ(r.code, 1) << args[0];
    EXPECT_NE(r.err.find("not a regular file"), std::string::npos) << r.err;
  }
  struct stat st;
  ASSERT_EQ(stat(pipe.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the pipe is still a pipe";
  EXPECT_EQ(Listing(dir.path()), (std::vector<std::string>{"App", "Dev", "Sock", "a.txt"}));
}

TEST(FileSizeLimit, CompressAndDecompressFailCleanly) {
  ScratchDir dir;
  const std::string data = Noise(1 << 20);
  Put(dir / "in", data);
  Put(dir / "s", StreamOf(data));
  Put(dir / "out", "the old output");
  for (const char* cmd : {"compress", "decompress"}) {
    ChildOptions options;
    options.cwd = dir.path();
    options.file_limit = 100000;
    ChildResult r = RunQrpackChild({cmd, cmd[0] == 'c' ? "in" : "s", "out"}, options);
    EXPECT_EQ(r.signal, 0) << cmd << " was ended by a signal";
    EXPECT_EQ(r.code, 1) << cmd;
    EXPECT_NE(r.err.find("File too large"), std::string::npos) << r.err;
    EXPECT_EQ(ReadWholeFile(dir / "out"), "the old output");
    EXPECT_EQ(Listing(dir.path()), (std::vector<std::string>{"in", "out", "s"}));
  }
}

// Starts qrpack and signals it once until() holds (it polls the files the
// command makes); the command must remove its temporary files and end
// with the signal's status.
ChildResult InterruptWhen(const std::vector<std::string>& args, const ChildOptions& options,
                          const std::function<bool()>& until, int sig) {
  QrpackChild child(args, options);
  while (child.Running() && !until()) usleep(1000);
  EXPECT_TRUE(child.Running()) << "the command ended before it could be interrupted";
  child.Signal(sig);
  return child.Wait();
}

TEST(Interruption, BuildRemovesItsTemporaryFilesAndKeepsTheOldPackage) {
  ScratchDir dir, tmp;
  Put(dir / "QrSetup.exe", "the old package");
  Sparse(dir / "big.bin", int64_t{1500} << 20);
  ChildOptions options;
  options.cwd = dir.path();
  options.tmpdir = tmp.path();
  ChildResult r = InterruptWhen(
      Build({"--jobs", "1", "big.bin"}), options,
      [&] { return platform::PathExists(dir / "QrSetup.tmp") && !Listing(tmp.path()).empty(); },
      SIGINT);
  EXPECT_EQ(r.code, 130);
  EXPECT_NE(r.err.find("qrpack: interrupted"), std::string::npos) << r.err;
  EXPECT_EQ(Listing(dir.path()), (std::vector<std::string>{"QrSetup.exe", "big.bin"}));
  EXPECT_TRUE(Listing(tmp.path()).empty());
  EXPECT_EQ(ReadWholeFile(dir / "QrSetup.exe"), "the old package");
}

// Whether dir holds a file other than the names given.
bool HoldsMoreThan(const std::string& dir, size_t names) { return Listing(dir).size() > names; }

TEST(Interruption, CompressAndDecompressRemoveTheirTemporaryFiles) {
  ScratchDir dir;
  Put(dir / "out", "the old output");
  Sparse(dir / "zeros", int64_t{1500} << 20);
  ChildOptions options;
  options.cwd = dir.path();
  ChildResult r = InterruptWhen({"compress", "zeros", "out"}, options,
                                [&] { return HoldsMoreThan(dir.path(), 2); }, SIGTERM);
  EXPECT_EQ(r.code, 143);
  EXPECT_NE(r.err.find("qrpack: interrupted"), std::string::npos) << r.err;
  EXPECT_EQ(Listing(dir.path()), (std::vector<std::string>{"out", "zeros"}));
  EXPECT_EQ(ReadWholeFile(dir / "out"), "the old output");

  // A stream of zeros: one literal, then references of 18 bytes to it, far
  // more announced than present (masked with the format mask alone).
  std::string stream = "\xff\xff\xff\x7f";
  stream += std::string("\x01\x00", 2);
  for (int i = 0; i < 7; ++i) stream += std::string("\x00\x0f", 2);
  std::string group = "\x00";
  for (int i = 0; i < 8; ++i) group += std::string("\x00\x0f", 2);
  std::string body;
  for (int i = 0; i < (4 << 20); ++i) body += group;
  for (size_t i = 4; i < stream.size(); ++i) stream[i] = static_cast<char>(stream[i] ^ 0x71);
  for (char& c : body) c = static_cast<char>(c ^ 0x71);
  Put(dir / "zeros.s", stream + body);
  r = InterruptWhen({"decompress", "zeros.s", "out"}, options,
                    [&] { return HoldsMoreThan(dir.path(), 3); }, SIGINT);
  EXPECT_EQ(r.code, 130);
  EXPECT_EQ(Listing(dir.path()), (std::vector<std::string>{"out", "zeros", "zeros.s"}));
  EXPECT_EQ(ReadWholeFile(dir / "out"), "the old output");
}

// The Windows qrpack.exe under wine, whose SIGINT reaches the program as
// Ctrl+C: its console handler removes the temporary file the same way.
TEST(Interruption, TheWindowsBuildRemovesItsTemporaryFilesOnCtrlC) {
  const std::string exe = BinaryDir() + "/win/bin/qrpack.exe";
  const char* src = std::getenv("QR_SOURCE_DIR");
  if (!platform::PathExists(exe) || !src || std::system("command -v wine >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "no Windows build at " << exe;
  ScratchDir dir;
  Put(dir / "out", "the old output");
  Sparse(dir / "zeros", int64_t{1500} << 20);
  ChildOptions options;
  options.program = {std::string(src) + "/cmake/wine-run.sh", exe};
  options.cwd = dir.path();
  ChildResult r = InterruptWhen({"compress", "zeros", "out"}, options,
                                [&] { return HoldsMoreThan(dir.path(), 2); }, SIGINT);
  EXPECT_EQ(r.code, 130);
  EXPECT_NE(r.err.find("qrpack: interrupted"), std::string::npos) << r.err;
  EXPECT_EQ(Listing(dir.path()), (std::vector<std::string>{"out", "zeros"}));
  EXPECT_EQ(ReadWholeFile(dir / "out"), "the old output");
}

// The read-only commands need the temp folder to read the uninstaller's
// name index; when it is missing they say so, and not that a package was
// not made.
TEST(Messages, ReadOnlyCommandsSpeakOfWhatTheyDo) {
  ScratchDir dir;
  Put(dir / "a.txt", "a");
  ASSERT_EQ(Qrpack(dir.path(), Build({"-o", "p.exe", "a.txt"})).code, 0);
  for (const char* cmd : {"list", "verify"}) {
    ChildOptions options;
    options.cwd = dir.path();
    options.tmpdir = dir / "missing";
    ChildResult r = RunQrpackChild({cmd, "p.exe"}, options);
    EXPECT_EQ(r.code, 1) << cmd;
    EXPECT_NE(r.err.find("无法在临时文件夹中解出卸载程序来读取它的文件列表：" + (dir / "missing")),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("没有生成"), std::string::npos) << r.err;
  }
}

#endif

}  // namespace
