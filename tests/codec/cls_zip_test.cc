// clsZip on real files: appending streams, decoding at offsets, the output
// file's fate, progress and stop through the class, and bad input.

#include "codec/cls_zip.h"

#include <gtest/gtest.h>

#include <thread>

#include "codec/codec_messages.h"
#include "codec/file_codec.h"
#include "codec_test_util.h"
#include "scratch_dir.h"

using Bytes = std::vector<uint8_t>;
using platform::File;

namespace {

std::string Str(const Bytes& b) { return std::string(b.begin(), b.end()); }
Bytes FileBytes(const std::string& path) {
  const std::string s = ReadWholeFile(path);
  return Bytes(s.begin(), s.end());
}

// Compresses input_path onto the end of the file at out_path.
int32_t AppendStream(clsZip& zip, const std::string& input_path, const std::string& out_path,
                     std::span<const uint8_t> code = {}) {
  std::string err;
  auto out = File::Open(out_path, platform::PathExists(out_path) ? File::Mode::kReadWrite
                                                                 : File::Mode::kCreateTruncate,
                        &err);
  EXPECT_TRUE(out) << err;
  int32_t compLen = -1;
  EXPECT_TRUE(zip.Compress(input_path, *out, code, 16, &compLen, &err)) << err;
  EXPECT_TRUE(out->Close(&err)) << err;
  return compLen;
}

TEST(ClsZip, CompressAppendsAtTheEndAndDecompressReadsAtAnOffset) {
  ScratchDir dir;
  const Bytes a = codec_test::TextBytes(100000, 1);
  const Bytes b = codec_test::ProgramBytes(50000);
  ASSERT_TRUE(WriteWholeFile(dir / "a", Str(a)));
  ASSERT_TRUE(WriteWholeFile(dir / "b", Str(b)));
  ASSERT_TRUE(WriteWholeFile(dir / "pack", "LEAD"));
  const Bytes code = codec_test::Code8192();
  clsZip zip;
  const int32_t la = AppendStream(zip, dir / "a", dir / "pack", code);
  const int32_t lb = AppendStream(zip, dir / "b", dir / "pack", code);
  const Bytes pack = FileBytes(dir / "pack");
  ASSERT_EQ(pack.size(), 4u + 4 + la + 4 + lb);
  EXPECT_EQ(Str(Bytes(pack.begin(), pack.begin() + 4)), "LEAD");
  EXPECT_EQ(Bytes(pack.begin() + 4, pack.begin() + 8 + la), codec_test::Compress(a, 16, code));

  std::string err;
  ASSERT_TRUE(zip.Decompress(dir / "pack", dir / "a.out", code, 4, &err)) << err;
  EXPECT_EQ(FileBytes(dir / "a.out"), a);
  ASSERT_TRUE(zip.Decompress(dir / "pack", dir / "b.out", code, 8 + la, &err)) << err;
  EXPECT_EQ(FileBytes(dir / "b.out"), b);

  int32_t size = 0;
  ASSERT_TRUE(zip.GetOriginalSize(dir / "pack", &size, &err));
  EXPECT_EQ(size, 0x4441454C);  // "LEAD"
  ASSERT_TRUE(WriteWholeFile(dir / "single", ""));
  AppendStream(zip, dir / "a", dir / "single");
  ASSERT_TRUE(zip.GetOriginalSize(dir / "single", &size, &err));
  EXPECT_EQ(size, 100000);
}

TEST(ClsZip, MissingOrEmptyInputWritesNothing) {
  ScratchDir dir;
  ASSERT_TRUE(WriteWholeFile(dir / "pack", "xyz"));
  ASSERT_TRUE(WriteWholeFile(dir / "empty", ""));
  std::string err;
  ASSERT_TRUE(platform::CreateDirectories(dir / "folder", &err)) << err;
  clsZip zip;
  EXPECT_EQ(AppendStream(zip, dir / "missing", dir / "pack"), 0);
  EXPECT_EQ(AppendStream(zip, dir / "empty", dir / "pack"), 0);
  EXPECT_EQ(AppendStream(zip, dir / "folder", dir / "pack"), 0);
  EXPECT_EQ(AppendStream(zip, "", dir / "pack"), 0);
  EXPECT_EQ(ReadWholeFile(dir / "pack"), "xyz");
}

TEST(ClsZip, DecompressCutsALongerOldOutput) {
  ScratchDir dir;
  const Bytes a = codec_test::TextBytes(5000, 2);
  ASSERT_TRUE(WriteWholeFile(dir / "a", Str(a)));
  clsZip zip;
  AppendStream(zip, dir / "a", dir / "s");
  ASSERT_TRUE(WriteWholeFile(dir / "out", std::string(90000, 'Q')));
  std::string err;
  ASSERT_TRUE(zip.Decompress(dir / "s", dir / "out", {}, 0, &err)) << err;
  EXPECT_EQ(FileBytes(dir / "out"), a);
}

TEST(ClsZip, BadStreamsFailAndLeaveNoOutput) {
  ScratchDir dir;
  const Bytes a = codec_test::TextBytes(100000, 3);
  ASSERT_TRUE(WriteWholeFile(dir / "a", Str(a)));
  clsZip zip;
  AppendStream(zip, dir / "a", dir / "s");
  Bytes s = FileBytes(dir / "s");
  ASSERT_TRUE(WriteWholeFile(dir / "cut", Str(Bytes(s.begin(), s.end() - 1))));
  std::string err;
  EXPECT_FALSE(zip.Decompress(dir / "cut", dir / "out", {}, 0, &err));
  EXPECT_NE(err.find(codec::msg::kTruncated), std::string::npos) << err;
  EXPECT_FALSE(platform::PathExists(dir / "out"));

  // Offsets outside the file, and a header cut short, fail before the
  // output is touched.
  ASSERT_TRUE(WriteWholeFile(dir / "old", "keep"));
  for (int64_t off : {int64_t{-1}, int64_t(s.size()) - 3, int64_t(s.size()) + 1}) {
    err.clear();
    EXPECT_FALSE(zip.Decompress(dir / "s", dir / "old", {}, off, &err)) << off;
    EXPECT_FALSE(err.empty());
    EXPECT_EQ(ReadWholeFile(dir / "old"), "keep");
  }
  EXPECT_FALSE(zip.Decompress(dir / "missing", dir / "old", {}, 0, &err));
  EXPECT_FALSE(zip.Decompress(dir / "s", "", {}, 0, &err));
  EXPECT_EQ(err, codec::msg::kNoOutputName);
  // The output may not be the input: that would destroy the stream.
  EXPECT_FALSE(zip.Decompress(dir / "s", dir / "s", {}, 0, &err));
  EXPECT_EQ(FileBytes(dir / "s"), s);
}

TEST(ClsZip, ProgressAndStop) {
  ScratchDir dir;
  const Bytes a = codec_test::RandomBytes(150000, 4);
  ASSERT_TRUE(WriteWholeFile(dir / "a", Str(a)));
  clsZip zip;
  std::vector<int32_t> seen;
  zip.FileProgress = [&](int32_t n) { seen.push_back(n); };
  AppendStream(zip, dir / "a", dir / "s");
  EXPECT_EQ(seen, (std::vector<int32_t>{40960, 40960, 40960, 27120}));
  seen.clear();
  std::string err;
  ASSERT_TRUE(zip.Decompress(dir / "s", dir / "out", {}, 0, &err)) << err;
  EXPECT_EQ(seen, (std::vector<int32_t>{40960, 40960, 40960, 27120}));

  // A stop asked for from the progress handler: Compress stops after its
  // second read, Decompress after its first full write.
  zip.FileProgress = [&](int32_t) { zip.StopProcess(); };
  auto out = File::Open(dir / "t", File::Mode::kCreateTruncate, &err);
  ASSERT_TRUE(out) << err;
  int32_t compLen = -1;
  bool stopped = false;
  ASSERT_TRUE(zip.Compress(dir / "a", *out, {}, 16, &compLen, &err, &stopped)) << err;
  EXPECT_TRUE(stopped);
  EXPECT_EQ(compLen, 0);
  ASSERT_TRUE(zip.Decompress(dir / "s", dir / "out", {}, 0, &err, &stopped)) << err;
  EXPECT_TRUE(stopped);
  EXPECT_EQ(FileBytes(dir / "out"), Bytes(a.begin(), a.begin() + 40960));
  // A request made between calls is cleared by the next call.
  zip.FileProgress = nullptr;
  zip.StopProcess();
  ASSERT_TRUE(zip.Decompress(dir / "s", dir / "out", {}, 0, &err, &stopped)) << err;
  EXPECT_FALSE(stopped);
  EXPECT_EQ(FileBytes(dir / "out"), a);
}

// With several threads for one large input: the same stream, the same
// progress counts on the calling thread, and a stop asked for in the third
// report ends the call there with the header and full blocks written.
TEST(ClsZip, CompressOnThreads) {
  ScratchDir dir;
  const Bytes a = codec_test::TextBytes(3 * (1 << 20) + 12345, 6);
  ASSERT_TRUE(WriteWholeFile(dir / "a", Str(a)));
  const Bytes code = codec_test::Code8192();
  clsZip zip;
  zip.m_jobs = 3;
  const std::thread::id caller = std::this_thread::get_id();
  std::vector<int32_t> seen;
  zip.FileProgress = [&](int32_t n) {
    EXPECT_EQ(std::this_thread::get_id(), caller);
    seen.push_back(n);
  };
  AppendStream(zip, dir / "a", dir / "s", code);
  const Bytes whole = codec_test::Compress(a, 16, code);
  EXPECT_EQ(FileBytes(dir / "s"), whole);
  std::vector<int32_t> want(a.size() / 40960, 40960);
  want.push_back(static_cast<int32_t>(a.size() % 40960));
  EXPECT_EQ(seen, want);

  seen.clear();
  zip.FileProgress = [&](int32_t n) {
    seen.push_back(n);
    if (seen.size() == 3) zip.StopProcess();
  };
  std::string err;
  auto out = File::Open(dir / "t", File::Mode::kCreateTruncate, &err);
  ASSERT_TRUE(out) << err;
  int32_t compLen = -1;
  bool stopped = false;
  ASSERT_TRUE(zip.Compress(dir / "a", *out, code, 16, &compLen, &err, &stopped)) << err;
  ASSERT_TRUE(out->Close(&err)) << err;
  EXPECT_TRUE(stopped);
  EXPECT_EQ(compLen, 0);
  EXPECT_EQ(seen.size(), 3u);
  const Bytes t = FileBytes(dir / "t");
  ASSERT_GE(t.size(), 4u);
  EXPECT_EQ((t.size() - 4) % 40960, 0u);
  EXPECT_TRUE(std::equal(t.begin(), t.end(), whole.begin()));
}

TEST(DecodeFromFile, KnownLengthAndSink) {
  ScratchDir dir;
  const Bytes a = codec_test::TextBytes(60000, 5);
  ASSERT_TRUE(WriteWholeFile(dir / "a", Str(a)));
  ASSERT_TRUE(WriteWholeFile(dir / "pack", "HEAD"));
  clsZip zip;
  const int32_t la = AppendStream(zip, dir / "a", dir / "pack");
  AppendStream(zip, dir / "a", dir / "pack");  // more data after the stream
  std::string err;
  auto in = File::Open(dir / "pack", File::Mode::kRead, &err);
  ASSERT_TRUE(in) << err;
  Bytes got;
  codec::WriteFn sink = [&](const uint8_t* p, size_t n, std::string*) {
    got.insert(got.end(), p, p + n);
    return true;
  };
  int32_t size = 0;
  bool stopped = false;
  ASSERT_TRUE(codec::DecodeFromFile(*in, 4, int64_t{4} + la, sink, {}, &size, &stopped, &err))
      << err;
  EXPECT_EQ(size, 60000);
  EXPECT_EQ(got, a);
  // A recorded length one short or one long is caught.
  EXPECT_FALSE(codec::DecodeFromFile(*in, 4, int64_t{3} + la, sink, {}, &size, &stopped, &err));
  EXPECT_FALSE(codec::DecodeFromFile(*in, 4, int64_t{5} + la, sink, {}, &size, &stopped, &err));
  // A length past the end of the file.
  EXPECT_FALSE(codec::DecodeFromFile(*in, 4, int64_t{1} << 40, sink, {}, &size, &stopped, &err));
  // A sink that fails ends the decode with its message.
  codec::WriteFn failing = [](const uint8_t*, size_t, std::string* e) {
    *e = "sink full";
    return false;
  };
  EXPECT_FALSE(codec::DecodeFromFile(*in, 4, std::nullopt, failing, {}, &size, &stopped, &err));
  EXPECT_NE(err.find("sink full"), std::string::npos);
}

}  // namespace
