// The main window from the keyboard: the focus at start, the tab stops in
// order, the build button pressed by key, and the entry list's menu opened
// with Shift+F10 and the menu key.

#include <vector>

#include "app/popup_menu.h"
#include "package/build_request.h"
#include "platform/utf.h"
#include "window_fixture.h"

namespace app_test {
namespace {

using KeyboardTest = WindowTest;

bool Inside(const RECT& r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

// The screen rectangle of a list row.
RECT RowOnScreen(HWND list, int row) {
  RECT r = {};
  r.left = LVIR_BOUNDS;
  SendMessageW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&r));
  MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST_F(KeyboardTest, TheFocusStartsInTheWindowAndTabWalksTheStopsInOrder) {
  HWND button = window_->build_button();
  EXPECT_EQ(GetFocus(), prop_hwnd());
  Key(GetFocus(), VK_TAB);
  EXPECT_EQ(GetFocus(), list());
  Key(GetFocus(), VK_TAB);
  EXPECT_EQ(GetFocus(), button);
  Key(GetFocus(), VK_TAB);
  EXPECT_EQ(GetFocus(), prop_hwnd());
  Key(GetFocus(), VK_TAB, /*shift=*/true);
  EXPECT_EQ(GetFocus(), button);
  Key(GetFocus(), VK_TAB, true);
  EXPECT_EQ(GetFocus(), list());
  Key(GetFocus(), VK_TAB, true);
  EXPECT_EQ(GetFocus(), prop_hwnd());
  // Moving over the items and Escape open no editor (grid_keys_test.cc has
  // the keys that do).
  for (UINT vk : {VK_DOWN, VK_UP, VK_ESCAPE}) Key(prop_hwnd(), vk);
  EXPECT_FALSE(EditorShown());
  EXPECT_EQ(GetFocus(), prop_hwnd());
}

TEST_F(KeyboardTest, TheOpenEditorIsThePropertyListsStop) {
  Press(30);
  ASSERT_EQ(GetFocus(), editor());
  Type(L"新名字");
  // Tab leaves the editor for the entry list: the edit is committed.
  Key(editor(), VK_TAB);
  EXPECT_EQ(GetFocus(), list());
  EXPECT_FALSE(EditorShown());
  EXPECT_EQ(Value("软件名称"), "新名字");
  // Shift+Tab from the editor goes back past the end, to the build button.
  Press(50);
  Type(L"Dir");
  Key(editor(), VK_TAB, true);
  EXPECT_EQ(GetFocus(), window_->build_button());
  EXPECT_EQ(Value("安装目录"), "Dir");
  // Enter closes the editor and the focus stays with the property list.
  Press(150);
  Key(editor(), VK_RETURN);
  EXPECT_FALSE(EditorShown());
  EXPECT_EQ(GetFocus(), prop_hwnd());
  // Another window that takes the focus for a while gives it back here.
  Press(150);
  FakeUi::TakeFocusAsAModalWindow(window_->hwnd());
  Pump();
  EXPECT_TRUE(EditorShown());
  EXPECT_EQ(GetFocus(), editor());
  // No tab character ever reaches the text.
  EXPECT_EQ(WindowText(editor()), L"1.0.0.0");
}

TEST_F(KeyboardTest, TheBuildButtonIsReachedAndPressedFromTheKeyboard) {
  SetFocus(list());
  Key(list(), VK_TAB);
  HWND button = window_->build_button();
  ASSERT_EQ(GetFocus(), button);
  // Space presses it: the list is empty, so the build refuses with its message.
  Key(button, VK_SPACE);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, L"请添加文件后再点击“生成安装包”按钮！");
  // Enter as well.
  SetFocus(button);
  Key(button, VK_RETURN);
  EXPECT_EQ(ui_.messages.size(), 2u);
}

TEST_F(KeyboardTest, DuringABuildTabSkipsTheLockedStopsAndTheButtonHasTheFocusAfter) {
  ScratchDir dir;
  props().model().SetPropValue("安装包保存路径", platform::WideToUtf8(dir.path() + L"\\out.exe"));
  AddFileRow(dir.File(L"a.txt"));
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  window_->set_package_maker([&](const package::PackageRequest&, package::BuildProgress&) {
    WaitForSingleObject(release, 30000);
    return package::BuildResult{package::BuildOutcome::kWritten, ""};
  });
  HWND button = window_->build_button();
  SetFocus(button);
  Key(button, VK_SPACE);
  ASSERT_TRUE(window_->IsMaking());
  // The locked button and property list take no focus; the list keeps it.
  EXPECT_EQ(GetFocus(), list());
  Key(list(), VK_TAB);
  EXPECT_EQ(GetFocus(), list());
  Key(list(), VK_TAB, true);
  EXPECT_EQ(GetFocus(), list());
  SetEvent(release);
  ASSERT_TRUE(PumpUntil([&] { return !window_->IsMaking(); }));
  CloseHandle(release);
  EXPECT_EQ(GetFocus(), button);
}

// What Windows sends for Shift+F10 and the menu key: a context menu
// request without a point.
void ContextMenuKey(HWND list) {
  SendMessageW(list, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(list), -1);
}

TEST_F(KeyboardTest, TheMenuKeyOpensTheEntryListsMenuAtTheSelectedRow) {
  ScratchDir dir;
  AddFileRow(dir.File(L"a.exe"));
  AddFileRow(dir.File(L"b.exe"));
  SetFocus(list());
  // No row selected: the two adding items, below the header.
  SelectRow(-1);
  ui_.popups.clear();
  ui_.popup_points.clear();
  ContextMenuKey(list());
  ASSERT_EQ(ui_.popups.size(), 1u);
  EXPECT_EQ(ui_.popups[0].size(), 2u);
  RECT list_rect;
  GetWindowRect(list(), &list_rect);
  EXPECT_TRUE(Inside(list_rect, ui_.popup_points[0]));

  // A selected row: all the items with its check marks, at the row.
  SelectRow(1);
  RightClick(app::MenuCommand(entries::MenuItemId::RunApp));
  ui_.popups.clear();
  ui_.popup_points.clear();
  ui_.popup_answers.push_back(app::MenuCommand(entries::MenuItemId::RunApp));
  ContextMenuKey(list());
  ASSERT_EQ(ui_.popups.size(), 1u);
  ASSERT_EQ(ui_.popups[0].size(), 13u);
  EXPECT_TRUE(ui_.popups[0][9].checked) << "运行该程序";
  RECT row = RowOnScreen(list(), 1);
  POINT at = ui_.popup_points[0];
  EXPECT_TRUE(at.x >= row.left && at.x < row.right && at.y >= row.top && at.y <= row.bottom)
      << at.x << "," << at.y;
  // Its commands act as the mouse's do: the option is switched off again.
  EXPECT_EQ(Cell(1, 2), L"0");
}

TEST_F(KeyboardTest, ShiftF10AndTheMenuKeyThemselvesOpenTheMenu) {
  ScratchDir dir;
  AddFileRow(dir.File(L"a.exe"));
  SelectRow(0);
  // Real key presses, through the system's input queue. Another program's
  // window may take the foreground meanwhile: then the keys are tried again.
  auto press = [this](std::vector<WORD> keys) {
    for (int attempt = 0; attempt < 3; ++attempt) {
      SetForegroundWindow(window_->hwnd());
      SetFocus(list());
      Pump();
      size_t before = ui_.popups.size();
      std::vector<INPUT> input;
      auto add = [&input](WORD vk, DWORD flags) {
        INPUT in = {};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk;
        in.ki.dwFlags = flags;
        input.push_back(in);
      };
      for (WORD vk : keys) add(vk, 0);
      for (auto vk = keys.rbegin(); vk != keys.rend(); ++vk) add(*vk, KEYEVENTF_KEYUP);
      SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT));
      if (PumpUntil([&] { return ui_.popups.size() > before; })) return true;
    }
    return false;
  };
  ui_.popups.clear();
  ASSERT_TRUE(press({VK_SHIFT, VK_F10}));
  ASSERT_TRUE(press({VK_APPS}));
  Pump();
  ASSERT_EQ(ui_.popups.size(), 2u) << "one menu per key";
  for (const auto& popup : ui_.popups) EXPECT_EQ(popup.size(), 13u);
}

TEST_F(KeyboardTest, TheMenuKeyOpensNoMenuDuringABuild) {
  ScratchDir dir;
  props().model().SetPropValue("安装包保存路径", platform::WideToUtf8(dir.path() + L"\\out.exe"));
  AddFileRow(dir.File(L"a.txt"));
  SelectRow(0);
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  window_->set_package_maker([&](const package::PackageRequest&, package::BuildProgress&) {
    WaitForSingleObject(release, 30000);
    return package::BuildResult{package::BuildOutcome::kWritten, ""};
  });
  ClickBuild();
  ASSERT_TRUE(window_->IsMaking());
  ui_.popups.clear();
  ContextMenuKey(list());
  EXPECT_TRUE(ui_.popups.empty());
  SetEvent(release);
  ASSERT_TRUE(PumpUntil([&] { return !window_->IsMaking(); }));
  CloseHandle(release);
}

}  // namespace
}  // namespace app_test
