// Options on files inside a folder row from the window: the folder row's
// menu item, its dialog worked from the keyboard, the package it builds
// (the same bytes as qrpack's for the same options) and the project that
// keeps the options.

#include <sstream>

#include "app/folder_files_dialog.h"
#include "app/popup_menu.h"
#include "app/project_commands.h"
#include "app/save_question.h"
#include "cli/cli.h"
#include "package/package_reader.h"
#include "package/package_writer.h"
#include "platform/utf.h"
#include "window_fixture.h"

namespace app_test {
namespace {

using Id = entries::MenuItemId;

std::string Narrow(const std::wstring& w) { return platform::WideToUtf8(w); }

std::string ReadAll(const std::wstring& path) {
  std::string bytes;
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<missing>";
  char buf[65536];
  DWORD got = 0;
  while (ReadFile(h, buf, sizeof(buf), &got, nullptr) && got > 0) bytes.append(buf, got);
  CloseHandle(h);
  return bytes;
}

std::wstring BuiltInstallDat() {
  const char* bin = getenv("QR_BINARY_DIR");
  if (!bin) return L"";
  std::wstring path = L"Z:" + platform::Utf8ToWide(bin) + L"/bin/install.dat";
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  return GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES ? L"" : path;
}

// A key pressed and released in a dialog as its modal loop takes it: through
// the dialog manager, then to the control with the focus.
void DialogKey(HWND dialog, UINT vk, bool shift = false) {
  BYTE keys[256];
  GetKeyboardState(keys);
  const BYTE shift_before = keys[VK_SHIFT];
  keys[VK_SHIFT] = shift ? 0x80 : 0;
  SetKeyboardState(keys);
  HWND focus = GetFocus();
  PostMessageW(focus, WM_KEYDOWN, vk, 1);
  PostMessageW(focus, WM_KEYUP, vk, 0xC0000001);
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (IsDialogMessageW(dialog, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  keys[VK_SHIFT] = shift_before;
  SetKeyboardState(keys);
}

std::wstring ListText(HWND list, int row, int col) {
  wchar_t buf[256] = {};
  LVITEMW item = {};
  item.iSubItem = col;
  item.pszText = buf;
  item.cchTextMax = 256;
  SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return buf;
}

bool Checked(HWND dialog, int32_t bit) {
  for (int i = 0; i < 6; ++i)
    if (app::kFolderFileOptionBits[i] == bit)
      return IsDlgButtonChecked(dialog, app::kIdFirstOptionBox + i) == BST_CHECKED;
  return false;
}

class FolderFilesTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    app_ = dir_.Dir(L"App");
    dir_.Dir(L"App\\bin");
    dir_.File(L"App\\bin\\app.exe", 3000);
    dir_.File(L"App\\bin\\tool.exe", 2000);
    dir_.File(L"App\\readme.txt", 100);
    dir_.Dir(L"win");
    dir_.Dir(L"cli");
    props().model().SetPropValue("软件名称", "工具");
    props().model().SetPropValue("发行商", "工作室");
    props().model().SetPropValue("安装包保存路径", Narrow(dir_.path() + L"\\win\\Setup.exe"));
    AddDirRow(app_);
    SelectRow(0);
  }
  // Marks bin\app.exe and bin\tool.exe for desktop shortcuts in the dialog,
  // from the keyboard only, and presses Enter.
  void MarkTwoDesktopShortcuts() {
    std::vector<std::wstring> seen;
    ui_.on_dialog = [&](HWND dialog) {
      HWND list = GetDlgItem(dialog, app::kIdFilesList);
      EXPECT_EQ(WindowText(dialog), L"目录中文件的安装选项");
      EXPECT_EQ(WindowText(GetDlgItem(dialog, app::kIdFilesLabel)), L"目录“App”中的文件(&F)：");
      for (int i = 0; i < ListView_GetItemCount(list); ++i) seen.push_back(ListText(list, i, 0));
      EXPECT_EQ(GetFocus(), list) << "the list has the keyboard first, its first file selected";
      DialogKey(dialog, VK_TAB);  // "添加到快速启动栏"
      DialogKey(dialog, VK_TAB);  // "添加到桌面快捷"
      EXPECT_EQ(GetFocus(), GetDlgItem(dialog, app::kIdFirstOptionBox + 1));
      DialogKey(dialog, VK_SPACE);
      EXPECT_EQ(ListText(list, 0, 1), L"添加到桌面快捷");
      DialogKey(dialog, VK_TAB, true);
      DialogKey(dialog, VK_TAB, true);
      EXPECT_EQ(GetFocus(), list);
      DialogKey(dialog, VK_DOWN);
      EXPECT_FALSE(Checked(dialog, entries::AddDesktopcut)) << "the boxes follow the selected file";
      DialogKey(dialog, VK_TAB);
      DialogKey(dialog, VK_TAB);
      DialogKey(dialog, VK_SPACE);
      EXPECT_EQ(ListText(list, 1, 1), L"添加到桌面快捷");
      DialogKey(dialog, VK_RETURN);
    };
    RightClick(app::MenuCommand(Id::FolderFiles));
    ui_.on_dialog = nullptr;
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"bin\\app.exe", L"bin\\tool.exe", L"readme.txt"}));
  }
  std::wstring app_;
  ScratchDir dir_;
};

TEST_F(FolderFilesTest, OnlyAFolderRowsMenuOffersItsFiles) {
  AddFileRow(dir_.File(L"top.exe"));
  ui_.popups.clear();
  SelectRow(0);
  RightClick();
  SelectRow(1);
  RightClick();
  ASSERT_EQ(ui_.popups.size(), 2u);
  ASSERT_EQ(ui_.popups[0].size(), 14u);
  EXPECT_EQ(ui_.popups[0][6].caption, L"目录中文件的安装选项...");
  EXPECT_EQ(ui_.popups[0][6].command, app::MenuCommand(Id::FolderFiles));
  EXPECT_EQ(ui_.popups[1].size(), 13u) << "a file row's menu is as designed";
  // Cancelled (Escape), the dialog changes nothing.
  SelectRow(0);
  ui_.on_dialog = [](HWND dialog) {
    DialogKey(dialog, VK_TAB);
    DialogKey(dialog, VK_SPACE);
    DialogKey(dialog, VK_ESCAPE);
  };
  RightClick(app::MenuCommand(Id::FolderFiles));
  EXPECT_EQ(ui_.dialogs_run, 1);
  EXPECT_TRUE(window_->entries().file_options().empty());
}

TEST_F(FolderFilesTest, TwoDesktopShortcutsInsideAFolderBuildTheSamePackageAsQrpack) {
  const std::wstring install_dat = BuiltInstallDat();
  if (install_dat.empty()) GTEST_SKIP() << "no install.dat in the build (QR_BINARY_DIR)";
  MarkTwoDesktopShortcuts();
  EXPECT_EQ(window_->entries().file_options(),
            (std::vector<entries::FileOption>{{entries::AddDesktopcut, "App\\bin\\app.exe"},
                                              {entries::AddDesktopcut, "App\\bin\\tool.exe"}}));
  // Opened again, the dialog shows what was chosen.
  std::wstring shown;
  ui_.on_dialog = [&](HWND dialog) {
    shown = ListText(GetDlgItem(dialog, app::kIdFilesList), 1, 1);
    EXPECT_TRUE(Checked(dialog, entries::AddDesktopcut));
  };
  RightClick(app::MenuCommand(Id::FolderFiles));
  EXPECT_EQ(shown, L"添加到桌面快捷");

  window_->set_package_maker([&](const package::PackageRequest& request, package::BuildProgress& progress) {
    package::PackageRequest copy = request;
    copy.install_dat = Narrow(install_dat);
    return package::MakePackage(copy, progress);
  });
  ClickBuild();
  ASSERT_TRUE(PumpUntil([&] { return !window_->IsMaking(); }));
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, L"已经将所有文件打包进安装程序！");
  const std::wstring from_window = dir_.path() + L"\\win\\Setup.exe";
  package::PackageReader reader;
  std::string err;
  ASSERT_TRUE(reader.Open(Narrow(from_window), &err)) << err;
  EXPECT_TRUE(reader.contents().option_list);
  ASSERT_EQ(reader.contents().options.size(), 2u);
  EXPECT_EQ(reader.contents().options[0].name, "App\\bin\\app.exe");
  EXPECT_EQ(reader.contents().options[1].name, "App\\bin\\tool.exe");

  std::ostringstream out, errs;
  cli::Io io{out, errs};
  const std::wstring from_qrpack = dir_.path() + L"\\cli\\Setup.exe";
  ASSERT_EQ(cli::RunQrpack({"build", "--quiet", "--install-dat", Narrow(install_dat), "--name", "工具",
                            "--publisher", "工作室", "--desktop", Narrow(app_ + L"\\bin\\tool.exe"),
                            "--desktop", Narrow(app_ + L"\\bin\\app.exe"), Narrow(app_), "-o",
                            Narrow(from_qrpack)},
                           io),
            0)
      << errs.str();
  EXPECT_TRUE(ReadAll(from_qrpack) == ReadAll(from_window)) << "window and qrpack differ";
}

class DiscardChanges : public app::SaveQuestion {
 public:
  app::SaveAnswer Ask(HWND, const std::wstring&) override {
    ++asked;
    return app::SaveAnswer::kDiscard;
  }
  int asked = 0;
};

TEST_F(FolderFilesTest, AProjectKeepsTheOptionsForTheWindowAndForQrpack) {
  static DiscardChanges question;  // outlives the test whatever happens in it
  question.asked = 0;
  app::SetSaveQuestion(&question);
  MarkTwoDesktopShortcuts();
  const project::Project before = window_->project().Current();
  const std::wstring path = dir_.path() + L"\\p.qrproj";
  ui_.chosen_saves.push_back(path);
  SendMessageW(window_->hwnd(), WM_SYSCOMMAND, app::kCmdSaveProjectAs, 0);
  const std::string text = ReadAll(path);
  EXPECT_NE(text.find("format = 3\n"), std::string::npos) << text;
  EXPECT_NE(text.find("path = 'App'\nfolder = true\n\n[[entry.file]]\npath = 'bin/app.exe'\n"
                      "options = ['desktop']\n\n[[entry.file]]\npath = 'bin/tool.exe'\n"
                      "options = ['desktop']\n"),
            std::string::npos)
      << text;

  // Removing the folder row takes its files' options with it; opening the
  // project brings both back.
  SetFocus(list());
  SelectRow(0);
  Key(list(), VK_DELETE);
  EXPECT_TRUE(window_->entries().file_options().empty());
  ASSERT_TRUE(window_->OpenProject(path));
  app::SetSaveQuestion(nullptr);
  EXPECT_EQ(question.asked, 1) << "the removal was a change";
  EXPECT_EQ(window_->project().Current(), before);
  EXPECT_EQ(WindowText(window_->hwnd()).substr(0, 4), L"p - ") << "opened unchanged";

  // qrpack saves the same project from the same options.
  std::ostringstream out, errs;
  cli::Io io{out, errs};
  const std::wstring saved = dir_.path() + L"\\q.qrproj";
  ASSERT_EQ(cli::RunQrpack({"build", "--name", "工具", "--publisher", "工作室", "-o",
                            Narrow(dir_.path() + L"\\win\\Setup.exe"), "--desktop",
                            Narrow(app_ + L"\\bin\\app.exe"), "--desktop", Narrow(app_ + L"\\bin\\tool.exe"),
                            Narrow(app_), "--save-project", Narrow(saved)},
                           io),
            0)
      << errs.str();
  EXPECT_EQ(ReadAll(saved), text);
}

}  // namespace
}  // namespace app_test
