// The parallel record writer: the same bytes for every number of threads and
// every memory budget, the first failure in file order, nothing left behind.

#include <random>

#include "codec/memory_codec.h"
#include "gtest/gtest.h"
#include "package/layout.h"
#include "package/messages.h"
#include "package/package_writer.h"
#include "package/record_pipeline.h"
#include "package_test_util.h"

namespace {

using namespace package;
using namespace package_test;

// Text-like and noisy runs mixed, so records compress to different lengths.
std::string Content(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::string s;
  s.reserve(n);
  const std::string words[] = {"alpha ", "beta ", "gamma\r\n", "delta ", "0123456789"};
  while (s.size() < n) {
    if (rng() % 3 == 0) {
      for (int i = 0; i < 64 && s.size() < n; ++i) s.push_back(static_cast<char>(rng()));
    } else {
      s += words[rng() % 5];
    }
  }
  s.resize(n);
  return s;
}

// Names in the tree: f000, f001, ... (sorted as written).
std::string FileName(int i) {
  char name[16];
  std::snprintf(name, sizeof name, "f%03d", i);
  return name;
}

class RecordPipelineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string image = MakeImage(kMinImageSize, 9);
    std::string k = KeyOf(image);
    std::copy(k.begin(), k.end(), key_.begin());
    // Many small files, empty ones, three larger than the lowered budget,
    // and one name twice.
    for (int i = 0; i < 120; ++i) {
      size_t size = i % 17 == 0 ? 0 : (i * 131) % 6000;
      if (i == 7 || i == 60 || i == 119) size = 150000 + static_cast<size_t>(i) * 1000;
      std::string path = in_ / FileName(i);
      contents_.push_back(Content(size, static_cast<uint32_t>(i)));
      PutFile(path, contents_.back());
      jobs_.push_back({i == 31 ? std::string("App\\f030") : "App\\" + FileName(i), path,
                       static_cast<int64_t>(size)});
    }
  }

  // The records as a one-thread encoder makes them, from the memory codec.
  std::string Expected() {
    std::string out = "HEAD";
    codec::CodecParams params;
    params.code = std::span<const uint8_t>(key_);
    params.level = codec::kCompressLevel;
    std::string k(key_.begin(), key_.end());
    for (size_t i = 0; i < jobs_.size(); ++i) {
      std::vector<uint8_t> stream;
      std::string err;
      const std::string& c = contents_[i];
      EXPECT_TRUE(codec::CompressBuffer({reinterpret_cast<const uint8_t*>(c.data()), c.size()}, params,
                                        &stream, &err)) << err;
      int32_t compLen = stream.empty() ? 0 : static_cast<int32_t>(stream.size()) - 4;
      out += HandCoded(jobs_[i].name_gbk, k) + LeI32(compLen) +
             (stream.empty() ? LeI32(0) : std::string(stream.begin(), stream.end()));
    }
    return out;
  }

  // Writes the records after a 4-byte head into out/p.exe and returns them.
  // split_from > 0 splits the files of that size or more into chunks of
  // 20000 bytes.
  bool Write(int threads, int64_t budget, std::string* bytes, std::string* err,
             const std::string& save_path = "", int64_t split_from = 0) {
    std::string path = out_ / "p.exe";
    PutFile(path, "HEAD");
    auto f = platform::File::Open(path, platform::File::Mode::kReadWrite, err);
    if (!f) return false;
    int64_t end = 4;
    RecordTarget target{f.get(), &end, &key_, save_path.empty() ? path : save_path, &progress_, budget};
    if (split_from > 0) {
      target.parallel_min_size = split_from;
      target.parallel_chunk = 20000;
    }
    target.files_split = &files_split_;
    bool ok = WriteRecords(jobs_, threads, target, err);
    f.reset();
    *bytes = ReadWholeFile(path);
    platform::RemoveFile(path, nullptr);
    return ok;
  }

  void ExpectOutFolderEmpty() {
    std::vector<platform::DirEntry> entries;
    platform::ListDirectory(out_.path(), &entries, nullptr);
    for (const auto& e : entries) ADD_FAILURE() << "left behind: " << e.name;
  }

  ScratchDir in_, out_;
  XorKey key_{};
  std::vector<std::string> contents_;
  std::vector<RecordJob> jobs_;
  RecordingProgress progress_;
  int files_split_ = 0;
};

TEST_F(RecordPipelineTest, EveryThreadCountAndBudgetGivesTheOneThreadBytes) {
  const std::string expected = Expected();
  int64_t payload = 0;
  for (const RecordJob& j : jobs_) payload += j.size;
  struct Case {
    int threads;
    int64_t budget;
  };
  // A zero budget sends every record that is not next in line to a
  // temporary file; 100000 bytes lets the small ones stay in memory.
  for (Case c : {Case{1, kMemoryBudget}, Case{2, kMemoryBudget}, Case{3, 100000}, Case{8, kMemoryBudget},
                 Case{2, 0}, Case{8, 0}}) {
    progress_.advanced = 0;
    std::string bytes, err;
    ASSERT_TRUE(Write(c.threads, c.budget, &bytes, &err)) << err;
    EXPECT_TRUE(SameBytes(bytes, expected)) << c.threads << " threads, budget " << c.budget;
    EXPECT_EQ(progress_.advanced, payload) << c.threads << " threads";
    ExpectOutFolderEmpty();
  }
}

// The three large files are split among the workers (one at a time); the
// bytes stay those of one thread.
TEST_F(RecordPipelineTest, LargeFilesSplitAmongTheWorkersGiveTheOneThreadBytes) {
  const std::string expected = Expected();
  int64_t payload = 0;
  for (const RecordJob& j : jobs_) payload += j.size;
  for (int threads : {2, 3, 8}) {
    for (int64_t budget : {kMemoryBudget, int64_t{0}}) {
      progress_.advanced = 0;
      files_split_ = 0;
      std::string bytes, err;
      ASSERT_TRUE(Write(threads, budget, &bytes, &err, "", 100000)) << err;
      EXPECT_TRUE(SameBytes(bytes, expected)) << threads << " threads, budget " << budget;
      EXPECT_EQ(progress_.advanced, payload) << threads << " threads";
      EXPECT_GE(files_split_, 1) << threads << " threads";
      ExpectOutFolderEmpty();
    }
  }
  // One file alone, and one thread: nothing to split it for.
  files_split_ = 0;
  std::string bytes, err;
  ASSERT_TRUE(Write(1, kMemoryBudget, &bytes, &err, "", 100000)) << err;
  EXPECT_EQ(files_split_, 0);
  jobs_ = {jobs_[60]};
  contents_ = {contents_[60]};
  ASSERT_TRUE(Write(2, kMemoryBudget, &bytes, &err, "", 100000)) << err;
  EXPECT_TRUE(SameBytes(bytes, Expected()));
  EXPECT_EQ(files_split_, 1);
}

// A failure of the file being split, or of a file after it, while the
// workers share its chunks: the first in file order is reported.
TEST_F(RecordPipelineTest, FailuresWhileAFileIsSplit) {
  PutFile(jobs_[90].source, "changed");
  for (int threads : {2, 8}) {
    std::string bytes, err;
    EXPECT_FALSE(Write(threads, 0, &bytes, &err, "", 100000));
    EXPECT_EQ(err, msg::kFileChanged + jobs_[90].source) << threads << " threads";
    ExpectOutFolderEmpty();
  }
  PutFile(jobs_[60].source, contents_[60].substr(1));
  for (int threads : {2, 8}) {
    std::string bytes, err;
    EXPECT_FALSE(Write(threads, 0, &bytes, &err, "", 100000));
    EXPECT_EQ(err, msg::kFileChanged + jobs_[60].source) << threads << " threads";
    ExpectOutFolderEmpty();
  }
}

TEST_F(RecordPipelineTest, TheFirstFailureInFileOrderIsReported) {
  // Record 90 vanishes, record 40 changes size: 40 is reported whatever
  // finishes first.
  platform::RemoveFile(jobs_[90].source, nullptr);
  PutFile(jobs_[40].source, "changed");
  for (int threads : {1, 2, 8}) {
    std::string bytes, err;
    EXPECT_FALSE(Write(threads, 0, &bytes, &err));
    EXPECT_EQ(err, msg::kFileChanged + jobs_[40].source) << threads << " threads";
    ExpectOutFolderEmpty();
  }
  PutFile(jobs_[40].source, contents_[40]);
  std::string bytes, err;
  EXPECT_FALSE(Write(3, 0, &bytes, &err));
  EXPECT_EQ(err.rfind(msg::kFileUnreadable + jobs_[90].source, 0), 0u) << err;
  ExpectOutFolderEmpty();
}

TEST_F(RecordPipelineTest, ATemporaryFileThatCannotBeMadeFailsTheWrite) {
  // Temporary files go beside the save path; its folder does not exist.
  std::string save = out_ / "missing" + platform::kPathSeparator + "p.exe";
  std::string bytes, err;
  EXPECT_FALSE(Write(4, 0, &bytes, &err, save));
  EXPECT_EQ(err.rfind(msg::kWriteFailed + save, 0), 0u) << err;
  ExpectOutFolderEmpty();
}

class ParallelBuildTest : public ::testing::Test {
 protected:
  void SetUp() override {
    container_ = MakeContainer(dir_);
    save_ = out_ / "QrSetup.exe";
    char sep = platform::kPathSeparator;
    for (int i = 0; i < 60; ++i) {
      size_t size = i % 13 == 0 ? 0 : static_cast<size_t>(i) * 377;
      if (i == 20) size = 300000;
      PutFile(dir_ / "App" + sep + "d" + std::to_string(i % 4) + sep + FileName(i),
              Content(size, static_cast<uint32_t>(i + 1000)));
    }
  }
  std::string Path(int i) {
    char sep = platform::kPathSeparator;
    return dir_ / "App" + sep + "d" + std::to_string(i % 4) + sep + FileName(i);
  }
  PackageRequest Request(int jobs) {
    PackageRequest r = DefaultRequest(container_.path, save_);
    r.entries = {RowFor(dir_ / "App", entries::Directory), RowFor(Path(3))};
    r.jobs = jobs;
    return r;
  }
  void ExpectNoTemporaries() {
    EXPECT_TRUE(FilesStartingWith(tmp_.path(), "~").empty());
    std::vector<platform::DirEntry> entries;
    platform::ListDirectory(out_.path(), &entries, nullptr);
    for (const auto& e : entries) EXPECT_EQ(e.name, "QrSetup.exe");
  }

  ScratchDir dir_, out_, tmp_;
  TempFolderOverride temp_override_{tmp_.path()};
  Container container_;
  std::string save_;
};

TEST_F(ParallelBuildTest, ThePackageIsTheSameForEveryJobCountAndTheBarEndsFull) {
  std::string first;
  for (int jobs : {1, 2, 3, 8}) {
    RecordingProgress progress;
    BuildResult r = MakePackage(Request(jobs), progress);
    ASSERT_EQ(r.outcome, BuildOutcome::kWritten) << r.message;
    std::string bytes = ReadWholeFile(save_);
    if (first.empty()) first = bytes;
    else EXPECT_TRUE(SameBytes(bytes, first)) << jobs << " jobs";
    EXPECT_EQ(progress.bar.Value, progress.bar.Max) << jobs << " jobs";
    EXPECT_EQ(static_cast<float>(progress.advanced), progress.maximum) << jobs << " jobs";
    ExpectNoTemporaries();
  }
}

// A payload of one file large enough to be split with the default sizes.
TEST_F(ParallelBuildTest, OneLargeFileIsTheSamePackageForEveryJobCount) {
  const std::string big = dir_ / "big.bin";
  PutFile(big, Content(static_cast<size_t>(kParallelMinSize) + 54321, 77));
  std::string first;
  for (int jobs : {1, 2, 3}) {
    PackageRequest r = DefaultRequest(container_.path, save_);
    r.entries = {RowFor(big)};
    r.jobs = jobs;
    RecordingProgress progress;
    BuildResult result = MakePackage(r, progress);
    ASSERT_EQ(result.outcome, BuildOutcome::kWritten) << result.message;
    std::string bytes = ReadWholeFile(save_);
    if (first.empty()) first = bytes;
    else EXPECT_TRUE(SameBytes(bytes, first)) << jobs << " jobs";
    EXPECT_EQ(progress.bar.Value, progress.bar.Max) << jobs << " jobs";
    ExpectNoTemporaries();
  }
}

TEST_F(ParallelBuildTest, AFileRemovedMidBuildIsNamedAndTheOldPackageKept) {
  PutFile(save_, "the old package");
  for (int jobs : {2, 8}) {
    PackageRequest r = Request(jobs);
    // Files are stored d0/f000, d0/f004, ... then d1/...: f009 (in d1)
    // comes before f002 (in d2).
    r.after_collect = [&] {
      platform::RemoveFile(Path(2), nullptr);
      platform::RemoveFile(Path(9), nullptr);
    };
    RecordingProgress progress;
    BuildResult result = MakePackage(r, progress);
    EXPECT_EQ(result.outcome, BuildOutcome::kFailed);
    EXPECT_EQ(result.message.rfind(msg::kFileUnreadable + Path(9), 0), 0u) << result.message;
    EXPECT_TRUE(ReadWholeFile(save_) == "the old package");
    ExpectNoTemporaries();
    PutFile(Path(2), Content(2 * 377, 1002));
    PutFile(Path(9), Content(9 * 377, 1009));
  }
}

}  // namespace
