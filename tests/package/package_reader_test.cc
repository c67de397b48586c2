// The package reader and the name index reader on sound and damaged input.

#include <random>

#include "gtest/gtest.h"
#include "package/messages.h"
#include "package/name_index.h"
#include "package/package_reader.h"
#include "package/package_writer.h"
#include "package_test_util.h"
#include "platform/text.h"

namespace {

using namespace package;
using namespace package_test;

class ReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    container_ = MakeContainer(dir_);
    char sep = platform::kPathSeparator;
    PutFile(dir_ / "App" + sep + "a.txt", std::string(5000, 'a'));
    PutFile(dir_ / "App" + sep + "中文.txt", "内容");
    PutFile(dir_ / "App" + sep + "empty", "");
    PutFile(dir_ / "run.exe", "program");
    PackageRequest r = DefaultRequest(container_.path, dir_ / "p.exe");
    r.entries = {RowFor(dir_ / "App", entries::Directory), RowFor(dir_ / "run.exe", 1 | 32)};
    RecordingProgress progress;
    ASSERT_EQ(MakePackage(r, progress).outcome, BuildOutcome::kWritten);
    good_ = ReadWholeFile(dir_ / "p.exe");
  }
  ScratchDir dir_, tmp_;
  TempFolderOverride temp_override_{tmp_.path()};
  Container container_;
  std::string good_;
};

TEST_F(ReaderTest, ReadsWhatTheWriterWrote) {
  PackageReader reader;
  std::string err;
  ASSERT_TRUE(reader.Open(dir_ / "p.exe", &err)) << err;
  const PackageContents& c = reader.contents();
  EXPECT_EQ(c.stub_size, static_cast<int64_t>(container_.setup_image.size()));
  ASSERT_TRUE(c.config_parsed);
  EXPECT_EQ(c.config.app_name, "测试");
  EXPECT_EQ(c.config.setup_dir, "QrSetup");
  EXPECT_EQ(c.config.publisher, "Quorin软件工作室");
  EXPECT_EQ(c.config.version, "1.0.0.0");
  EXPECT_EQ(c.option_union, 33);
  ASSERT_EQ(c.options.size(), 2u);
  EXPECT_EQ(c.options[0].bit, 1);
  EXPECT_EQ(c.options[1].bit, 32);
  EXPECT_EQ(c.options[1].name, "run.exe");
  ASSERT_EQ(c.files.size(), 5u);
  EXPECT_EQ(c.files[0].rel_path, "App\\a.txt");
  EXPECT_EQ(c.files[1].rel_path, "App\\empty");
  EXPECT_EQ(c.files[1].compLen, 0);
  EXPECT_EQ(c.files[2].rel_path, "App\\中文.txt");
  EXPECT_EQ(c.files[4].rel_path, "uninst.exe");

  std::string decoded;
  auto sink = [&](const uint8_t* p, size_t n, std::string*) {
    decoded.append(reinterpret_cast<const char*>(p), n);
    return true;
  };
  ASSERT_TRUE(reader.DecodeRecord(0, sink, nullptr, &err)) << err;
  EXPECT_EQ(decoded, std::string(5000, 'a'));
  ASSERT_TRUE(reader.DecodeRecordToFile(4, dir_ / "uninst.out", nullptr, &err)) << err;
  NameIndex index;
  ASSERT_TRUE(ReadNameIndex(dir_ / "uninst.out", &index, &err)) << err;
  EXPECT_EQ(index.image_size, static_cast<int64_t>(container_.uninst_image.size()));
  EXPECT_EQ(index.title, "AppName：测试");
  EXPECT_EQ(index.rel_paths,
            (std::vector<std::string>{"App\\a.txt", "App\\empty", "App\\中文.txt", "run.exe"}));
  EXPECT_TRUE(ReadWholeFile(dir_ / "uninst.out").substr(0, container_.uninst_image.size()) ==
              container_.uninst_image);
}

TEST_F(ReaderTest, AFailedWriteIsReportedAsItsOwnFailureNotAsDamage) {
  PackageReader reader;
  std::string err;
  ASSERT_TRUE(reader.Open(dir_ / "p.exe", &err)) << err;
  auto full_disk = [](const uint8_t*, size_t, std::string* e) {
    *e = "no room on the disk";
    return false;
  };
  EXPECT_FALSE(reader.DecodeRecord(0, full_disk, nullptr, &err));
  EXPECT_EQ(err, "no room on the disk");
}

TEST_F(ReaderTest, EveryCutPackageIsRefusedWithAMessage) {
  std::string path = dir_ / "cut.exe";
  // Lengths through the stub, the records and every byte of the last 64.
  std::vector<size_t> lengths = {0, 11, 12, 4096, 12299, 12300};
  for (size_t n = container_.setup_image.size() - 2; n < good_.size(); n += 13) lengths.push_back(n);
  for (size_t n = good_.size() - 64; n < good_.size(); ++n) lengths.push_back(n);
  for (size_t n : lengths) {
    ASSERT_TRUE(WriteWholeFile(path, good_.substr(0, n)));
    PackageReader reader;
    std::string err;
    ASSERT_FALSE(reader.Open(path, &err)) << n;
    ASSERT_EQ(err.rfind(msg::kPackageDamaged, 0), 0u) << n << ": " << err;
  }
}

TEST_F(ReaderTest, FlippedBytesNeverCrashTheReader) {
  std::string path = dir_ / "flipped.exe";
  std::mt19937 rng(1234);
  size_t opened = 0, refused = 0;
  for (int round = 0; round < 400; ++round) {
    std::string bytes = good_;
    // Most flips land after the stub image, where the package's own data lies.
    size_t at = container_.setup_image.size() +
                rng() % (bytes.size() - container_.setup_image.size());
    bytes[at] = static_cast<char>(bytes[at] ^ (1 + rng() % 255));
    ASSERT_TRUE(WriteWholeFile(path, bytes));
    PackageReader reader;
    std::string err;
    if (!reader.Open(path, &err)) {
      ++refused;
      EXPECT_FALSE(err.empty());
      continue;
    }
    ++opened;
    for (size_t i = 0; i < reader.contents().files.size(); ++i) {
      auto discard = [](const uint8_t*, size_t, std::string*) { return true; };
      reader.DecodeRecord(i, discard, nullptr, &err);
    }
  }
  EXPECT_GT(refused, 0u);
  EXPECT_GT(opened, 0u);
}

TEST_F(ReaderTest, ADamagedNameIndexIsRefused) {
  PackageReader reader;
  std::string err;
  ASSERT_TRUE(reader.Open(dir_ / "p.exe", &err)) << err;
  ASSERT_TRUE(reader.DecodeRecordToFile(4, dir_ / "u.exe", nullptr, &err)) << err;
  std::string u = ReadWholeFile(dir_ / "u.exe");
  std::string lead = msg::kNameIndexDamaged;
  std::string cases[] = {
      u.substr(0, u.size() - 1),                           // U no longer at the end
      u.substr(0, u.size() - 4) + LeI32(12287),            // U inside the key
      u.substr(0, u.size() - 4) + LeI32(static_cast<int32_t>(u.size())),  // U past the index
      u.substr(0, 5000),
  };
  for (const std::string& bytes : cases) {
    PutFile(dir_ / "bad.exe", bytes);
    NameIndex index;
    EXPECT_FALSE(ReadNameIndex(dir_ / "bad.exe", &index, &err));
    EXPECT_EQ(err.rfind(lead, 0), 0u) << err;
  }
  // One name more than the count says.
  PutFile(dir_ / "bad.exe", u.substr(0, u.size() - 4) + std::string("\0\0", 2) + u.substr(u.size() - 4));
  NameIndex index;
  EXPECT_FALSE(ReadNameIndex(dir_ / "bad.exe", &index, &err));
  EXPECT_EQ(err, lead + msg::kBytesAfterNameIndex);
}

// NameIndexSize, which the size limit counts before anything is written,
// is what the writer appends.
TEST_F(ReaderTest, NameIndexSizeIsWhatTheIndexTakes) {
  PackageReader reader;
  std::string err;
  ASSERT_TRUE(reader.Open(dir_ / "p.exe", &err)) << err;
  ASSERT_TRUE(reader.DecodeRecordToFile(4, dir_ / "u.exe", nullptr, &err)) << err;
  NameIndex index;
  ASSERT_TRUE(ReadNameIndex(dir_ / "u.exe", &index, &err)) << err;
  EXPECT_EQ(index.image_size, static_cast<int64_t>(container_.uninst_image.size()));
  int64_t v = 0;
  ASSERT_TRUE(platform::GetFileSize(dir_ / "u.exe", &v, &err));
  EXPECT_EQ(NameIndexSize(platform::ToCodePage936(index.title), index.rel_paths_gbk),
            v - index.image_size);
}

TEST(ConfigText, FormatAndParseAgree) {
  ConfigValues v{"名", "Dir", "", "1"};
  std::string text = FormatConfigText(v);
  EXPECT_EQ(text, "AppName：名\r\nSetupDir：Dir\r\nPublisher：\r\nVersion：1");
  ConfigValues back;
  ASSERT_TRUE(ParseConfigText(text, &back));
  EXPECT_EQ(back.app_name, "名");
  EXPECT_EQ(back.publisher, "");
  EXPECT_EQ(back.version, "1");
  EXPECT_FALSE(ParseConfigText("AppName：x\r\nVersion：1", &back));
}

}  // namespace
