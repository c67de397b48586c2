// Compact packages from the writer: read back file by file, the same bytes
// for any number of threads, the setup program's capability, and the
// build's stop, progress and refusals as for today's packages.

#include <atomic>
#include <functional>

#include "compact_test_util.h"
#include "gtest/gtest.h"
#include "identity_test_util.h"
#include "package/layout.h"
#include "package/messages.h"
#include "package/package_reader.h"
#include "package/package_writer.h"
#include "package/solid_capability.h"
#include "package/solid_reader.h"
#include "package_test_util.h"

namespace {

using namespace package;
using namespace package_test;
using compact_test::WithSolidMark;
using compact_test::WithoutSolidMark;

// Text-like bytes that compress, but not to nothing.
std::string Compressible(size_t n, uint32_t seed) {
  std::string s(n, ' ');
  for (size_t i = 0; i < n; ++i) {
    seed = seed * 1103515245u + 12345u;
    s[i] = static_cast<char>('a' + (seed >> 16) % 12);
  }
  return s;
}

class SolidPackageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string setup = identity_test::StubImage("setup");
    if (setup.empty()) GTEST_SKIP() << "this build has no setup program";
    container_ = MakeContainerOf(dir_, WithSolidMark(setup), MakeImage(16000, 2));
    save_ = dir_ / "QrSetup.exe";
    char sep = platform::kPathSeparator;
    tree_ = dir_ / "App";
    // Empty files, small ones, and one larger than a read piece.
    for (int i = 0; i < 120; ++i) {
      std::string data = i % 6 == 0 ? "" : Compressible(static_cast<size_t>(i) * 97, static_cast<uint32_t>(i));
      std::string path = tree_;
      path.append(1, sep).append("d").append(std::to_string(i % 5)).append(1, sep);
      path.append("文件").append(std::to_string(i)).append(".txt");
      PutFile(path, data);
    }
    PutFile(tree_ + sep + "big.bin", Compressible(3 << 20, 99));
  }
  PackageRequest Request(Compression compression, int jobs = 2) {
    PackageRequest r = DefaultRequest(container_.path, save_);
    r.entries = {RowFor(tree_, entries::Directory)};
    r.compression = compression;
    r.jobs = jobs;
    return r;
  }
  BuildResult Build(const PackageRequest& r) {
    progress_ = RecordingProgress();
    return MakePackage(r, progress_);
  }
  // Every record's bytes, through the reader's DecodeRecord in order.
  std::vector<std::string> Decoded(PackageReader& reader) {
    std::vector<std::string> out;
    for (size_t i = 0; i < reader.contents().files.size(); ++i) {
      std::string data, err;
      auto sink = [&](const uint8_t* p, size_t n, std::string*) {
        data.append(reinterpret_cast<const char*>(p), n);
        return true;
      };
      EXPECT_TRUE(reader.DecodeRecord(i, sink, nullptr, &err)) << i << ": " << err;
      out.push_back(data);
    }
    return out;
  }

  ScratchDir dir_, tmp_;
  TempFolderOverride temp_override_{tmp_.path()};
  Container container_;
  std::string save_, tree_;
  RecordingProgress progress_;
};

TEST_F(SolidPackageTest, HoldsTheSameFilesAsTodaysPackageInOneFrame) {
  ASSERT_EQ(Build(Request(Compression::kLzss)).outcome, BuildOutcome::kWritten);
  PackageReader lzss;
  std::string err;
  ASSERT_TRUE(lzss.Open(save_, &err)) << err;
  std::vector<std::string> expected = Decoded(lzss);
  std::vector<FileRecord> expected_records = lzss.contents().files;
  const int64_t lzss_size = lzss.contents().file_size;

  std::string compact_path = dir_ / "compact.exe";
  PackageRequest r = Request(Compression::kSolid);
  r.properties.save_path = compact_path;
  BuildResult result = Build(r);
  ASSERT_EQ(result.outcome, BuildOutcome::kWritten) << result.message;
  EXPECT_EQ(progress_.maximum, static_cast<float>(progress_.advanced));
  PackageReader compact;
  ASSERT_TRUE(compact.Open(compact_path, &err)) << err;
  const PackageContents& c = compact.contents();
  EXPECT_TRUE(c.solid);
  EXPECT_EQ(c.option_union & kSolidFlag, kSolidFlag);
  ASSERT_EQ(c.files.size(), expected_records.size());
  EXPECT_EQ(c.solid_files, c.files.size() - 1);
  ASSERT_EQ(c.frames.size(), 1u);
  EXPECT_EQ(c.frames[0].files, static_cast<int32_t>(c.solid_files));
  for (size_t i = 0; i < c.files.size(); ++i) {
    EXPECT_EQ(c.files[i].rel_path_gbk, expected_records[i].rel_path_gbk) << i;
    EXPECT_EQ(c.files[i].size(), expected_records[i].size()) << i;
  }
  EXPECT_EQ(c.trailer.total, lzss.contents().trailer.total);
  std::vector<std::string> decoded = Decoded(compact);
  ASSERT_EQ(decoded.size(), expected.size());
  for (size_t i = 0; i + 1 < decoded.size(); ++i) EXPECT_TRUE(decoded[i] == expected[i]) << i;
  // The uninstaller's record is today's: the same program with the same index.
  EXPECT_EQ(decoded.back().size(), expected.back().size());
  EXPECT_TRUE(compact.VerifyDigest(nullptr, nullptr, &err)) << err;
  EXPECT_LT(c.file_size, lzss_size);
}

TEST_F(SolidPackageTest, TheSameBytesForAnyNumberOfThreads) {
  ASSERT_EQ(Build(Request(Compression::kSolid, 1)).outcome, BuildOutcome::kWritten);
  std::string one = ReadWholeFile(save_);
  ASSERT_EQ(Build(Request(Compression::kSolid, 5)).outcome, BuildOutcome::kWritten);
  EXPECT_TRUE(ReadWholeFile(save_) == one);
}

TEST_F(SolidPackageTest, OnlyEmptyFilesGiveNoFrame) {
  ScratchDir empty;
  PutFile(empty / "a", "");
  PutFile(empty / "b", "");
  PackageRequest r = Request(Compression::kSolid);
  r.entries = {RowFor(empty / "a"), RowFor(empty / "b")};
  ASSERT_EQ(Build(r).outcome, BuildOutcome::kWritten);
  PackageReader reader;
  std::string err;
  ASSERT_TRUE(reader.Open(save_, &err)) << err;
  EXPECT_EQ(reader.contents().solid_files, 2u);
  EXPECT_TRUE(reader.contents().frames.empty());
  EXPECT_EQ(Decoded(reader)[1], "");
}

TEST_F(SolidPackageTest, ASetupProgramWithoutTheMarkIsRefusedAndNothingWritten) {
  PutFile(save_, "the old package");
  struct Case {
    const char* what;
    std::string setup;
  } cases[] = {
      {"a foreign program", MakeImage(20000, 1)},
      {"our program of an earlier version", WithoutSolidMark(identity_test::StubImage("setup"))},
      {"a mark of another layout version", WithSolidMark(identity_test::StubImage("setup"), "2")},
  };
  for (const Case& c : cases) {
    ScratchDir other;
    Container foreign = MakeContainerOf(other, c.setup, MakeImage(16000, 2));
    PackageRequest r = Request(Compression::kSolid);
    r.install_dat = foreign.path;
    BuildResult result = Build(r);
    EXPECT_EQ(result.outcome, BuildOutcome::kFailed) << c.what;
    EXPECT_EQ(result.message, msg::kSetupCannotReadSolid) << c.what;
    EXPECT_TRUE(ReadWholeFile(save_) == "the old package") << c.what;
    // Today's packages still build with it.
    r.compression = Compression::kLzss;
    EXPECT_EQ(Build(r).outcome, BuildOutcome::kWritten) << c.what;
    PutFile(save_, "the old package");
  }
  EXPECT_TRUE(FilesStartingWith(tmp_.path(), "~").empty());
}

TEST_F(SolidPackageTest, TheMarkIsReadFromTheProgramsResources) {
  for (const auto& [image, reads] : std::vector<std::pair<std::string, bool>>{
           {WithSolidMark(identity_test::StubImage("setup")), true},
           {identity_test::StubImage("setup"), true},
           {WithoutSolidMark(identity_test::StubImage("setup")), false},
           {MakeImage(20000, 1), false},
           {WithSolidMark(identity_test::StubImage("setup"), std::string("1\0", 2)), true}}) {
    PutFile(dir_ / "image.exe", image);
    std::string err;
    auto f = platform::File::Open(dir_ / "image.exe", platform::File::Mode::kRead, &err);
    ASSERT_TRUE(f) << err;
    bool found = !reads;
    ASSERT_TRUE(SetupReadsSolid(*f, static_cast<int64_t>(image.size()), &found, &err)) << err;
    EXPECT_EQ(found, reads);
  }
}

TEST_F(SolidPackageTest, StoppedAndFailedBuildsKeepTheOldPackage) {
  PutFile(save_, "the old package");
  std::atomic<bool> stop{false};
  PackageRequest r = Request(Compression::kSolid);
  r.stop = &stop;
  const int64_t programs =
      static_cast<int64_t>(container_.setup_image.size() + container_.uninst_image.size());
  progress_ = RecordingProgress();
  progress_.on_advance = [&] {
    if (progress_.advanced > programs + (1 << 20)) stop = true;
  };
  BuildResult result = MakePackage(r, progress_);
  EXPECT_EQ(result.outcome, BuildOutcome::kStopped);
  EXPECT_EQ(result.message, "");
  EXPECT_LT(progress_.advanced, static_cast<int64_t>(progress_.maximum));

  // A file that grows after it was collected.
  r.stop = nullptr;
  const std::string grown = tree_ + platform::kPathSeparator + "big.bin";
  r.after_collect = [&] { PutFile(grown, Compressible((3 << 20) + 1, 99)); };
  result = Build(r);
  EXPECT_EQ(result.outcome, BuildOutcome::kFailed);
  EXPECT_EQ(result.message, msg::kFileChanged + grown);
  EXPECT_TRUE(ReadWholeFile(save_) == "the old package");
  EXPECT_TRUE(FilesStartingWith(tmp_.path(), "~").empty());
  EXPECT_TRUE(FilesStartingWith(dir_.path(), "QrSetup.tmp").empty());
}

TEST_F(SolidPackageTest, HostileNamesAreRefusedAsForTodaysPackages) {
  char sep = platform::kPathSeparator;
  // A name code page 936 cannot hold (a file every system can create).
  PutFile(tree_ + sep + "\xF0\x9F\x98\x80.txt", "x");
  BuildResult result = Build(Request(Compression::kSolid));
  EXPECT_EQ(result.outcome, BuildOutcome::kFailed);
  EXPECT_EQ(result.message.rfind(msg::kNameNotGbk, 0), 0u) << result.message;
}

}  // namespace
