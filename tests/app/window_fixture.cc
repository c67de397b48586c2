#include "window_fixture.h"

#include <algorithm>
#include <string>

#include "app/popup_menu.h"

namespace app_test {

ScratchDir::ScratchDir() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  static int counter = 0;
  path_ = std::wstring(temp) + L"qrapp_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
          std::to_wstring(++counter);
  CreateDirectoryW(path_.c_str(), nullptr);
}

static void RemoveTree(const std::wstring& dir) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = fd.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring full = dir + L"\\" + name;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(full);
      } else {
        DeleteFileW(full.c_str());
      }
    } while (FindNextFileW(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryW(dir.c_str());
}

ScratchDir::~ScratchDir() { RemoveTree(path_); }

std::wstring ScratchDir::File(const std::wstring& name, size_t size) const {
  std::wstring full = path_ + L"\\" + name;
  HANDLE h = CreateFileW(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  std::string bytes(size, 'x');
  DWORD written = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(h);
  return full;
}

std::wstring ScratchDir::Dir(const std::wstring& name) const {
  std::wstring full = path_ + L"\\" + name;
  CreateDirectoryW(full.c_str(), nullptr);
  return full;
}

void WindowTest::SetUp() {
  app::SetUi(&ui_);
  ASSERT_TRUE(app::MainWindow::Register(GetModuleHandleW(nullptr)));
  window_ = app::MainWindow::Create();
  ASSERT_NE(window_, nullptr);
  ShowWindow(window_->hwnd(), SW_SHOW);
  SetForegroundWindow(window_->hwnd());
  Pump();
}

void WindowTest::TearDown() {
  if (window_) {
    // (Under wine without a window manager, destroying the active window
    // takes about two seconds.)
    PumpUntil([this] { return !window_->IsMaking(); });
    DestroyWindow(window_->hwnd());
  }
  Pump();
  app::SetUi(nullptr);
}

int WindowTest::W() {
  RECT r;
  GetClientRect(prop_hwnd(), &r);
  return r.right;
}

void WindowTest::Press(int y, int x) {
  SendMessageW(prop_hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  SendMessageW(prop_hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  Pump();
}

void WindowTest::Type(const std::wstring& text) {
  for (wchar_t c : text) SendMessageW(editor(), WM_CHAR, c, 1);
}

void WindowTest::PressEnter() {
  SendMessageW(editor(), WM_KEYDOWN, VK_RETURN, 1);
  SendMessageW(editor(), WM_CHAR, VK_RETURN, 1);
  SendMessageW(editor(), WM_KEYUP, VK_RETURN, 1);
  Pump();
}

static RECT ChildRect(HWND child, HWND parent) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

RECT WindowTest::EditorRect() { return ChildRect(editor(), prop_hwnd()); }

int WindowTest::EditorFontHeight() {
  HDC dc = GetDC(editor());
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(editor(), WM_GETFONT, 0, 0)));
  TEXTMETRICW metrics = {};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(editor(), dc);
  return metrics.tmHeight;
}

int WindowTest::EditorTop(int row_top) {
  // The editor ends above the row's grid line (row_top + 19) when it can.
  const int height = std::max(13, EditorFontHeight());
  return row_top + std::max(0, std::min(4, 19 - height));
}

void WindowTest::Key(HWND hwnd, UINT vk, bool shift) {
  BYTE keys[256];
  GetKeyboardState(keys);
  const BYTE shift_before = keys[VK_SHIFT];
  keys[VK_SHIFT] = shift ? 0x80 : 0;
  SetKeyboardState(keys);
  SendMessageW(hwnd, WM_KEYDOWN, vk, 1);
  MSG msg = {hwnd, WM_KEYDOWN, vk, 1, 0, {0, 0}};
  TranslateMessage(&msg);  // posts the key's character, if it has one
  Pump();
  // The release goes where the focus is by then.
  HWND focus = GetFocus();
  SendMessageW(focus && focus != hwnd ? focus : hwnd, WM_KEYUP, vk, 0xC0000001);
  keys[VK_SHIFT] = shift_before;
  SetKeyboardState(keys);
  Pump();
}
RECT WindowTest::PictureRect() { return ChildRect(picture(), prop_hwnd()); }

void WindowTest::ClickBuild() {
  SendMessageW(window_->build_button(), BM_CLICK, 0, 0);
  Pump();
}

std::wstring WindowTest::Cell(int row, int col) {
  wchar_t buf[512] = {};
  LVITEMW item = {};
  item.iSubItem = col;
  item.pszText = buf;
  item.cchTextMax = 512;
  SendMessageW(list(), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return buf;
}

int WindowTest::RowCount() { return static_cast<int>(SendMessageW(list(), LVM_GETITEMCOUNT, 0, 0)); }

void WindowTest::SelectRow(int row) {
  LVITEMW item = {};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = 0;
  SendMessageW(list(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
  if (row >= 0) {
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
  }
  Pump();
}

void WindowTest::RightClick(UINT command) {
  if (command) ui_.popup_answers.push_back(command);
  NMHDR hdr = {};
  hdr.hwndFrom = list();
  hdr.idFrom = app::kIdEntryList;
  hdr.code = NM_RCLICK;
  SendMessageW(window_->hwnd(), WM_NOTIFY, hdr.idFrom, reinterpret_cast<LPARAM>(&hdr));
  Pump();
  ui_.popup_answers.clear();
}

void WindowTest::AddFileRow(const std::wstring& path) {
  ui_.chosen_files.push_back(path);
  RightClick(app::MenuCommand(entries::MenuItemId::AddFile));
}

void WindowTest::AddDirRow(const std::wstring& path) {
  ui_.chosen_folders.push_back(path);
  RightClick(app::MenuCommand(entries::MenuItemId::AddDir));
}

}  // namespace app_test
