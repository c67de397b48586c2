// Packages built with our stub programs carry their product's identity;
// packages built with programs that do not declare it keep today's bytes.

#include "gtest/gtest.h"
#include "identity_test_util.h"
#include "package/byte_fields.h"
#include "package/icon_file.h"
#include "package/identity_resources.h"
#include "package/image_digest.h"
#include "package/messages.h"
#include "package/name_index.h"
#include "package/package_reader.h"
#include "package/package_writer.h"
#include "package/pe_resources.h"
#include "package/product_identity.h"
#include "package_test_util.h"

namespace {

using namespace package;
using namespace package_test;
using namespace identity_test;

class IdentityBuildTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setup_ = StubImage("setup");
    uninst_ = StubImage("uninst");
    if (setup_.empty() || uninst_.empty()) GTEST_SKIP() << "no stub programs in this build";
    container_ = MakeContainerOf(dir_, setup_, uninst_);
    PutFile(dir_ / "readme.txt", "hello");
    PutFile(ico_, IcoFile({{16, 16, DibImage(16, 16, 1)}, {32, 32, DibImage(32, 32, 2)}}));
  }

  PackageRequest Request() {
    PackageRequest r = DefaultRequest(container_.path, pkg_);
    r.properties.app_name = "我的工具";
    r.properties.publisher = "示例工作室";
    r.properties.version = "2.1.0";
    r.entries = {RowFor(dir_ / "readme.txt")};
    return r;
  }
  BuildResult Build(const PackageRequest& r) {
    RecordingProgress progress;
    BuildResult result = MakePackage(r, progress);
    if (result.outcome == BuildOutcome::kWritten) {
      EXPECT_EQ(progress.advanced, progress.maximum);
    }
    return result;
  }

  // The setup image at the head of the package and the uninstaller from its record.
  std::string Head() {
    PackageReader reader;
    std::string err;
    EXPECT_TRUE(reader.Open(pkg_, &err)) << err;
    return ReadWholeFile(pkg_).substr(0, static_cast<size_t>(reader.contents().stub_size));
  }
  std::string Uninstaller() {
    PackageReader reader;
    std::string err, out = dir_ / "uninst.out";
    EXPECT_TRUE(reader.Open(pkg_, &err)) << err;
    EXPECT_TRUE(reader.DecodeRecordToFile(reader.contents().files.size() - 1, out, nullptr, &err)) << err;
    return ReadWholeFile(out);
  }
  static std::vector<Resource> Resources(const std::string& image) {
    std::vector<Resource> r;
    std::string err;
    EXPECT_TRUE(ReadResources(bytes::View(image), ParsePeHeaders(bytes::View(image)), &r, &err)) << err;
    return r;
  }
  static VersionInfo Version(const std::string& image) {
    VersionInfo info;
    std::vector<Resource> resources = Resources(image);
    const Resource* v = FindResource(resources, kRtVersion);
    EXPECT_TRUE(v && ParseVersionResource(bytes::View(v->data), &info));
    return info;
  }
  static std::string IconOf(const std::string& image) {
    Icon icon;
    return IconFromImage(bytes::View(image), &icon) == IconProblem::kNone ? IconFileBytes(icon) : "";
  }

  ScratchDir dir_, tmp_;
  TempFolderOverride temp_override_{tmp_.path()};
  std::string setup_, uninst_;
  Container container_;
  std::string pkg_ = dir_ / "我的工具安装.exe";
  std::string ico_ = dir_ / "product.ico";
};

TEST_F(IdentityBuildTest, BothProgramsCarryTheVersionAndTheIcon) {
  PackageRequest r = Request();
  r.icon_path = ico_;
  ASSERT_EQ(Build(r).outcome, BuildOutcome::kWritten);
  std::string head = Head(), uninst = Uninstaller();
  VersionInfo setup_info = Version(head), uninst_info = Version(uninst);
  EXPECT_EQ(*setup_info.Find("OriginalFilename"), "我的工具安装.exe");
  EXPECT_EQ(*setup_info.Find("FileDescription"), "我的工具 安装程序");
  EXPECT_EQ(*uninst_info.Find("FileDescription"), "我的工具 卸载程序");
  EXPECT_EQ(*uninst_info.Find("CompanyName"), "示例工作室");
  EXPECT_EQ(setup_info.product_version, (std::array<uint16_t, 4>{2, 1, 0, 0}));
  EXPECT_EQ(IconOf(head), ReadWholeFile(ico_));
  EXPECT_EQ(IconOf(uninst), ReadWholeFile(ico_));
  EXPECT_TRUE(DeclaresIdentity(Resources(head)));
  // The digests cover the rewritten programs.
  PackageReader reader;
  std::string err;
  ASSERT_TRUE(reader.Open(pkg_, &err)) << err;
  EXPECT_EQ(reader.image().digest, DigestState::kFilled);
  EXPECT_TRUE(reader.VerifyDigest(nullptr, nullptr, &err)) << err;
  PutFile(dir_ / "u.exe", uninst);
  NameIndex index;
  EXPECT_TRUE(ReadNameIndex(dir_ / "u.exe", &index, &err)) << err;
  EXPECT_TRUE(CheckUninstaller(dir_ / "u.exe", &err)) << err;
}

TEST_F(IdentityBuildTest, TheIconComesFromTheMarkedFiles) {
  // An executable with an icon: our uninstaller with the product icon.
  std::string with_icon = uninst_;
  std::vector<Resource> res = Resources(with_icon);
  Icon other;
  std::string other_ico = IcoFile({{48, 48, DibImage(48, 48, 9)}});
  ASSERT_EQ(ParseIconFile(bytes::View(other_ico), &other), IconProblem::kNone);
  for (Resource& x : IconResources(other, 5, 0)) res.push_back(x);
  std::string err;
  ASSERT_TRUE(ReplaceResources(&with_icon, res, &err)) << err;
  PutFile(dir_ / "app.exe", with_icon);
  PutFile(dir_ / "plain.exe", setup_);       // a program without an icon
  PutFile(dir_ / "fake.exe", "not a program");
  PutFile(dir_ / "panel.ico", ReadWholeFile(ico_));
  struct Case {
    const char* what;
    std::vector<EntryRow> rows;
    std::string icon;  // "" for none
  } cases[] = {
      {"control panel .ico before run .exe",
       {RowFor(dir_ / "app.exe", entries::RunApp), RowFor(dir_ / "panel.ico", entries::SetCtrlPanelIcon)},
       ReadWholeFile(ico_)},
      {"control panel .exe", {RowFor(dir_ / "app.exe", entries::SetCtrlPanelIcon)}, other_ico},
      {"control panel without an icon, then run",
       {RowFor(dir_ / "plain.exe", entries::SetCtrlPanelIcon), RowFor(dir_ / "app.exe", entries::RunApp)},
       other_ico},
      {"no program at all", {RowFor(dir_ / "fake.exe", entries::RunApp | entries::SetCtrlPanelIcon)}, ""},
      {"a text file marked", {RowFor(dir_ / "readme.txt", entries::SetCtrlPanelIcon)}, ""},
  };
  for (const Case& c : cases) {
    PackageRequest r = Request();
    r.entries = c.rows;
    ASSERT_EQ(Build(r).outcome, BuildOutcome::kWritten) << c.what;
    EXPECT_EQ(IconOf(Head()), c.icon) << c.what;
  }
  // --icon wins over the marks, and takes an executable's first group.
  PackageRequest r = Request();
  r.entries = {RowFor(dir_ / "panel.ico", entries::SetCtrlPanelIcon)};
  r.icon_path = dir_ / "app.exe";
  ASSERT_EQ(Build(r).outcome, BuildOutcome::kWritten);
  EXPECT_EQ(IconOf(Uninstaller()), other_ico);
}

TEST_F(IdentityBuildTest, HostileIconsAreRefusedBeforeAnythingIsWritten) {
  PutFile(pkg_, "older package");
  std::string good = IcoFile({{16, 16, DibImage(16, 16, 1)}});
  PutFile(dir_ / "cut.ico", good.substr(0, good.size() - 10));
  PutFile(dir_ / "text.ico", "no icon here");
  PutFile(dir_ / "wide.ico", IcoFile({{16, 16, PngImage(512, 512)}}));
  PutFile(dir_ / "big.ico", good + std::string(kMaxIconBytes, '\0'));
  PutFile(dir_ / "plain.exe", setup_);
  struct Case {
    std::string path;
    const char* message;
    int32_t flags;  // 0: given as --icon
  } cases[] = {
      {dir_ / "cut.ico", msg::kIconDamaged, 0},
      {dir_ / "text.ico", msg::kIconNotIcon, 0},
      {dir_ / "wide.ico", msg::kIconTooBig, 0},
      {dir_ / "big.ico", msg::kIconTooLarge, 0},
      {dir_ / "plain.exe", msg::kIconNotIcon, 0},
      {dir_ / "missing.ico", msg::kIconUnreadable, 0},
      {dir_ / "cut.ico", msg::kIconDamaged, entries::SetCtrlPanelIcon},
      {dir_ / "wide.ico", msg::kIconTooBig, entries::RunApp},
  };
  for (const Case& c : cases) {
    PackageRequest r = Request();
    if (c.flags == 0) r.icon_path = c.path;
    else r.entries.push_back(RowFor(c.path, c.flags));
    BuildResult result = Build(r);
    EXPECT_EQ(result.outcome, BuildOutcome::kFailed) << c.path;
    EXPECT_EQ(result.message.rfind(c.message + c.path, 0), 0u) << result.message;
    EXPECT_EQ(ReadWholeFile(pkg_), "older package");
    EXPECT_TRUE(FilesStartingWith(tmp_.path(), "").empty());
  }
}

TEST_F(IdentityBuildTest, AStubThatDoesNotDeclareItKeepsItsBytes) {
  std::string old_setup = WithoutMark(setup_), old_uninst = WithoutMark(uninst_);
  container_ = MakeContainerOf(dir_, old_setup, old_uninst);
  PackageRequest r = Request();
  r.icon_path = ico_;
  ASSERT_EQ(Build(r).outcome, BuildOutcome::kWritten);
  std::string head = Head();
  // Only the digest field is filled in; everything else is the image as it was.
  auto same_but_field = [](const std::string& actual, const std::string& image) {
    int64_t field = DigestFieldOffset(ParsePeHeaders(bytes::View(image)), static_cast<int64_t>(image.size()));
    EXPECT_GT(field, 0);
    EXPECT_TRUE(SameBytes(actual.substr(0, field), image.substr(0, field)));
    EXPECT_TRUE(SameBytes(actual.substr(field + kDigestFieldSize, image.size() - field - kDigestFieldSize),
                          image.substr(field + kDigestFieldSize)));
  };
  same_but_field(head, old_setup);
  EXPECT_EQ(head.size(), old_setup.size());
  same_but_field(Uninstaller(), old_uninst);
  EXPECT_EQ(FindResource(Resources(head), kRtVersion), nullptr);
}

TEST_F(IdentityBuildTest, BuildsAreReproducible) {
  PackageRequest r = Request();
  r.icon_path = ico_;
  ASSERT_EQ(Build(r).outcome, BuildOutcome::kWritten);
  std::string first = ReadWholeFile(pkg_);
  r.jobs = 1;
  ASSERT_EQ(Build(r).outcome, BuildOutcome::kWritten);
  EXPECT_TRUE(SameBytes(ReadWholeFile(pkg_), first));
}

}  // namespace
