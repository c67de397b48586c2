// The compact package's reader on packages made by hand: what it reads,
// and the refusals of solid data that does not match its records.

#include <atomic>

#include "compact_test_util.h"
#include "gtest/gtest.h"
#include "package/messages.h"
#include "package/package_reader.h"
#include "package/solid_reader.h"
#include "package_test_util.h"

namespace {

using namespace package;
using namespace compact_test;

class SolidReaderTest : public ::testing::Test {
 protected:
  // Opens bytes as a package; false with the reader's message.
  bool Open(const std::string& bytes, std::string* err) {
    package_test::PutFile(dir_ / "p.exe", bytes);
    return reader_.Open(dir_ / "p.exe", err);
  }
  // Decodes every file of the solid data in order; false at the first failure.
  bool DecodeAll(std::vector<std::string>* out, std::string* err) {
    std::unique_ptr<platform::File> f =
        platform::File::Open(dir_ / "p.exe", platform::File::Mode::kRead, err);
    if (!f) return false;
    SolidReader solid(*f, reader_.contents());
    while (!solid.done()) {
      std::string data;
      auto sink = [&](const uint8_t* p, size_t n, std::string*) {
        data.append(reinterpret_cast<const char*>(p), n);
        return true;
      };
      if (!solid.DecodeNext(sink, nullptr, nullptr, err)) return false;
      out->push_back(data);
    }
    return true;
  }
  // Opens and decodes; the refusal's message, or "" when all went through.
  std::string Refusal(const HandPackage& p) {
    std::string err;
    std::vector<std::string> out;
    if (Open(p.Bytes(), &err) && DecodeAll(&out, &err)) return "";
    return err;
  }

  ScratchDir dir_;
  PackageReader reader_;
  std::vector<HandFile> files_ = {{"a.txt", std::string(70000, 'a') + "end"},
                                  {"empty", ""},
                                  {"dir\\b.bin", std::string(300000, '\x01')},
                                  {"c.txt", "ccc"}};
};

TEST_F(SolidReaderTest, ReadsRecordsAndFramesAndDecodesFileByFile) {
  HandPackage p{files_, OneFrame(files_)};
  std::string err;
  ASSERT_TRUE(Open(p.Bytes(), &err)) << err;
  const PackageContents& c = reader_.contents();
  EXPECT_TRUE(c.solid);
  ASSERT_EQ(c.files.size(), 5u);
  EXPECT_EQ(c.solid_files, 4u);
  ASSERT_EQ(c.frames.size(), 1u);
  EXPECT_EQ(c.frames[0].files, 4);
  EXPECT_EQ(c.frames[0].content_size, 70003 + 300000 + 3);
  EXPECT_EQ(c.files[2].rel_path, "dir\\b.bin");
  EXPECT_EQ(c.files[2].size(), 300000);
  EXPECT_TRUE(c.files[1].solid);
  EXPECT_FALSE(c.files[4].solid);
  std::vector<std::string> out;
  ASSERT_TRUE(DecodeAll(&out, &err)) << err;
  ASSERT_EQ(out.size(), 4u);
  for (size_t i = 0; i < 4; ++i) EXPECT_EQ(out[i], files_[i].data) << i;
}

TEST_F(SolidReaderTest, SeveralFramesAndRandomAccessThroughDecodeRecord) {
  HandPackage p{files_, {{2, ZstdFrame(files_[0].data)}, {1, ZstdFrame(files_[2].data, false)},
                         {1, ZstdFrame(files_[3].data)}}};
  std::string err;
  ASSERT_TRUE(Open(p.Bytes(), &err)) << err;
  ASSERT_EQ(reader_.contents().frames.size(), 3u);
  EXPECT_EQ(reader_.contents().frames[2].first_file, 3u);
  for (size_t i : {3u, 0u, 2u, 3u, 1u}) {
    std::string data;
    auto sink = [&](const uint8_t* b, size_t n, std::string*) {
      data.append(reinterpret_cast<const char*>(b), n);
      return true;
    };
    ASSERT_TRUE(reader_.DecodeRecord(i, sink, nullptr, &err)) << i << err;
    EXPECT_EQ(data, files_[i].data) << i;
  }
}

TEST_F(SolidReaderTest, EmptyFilesNeedNoFrame) {
  std::vector<HandFile> empty = {{"x", ""}, {"y", ""}};
  HandPackage p{empty, OneFrame(empty)};
  ASSERT_EQ(p.frames.size(), 0u);
  EXPECT_EQ(Refusal(p), "");
  EXPECT_EQ(reader_.contents().solid_files, 2u);
  // No files at all: no frame either.
  EXPECT_EQ(Refusal(HandPackage{}), "");
}

TEST_F(SolidReaderTest, RefusesCountsThatDoNotAddUp) {
  const std::string all = files_[0].data + files_[2].data + files_[3].data;
  struct Case {
    const char* what;
    HandPackage p;
    const char* detail;
  } cases[] = {
      {"frames hold fewer files", {files_, {{3, ZstdFrame(files_[0].data + files_[2].data)}}},
       msg::kBadFrameCount},
      {"frames hold more files", {files_, {{5, ZstdFrame(all)}}}, msg::kBadFrameCount},
      {"a frame of no file", {files_, {{0, ZstdFrame("")}, {4, ZstdFrame(all)}}}, msg::kBadFrameCount},
      {"more frames than files", {files_, OneFrame(files_), 5}, msg::kBadFrameCount},
      {"a negative frame count", {files_, OneFrame(files_), -5}, msg::kBadFrameCount},
      {"no frame for data", {files_, {}, 0}, msg::kSolidWithoutFrames},
      {"a frame count past the end", {files_, OneFrame(files_), 1000000}, msg::kBadFrameCount},
  };
  for (const Case& c : cases) {
    std::string err = Refusal(c.p);
    EXPECT_EQ(err.rfind(msg::kPackageDamaged, 0), 0u) << c.what << ": " << err;
    if (c.detail) {
      EXPECT_NE(err.find(c.detail), std::string::npos) << c.what << ": " << err;
    }
  }
}

TEST_F(SolidReaderTest, RefusesFramesThatDecodeToOtherSizes) {
  const std::string all = files_[0].data + files_[2].data + files_[3].data;
  struct Case {
    const char* what;
    std::string frame;
    const char* detail;
  } cases[] = {
      // With the content size in the header the refusal comes on opening.
      {"declares more", ZstdFrame(all + "x"), msg::kFrameContentSize},
      {"declares fewer", ZstdFrame(all.substr(1)), msg::kFrameContentSize},
      // Without it, decoding finds out, before the frame's last file ends.
      {"decodes to more", ZstdFrame(all + "x", false), msg::kFrameLonger},
      {"decodes to fewer", ZstdFrame(all.substr(0, all.size() - 1), false), msg::kFrameShorter},
      {"cut short", ZstdFrame(all).substr(0, ZstdFrame(all).size() - 9), nullptr},
      {"bytes after the frame", ZstdFrame(all) + "junk", msg::kFrameBytesAfter},
      {"a second frame after it", ZstdFrame(all) + ZstdFrame(""), msg::kFrameBytesAfter},
      {"a skippable frame after it", ZstdFrame(all) + SkippableFrame("xx"), msg::kFrameBytesAfter},
      {"a skippable frame first", SkippableFrame("xx") + ZstdFrame(all), msg::kFrameNotZstd},
      {"not zstd at all", std::string(64, 'z'), msg::kFrameNotZstd},
      {"a window of 256 MiB", WithWindowLog(ZstdFrame(all, false), 28), msg::kFrameWindowTooLarge},
      {"a dictionary", WithDictionaryId(ZstdFrame(all, false), 9), msg::kFrameNeedsDictionary},
  };
  for (const Case& c : cases) {
    std::string err = Refusal(HandPackage{files_, {{4, c.frame}}});
    EXPECT_EQ(err.rfind(msg::kPackageDamaged, 0), 0u) << c.what << ": " << err;
    if (c.detail) {
      EXPECT_NE(err.find(c.detail), std::string::npos) << c.what << ": " << err;
    }
  }
}

TEST_F(SolidReaderTest, AWindowOfExactlyTheLimitIsRead) {
  const std::string all = files_[0].data + files_[2].data + files_[3].data;
  EXPECT_EQ(Refusal(HandPackage{files_, {{4, WithWindowLog(ZstdFrame(all, false), kSolidWindowLogMax)}}}),
            "");
}

TEST_F(SolidReaderTest, RefusesUnknownFlagsAndLengthsPastTheEnd) {
  HandPackage unknown{files_, OneFrame(files_)};
  unknown.option_union = 0x200 | 0x400;
  EXPECT_NE(Refusal(unknown).find(msg::kBadOptionUnion), std::string::npos);

  // compLen reaching into the uninstaller's record and the trailer.
  HandPackage long_frame{files_, OneFrame(files_)};
  std::string bytes = long_frame.Bytes();
  const std::string frame = long_frame.frames[0].bytes;
  size_t at = bytes.find(frame) - 4;
  std::string grown = package_test::LeI32(static_cast<int32_t>(frame.size() + 100));
  bytes.replace(at, 4, grown);
  std::string err;
  EXPECT_FALSE(Open(bytes, &err));
  EXPECT_EQ(err.rfind(msg::kPackageDamaged, 0), 0u) << err;
}

// Today's readers accept only the six option bits and the record list's
// flag (0x13F): the union of every compact package has a bit beyond them,
// so they refuse it as damaged before reading a record.
TEST_F(SolidReaderTest, OldReadersSeeAnUnknownOptionBit) {
  HandPackage p{files_, OneFrame(files_)};
  std::string err;
  ASSERT_TRUE(Open(p.Bytes(), &err)) << err;
  EXPECT_NE(static_cast<uint16_t>(reader_.contents().option_union) & ~0x13Fu, 0u);
}

TEST_F(SolidReaderTest, DecodeRecordStartsAnewAfterAFailedWrite) {
  HandPackage p{files_, OneFrame(files_)};
  std::string err;
  ASSERT_TRUE(Open(p.Bytes(), &err)) << err;
  auto full = [](const uint8_t*, size_t, std::string* e) {
    *e = "disk full";
    return false;
  };
  EXPECT_FALSE(reader_.DecodeRecord(0, full, nullptr, &err));
  EXPECT_EQ(err, "disk full");
  std::string data;
  auto sink = [&](const uint8_t* b, size_t n, std::string*) {
    data.append(reinterpret_cast<const char*>(b), n);
    return true;
  };
  ASSERT_TRUE(reader_.DecodeRecord(0, sink, nullptr, &err)) << err;
  EXPECT_EQ(data, files_[0].data);
}

TEST_F(SolidReaderTest, StopsOnCancelAndOnAFailedWriteAndStaysFailed) {
  HandPackage p{files_, OneFrame(files_)};
  std::string err;
  ASSERT_TRUE(Open(p.Bytes(), &err)) << err;
  auto f = platform::File::Open(dir_ / "p.exe", platform::File::Mode::kRead, &err);
  ASSERT_TRUE(f);
  {
    SolidReader solid(*f, reader_.contents());
    std::atomic<bool> cancel{true};
    auto sink = [](const uint8_t*, size_t, std::string*) { return true; };
    EXPECT_FALSE(solid.DecodeNext(sink, nullptr, &cancel, &err));
    EXPECT_EQ(err, msg::kCancelled);
    cancel = false;
    EXPECT_FALSE(solid.DecodeNext(sink, nullptr, &cancel, &err));
  }
  SolidReader solid(*f, reader_.contents());
  auto full = [](const uint8_t*, size_t, std::string* e) {
    *e = "disk full";
    return false;
  };
  EXPECT_FALSE(solid.DecodeNext(full, nullptr, nullptr, &err));
  EXPECT_EQ(err, "disk full");
  // Progress moves with the bytes written, piece by piece.
  SolidReader again(*f, reader_.contents());
  int64_t reported = 0;
  auto sink = [](const uint8_t*, size_t, std::string*) { return true; };
  ASSERT_TRUE(again.DecodeNext(sink, [&](int32_t n) { reported += n; }, nullptr, &err)) << err;
  EXPECT_EQ(reported, 70003);
  EXPECT_EQ(again.next(), 1u);
}

}  // namespace
