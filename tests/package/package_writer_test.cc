// MakePackage: the layout byte for byte, refusals, failures and cleanup.

#include <atomic>
#include <cstring>
#include <functional>
#include <filesystem>
#include <set>

#ifdef _WIN32
#include <windows.h>
#endif

#include "codec/memory_codec.h"
#include "gtest/gtest.h"
#include "package/layout.h"
#include "package/messages.h"
#include "package/name_index.h"
#include "package/package_writer.h"
#include "package/payload.h"
#include "package/stub_container.h"
#include "package/temp_files.h"
#include "package_test_util.h"
#include "platform/text.h"

namespace {

using namespace package;
using namespace package_test;

const std::string kGbkCeShi = "\xB2\xE2\xCA\xD4";           // 测试
const std::string kGbkColon = "\xA3\xBA";                   // ：
const std::string kGbkStudio = "\xC8\xED\xBC\xFE\xB9\xA4\xD7\xF7\xCA\xD2";  // 软件工作室
const std::string kGbkShuoMing = "\xCB\xB5\xC3\xF7";        // 说明

// A stream by hand: the header, then data masked with key (one block).
std::string HandStream(int32_t size, const std::string& data, const std::string& key) {
  return LeI32(size) + HandXor(data, key);
}

std::string HandRecord(const std::string& name, const std::string& stream, const std::string& key) {
  int32_t compLen = stream.empty() ? 0 : static_cast<int32_t>(stream.size()) - 4;
  return HandCoded(name, key) + LeI32(compLen) + (stream.empty() ? LeI32(0) : stream);
}

// The system's text for why path cannot be opened for reading.
std::string SystemReasonForOpening(const std::string& path) {
  std::string err;
  EXPECT_FALSE(platform::File::Open(path, platform::File::Mode::kRead, &err));
  std::string reason = platform::FailureReason(err);
  EXPECT_FALSE(reason.empty()) << err;
  return reason;
}

// Text-like bytes that compress, but not to nothing.
std::string Compressible(size_t n, uint32_t seed) {
  std::string s(n, ' ');
  for (size_t i = 0; i < n; ++i) {
    seed = seed * 1103515245u + 12345u;
    s[i] = static_cast<char>('a' + (seed >> 16) % 12);
  }
  return s;
}

class WriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    container_ = MakeContainer(dir_);
    save_ = out_ / "QrSetup.exe";
    PutDir(out_.path());
  }
  BuildResult Build(const PackageRequest& r) { return MakePackage(r, progress_); }
  // No temporary file is left in the save folder or the temp folder.
  void ExpectNoTemporaries() {
    EXPECT_TRUE(FilesStartingWith(tmp_.path(), "~").empty());
    std::vector<platform::DirEntry> entries;
    platform::ListDirectory(out_.path(), &entries, nullptr);
    for (const auto& e : entries) EXPECT_EQ(e.name.find(".tmp"), std::string::npos) << e.name;
  }

  ScratchDir dir_, out_, tmp_;
  TempFolderOverride temp_override_{tmp_.path()};
  Container container_;
  std::string save_;
  RecordingProgress progress_;
};

TEST_F(WriterTest, SmallPackageByteForByte) {
  char sep = platform::kPathSeparator;
  std::string app = dir_ / "App";
  PutFile(dir_ / "readme.txt", std::string(24, 'a'));
  PutFile(app + sep + "b.txt", "abcabcabcabcabcabcabcabc");
  PutFile(app + sep + "Thumbs.db", "skipped");
  PutFile(app + sep + "sub" + sep + "c.bin", "x");
  PutDir(app + sep + "empty");
  PutFile(app + sep + "z.txt", "");
  PutFile(app + sep + "说明.txt", "xyz");
  PackageRequest r = DefaultRequest(container_.path, save_);
  r.entries = {RowFor(dir_ / "readme.txt", 1 | 4), RowFor(app, entries::Directory)};
  BuildResult result = Build(r);
  ASSERT_EQ(result.outcome, BuildOutcome::kWritten) << result.message;

  const std::string key = KeyOf(container_.setup_image);
  const std::string ukey = KeyOf(container_.uninst_image);
  const std::string config = "AppName" + kGbkColon + kGbkCeShi + "\r\nSetupDir" + kGbkColon +
                             "QrSetup\r\nPublisher" + kGbkColon + "Quorin" + kGbkStudio +
                             "\r\nVersion" + kGbkColon + "1.0.0.0";
  std::string expected = container_.setup_image + HandCoded(config, key) + LeI16(5) + "\x01" +
                         HandCoded("readme.txt", key) + "\x04" + HandCoded("readme.txt", key);
  // Worked streams: 24 x 'a', "abc" x 8, one byte, nothing, three bytes.
  expected += HandRecord("readme.txt", HandStream(24, std::string("\x01\x61\x00\x0F\x12\x02", 6), key), key);
  expected += HandRecord("App\\b.txt", HandStream(24, std::string("\x07\x61\x62\x63\x00\x0F\x12\x00", 8), key), key);
  expected += HandRecord("App\\sub\\c.bin", HandStream(1, "\x01x", key), key);
  expected += HandRecord("App\\z.txt", "", key);
  expected += HandRecord("App\\" + kGbkShuoMing + ".txt", HandStream(3, "\x07xyz", key), key);

  // The uninstaller with its name index, coded with its own key.
  std::string uninst = container_.uninst_image + HandCoded("AppName" + kGbkColon + kGbkCeShi, ukey) +
                       LeI32(5 ^ 0x71) + HandCoded("readme.txt", ukey) +
                       HandCoded("App\\b.txt", ukey) + HandCoded("App\\sub\\c.bin", ukey) +
                       HandCoded("App\\z.txt", ukey) +
                       HandCoded("App\\" + kGbkShuoMing + ".txt", ukey) +
                       LeI32(static_cast<int32_t>(container_.uninst_image.size()));

  std::string package = ReadWholeFile(save_);
  ASSERT_GT(package.size(), expected.size());
  ASSERT_TRUE(SameBytes(package.substr(0, expected.size()), expected));
  std::string rest = package.substr(expected.size());
  ASSERT_EQ(rest.substr(0, 12), HandCoded("uninst.exe", key));
  int32_t compLen = 0;
  std::memcpy(&compLen, rest.data() + 12, 4);
  ASSERT_EQ(rest.size(), 16u + 4u + static_cast<size_t>(compLen) + 12u);
  std::vector<uint8_t> decoded;
  std::string err;
  codec::CodecParams params;
  params.code = std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(key.data()), key.size());
  std::string stream = rest.substr(16, 4 + compLen);
  ASSERT_TRUE(codec::DecompressBuffer(
      std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(stream.data()), stream.size()),
      true, params, &decoded, &err)) << err;
  EXPECT_TRUE(SameBytes(std::string(decoded.begin(), decoded.end()), uninst));
  int32_t total = 24 + 24 + 1 + 0 + 3 + static_cast<int32_t>(uninst.size());
  EXPECT_EQ(rest.substr(rest.size() - 12),
            LeI32(total ^ 0x71) + LeI32(static_cast<int32_t>(container_.setup_image.size()) ^ 0x71) +
                LeI32(6 ^ 0x71));

  EXPECT_EQ(progress_.statuses,
            (std::vector<std::string>{msg::kStatusCollecting, msg::kStatusWriting}));
  // The maximum is what the build reports: both programs decoded, the
  // payload read, and the uninstaller read again with its name index.
  EXPECT_EQ(progress_.maximum, static_cast<float>(progress_.advanced));
  EXPECT_EQ(progress_.advanced, static_cast<int64_t>(container_.setup_image.size() +
                                                     container_.uninst_image.size() + 52 +
                                                     uninst.size()));
  EXPECT_EQ(progress_.bar.Value, progress_.bar.Max);
  ExpectNoTemporaries();
}

TEST_F(WriterTest, EmptyFoldersOnlyGiveTheUninstallerRecordAlone) {
  PutDir(dir_ / "empty" + platform::kPathSeparator + "inner");
  PackageRequest r = DefaultRequest(container_.path, save_);
  r.entries = {RowFor(dir_ / "empty", entries::Directory)};
  ASSERT_EQ(Build(r).outcome, BuildOutcome::kWritten);
  const std::string key = KeyOf(container_.setup_image);
  std::string package = ReadWholeFile(save_);
  size_t after_options = container_.setup_image.size() + 2 +
                         static_cast<uint8_t>(package[container_.setup_image.size()]) +
                         256 * static_cast<uint8_t>(package[container_.setup_image.size() + 1]) + 2;
  EXPECT_EQ(package.substr(after_options - 2, 2), LeI16(0)) << "no options";
  EXPECT_EQ(package.substr(after_options, 12), HandCoded("uninst.exe", key));
  EXPECT_EQ(package.substr(package.size() - 4), LeI32(1 ^ 0x71));
  // The title "AppName：测试" is 13 bytes in code page 936.
  int32_t total = static_cast<int32_t>(container_.uninst_image.size()) + 2 + 13 + 4 + 4;
  EXPECT_EQ(package.substr(package.size() - 12, 4), LeI32(total ^ 0x71));
}

TEST_F(WriterTest, ConfigValuesAreCutTo20CharactersAndSetupDirLosesBackslashes) {
  PutFile(dir_ / "a.txt", "a");
  PackageRequest r = DefaultRequest(container_.path, save_);
  r.properties.app_name = "一二三四五六七八九十一二三四五六七八九十多余";
  r.properties.setup_dir = "\\Dir\\With\\Slashes\\And\\More";
  r.properties.publisher = "P";
  r.properties.version = "";
  r.entries = {RowFor(dir_ / "a.txt")};
  ASSERT_EQ(Build(r).outcome, BuildOutcome::kWritten);
  const std::string key = KeyOf(container_.setup_image);
  std::string gbk20 =
      "\xD2\xBB\xB6\xFE\xC8\xFD\xCB\xC4\xCE\xE5\xC1\xF9\xC6\xDF\xB0\xCB\xBE\xC5\xCA\xAE";
  std::string config = "AppName" + kGbkColon + gbk20 + gbk20 + "\r\nSetupDir" + kGbkColon +
                       "DirWithSlashesAndMor\r\nPublisher" + kGbkColon + "P\r\nVersion" + kGbkColon;
  std::string package = ReadWholeFile(save_);
  EXPECT_TRUE(SameBytes(package.substr(container_.setup_image.size(), 2 + config.size()),
                        HandCoded(config, key)));
}

TEST(SizeLimit, EqualityPassesOneByteMoreIsRefused) {
  std::vector<PackFile> files = {{"a", "a", 1000}, {"b", "b", kMaxTotalSize - 1000 - 5000}};
  EXPECT_FALSE(ExceedsSizeLimit(files, 5000));
  files[0].FileSize += 1;
  EXPECT_TRUE(ExceedsSizeLimit(files, 5000));
  EXPECT_FALSE(ExceedsSizeLimit({}, 5000));
}

TEST_F(WriterTest, SizeLimitCountsTheStubShareAndRefusesBeforeWriting) {
  // Sparse files: the refusal happens before any of them is read.
  StubContainer sc;
  std::string err;
  ASSERT_TRUE(OpenStubContainer(container_.path, &sc, &err));
  int64_t half = (kMaxTotalSize - sc.l1) / 2;
  for (const char* name : {"big1", "big2"}) {
    auto f = platform::File::Open(dir_ / name, platform::File::Mode::kCreateTruncate, &err);
    ASSERT_TRUE(f && f->Truncate(half + 1, &err)) << err;
  }
  PutFile(save_, "the old package");
  PackageRequest r = DefaultRequest(container_.path, save_);
  r.entries = {RowFor(dir_ / "big1"), RowFor(dir_ / "big2")};
  BuildResult result = Build(r);
  EXPECT_EQ(result.outcome, BuildOutcome::kSizeRefused);
  EXPECT_EQ(result.message, msg::kTooLarge);
  EXPECT_EQ(progress_.statuses.back(), "");
  EXPECT_TRUE(ReadWholeFile(save_) == "the old package");
  ExpectNoTemporaries();
}

// The trailer's total counts the uninstaller with its name index: a payload
// that passes the stub's share but that they push over the limit is refused
// at once, before anything is read or written.
TEST_F(WriterTest, SizeLimitCountsTheUninstallerBeforeAnythingIsWritten) {
  ScratchDir big_uninst;
  Container c = MakeContainer(big_uninst, 13000, 40000);
  StubContainer sc;
  std::string err;
  ASSERT_TRUE(OpenStubContainer(c.path, &sc, &err)) << err;
  const std::string title = platform::ToCodePage936(std::string(kLabelAppName) + "测试");
  const int64_t v = sc.uninst_size + NameIndexSize(title, {"big"});
  const int64_t payload = kMaxTotalSize - v + 1;
  ASSERT_LE(payload + sc.l1, kMaxTotalSize) << "the stub's share alone lets it pass";
  auto f = platform::File::Open(dir_ / "big", platform::File::Mode::kCreateTruncate, &err);
  ASSERT_TRUE(f && f->Truncate(payload, &err)) << err;
  f.reset();
  PutFile(save_, "the old package");
  PackageRequest r = DefaultRequest(c.path, save_);
  r.entries = {RowFor(dir_ / "big")};
  bool writing_began = false;
  r.after_collect = [&] { writing_began = true; };
  BuildResult result = Build(r);
  EXPECT_EQ(result.outcome, BuildOutcome::kSizeRefused);
  EXPECT_EQ(result.message, msg::kTooLarge);
  EXPECT_FALSE(writing_began);
  EXPECT_EQ(progress_.advanced, 0);
  EXPECT_TRUE(ReadWholeFile(save_) == "the old package");
  ExpectNoTemporaries();
}

TEST_F(WriterTest, FilesThePackageCannotHoldAreRefusedNamingThem) {
  std::string err;
  auto f = platform::File::Open(dir_ / "huge", platform::File::Mode::kCreateTruncate, &err);
  ASSERT_TRUE(f && f->Truncate(int64_t{1} << 31, &err)) << err;
  f.reset();
  PutFile(save_, "the old package");
  PackageRequest r = DefaultRequest(container_.path, save_);
  r.entries = {RowFor(dir_ / "huge")};
  BuildResult result = Build(r);
  EXPECT_EQ(result.outcome, BuildOutcome::kFailed);
  EXPECT_EQ(result.message, msg::kFileTooLarge + (dir_ / "huge"));

  // A name code page 936 cannot represent.
  PutFile(dir_ / "ünïcödé™😀.txt", "x");
  r.entries = {RowFor(dir_ / "ünïcödé™😀.txt")};
  result = Build(r);
  EXPECT_EQ(result.outcome, BuildOutcome::kFailed);
  EXPECT_EQ(result.message, msg::kNameNotGbk + (dir_ / "ünïcödé™😀.txt"));
#ifndef _WIN32
  // A name Windows cannot hold.
  PutFile(dir_ / "a:b?.txt", "x");
  r.entries = {RowFor(dir_ / "a:b?.txt")};
  result = Build(r);
  EXPECT_EQ(result.outcome, BuildOutcome::kFailed);
  EXPECT_EQ(result.message, msg::kNameNotWindows + (dir_ / "a:b?.txt"));
#endif
  EXPECT_TRUE(ReadWholeFile(save_) == "the old package");
  ExpectNoTemporaries();
}

// Names setup could never create, or two names Windows takes for one:
// refused before anything is written, naming the file (and the other one).
TEST_F(WriterTest, PackagesThatCouldNeverInstallAreRefusedNamingTheFile) {
  char sep = platform::kPathSeparator;
  PutFile(save_, "the old package");
  auto refused = [&](const std::vector<EntryRow>& rows, const std::string& message,
                     const std::string& setup_dir = "QrSetup") {
    PackageRequest r = DefaultRequest(container_.path, save_);
    r.entries = rows;
    r.properties.setup_dir = setup_dir;
    BuildResult result = Build(r);
    EXPECT_EQ(result.outcome, BuildOutcome::kFailed) << message;
    EXPECT_EQ(result.message, message);
    EXPECT_TRUE(ReadWholeFile(save_) == "the old package");
    ExpectNoTemporaries();
  };
  // Two folder rows that store the same name, or names equal in upper case.
  std::string one = dir_ / "one" + sep + "App", two = dir_ / "two" + sep + "App";
  std::string three = dir_ / "three" + sep + "APP";
  PutFile(one + sep + "a.txt", "1");
  PutFile(two + sep + "a.txt", "2");
  PutFile(three + sep + "Ω.TXT", "3");
  PutFile(one + sep + "ω.txt", "4");
  refused({RowFor(one, entries::Directory), RowFor(two, entries::Directory)},
          msg::kNameTwice + (two + sep + "a.txt") + "（" + (one + sep + "a.txt") + "）");
  refused({RowFor(one, entries::Directory), RowFor(three, entries::Directory)},
          msg::kNameCaseClash + (three + sep + "Ω.TXT") + "（" + (one + sep + "ω.txt") + "）");
  // Every letter pairs up as Windows pairs it: of the letters a package can
  // store (code page 936), also the Roman numerals ⅰ..ⅹ and Ⅰ..Ⅹ.
  std::string small_eight = dir_ / "seven" + sep + "ⅷ.txt", big_eight = dir_ / "eight" + sep + "Ⅷ.txt";
  PutFile(small_eight, "1");
  PutFile(big_eight, "2");
  refused({RowFor(small_eight), RowFor(big_eight)}, msg::kNameCaseClash + big_eight + "（" + small_eight + "）");
  // A file where another file needs a folder of that name.
  std::string file_app = dir_ / "four" + sep + "App";
  PutFile(file_app, "a file named App");
  refused({RowFor(one, entries::Directory), RowFor(file_app)},
          msg::kNameFileAndFolder + file_app + "（" + (one + sep + "a.txt") + "）");
  // The uninstaller's name at the top, in any letter case; below it is fine.
  std::string uninst = dir_ / "five" + sep + "Uninst.EXE";
  PutFile(uninst, "not the uninstaller");
  refused({RowFor(uninst)}, msg::kNameIsUninstaller + uninst);
  // Install-folder names setup refuses, as the configuration stores them.
  PutFile(dir_ / "ok.txt", "ok");
  for (const char* bad : {"CON", "nul.txt", "COM1", "LPT9.log", "folder.", "folder ", "a:b", "\\\\", ".."})
    refused({RowFor(dir_ / "ok.txt")}, msg::kBadSetupDir + std::string(bad == std::string("\\\\") ? "" : bad), bad);
#ifndef _WIN32
  // Names Windows cannot create (possible on other systems), also as option rows.
  for (const char* name : {"CON", "aux.txt", "Com3.dat", "conin$", "trailing.", "trailing ", "a<b"}) {
    std::string path = dir_ / "six" + sep + name;
    PutFile(path, "x");
    const char* lead = std::string(name).back() == '.' || std::string(name).back() == ' '
                           ? msg::kNameEndsWithDotOrSpace
                       : std::string(name) == "a<b" ? msg::kNameNotWindows
                                                   : msg::kNameIsDevice;
    refused({RowFor(path)}, lead + path);
    refused({RowFor(dir_ / "six", entries::Directory)}, lead + path);
    platform::RemoveFile(path, nullptr);
  }
  std::string device_folder = dir_ / "seven" + sep + "NUL";
  PutDir(device_folder);
  refused({RowFor(device_folder, entries::Directory | 16)}, msg::kNameIsDevice + device_folder);
#endif
  // Names that only look alike stay: "CONSOLE", "COM10", "a.b.c", the
  // uninstaller's name below the top.
  std::string fine = dir_ / "eight";
  for (const char* name : {"CONSOLE", "COM10", "a.b.c", "uninst.exe.txt"}) PutFile(fine + sep + name, "x");
  PutFile(fine + sep + "sub" + sep + "uninst.exe", "x");
  PackageRequest r = DefaultRequest(container_.path, save_);
  r.entries = {RowFor(fine, entries::Directory)};
  EXPECT_EQ(Build(r).outcome, BuildOutcome::kWritten);
}

TEST_F(WriterTest, AFileRemovedOrReplacedMidBuildFailsAndKeepsTheOldPackage) {
  char sep = platform::kPathSeparator;
  PutFile(dir_ / "App" + sep + "a.txt", "a");
  PutFile(dir_ / "App" + sep + "b.txt", "bb");
  PutFile(save_, "the old package");
  PackageRequest r = DefaultRequest(container_.path, save_);
  r.entries = {RowFor(dir_ / "App", entries::Directory)};

  r.after_collect = [&] { platform::RemoveFile(dir_ / "App" + sep + "b.txt", nullptr); };
  BuildResult result = Build(r);
  EXPECT_EQ(result.outcome, BuildOutcome::kFailed);
  // The file named once, with the system's own text for what went wrong.
  EXPECT_EQ(result.message, msg::kFileUnreadable + (dir_ / "App" + sep + "b.txt") + "（" +
                                SystemReasonForOpening(dir_ / "App" + sep + "b.txt") + "）");
  EXPECT_TRUE(ReadWholeFile(save_) == "the old package");
  ExpectNoTemporaries();

  // A folder where the file was.
  PutFile(dir_ / "App" + sep + "b.txt", "bb");
  r.after_collect = [&] { platform::RemoveFile(dir_ / "App" + sep + "b.txt", nullptr); };
  auto remove_then_mkdir = r.after_collect;
  r.after_collect = [&] {
    remove_then_mkdir();
    PutDir(dir_ / "App" + sep + "b.txt");
  };
  result = Build(r);
  EXPECT_EQ(result.outcome, BuildOutcome::kFailed);
  EXPECT_EQ(result.message.rfind(msg::kFileUnreadable + (dir_ / "App" + sep + "b.txt"), 0), 0u)
      << result.message;

  // A file that changed its size.
  r.after_collect = [&] { PutFile(dir_ / "App" + sep + "a.txt", "longer now"); };
  platform::RemoveFile(dir_ / "App" + sep + "b.txt", nullptr);
  std::filesystem::remove(ScratchDir::FsPath(dir_ / "App" + sep + "b.txt"));
  result = Build(r);
  EXPECT_EQ(result.outcome, BuildOutcome::kFailed);
  EXPECT_EQ(result.message, msg::kFileChanged + (dir_ / "App" + sep + "a.txt"));
  EXPECT_TRUE(ReadWholeFile(save_) == "the old package");
  ExpectNoTemporaries();
}

TEST_F(WriterTest, HiddenFilesAreStoredWithTheirContent) {
  char sep = platform::kPathSeparator;
  PutFile(dir_ / "App" + sep + ".hidden", "secret");
#ifdef _WIN32
  std::wstring w = ScratchDir::FsPath(dir_ / "App" + sep + ".hidden").wstring();
  ASSERT_TRUE(SetFileAttributesW(w.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
#endif
  PackageRequest r = DefaultRequest(container_.path, save_);
  r.entries = {RowFor(dir_ / "App", entries::Directory)};
  ASSERT_EQ(Build(r).outcome, BuildOutcome::kWritten);
  const std::string key = KeyOf(container_.setup_image);
  std::string package = ReadWholeFile(save_);
  std::string record = HandCoded("App\\.hidden", key);
  size_t at = package.find(record);
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(package.substr(at + record.size() + 4, 4), LeI32(6)) << "stored with its size";
}

TEST_F(WriterTest, ADamagedContainerFailsWithItsMessage) {
  PutFile(dir_ / "a.txt", "a");
  PutFile(dir_ / "bad.dat", "short");
  PackageRequest r = DefaultRequest(dir_ / "bad.dat", save_);
  r.entries = {RowFor(dir_ / "a.txt")};
  BuildResult result = Build(r);
  EXPECT_EQ(result.outcome, BuildOutcome::kFailed);
  EXPECT_EQ(result.message, std::string(msg::kContainerDamaged) + msg::kContainerTooShort);
  EXPECT_FALSE(platform::PathExists(save_));
  ExpectNoTemporaries();
}

TEST_F(WriterTest, TheSavePathMustNotBeAFileTheBuildReads) {
  PutFile(out_ / "QrSetup.exe", "a source file");
  PackageRequest r = DefaultRequest(container_.path, save_);
  r.entries = {RowFor(out_ / "QrSetup.exe")};
  BuildResult result = Build(r);
  EXPECT_EQ(result.outcome, BuildOutcome::kFailed);
  EXPECT_EQ(result.message, msg::kSavePathIsInput + save_);
  EXPECT_EQ(ReadWholeFile(save_), "a source file");
  std::string dat = ReadWholeFile(container_.path);
  r = DefaultRequest(container_.path, container_.path);
  PutFile(dir_ / "a.txt", "a");
  r.entries = {RowFor(dir_ / "a.txt")};
  EXPECT_EQ(Build(r).message, msg::kSavePathIsInput + container_.path);
  EXPECT_TRUE(ReadWholeFile(container_.path) == dat);
  ExpectNoTemporaries();
}

TEST_F(WriterTest, AnOptionOnTwoRowsIsRefused) {
  PutFile(dir_ / "a.exe", "a");
  PutFile(dir_ / "b.exe", "b");
  PackageRequest r = DefaultRequest(container_.path, save_);
  r.entries = {RowFor(dir_ / "a.exe", 2), RowFor(dir_ / "b.exe", 2)};
  BuildResult result = Build(r);
  EXPECT_EQ(result.outcome, BuildOutcome::kFailed);
  EXPECT_EQ(result.message, msg::kOptionTwice + (dir_ / "b.exe"));
}

TEST(TempFiles, TheTemporaryPackageLiesBesideTheSavePath) {
  char s = platform::kPathSeparator;
  std::string d = std::string("base") + s + "dir.with.dots" + s;
  EXPECT_EQ(TempPackagePath(d + "setup.exe", ""), d + "setup.tmp");
  EXPECT_EQ(TempPackagePath(d + "setup", ""), d + "setup.tmp");
  EXPECT_EQ(TempPackagePath(d + "setup", "2"), d + "setup~2.tmp");
  EXPECT_EQ(TempPackagePath(d + ".profile", ""), d + ".profile.tmp");
  EXPECT_EQ(TempPackagePath("QrSetup", ""), "QrSetup.tmp");
  EXPECT_EQ(TempPackagePath(d + "x.TMP", ""), "") << "never the save path itself";
  EXPECT_EQ(TempPackagePath(d + "x.TMP", "1f"), d + "x~1f.tmp");
}

TEST(TempFiles, RandomTagsAreSixteenHexDigitsAndDoNotRepeat) {
  std::set<std::string> seen;
  for (int i = 0; i < 1000; ++i) {
    std::string tag = RandomTag();
    ASSERT_EQ(tag.size(), 16u);
    EXPECT_EQ(tag.find_first_not_of("0123456789abcdef"), std::string::npos) << tag;
    EXPECT_TRUE(seen.insert(tag).second) << tag;
  }
}

TEST(TempFiles, RandomNamesAreATildeTwoLettersAndFiveDigits) {
  std::mt19937 rng(42);
  int seen_a = 0, seen_z = 0;
  for (int i = 0; i < 2000; ++i) {
    std::string n = RandomTempName(rng);
    ASSERT_EQ(n.size(), 8u);
    EXPECT_EQ(n[0], '~');
    for (int j = 1; j < 3; ++j) EXPECT_TRUE(n[j] >= 'A' && n[j] <= 'Z') << n;
    for (int j = 3; j < 8; ++j) EXPECT_TRUE(n[j] >= '0' && n[j] <= '9') << n;
    seen_a += n[1] == 'A';
    seen_z += n[1] == 'Z';
  }
  EXPECT_GT(seen_a, 0);
  EXPECT_GT(seen_z, 0);
}

TEST_F(WriterTest, AnExistingTmpBesideTheSavePathIsLeftAlone) {
  PutFile(dir_ / "a.txt", "a");
  PutFile(out_ / "QrSetup.tmp", "user's own file");
  PackageRequest r = DefaultRequest(container_.path, save_);
  r.entries = {RowFor(dir_ / "a.txt")};
  ASSERT_EQ(Build(r).outcome, BuildOutcome::kWritten);
  EXPECT_EQ(ReadWholeFile(out_ / "QrSetup.tmp"), "user's own file");
  EXPECT_FALSE(platform::PathExists(out_ / "QrSetup~1.tmp"));
  EXPECT_TRUE(platform::PathExists(save_));
}

// Temporary names beside the save path never run out: files at the first
// hundred names that come to mind do not stop the build.
TEST_F(WriterTest, TemporaryNamesDoNotRunOut) {
  PutFile(dir_ / "a.txt", "a");
  PutFile(out_ / "QrSetup.tmp", "taken");
  for (int i = 1; i < 100; ++i) PutFile(out_ / ("QrSetup~" + std::to_string(i) + ".tmp"), "taken");
  PackageRequest r = DefaultRequest(container_.path, save_);
  r.entries = {RowFor(dir_ / "a.txt")};
  BuildResult result = Build(r);
  ASSERT_EQ(result.outcome, BuildOutcome::kWritten) << result.message;
  EXPECT_EQ(FilesStartingWith(out_.path(), "QrSetup~").size(), 99u);
  EXPECT_EQ(ReadWholeFile(out_ / "QrSetup~99.tmp"), "taken");
}

// The progress maximum is the sum of what the build reports, whatever the
// payload: many small files, empty files, nothing at all.
TEST_F(WriterTest, TheBarsMaximumIsWhatTheBuildReports) {
  char sep = platform::kPathSeparator;
  for (int files : {0, 1, 300}) {
    std::string tree = dir_ / ("Tree" + std::to_string(files));
    PutDir(tree);
    for (int i = 0; i < files; ++i)
      PutFile(tree + sep + "d" + std::to_string(i % 7) + sep + "文件" + std::to_string(i) + ".txt",
              i % 5 == 0 ? "" : Compressible(static_cast<size_t>(i) * 3, static_cast<uint32_t>(i)));
    PackageRequest r = DefaultRequest(container_.path, save_);
    r.entries = {RowFor(tree, entries::Directory)};
    progress_ = RecordingProgress();
    // The two programs are decoded first: they take their share, not all.
    float share_after_programs = -1;
    const int64_t programs =
        static_cast<int64_t>(container_.setup_image.size() + container_.uninst_image.size());
    progress_.on_advance = [&] {
      if (share_after_programs < 0 && progress_.advanced >= programs)
        share_after_programs = static_cast<float>(progress_.advanced) / progress_.maximum;
    };
    ASSERT_EQ(Build(r).outcome, BuildOutcome::kWritten) << files << " files";
    EXPECT_EQ(progress_.maximum, static_cast<float>(progress_.advanced)) << files << " files";
    EXPECT_EQ(progress_.bar.Value, progress_.bar.Max) << files << " files";
    EXPECT_GT(share_after_programs, 0.0f);
    EXPECT_LT(share_after_programs, 1.0f) << files << " files";
  }
}

// A stop request ends the build wherever it is: nothing is written, the old
// package stays, no temporary file is left, and no message is given.
TEST_F(WriterTest, AStopRequestEndsTheBuildAndKeepsTheOldPackage) {
  PutFile(save_, "the old package");
  PutFile(dir_ / "big.bin", Compressible(64 << 20, 7));
  PutFile(dir_ / "Tree" + platform::kPathSeparator + "a.txt", "a");
  std::atomic<bool> stop{false};
  PackageRequest r = DefaultRequest(container_.path, save_);
  r.entries = {RowFor(dir_ / "Tree", entries::Directory), RowFor(dir_ / "big.bin")};
  r.stop = &stop;
  const int64_t programs =
      static_cast<int64_t>(container_.setup_image.size() + container_.uninst_image.size());
  const int64_t everything = programs + 1 + (64 << 20);

  struct Case {
    const char* when;
    std::function<void()> on_advance;
    std::function<void(const std::string&)> on_status;
  } cases[] = {
      {"while collecting", nullptr, [&](const std::string& s) { if (s == msg::kStatusCollecting) stop = true; }},
      {"while decoding the programs", [&] { stop = true; }, nullptr},
      {"while encoding a file", [&] { if (progress_.advanced > programs) stop = true; }, nullptr},
  };
  for (const Case& c : cases) {
    stop = false;
    progress_ = RecordingProgress();
    progress_.on_advance = c.on_advance;
    progress_.on_status = c.on_status;
    BuildResult result = Build(r);
    EXPECT_EQ(result.outcome, BuildOutcome::kStopped) << c.when;
    EXPECT_EQ(result.message, "") << c.when;
    EXPECT_TRUE(ReadWholeFile(save_) == "the old package") << c.when;
    // The codec stops within its blocks: the big file is not read to its end.
    EXPECT_LT(progress_.advanced, everything) << c.when;
    ExpectNoTemporaries();
  }
}

}  // namespace
