// Install options on files inside folder rows and on several files: the
// option record list, its bytes, its refusals and reading it back.

#include <string>

#include "gtest/gtest.h"
#include "package/layout.h"
#include "package/messages.h"
#include "package/package_reader.h"
#include "package/package_writer.h"
#include "package_test_util.h"

namespace {

using namespace package;
using namespace package_test;

class OptionListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    container_ = MakeContainer(dir_);
    save_ = out_ / "QrSetup.exe";
    PutDir(out_.path());
    char sep = platform::kPathSeparator;
    app_ = dir_ / "App";
    PutFile(dir_ / "readme.txt", "read me");
    PutFile(app_ + sep + "b.txt", "b");
    PutFile(app_ + sep + "sub" + sep + "c.exe", "c");
    PutFile(app_ + sep + "tools" + sep + "c.exe", "other c");
  }
  PackageRequest Request(std::vector<FileOption> options, int32_t readme_flags = 0) {
    PackageRequest r = DefaultRequest(container_.path, save_);
    r.entries = {RowFor(dir_ / "readme.txt", readme_flags), RowFor(app_, entries::Directory)};
    r.file_options = std::move(options);
    return r;
  }
  BuildResult Build(const PackageRequest& r) { return MakePackage(r, progress_); }
  // The bytes from the option union to the first file record.
  std::string OptionBytes() {
    PackageReader reader;
    std::string err;
    EXPECT_TRUE(reader.Open(save_, &err)) << err;
    std::string bytes = ReadWholeFile(save_);
    size_t config_end = reader.contents().stub_size + 2 + reader.contents().config_text_gbk.size();
    size_t records = static_cast<size_t>(reader.contents().files[0].compLenOffset) -
                     HandCoded("readme.txt", "").size();
    return bytes.substr(config_end, records - config_end);
  }

  ScratchDir dir_, out_;
  Container container_;
  std::string save_, app_;
  RecordingProgress progress_;
};

TEST_F(OptionListTest, FilesInsideFoldersAndSharedOptionsGoIntoTheRecordList) {
  // Rows' options first, then the files' in payload order, bits ascending;
  // a file is found whatever its letter case.
  BuildResult result = Build(Request({{entries::AddDesktopcut, "App\\sub\\c.exe"},
                                      {entries::AddToPrograms, "app\\B.TXT"},
                                      {entries::AddDesktopcut, "App\\b.txt"}},
                                     entries::RunApp | entries::AddDesktopcut));
  ASSERT_EQ(result.outcome, BuildOutcome::kWritten) << result.message;
  const std::string key = KeyOf(container_.setup_image);
  EXPECT_TRUE(SameBytes(OptionBytes(), LeI16(0x100 | 1 | 4 | 16) + LeI32(5 ^ 0x71) + "\x01" +
                                           HandCoded("readme.txt", key) + "\x04" +
                                           HandCoded("readme.txt", key) + "\x04" +
                                           HandCoded("App\\b.txt", key) + "\x10" +
                                           HandCoded("App\\b.txt", key) + "\x04" +
                                           HandCoded("App\\sub\\c.exe", key)));
  PackageReader reader;
  std::string err;
  ASSERT_TRUE(reader.Open(save_, &err)) << err;
  const PackageContents& c = reader.contents();
  EXPECT_TRUE(c.option_list);
  ASSERT_EQ(c.options.size(), 5u);
  EXPECT_EQ(c.options[4].bit, 4);
  EXPECT_EQ(c.options[4].name, "App\\sub\\c.exe");
}

TEST_F(OptionListTest, OptionsThatFitTheClassicRecordsKeepTheirBytes) {
  ASSERT_EQ(Build(Request({}, entries::AddDesktopcut)).outcome, BuildOutcome::kWritten);
  std::string by_row = ReadWholeFile(save_);
  // The same option named by its path in the package.
  ASSERT_EQ(Build(Request({{entries::AddDesktopcut, "readme.txt"}})).outcome, BuildOutcome::kWritten);
  EXPECT_TRUE(SameBytes(ReadWholeFile(save_), by_row));
  EXPECT_TRUE(SameBytes(OptionBytes(), LeI16(4) + "\x04" + HandCoded("readme.txt", KeyOf(container_.setup_image))));
}

TEST_F(OptionListTest, OptionsThatCannotInstallAreRefusedNamingTheFile) {
  char sep = platform::kPathSeparator;
  struct Case {
    std::vector<FileOption> options;
    int32_t readme_flags;
    std::string message;
  } cases[] = {
      {{{entries::AddDesktopcut, "App\\missing.exe"}}, 0, msg::kOptionFileMissing + std::string("App\\missing.exe")},
      {{{entries::AddDesktopcut, "App"}}, 0, msg::kOptionFileMissing + std::string("App")},
      {{{entries::RunApp, "App\\b.txt"}}, entries::RunApp, msg::kOptionTwice + (app_ + sep + "b.txt")},
      {{{entries::SetCtrlPanelIcon, "App\\b.txt"}, {entries::SetCtrlPanelIcon, "App\\sub\\c.exe"}}, 0,
       msg::kOptionTwice + (app_ + sep + "sub" + sep + "c.exe")},
      {{{entries::AddDesktopcut, "App\\b.txt"}, {entries::AddDesktopcut, "app\\b.TXT"}}, 0,
       msg::kOptionFileTwice + (app_ + sep + "b.txt")},
      // Two desktop shortcuts "c" would overwrite each other.
      {{{entries::AddDesktopcut, "App\\sub\\c.exe"}, {entries::AddDesktopcut, "App\\tools\\c.exe"}}, 0,
       msg::kShortcutNameTwice + (app_ + sep + "tools" + sep + "c.exe")},
  };
  for (const Case& c : cases) {
    BuildResult result = Build(Request(c.options, c.readme_flags));
    EXPECT_EQ(result.outcome, BuildOutcome::kFailed) << c.message;
    EXPECT_EQ(result.message, c.message);
    EXPECT_FALSE(platform::PathExists(save_));
  }
  // The same shortcut name for two different options is no clash.
  EXPECT_EQ(Build(Request({{entries::AddDesktopcut, "App\\sub\\c.exe"},
                           {entries::AddToAutoRun, "App\\tools\\c.exe"}}))
                .outcome,
            BuildOutcome::kWritten);
}

TEST_F(OptionListTest, ADamagedRecordListIsRefused) {
  ASSERT_EQ(Build(Request({{entries::AddDesktopcut, "App\\b.txt"}})).outcome, BuildOutcome::kWritten);
  const std::string good = ReadWholeFile(save_);
  PackageReader reader;
  std::string err;
  ASSERT_TRUE(reader.Open(save_, &err)) << err;
  const size_t at = static_cast<size_t>(reader.contents().stub_size) + 2 +
                    reader.contents().config_text_gbk.size();
  auto with = [&](size_t offset, const std::string& bytes) {
    std::string s = good;
    s.replace(offset, bytes.size(), bytes);
    return s;
  };
  struct Case {
    std::string bytes, told;
  } cases[] = {
      {with(at + 2, LeI32(0 ^ 0x71)), msg::kBadOptionRecord},       // no record
      {with(at + 2, LeI32(100000 ^ 0x71)), msg::kBadOptionRecord},  // more than fit
      {with(at, LeI16(0x100 | 4 | 2)), msg::kBadOptionRecord},      // a bit without a record
      {with(at + 6, "\x02"), msg::kBadOptionRecord},                // a record's bit outside the union
      {with(at, LeI16(0x400 | 4)), msg::kBadOptionUnion},           // an unknown flag
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(WriteWholeFile(save_, c.bytes));
    PackageReader damaged;
    EXPECT_FALSE(damaged.Open(save_, &err)) << c.told;
    EXPECT_NE(err.find(c.told), std::string::npos) << err;
  }
}

}  // namespace
