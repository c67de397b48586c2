// Projects in the main window: the four commands by key and system menu,
// the title, the question before unsaved changes go, refused files, rows
// whose files have gone, and one project built by the window and both
// qrpack programs into the same bytes.

#include <sstream>

#include "app/popup_menu.h"
#include "app/project_commands.h"
#include "app/save_question.h"
#include "cli/cli.h"
#include "package/package_writer.h"
#include "platform/utf.h"
#include "project/project_store.h"
#include "proplist/layout.h"

#include "window_fixture.h"

namespace app_test {
namespace {

constexpr wchar_t kCaption[] = L"Quorin安装包制作工具 V1.1";

class FakeQuestion : public app::SaveQuestion {
 public:
  app::SaveAnswer Ask(HWND, const std::wstring& text) override {
    asked.push_back(text);
    return answer;
  }
  app::SaveAnswer answer = app::SaveAnswer::kCancel;
  std::vector<std::wstring> asked;
};

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

void WriteAll(const std::wstring& path, const std::string& bytes) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
}

class ProjectWindowTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    app::SetSaveQuestion(&question_);
    keys_ = app::CreateProjectAccelerators();
  }
  void TearDown() override {
    DestroyAcceleratorTable(keys_);
    WindowTest::TearDown();
    app::SetSaveQuestion(nullptr);
  }
  // The key with Ctrl (and Shift) held, through the message loop's table.
  bool CtrlKey(UINT vk, bool shift = false) {
    BYTE keys[256];
    GetKeyboardState(keys);
    BYTE before[256];
    std::copy(keys, keys + 256, before);
    keys[VK_CONTROL] = 0x80;
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    MSG msg = {list(), WM_KEYDOWN, vk, 1, 0, {0, 0}};
    bool taken = TranslateAcceleratorW(window_->hwnd(), keys_, &msg) != 0;
    SetKeyboardState(before);
    Pump();
    return taken;
  }
  std::wstring Title() { return WindowText(window_->hwnd()); }
  void SetOption(int row, entries::MenuItemId id) {
    SelectRow(row);
    RightClick(app::MenuCommand(id));
  }
  std::wstring SaveAs(const std::wstring& name) {
    std::wstring path = dir_.path() + L"\\" + name;
    ui_.chosen_saves.push_back(path);
    EXPECT_TRUE(CtrlKey('S', true));
    return path;
  }
  void Open(const std::wstring& path) {
    ui_.chosen_files.push_back(path);
    EXPECT_TRUE(CtrlKey('O'));
  }

  FakeQuestion question_;
  HACCEL keys_ = nullptr;
  ScratchDir dir_;
};

TEST(ProjectArgument, TheFirstArgumentAfterTheProgram) {
  EXPECT_EQ(app::ProjectArgument(L"\"C:\\Program Files\\QrMaker.exe\" \"D:\\a b\\我的.qrproj\""),
            L"D:\\a b\\我的.qrproj");
  EXPECT_EQ(app::ProjectArgument(L"QrMaker.exe p.qrproj extra"), L"p.qrproj");
  EXPECT_EQ(app::ProjectArgument(L"\"C:\\QrMaker.exe\""), L"");
  EXPECT_EQ(app::ProjectArgument(L"QrMaker.exe   "), L"");
}

TEST_F(ProjectWindowTest, WithoutAProjectTheWindowIsAsDesignedAndClosesWithoutAQuestion) {
  EXPECT_EQ(Title(), kCaption);
  HMENU menu = GetSystemMenu(window_->hwnd(), FALSE);
  ASSERT_GE(GetMenuItemCount(menu), 6);
  const wchar_t* texts[] = {L"新建项目(&N)\tCtrl+N", L"打开项目(&O)...\tCtrl+O",
                            L"保存项目(&S)\tCtrl+S", L"项目另存为(&A)...\tCtrl+Shift+S"};
  const UINT ids[] = {app::kCmdNewProject, app::kCmdOpenProject, app::kCmdSaveProject,
                      app::kCmdSaveProjectAs};
  for (int i = 0; i < 4; ++i) {
    wchar_t text[128] = {};
    GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
    EXPECT_EQ(std::wstring(text), texts[i]);
    EXPECT_EQ(GetMenuItemID(menu, i), ids[i]);
  }
  EXPECT_EQ(GetMenuState(menu, 4, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));

  AddFileRow(dir_.File(L"a.txt"));
  EXPECT_EQ(Title(), kCaption) << "no project: no mark";
  HWND hwnd = window_->hwnd();
  SendMessageW(hwnd, WM_CLOSE, 0, 0);
  EXPECT_TRUE(question_.asked.empty());
  EXPECT_FALSE(IsWindow(hwnd));
  window_ = nullptr;
}

TEST_F(ProjectWindowTest, SavedStateOpensAgainAsItWas) {
  props().model().SetPropValue("软件名称", "项目名");
  props().model().SetPropValue("版本", "2.0");
  props().model().SetPropValue("安装包保存路径", platform::WideToUtf8(dir_.path() + L"\\out\\s.exe"));
  AddFileRow(dir_.File(L"app.exe"));
  AddDirRow(dir_.Dir(L"data"));
  AddFileRow(dir_.File(L"说明.txt"));
  SetOption(0, entries::MenuItemId::RunApp);
  SetOption(2, entries::MenuItemId::AddDesktopcut);
  SetOption(2, entries::MenuItemId::SetCtrlPanelIcon);
  const project::Project before = window_->project().Current();

  // Save As through the system menu's command, then Save by its key.
  ui_.chosen_saves.push_back(dir_.path() + L"\\发布.qrproj");
  SendMessageW(window_->hwnd(), WM_SYSCOMMAND, app::kCmdSaveProjectAs, 0);
  EXPECT_EQ(Title(), std::wstring(L"发布 - ") + kCaption);
  const wchar_t filter[] = L"QrMaker项目(*.qrproj)\0*.qrproj\0";
  EXPECT_EQ(ui_.save_calls.back().filter, std::wstring(filter, sizeof(filter) / sizeof(wchar_t) - 1));
  std::string text = ReadAll(dir_.path() + L"\\发布.qrproj");
  EXPECT_NE(text.find("output = 'out/s.exe'"), std::string::npos) << text;
  EXPECT_NE(text.find("path = '说明.txt'\noptions = ['desktop', 'control-panel-icon']"),
            std::string::npos)
      << text;

  // New: the designed defaults, no project.
  EXPECT_TRUE(CtrlKey('N'));
  EXPECT_TRUE(question_.asked.empty()) << "nothing was changed";
  EXPECT_EQ(Title(), kCaption);
  EXPECT_EQ(RowCount(), 0);
  EXPECT_EQ(Value("软件名称"), "测试");

  Open(dir_.path() + L"\\发布.qrproj");
  EXPECT_EQ(window_->project().Current(), before);
  EXPECT_EQ(RowCount(), 3);
  EXPECT_EQ(Cell(1, 0), L"data");
  EXPECT_EQ(Title(), std::wstring(L"发布 - ") + kCaption);
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(ProjectWindowTest, UnsavedChangesAreMarkedAndAskedAbout) {
  AddFileRow(dir_.File(L"app.exe"));
  std::wstring path = SaveAs(L"p.qrproj");
  const std::string saved = ReadAll(path);
  EXPECT_EQ(Title(), std::wstring(L"p - ") + kCaption);

  props().model().SetPropValue("发行商", "新发行商");
  EXPECT_EQ(Title(), std::wstring(L"p* - ") + kCaption);
  const size_t choosers = ui_.open_filters.size();
  // Cancel: nothing happens, for each of new, open, drop and close.
  question_.answer = app::SaveAnswer::kCancel;
  EXPECT_TRUE(CtrlKey('N'));
  Open(path);
  SendMessageW(window_->hwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({path})), 0);
  SendMessageW(window_->hwnd(), WM_CLOSE, 0, 0);
  ASSERT_EQ(question_.asked.size(), 4u);
  EXPECT_EQ(question_.asked[0], L"项目“p”已修改，是否保存修改？");
  EXPECT_TRUE(IsWindow(window_->hwnd()));
  EXPECT_EQ(Value("发行商"), "新发行商");
  EXPECT_EQ(ReadAll(path), saved);
  EXPECT_EQ(ui_.open_filters.size(), choosers) << "no chooser after Cancel";
  ui_.chosen_files.clear();

  // Don't save: the change is dropped by opening the file again.
  question_.answer = app::SaveAnswer::kDiscard;
  SendMessageW(window_->hwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({path})), 0);
  Pump();
  EXPECT_EQ(Value("发行商"), "Quorin软件工作室");
  EXPECT_EQ(Title(), std::wstring(L"p - ") + kCaption);
  EXPECT_EQ(ReadAll(path), saved);

  // Removing a row marks the title too; Save keeps it, then New asks nothing.
  SetFocus(list());
  SelectRow(0);
  Key(list(), VK_DELETE);
  ASSERT_EQ(RowCount(), 0);
  EXPECT_EQ(Title(), std::wstring(L"p* - ") + kCaption);
  question_.answer = app::SaveAnswer::kSave;
  EXPECT_TRUE(CtrlKey('N'));
  EXPECT_EQ(question_.asked.size(), 6u);
  EXPECT_EQ(ReadAll(path).find("[[entry]]"), std::string::npos) << "saved without the row";
  EXPECT_EQ(Title(), kCaption);
}

TEST_F(ProjectWindowTest, AnOpenEditIsSavedAndCloseWithChangesAsks) {
  std::wstring path = SaveAs(L"edit.qrproj");
  props().SetItemFocus("安装目录");
  ASSERT_TRUE(EditorShown());
  Type(L"MyDir");
  EXPECT_TRUE(CtrlKey('S'));
  EXPECT_NE(ReadAll(path).find("dir = 'MyDir'"), std::string::npos) << ReadAll(path);
  EXPECT_EQ(Title(), std::wstring(L"edit - ") + kCaption);

  AddFileRow(dir_.File(L"b.txt"));
  question_.answer = app::SaveAnswer::kSave;
  HWND hwnd = window_->hwnd();
  SendMessageW(hwnd, WM_CLOSE, 0, 0);
  EXPECT_EQ(question_.asked.size(), 1u);
  EXPECT_FALSE(IsWindow(hwnd));
  window_ = nullptr;
  EXPECT_NE(ReadAll(path).find("path = 'b.txt'"), std::string::npos);
}

TEST_F(ProjectWindowTest, ABadProjectIsRefusedAndTheWindowKeepsWhatItHad) {
  question_.answer = app::SaveAnswer::kDiscard;
  AddFileRow(dir_.File(L"keep.txt"));
  props().model().SetPropValue("软件名称", "保留");
  const std::wstring bad = dir_.path() + L"\\bad.qrproj";
  WriteAll(bad, "format = 1\n[package]\nname = '新'\n[[entry]]\npath = 'x'\nwhat = 1\n");
  Open(bad);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, L"项目文件有误：" + bad + L" 第 6 行：未知的键“what”");
  EXPECT_EQ(ui_.messages[0].icon, static_cast<UINT>(MB_ICONEXCLAMATION));
  // A format newer than any this program reads.
  WriteAll(bad, "format = 99\n");
  EXPECT_FALSE(window_->OpenProject(bad));
  ASSERT_EQ(ui_.messages.size(), 2u);
  EXPECT_NE(ui_.messages[1].text.find(L"第 1 行：格式版本 99"), std::wstring::npos);
  EXPECT_EQ(Value("软件名称"), "保留");
  EXPECT_EQ(RowCount(), 1);
  EXPECT_EQ(Title(), kCaption);
}

TEST_F(ProjectWindowTest, RowsWhoseFilesHaveGoneAreMarkedAndNamed) {
  const std::wstring p = dir_.path() + L"\\gone.qrproj";
  dir_.File(L"here.txt");
  WriteAll(p, "format = 1\n[[entry]]\npath = 'here.txt'\n[[entry]]\npath = 'lost.exe'\n"
              "options = ['run']\n[[entry]]\npath = 'old'\nfolder = true\n");
  ASSERT_TRUE(window_->OpenProject(p));
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, L"项目中的以下文件或文件夹已不存在：\n" + dir_.path() +
                                      L"\\lost.exe\n" + dir_.path() + L"\\old");
  EXPECT_EQ(RowCount(), 3);
  EXPECT_FALSE(window_->project().IsMarkedMissing(platform::WideToUtf8(dir_.path() + L"\\here.txt")));
  EXPECT_TRUE(window_->project().IsMarkedMissing(platform::WideToUtf8(dir_.path() + L"\\lost.exe")));
  EXPECT_EQ(Title(), std::wstring(L"gone - ") + kCaption) << "opening is no change";
  // The list draws the marked row in its own colour.
  NMLVCUSTOMDRAW draw = {};
  draw.nmcd.hdr = {list(), static_cast<UINT_PTR>(app::kIdEntryList), static_cast<UINT>(NM_CUSTOMDRAW)};
  draw.nmcd.dwDrawStage = CDDS_PREPAINT;
  EXPECT_EQ(SendMessageW(window_->hwnd(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&draw)),
            CDRF_NOTIFYITEMDRAW);
  draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
  for (DWORD_PTR row : {0, 1}) {
    draw.nmcd.dwItemSpec = row;
    draw.clrText = RGB(1, 2, 3);
    SendMessageW(window_->hwnd(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&draw));
    EXPECT_EQ(draw.clrText == RGB(1, 2, 3), row == 0) << row;
  }
}

std::wstring FixtureDir() {
  const char* bin = getenv("QR_BINARY_DIR");
  if (!bin) return L"";
  std::wstring root = L"Z:" + platform::Utf8ToWide(bin) + L"/tests/app/project_package";
  for (wchar_t& c : root)
    if (c == L'/') c = L'\\';
  return root;
}

TEST_F(ProjectWindowTest, APathThatLeavesThroughALinkIsRefused) {
  const std::wstring root = FixtureDir();
  if (root.empty()) GTEST_SKIP() << "QR_BINARY_DIR is not set";
  const std::wstring p = root + L"\\linked\\proj\\p.qrproj";
  EXPECT_FALSE(window_->OpenProject(p));
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text,
            L"项目文件有误：" + p + L" 第 3 行：路径“out/secret.txt”经由链接通到项目文件夹之外");
  EXPECT_EQ(RowCount(), 0);
}

// The window and qrpack.exe build the project that make_project_package.sh
// wrote and built with the Linux qrpack; all three packages are the same bytes.
TEST_F(ProjectWindowTest, WindowAndBothQrpacksBuildTheSamePackage) {
  const std::wstring root = FixtureDir();
  if (root.empty()) GTEST_SKIP() << "QR_BINARY_DIR is not set";
  const std::wstring install_dat = root + L"\\..\\..\\..\\bin\\install.dat";
  const std::string linux_package = ReadAll(root + L"\\linux.exe");
  ASSERT_NE(linux_package, "<missing>") << "the fixture app_project_package makes it";

  // The window builds into the project's own output path.
  const std::wstring output = root + L"\\proj\\out\\linux.exe";
  DeleteFileW(output.c_str());
  window_->set_package_maker([&](const package::PackageRequest& request, package::BuildProgress& progress) {
    package::PackageRequest copy = request;
    copy.install_dat = platform::WideToUtf8(install_dat);
    EXPECT_EQ(copy.jobs, 2) << "the project's job count";
    return package::MakePackage(copy, progress);
  });
  ASSERT_TRUE(window_->OpenProject(root + L"\\proj\\my.qrproj"));
  ClickBuild();
  ASSERT_TRUE(PumpUntil([&] { return !window_->IsMaking(); }));
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, L"已经将所有文件打包进安装程序！");
  EXPECT_TRUE(ReadAll(output) == linux_package) << "window and Linux qrpack differ";

  std::ostringstream out, err;
  cli::Io io{out, err};
  // The same file name: a package records its own name in its version resource.
  CreateDirectoryW((root + L"\\win").c_str(), nullptr);
  const std::wstring windows_output = root + L"\\win\\linux.exe";
  int code = cli::RunQrpack({"build", "--quiet", "--install-dat", platform::WideToUtf8(install_dat),
                             platform::WideToUtf8(root + L"\\proj\\my.qrproj"), "-o",
                             platform::WideToUtf8(windows_output)},
                            io);
  ASSERT_EQ(code, 0) << err.str();
  EXPECT_TRUE(ReadAll(windows_output) == linux_package) << "qrpack.exe and Linux qrpack differ";
}

// The compression row goes both ways with the project: chosen by key it
// marks the project changed and is saved, and an opened project shows it.
TEST_F(ProjectWindowTest, TheCompressionRowIsSavedAndOpenedWithTheProject) {
  const std::wstring path = SaveAs(L"紧凑.qrproj");
  EXPECT_EQ(ReadAll(path).find("compression"), std::string::npos) << "标准 writes no key";
  SetFocus(prop_hwnd());
  Key(prop_hwnd(), VK_END);
  Key(prop_hwnd(), VK_RETURN);
  EXPECT_EQ(Value("压缩方式"), "紧凑");
  EXPECT_EQ(Title(), std::wstring(L"紧凑* - ") + kCaption);
  EXPECT_TRUE(CtrlKey('S'));
  EXPECT_EQ(Title(), std::wstring(L"紧凑 - ") + kCaption);
  const std::string text = ReadAll(path);
  EXPECT_NE(text.find("compression = 'solid'"), std::string::npos) << text;

  // New shows the default again; opening the file shows its choice.
  EXPECT_TRUE(CtrlKey('N'));
  EXPECT_EQ(Value("压缩方式"), "标准");
  Open(path);
  EXPECT_EQ(Value("压缩方式"), "紧凑");
  EXPECT_EQ(window_->project().Current().compression, package::Compression::kSolid);
  EXPECT_EQ(Title(), std::wstring(L"紧凑 - ") + kCaption) << "opening changes nothing";

  // Back to 标准 by a double click: the key goes from the file.
  const int row = proplist::RowTop(props().model(), 2, 2, props().metrics()) + 5;
  SendMessageW(prop_hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(150, row));
  SendMessageW(prop_hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(150, row));
  EXPECT_EQ(Value("压缩方式"), "紧凑") << "one press only selects";
  SendMessageW(prop_hwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(150, row));
  Pump();
  EXPECT_EQ(Value("压缩方式"), "标准");
  EXPECT_EQ(Title(), std::wstring(L"紧凑* - ") + kCaption);
  EXPECT_TRUE(CtrlKey('S'));
  EXPECT_EQ(ReadAll(path).find("compression"), std::string::npos) << ReadAll(path);
  EXPECT_TRUE(ui_.messages.empty());
}

}  // namespace
}  // namespace app_test
