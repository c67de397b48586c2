#pragma once
// Creates the real main window in the test process, with a FakeUi answering
// its modal parts, and drives it through its own window messages.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/prop_list_view.h"
#include "drop_files.h"
#include "fake_ui.h"

namespace app_test {

// Runs the window messages waiting in the queue.
inline void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// Pumps until done() holds or about 20 seconds pass.
inline bool PumpUntil(const std::function<bool()>& done) {
  for (int i = 0; i < 2000; ++i) {
    Pump();
    if (done()) return true;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return done();
}

inline std::wstring WindowText(HWND hwnd) {
  wchar_t buf[1024] = {};
  GetWindowTextW(hwnd, buf, 1024);
  return buf;
}

// A fresh folder under the temp folder, removed with its files afterwards.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  const std::wstring& path() const { return path_; }
  // Creates a file of `size` bytes and returns its full path.
  std::wstring File(const std::wstring& name, size_t size = 16) const;
  std::wstring Dir(const std::wstring& name) const;

 private:
  std::wstring path_;
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  app::PropListView& props() { return window_->prop_list(); }
  HWND prop_hwnd() { return window_->prop_list().hwnd(); }
  HWND editor() { return window_->prop_list().editor(); }
  HWND picture() { return window_->prop_list().browse_button(); }
  HWND list() { return window_->list(); }
  int W();  // the property list's client width

  // A press at (x, y) on the property list.
  void Press(int y, int x = 50);
  // Types text into the editor, one character message at a time.
  void Type(const std::wstring& text);
  void PressEnter();
  // The editor's rectangle in the property list's client pixels.
  RECT EditorRect();
  // The editor's top on an item row whose top is row_top: 4 below it as
  // designed, less for a font whose cell would not fit there.
  int EditorTop(int row_top);
  // The cell height of the font the editor uses.
  int EditorFontHeight();
  RECT PictureRect();
  bool EditorShown() { return IsWindowVisible(editor()) != FALSE; }
  std::string Value(const char* name) { return props().model().GetPropValue(name); }
  void ClickBuild();

  // The entry list as the user sees it: row texts of column col.
  std::wstring Cell(int row, int col);
  int RowCount();
  void SelectRow(int row);  // 0-based; -1 clears the selection
  // A right-button release over the list; the popup answers command.
  void RightClick(UINT command = 0);
  void AddFileRow(const std::wstring& path);
  void AddDirRow(const std::wstring& path);

  // A key pressed and released on hwnd as the window's thread sees it, with
  // Shift held or not.
  void Key(HWND hwnd, UINT vk, bool shift = false);

  FakeUi ui_;
  app::MainWindow* window_ = nullptr;
};

}  // namespace app_test
