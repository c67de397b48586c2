// qrpack compress / decompress and the dispatcher. On Linux every case runs
// the real program as a child process; the Windows build runs the same
// commands in-process (a child under wine would cost seconds per case).

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "cli/cli.h"
#include "codec/memory_codec.h"
#include "platform/files.h"
#include "scratch_dir.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

using Bytes = std::vector<uint8_t>;

namespace {

struct Result {
  int code = -1;
  std::string out;
  std::string err;
};

#ifdef _WIN32
Result RunQrpackWith(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  cli::Io io{out, err};
  Result r;
  r.code = cli::RunQrpack(args, io);
  r.out = out.str();
  r.err = err.str();
  return r;
}
#else
std::string Quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    if (c == '\'') {
      q.append("'\\''");
    } else {
      q.push_back(c);
    }
  }
  q.push_back('\'');
  return q;
}

Result RunQrpackWith(const std::vector<std::string>& args) {
  const char* bin = std::getenv("QR_BINARY_DIR");
  EXPECT_NE(bin, nullptr);
  static ScratchDir io_dir;
  std::string exe = bin ? bin : ".";
  exe.append("/bin/qrpack");
  std::string cmd = Quote(exe);
  for (const std::string& a : args) {
    cmd.push_back(' ');
    cmd.append(Quote(a));
  }
  cmd.append(" >").append(Quote(io_dir / "out")).append(" 2>").append(Quote(io_dir / "err"));
  const int status = std::system(cmd.c_str());
  Result r;
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = ReadWholeFile(io_dir / "out");
  r.err = ReadWholeFile(io_dir / "err");
  return r;
}
#endif

std::string Str(const Bytes& b) { return std::string(b.begin(), b.end()); }

Bytes Sample(size_t n) {
  Bytes v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>((i * i / 7 + i / 300) & 0xFF);
  return v;
}

Bytes Stream(const Bytes& in, int16_t level, const Bytes& key = {}) {
  codec::CodecParams params;
  params.level = level;
  params.code = key;
  Bytes s;
  std::string err;
  EXPECT_TRUE(codec::CompressBuffer(in, params, &s, &err)) << err;
  return s;
}

// Names in the folder, to catch temporary files left behind.
std::vector<std::string> Names(const ScratchDir& dir) {
  std::vector<platform::DirEntry> entries;
  std::string err;
  EXPECT_TRUE(platform::ListDirectory(dir.path(), &entries, &err)) << err;
  std::vector<std::string> names;
  for (const auto& e : entries) names.push_back(e.name);
  std::sort(names.begin(), names.end());
  return names;
}

TEST(Qrpack, CompressWritesTheStreamAndDecompressReadsItBack) {
  ScratchDir dir;
  const Bytes in = Sample(100000);
  const Bytes key = Sample(8192);
  ASSERT_TRUE(WriteWholeFile(dir / "in.bin", Str(in)));
  ASSERT_TRUE(WriteWholeFile(dir / "key", Str(key)));

  Result r = RunQrpackWith({"compress", dir / "in.bin", dir / "s16"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(ReadWholeFile(dir / "s16") == Str(Stream(in, 16)));
  r = RunQrpackWith({"compress", "--key", dir / "key", dir / "in.bin", dir / "sk", "--level", "-1"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(ReadWholeFile(dir / "sk") == Str(Stream(in, -1, key)));

  r = RunQrpackWith({"decompress", dir / "sk", dir / "back", "--key", dir / "key"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(ReadWholeFile(dir / "back") == Str(in));
  EXPECT_EQ(Names(dir), (std::vector<std::string>{"back", "in.bin", "key", "s16", "sk"}));
}

// An input of several chunks is encoded on the threads --jobs gives (by
// default one per core): the stream is the same for every number.
TEST(Qrpack, CompressOnSeveralThreadsWritesTheSameStream) {
  ScratchDir dir;
  const Bytes in = Sample(2 * (1 << 20) + 333333);
  const Bytes key = Sample(8192);
  ASSERT_TRUE(WriteWholeFile(dir / "in", Str(in)));
  ASSERT_TRUE(WriteWholeFile(dir / "key", Str(key)));
  const std::string want = Str(Stream(in, 16, key));
  for (const char* jobs : {"1", "2", "3", "8", ""}) {
    std::vector<std::string> args = {"compress", dir / "in", dir / "s", "--key", dir / "key"};
    if (*jobs) args.insert(args.end(), {"--jobs", jobs});
    Result r = RunQrpackWith(args);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(ReadWholeFile(dir / "s") == want) << "--jobs " << jobs;
  }
}

// A key file longer than any block is read only as far as it can matter; the
// stream is the one the whole key gives.
TEST(Qrpack, LongKeyFile) {
  ScratchDir dir;
  const Bytes in = Sample(120000);
  const Bytes key = Sample(50000);
  ASSERT_TRUE(WriteWholeFile(dir / "in", Str(in)));
  ASSERT_TRUE(WriteWholeFile(dir / "key", Str(key)));
  Result r = RunQrpackWith({"compress", dir / "in", dir / "s", "--key", dir / "key", "--level", "-1"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(ReadWholeFile(dir / "s") == Str(Stream(in, -1, key)));
}

TEST(Qrpack, DecompressAtAnOffsetReplacesALongerOutput) {
  ScratchDir dir;
  const Bytes in = Sample(5000);
  ASSERT_TRUE(WriteWholeFile(dir / "pack", "0123456" + Str(Stream(in, 16)) + "trailing data"));
  ASSERT_TRUE(WriteWholeFile(dir / "安装包.out", std::string(70000, 'x')));
  Result r = RunQrpackWith({"decompress", dir / "pack", dir / "安装包.out", "--offset", "7"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(ReadWholeFile(dir / "安装包.out") == Str(in));
}

TEST(Qrpack, EmptyInputGivesEmptyOutput) {
  ScratchDir dir;
  ASSERT_TRUE(WriteWholeFile(dir / "empty", ""));
  ASSERT_TRUE(WriteWholeFile(dir / "out", "old"));
  Result r = RunQrpackWith({"compress", dir / "empty", dir / "out"});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(ReadWholeFile(dir / "out"), "");
}

TEST(Qrpack, FailuresExitOneAndKeepTheOldOutput) {
  ScratchDir dir;
  ASSERT_TRUE(WriteWholeFile(dir / "out", "old"));
  ASSERT_TRUE(WriteWholeFile(dir / "one", "k"));
  const Bytes s = Stream(Sample(3000), 16);
  ASSERT_TRUE(WriteWholeFile(dir / "cut", Str(Bytes(s.begin(), s.end() - 2))));
  const std::vector<std::vector<std::string>> cases = {
      {"compress", dir / "missing", dir / "out"},
      {"compress", dir.path(), dir / "out"},
      {"compress", dir / "one", dir / "out", "--key", dir / "one"},
      {"compress", dir / "one", dir / "out", "--key", dir / "nokey"},
      {"decompress", dir / "missing", dir / "out"},
      {"decompress", dir / "cut", dir / "out"},
      {"decompress", dir / "cut", dir / "out", "--offset", "100000"},
  };
  for (const auto& args : cases) {
    Result r = RunQrpackWith(args);
    EXPECT_EQ(r.code, 1) << args[0] << " " << args[1];
    EXPECT_EQ(r.err.rfind("qrpack: ", 0), 0u) << r.err;
    EXPECT_EQ(ReadWholeFile(dir / "out"), "old");
  }
  EXPECT_EQ(Names(dir), (std::vector<std::string>{"cut", "one", "out"}));
}

TEST(Qrpack, UsageErrorsExitTwo) {
  ScratchDir dir;
  ASSERT_TRUE(WriteWholeFile(dir / "in", "abc"));
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"frobnicate"},
      {"compress"},
      {"compress", dir / "in"},
      {"compress", dir / "in", dir / "out", "extra"},
      {"compress", dir / "in", dir / "out", "--level"},
      {"compress", dir / "in", dir / "out", "--level", "abc"},
      {"compress", dir / "in", dir / "out", "--level", "32768"},
      {"compress", dir / "in", dir / "out", "--level", "1", "--level", "2"},
      {"compress", dir / "in", dir / "out", "--offset", "3"},
      {"compress", dir / "in", dir / "out", "--jobs", "0"},
      {"compress", dir / "in", dir / "out", "--jobs", "1025"},
      {"compress", dir / "in", dir / "out", "--jobs", "two"},
      {"decompress", dir / "in", dir / "out", "--offset", "-1"},
      {"decompress", dir / "in", dir / "out", "--level", "3"},
  };
  for (const auto& args : cases) {
    Result r = RunQrpackWith(args);
    EXPECT_EQ(r.code, 2) << (args.empty() ? "(none)" : args.back());
    EXPECT_NE(r.err.find("usage: qrpack"), std::string::npos) << r.err;
  }
  EXPECT_FALSE(platform::PathExists(dir / "out"));
}

TEST(Qrpack, Help) {
  Result r = RunQrpackWith({"--help"});
  EXPECT_EQ(r.code, 0);
  EXPECT_NE(r.out.find("qrpack compress INPUT OUTPUT [--level N] [--key FILE]"), std::string::npos);
  EXPECT_NE(r.out.find("qrpack decompress INPUT OUTPUT [--offset N] [--key FILE]"),
            std::string::npos);
  for (const char* cmd : {"compress", "decompress"}) {
    r = RunQrpackWith({cmd, "--help"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out.rfind(std::string("usage: qrpack ") + cmd, 0), 0u) << r.out;
  }
}

}  // namespace
