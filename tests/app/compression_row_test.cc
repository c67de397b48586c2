// The window's "压缩方式" row: stepped by keyboard and mouse, and what the build makes of it: a compact
// package, today's package, or the refusal of an install.dat whose setup
// program cannot read compact packages.

#include <string>

#include "compact_test_util.h"
#include "package/layout.h"
#include "package/messages.h"
#include "package/package_reader.h"
#include "package/package_writer.h"
#include "package/stub_container.h"
#include "platform/utf.h"

#include "window_fixture.h"

namespace app_test {
namespace {

constexpr char kRow[] = "压缩方式";

std::string Narrow(const std::wstring& w) { return platform::WideToUtf8(w); }

std::string ReadAll(const std::string& path) {
  std::string bytes;
  HANDLE h = CreateFileW(platform::Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                         nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "";
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(h, buf, sizeof(buf), &got, nullptr) && got > 0) bytes.append(buf, got);
  CloseHandle(h);
  return bytes;
}

void WriteAll(const std::string& path, const std::string& bytes) {
  HANDLE h = CreateFileW(platform::Utf8ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr,
                         CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
}

// This build's program named name (setup.exe, uninst.exe), in the Windows
// view; empty when there is none.
std::string BuiltProgram(const char* name) {
  const char* bin = getenv("QR_BINARY_DIR");
  if (!bin) return "";
  std::string path = "Z:" + std::string(bin) + "/bin/" + name;
  for (char& c : path)
    if (c == '/') c = '\\';
  return GetFileAttributesW(platform::Utf8ToWide(path).c_str()) == INVALID_FILE_ATTRIBUTES ? ""
                                                                                          : path;
}

using CompressionRowTest = WindowTest;

TEST_F(CompressionRowTest, TheKeyboardStepsTheRowAndTypesNothingIntoIt) {
  EXPECT_EQ(Value(kRow), "标准");
  SetFocus(prop_hwnd());
  Key(prop_hwnd(), VK_END);
  ASSERT_EQ(props().current_item(), (proplist::ItemRef{2, 2}));
  Key(prop_hwnd(), VK_RETURN);
  EXPECT_EQ(Value(kRow), "紧凑");
  EXPECT_FALSE(EditorShown());
  EXPECT_EQ(GetFocus(), prop_hwnd());
  Key(prop_hwnd(), VK_SPACE);
  EXPECT_EQ(Value(kRow), "标准") << "Space steps once; its character types nothing";
  Key(prop_hwnd(), VK_F2);
  EXPECT_EQ(Value(kRow), "紧凑");
  SendMessageW(prop_hwnd(), WM_CHAR, L'x', 1);
  EXPECT_EQ(Value(kRow), "紧凑");
  EXPECT_FALSE(EditorShown());
  // Space on a text item still starts typing into it.
  Key(prop_hwnd(), VK_UP);
  Key(prop_hwnd(), VK_SPACE);
  EXPECT_TRUE(EditorShown());
  EXPECT_EQ(WindowText(editor()), L" ");
}

TEST_F(CompressionRowTest, APressCommitsTheOpenEditAndTakesTheFocus) {
  Press(30);
  Type(L"新名字");
  const int row = proplist::RowTop(props().model(), 2, 2, props().metrics()) + 5;
  Press(row);
  EXPECT_FALSE(EditorShown());
  EXPECT_EQ(Value("软件名称"), "新名字");
  EXPECT_EQ(Value(kRow), "标准");
  EXPECT_EQ(GetFocus(), prop_hwnd());
  EXPECT_EQ(props().current_item(), (proplist::ItemRef{2, 2}));
  EXPECT_TRUE(props().model().Item(2, 2)->Highlighted);
  // A double click on a text row opens its editor as two presses did.
  SendMessageW(prop_hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(50, 30));
  EXPECT_TRUE(EditorShown());
  EXPECT_EQ(Value(kRow), "标准");
}

// Builds with install.dat files whose setup program reads compact packages
// or does not.
class CompressionBuildTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    const std::string setup = BuiltProgram("setup.exe");
    const std::string uninst = BuiltProgram("uninst.exe");
    if (setup.empty() || uninst.empty()) GTEST_SKIP() << "no setup programs (QR_BINARY_DIR)";
    std::string err;
    const std::string image = ReadAll(setup);
    WriteAll(dir_ / "reads.exe", compact_test::WithSolidMark(image));
    WriteAll(dir_ / "older.exe", compact_test::WithSolidMark(image, "0"));
    ASSERT_TRUE(package::WriteStubContainer(dir_ / "reads.exe", uninst, capable_, &err)) << err;
    ASSERT_TRUE(package::WriteStubContainer(dir_ / "older.exe", uninst, older_, &err)) << err;
    props().model().SetPropValue("安装包保存路径", out_);
    AddFileRow(dir_.File(L"app.exe", 100000));
    AddFileRow(dir_.File(L"readme.txt", 5000));
  }
  // Builds with install_dat; the message the window showed.
  std::wstring Build(const std::string& install_dat) {
    window_->set_package_maker([install_dat](const package::PackageRequest& request,
                                             package::BuildProgress& progress) {
      package::PackageRequest copy = request;
      copy.install_dat = install_dat;
      return package::MakePackage(copy, progress);
    });
    const size_t before = ui_.messages.size();
    ClickBuild();
    EXPECT_TRUE(PumpUntil([&] { return !window_->IsMaking(); }));
    EXPECT_EQ(ui_.messages.size(), before + 1);
    return ui_.messages.size() > before ? ui_.messages.back().text : L"";
  }
  void StepByKeyboard() {
    SetFocus(prop_hwnd());
    Key(prop_hwnd(), VK_END);
    Key(prop_hwnd(), VK_RETURN);
  }
  struct Folder : ScratchDir {
    std::string operator/(const char* name) const { return Narrow(path()) + "\\" + name; }
  } dir_;
  std::string capable_ = dir_ / "capable.dat";
  std::string older_ = dir_ / "older.dat";
  std::string out_ = dir_ / "out.exe";
};

TEST_F(CompressionBuildTest, CompactBuildsACompactPackageAndStandardTodaysBytes) {
  EXPECT_EQ(Build(capable_), L"已经将所有文件打包进安装程序！");
  const std::string standard = ReadAll(out_);
  ASSERT_FALSE(standard.empty());

  StepByKeyboard();
  ASSERT_EQ(Value(kRow), "紧凑");
  EXPECT_EQ(Build(capable_), L"已经将所有文件打包进安装程序！");
  std::string err;
  {
    package::PackageReader reader;
    ASSERT_TRUE(reader.Open(out_, &err)) << err;
    EXPECT_TRUE(reader.contents().solid);
    EXPECT_TRUE(reader.contents().option_union & package::kSolidFlag);
    EXPECT_EQ(reader.contents().solid_files, 2u);
    std::string app;
    ASSERT_TRUE(reader.DecodeRecord(
        0, [&](const uint8_t* p, size_t n, std::string*) {
          app.append(reinterpret_cast<const char*>(p), n);
          return true;
        },
        nullptr, &err))
        << err;
    EXPECT_EQ(app.size(), 100000u);
  }

  // Back to 标准: the same bytes as before the row was touched.
  Key(prop_hwnd(), VK_RETURN);
  ASSERT_EQ(Value(kRow), "标准");
  EXPECT_EQ(Build(capable_), L"已经将所有文件打包进安装程序！");
  EXPECT_TRUE(ReadAll(out_) == standard);
  package::PackageReader today;
  ASSERT_TRUE(today.Open(out_, &err)) << err;
  EXPECT_FALSE(today.contents().solid);
  EXPECT_FALSE(today.contents().option_union & package::kSolidFlag);
}

TEST_F(CompressionBuildTest, ASetupProgramThatCannotReadCompactPackagesIsRefused) {
  StepByKeyboard();
  EXPECT_EQ(Build(older_), platform::Utf8ToWide(package::msg::kSetupCannotReadSolid));
  EXPECT_EQ(GetFileAttributesW(platform::Utf8ToWide(out_).c_str()), INVALID_FILE_ATTRIBUTES);
  // 标准 builds with it as always.
  Key(prop_hwnd(), VK_RETURN);
  EXPECT_EQ(Build(older_), L"已经将所有文件打包进安装程序！");
}

}  // namespace
}  // namespace app_test
