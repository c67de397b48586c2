// Start-up and the main window: the single-instance rule, the install.dat
// check, Form_Load's content and the window's layout.

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "app/layout.h"
#include "app/startup.h"
#include "platform/files.h"
#include "platform/utf.h"
#include "window_fixture.h"

namespace app_test {
namespace {

RECT ClientRectIn(HWND child, HWND parent) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

using MainWindowTest = WindowTest;

TEST_F(MainWindowTest, CaptionClientSizeAndControlPositions) {
  EXPECT_EQ(WindowText(window_->hwnd()), L"Quorin安装包制作工具 V1.1");
  const int dpi = app::layout::SystemDpi();
  auto px = [dpi](int twips) { return MulDiv(twips, dpi, 1440); };
  RECT client;
  GetClientRect(window_->hwnd(), &client);
  EXPECT_EQ(client.right, px(7590));
  EXPECT_EQ(client.bottom, px(6765));
  if (dpi == 96) {
    EXPECT_EQ(client.right, 506);
    EXPECT_EQ(client.bottom, 451);
  }
  struct Expected {
    HWND hwnd;
    int left, top, width, height;
  } controls[] = {
      {prop_hwnd(), 120, 120, 7335, 2535},
      {list(), 120, 3060, 7335, 2775},
      {window_->progress_bar(), 120, 6240, 4815, 375},
      {window_->build_button(), 5160, 6000, 2295, 615},
  };
  for (const Expected& e : controls) {
    RECT r = ClientRectIn(e.hwnd, window_->hwnd());
    EXPECT_EQ(r.left, px(e.left));
    EXPECT_EQ(r.top, px(e.top));
    EXPECT_EQ(r.right - r.left, px(e.width));
    EXPECT_EQ(r.bottom - r.top, px(e.height));
  }
  EXPECT_EQ(WindowText(window_->build_button()), L"生成安装包");
  EXPECT_EQ(WindowText(GetDlgItem(window_->hwnd(), app::kIdListLabel)),
            L"添加到安装包的文件列表(按右键弹出菜单)：");
  EXPECT_EQ(WindowText(GetDlgItem(window_->hwnd(), app::kIdProgressLabel)), L"打包进度：");
  EXPECT_EQ(WindowText(window_->status_label()), L"");
  EXPECT_EQ(SendMessageW(window_->progress_bar(), PBM_GETPOS, 0, 0), 0);
}

TEST_F(MainWindowTest, ListColumnsAndExactlyFullRowSelection) {
  const int dpi = app::layout::SystemDpi();
  const wchar_t* headers[] = {L"文件/目录名", L"路径", L"属性"};
  const int widths[] = {MulDiv(2100, dpi, 1440), MulDiv(4350, dpi, 1440), 0};
  for (int i = 0; i < 3; ++i) {
    wchar_t text[64] = {};
    LVCOLUMNW col = {};
    col.mask = LVCF_TEXT | LVCF_WIDTH;
    col.pszText = text;
    col.cchTextMax = 64;
    ASSERT_TRUE(SendMessageW(list(), LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&col)));
    EXPECT_STREQ(text, headers[i]);
    EXPECT_EQ(col.cx, widths[i]);
  }
  EXPECT_EQ(SendMessageW(list(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0), LVS_EX_FULLROWSELECT);
  EXPECT_EQ(GetWindowLongW(list(), GWL_STYLE) & LVS_TYPEMASK, LVS_REPORT);
}

TEST_F(MainWindowTest, IconsFromResourceOne) {
  EXPECT_NE(SendMessageW(window_->hwnd(), WM_GETICON, ICON_SMALL, 0), 0);
  EXPECT_NE(SendMessageW(window_->hwnd(), WM_GETICON, ICON_BIG, 0), 0);
  // Icon 1 holds the 48, 32 and 16 pixel images.
  for (int size : {16, 32, 48}) {
    HICON icon = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, 0));
    ASSERT_NE(icon, nullptr) << size;
    ICONINFO info = {};
    GetIconInfo(icon, &info);
    BITMAP bm = {};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bm), &bm);
    EXPECT_EQ(bm.bmWidth, size);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    DestroyIcon(icon);
  }
}

// Icon resource 1 holds six images: 48, 32 and 16 pixels, each at 8 and 32 bits.
TEST(ResourcesTest, IconOneHasSixImages) {
#pragma pack(push, 2)
  struct GroupEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bits;
    DWORD bytes;
    WORD id;
  };
  struct GroupDir {
    WORD reserved, type, count;
    GroupEntry entries[1];
  };
#pragma pack(pop)
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC res = FindResourceW(module, MAKEINTRESOURCEW(1), RT_GROUP_ICON);
  ASSERT_NE(res, nullptr);
  const auto* dir = static_cast<const GroupDir*>(LockResource(LoadResource(module, res)));
  ASSERT_EQ(dir->count, 6);
  std::vector<std::pair<int, int>> images;
  for (int i = 0; i < dir->count; ++i) {
    images.push_back({dir->entries[i].width, dir->entries[i].bits});
  }
  std::sort(images.begin(), images.end());
  std::vector<std::pair<int, int>> expected = {{16, 8}, {16, 32}, {32, 8},
                                               {32, 32}, {48, 8}, {48, 32}};
  EXPECT_EQ(images, expected);
  // The browse picture is 19 x 19 at 24 bits.
  HBITMAP browse = static_cast<HBITMAP>(
      LoadImageW(module, MAKEINTRESOURCEW(101), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  ASSERT_NE(browse, nullptr);
  BITMAP bm = {};
  GetObjectW(browse, sizeof(bm), &bm);
  EXPECT_EQ(bm.bmWidth, 19);
  EXPECT_EQ(bm.bmHeight, 19);
  EXPECT_EQ(bm.bmBitsPixel, 24);
  DeleteObject(browse);
}

TEST_F(MainWindowTest, FormLoadFillsTheThreeGroupsAndFiveItems) {
  const proplist::PropertyList& model = props().model();
  ASSERT_EQ(model.NodeCount(), 3);
  EXPECT_EQ(model.Nodes()[0].Caption, "安装信息(必填)");
  EXPECT_EQ(model.Nodes()[1].Caption, "生成(必填)");
  EXPECT_EQ(model.Nodes()[2].Caption, "控制面板(可选)");
  EXPECT_EQ(model.Nodes()[0].ItemCount(), 2);
  EXPECT_EQ(model.Nodes()[1].ItemCount(), 1);
  // The designed two, then the window's compression row.
  ASSERT_EQ(model.Nodes()[2].ItemCount(), 3);
  EXPECT_EQ(model.Item(2, 2)->Name, "压缩方式");
  EXPECT_EQ(Value("软件名称"), "测试");
  EXPECT_EQ(Value("安装目录"), "QrSetup");
  EXPECT_EQ(Value("发行商"), "Quorin软件工作室");
  EXPECT_EQ(Value("版本"), "1.0.0.0");
  std::string folder = platform::ProgramFolder();
  std::string expected = folder + (folder.back() == '\\' ? "" : "\\") + "QrSetup.exe";
  EXPECT_EQ(Value("安装包保存路径"), expected);
  EXPECT_EQ(RowCount(), 0);
  EXPECT_FALSE(window_->IsMaking());
}

TEST(StartUpTest, MissingInstallDatShowsTheLoadFailure) {
  FakeUi ui;
  app::SetUi(&ui);
  ScratchDir dir;
  EXPECT_FALSE(app::CheckInstallDatAtStart(platform::WideToUtf8(dir.path() + L"\\install.dat")));
  std::wstring changed = dir.File(L"install.dat", 4096);
  EXPECT_FALSE(app::CheckInstallDatAtStart(platform::WideToUtf8(changed)));
  app::SetUi(nullptr);
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[0].text, L"install.dat文件丢失或被修改无法使用，请重新下载！");
  EXPECT_EQ(ui.messages[0].title, L"加载失败");
  EXPECT_EQ(ui.messages[0].icon, static_cast<UINT>(MB_ICONEXCLAMATION));
}

// The test's own path in the Windows view, for finding QrMaker.exe.
std::wstring ProgramPath() {
  const char* bin = getenv("QR_BINARY_DIR");
  if (!bin) return L"";
  std::wstring path = L"Z:" + platform::Utf8ToWide(bin) + L"/bin/QrMaker.exe";
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  return path;
}

TEST(StartUpTest, SecondInstanceEndsSilently) {
  HANDLE first = CreateMutexW(nullptr, FALSE, app::kInstanceMutexName);
  ASSERT_NE(first, nullptr);
  // In this process the name is taken now: a second claim fails.
  EXPECT_FALSE(app::ClaimSingleInstance());

  std::wstring exe = ProgramPath();
  if (exe.empty() || GetFileAttributesW(exe.c_str()) == INVALID_FILE_ATTRIBUTES) {
    CloseHandle(first);
    GTEST_SKIP() << "QrMaker.exe not found";
  }
  // The program itself ends at once, before any window, with exit code 0.
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  std::wstring cmd = L"\"" + exe + L"\"";
  ASSERT_TRUE(CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &si, &pi));
  DWORD waited = WaitForSingleObject(pi.hProcess, 30000);
  DWORD code = 1234;
  GetExitCodeProcess(pi.hProcess, &code);
  if (waited != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  CloseHandle(first);
  EXPECT_EQ(waited, WAIT_OBJECT_0);
  EXPECT_EQ(code, 0u);
}

// A second start brings the running window to the front, restored.
TEST(StartUpTest, SecondInstanceBringsTheRunningWindowToTheFront) {
  std::wstring exe = ProgramPath();
  if (exe.empty() || GetFileAttributesW(exe.c_str()) == INVALID_FILE_ATTRIBUTES)
    GTEST_SKIP() << "QrMaker.exe not found";
  FakeUi ui;
  app::SetUi(&ui);
  ASSERT_TRUE(app::MainWindow::Register(GetModuleHandleW(nullptr)));
  app::MainWindow* window = app::MainWindow::Create();
  ASSERT_NE(window, nullptr);
  HWND hwnd = window->hwnd();
  ShowWindow(hwnd, SW_SHOW);
  ShowWindow(hwnd, SW_MINIMIZE);
  HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                               nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  SetForegroundWindow(other);
  Pump();
  ASSERT_TRUE(IsIconic(hwnd));

  HANDLE first = CreateMutexW(nullptr, FALSE, app::kInstanceMutexName);
  STARTUPINFOW si = {};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi = {};
  std::wstring cmd = L"\"" + exe + L"\"";
  ASSERT_TRUE(CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                             nullptr, &si, &pi));
  // Our window answers the other process's calls while we wait.
  bool ended = PumpUntil([&] { return WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; });
  DWORD code = 1234;
  GetExitCodeProcess(pi.hProcess, &code);
  if (!ended) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  CloseHandle(first);
  Pump();
  EXPECT_TRUE(ended);
  EXPECT_EQ(code, 0u);
  EXPECT_FALSE(IsIconic(hwnd));
  EXPECT_TRUE(IsWindowVisible(hwnd));
  EXPECT_EQ(GetForegroundWindow(), hwnd);
  DestroyWindow(other);
  DestroyWindow(hwnd);
  Pump();
  app::SetUi(nullptr);
}

}  // namespace
}  // namespace app_test
