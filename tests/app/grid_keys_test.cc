// The property list from the keyboard: the focus mark, the item keys, the
// editor opened by Enter, F2 or typing, Escape, and the save dialog by F4
// and Alt+Down; the mouse's behaviour stays as designed.

#include <string>

#include "window_fixture.h"

namespace app_test {
namespace {

using GridKeysTest = WindowTest;

// Alt held with vk, as the system sends it: WM_SYSKEYDOWN with the context bit.
void AltKey(HWND hwnd, UINT vk) {
  SendMessageW(hwnd, WM_SYSKEYDOWN, vk, 0x20000001);
  Pump();
  SendMessageW(GetFocus() ? GetFocus() : hwnd, WM_SYSKEYUP, vk, 0xE0000001);
  Pump();
}

// A character key (a letter or digit) pressed on hwnd: its WM_CHAR comes
// from TranslateMessage, as in the program's message loop.
void CharKey(HWND hwnd, wchar_t upper) {
  SendMessageW(hwnd, WM_KEYDOWN, upper, 1);
  MSG msg = {hwnd, WM_KEYDOWN, upper, 1, 0, {0, 0}};
  TranslateMessage(&msg);
  Pump();
}

// How many pixels of row [top, bottom) the screen shows otherwise than the
// control's retained picture: the focus mark lies on the screen only.
int MarkedPixels(app::PropListView& view, int top, int bottom) {
  RECT r;
  GetClientRect(view.hwnd(), &r);
  InvalidateRect(view.hwnd(), nullptr, FALSE);
  UpdateWindow(view.hwnd());
  HDC screen = GetDC(view.hwnd());
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right, r.bottom);
  HGDIOBJ old = SelectObject(mem, bitmap);
  view.Render(mem);
  int differ = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = 0; x < r.right; ++x) differ += GetPixel(screen, x, y) != GetPixel(mem, x, y);
  SelectObject(mem, old);
  DeleteObject(bitmap);
  DeleteDC(mem);
  ReleaseDC(view.hwnd(), screen);
  return differ;
}

proplist::ItemRef Current(app::PropListView& view) { return view.current_item(); }

TEST_F(GridKeysTest, TheFocusMarkShowsOnceAKeyIsUsedAndOnlyWhileTheGridHasTheFocus) {
  ASSERT_EQ(GetFocus(), prop_hwnd());
  // At start, the mouse user's look: no mark anywhere.
  EXPECT_EQ(MarkedPixels(props(), 0, 160), 0);
  EXPECT_EQ(Current(props()), (proplist::ItemRef{0, 0}));
  Key(prop_hwnd(), VK_DOWN);
  EXPECT_EQ(Current(props()), (proplist::ItemRef{0, 1}));
  EXPECT_GT(MarkedPixels(props(), 40, 59), 0) << "the mark is on the current item's row";
  EXPECT_EQ(MarkedPixels(props(), 0, 40), 0);
  EXPECT_EQ(MarkedPixels(props(), 59, 160), 0) << "and leaves its grid line alone";
  // Another control has the focus: no mark.
  SetFocus(list());
  Pump();
  EXPECT_EQ(MarkedPixels(props(), 0, 160), 0);
}

TEST_F(GridKeysTest, UpAndDownWalkTheItemsSkippingCaptionsAndStopAtTheEnds) {
  // The designed five, then the window's compression row.
  const proplist::ItemRef order[] = {{0, 0}, {0, 1}, {1, 0}, {2, 0}, {2, 1}, {2, 2}};
  EXPECT_EQ(Current(props()), order[0]);
  for (int k = 1; k < 6; ++k) {
    Key(prop_hwnd(), VK_DOWN);
    EXPECT_EQ(Current(props()), order[k]) << k;
  }
  Key(prop_hwnd(), VK_DOWN);
  EXPECT_EQ(Current(props()), order[5]);
  Key(prop_hwnd(), VK_UP);
  Key(prop_hwnd(), VK_UP);
  Key(prop_hwnd(), VK_UP);
  EXPECT_EQ(Current(props()), order[2]);
  Key(prop_hwnd(), VK_HOME);
  EXPECT_EQ(Current(props()), order[0]);
  Key(prop_hwnd(), VK_UP);
  EXPECT_EQ(Current(props()), order[0]);
  Key(prop_hwnd(), VK_END);
  EXPECT_EQ(Current(props()), order[5]);
  // Moving opens nothing and stores nothing.
  EXPECT_FALSE(EditorShown());
  EXPECT_EQ(props().model().FocusNode(), -1);
}

TEST_F(GridKeysTest, EnterF2AndTypingOpenTheEditorOnTheCurrentItem) {
  Key(prop_hwnd(), VK_DOWN);
  Key(prop_hwnd(), VK_RETURN);
  ASSERT_TRUE(EditorShown());
  EXPECT_EQ(GetFocus(), editor());
  EXPECT_EQ(WindowText(editor()), L"QrSetup");
  EXPECT_EQ(EditorRect().top, EditorTop(40));
  DWORD start = 1, end = 0;
  SendMessageW(editor(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 7u);
  // Enter's own character does not reach the text; Enter again commits and
  // the focus is back on the grid, at the same item.
  Key(editor(), VK_RETURN);
  EXPECT_FALSE(EditorShown());
  EXPECT_EQ(GetFocus(), prop_hwnd());
  EXPECT_EQ(Value("安装目录"), "QrSetup");
  EXPECT_EQ(Current(props()), (proplist::ItemRef{0, 1}));

  Key(prop_hwnd(), VK_DOWN);
  Key(prop_hwnd(), VK_DOWN);
  Key(prop_hwnd(), VK_F2);
  ASSERT_TRUE(EditorShown());
  EXPECT_EQ(WindowText(editor()), L"Quorin软件工作室");
  Key(editor(), VK_ESCAPE);

  // A typed character starts the text; the rest follows it.
  Key(prop_hwnd(), VK_DOWN);
  CharKey(prop_hwnd(), L'2');
  ASSERT_TRUE(EditorShown());
  Type(L".5");
  EXPECT_EQ(WindowText(editor()), L"2.5");
  PressEnter();
  EXPECT_EQ(Value("版本"), "2.5");
  // Typing still respects the item's maximum length.
  CharKey(prop_hwnd(), L'X');
  Type(L"123456789012345678901234");
  PressEnter();
  EXPECT_EQ(Value("版本").size(), 20u);
}

TEST_F(GridKeysTest, EscapePutsBackTheStoredValueAndClosesTheEditor) {
  Press(50);  // opened by the mouse
  Type(L"typed");
  Key(editor(), VK_ESCAPE);
  EXPECT_FALSE(EditorShown());
  EXPECT_EQ(Value("安装目录"), "QrSetup");
  EXPECT_EQ(GetFocus(), prop_hwnd());
  EXPECT_EQ(props().model().FocusNode(), -1);
  // Reopened, the editor shows the stored value, not the dropped typing.
  Key(prop_hwnd(), VK_F2);
  EXPECT_EQ(WindowText(editor()), L"QrSetup");
  // Without an Escape the mouse's behaviour is unchanged: Enter stores.
  Type(L"Kept");
  PressEnter();
  EXPECT_EQ(Value("安装目录"), "Kept");
}

TEST_F(GridKeysTest, F4AndAltDownOpenTheSaveDialogOnTheSavePathItemOnly) {
  // Not on a plain item.
  Key(prop_hwnd(), VK_F4);
  AltKey(prop_hwnd(), VK_DOWN);
  EXPECT_TRUE(ui_.save_calls.empty());
  EXPECT_FALSE(EditorShown());

  Key(prop_hwnd(), VK_DOWN);
  Key(prop_hwnd(), VK_DOWN);
  ui_.chosen_saves.push_back(L"C:\\Out\\包.exe");
  Key(prop_hwnd(), VK_F4);
  ASSERT_EQ(ui_.save_calls.size(), 1u);
  EXPECT_EQ(ui_.save_calls[0].title, L"请选择安装包保存路径");
  EXPECT_EQ(Value("安装包保存路径"), "C:\\Out\\包.exe");
  ASSERT_TRUE(EditorShown());
  EXPECT_EQ(GetFocus(), editor());
  // The caret stands after the chosen path, nothing selected.
  DWORD start = 0, end = 0;
  SendMessageW(editor(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 12u);
  EXPECT_EQ(end, 12u);

  // Alt+Down in the open editor asks again; a cancel changes nothing.
  AltKey(editor(), VK_DOWN);
  EXPECT_EQ(ui_.save_calls.size(), 2u);
  EXPECT_EQ(WindowText(editor()), L"C:\\Out\\包.exe");
  EXPECT_TRUE(EditorShown());
}

TEST_F(GridKeysTest, APressPutsTheKeyboardOnThePressedItem) {
  Press(150);
  PressEnter();
  EXPECT_EQ(Current(props()), (proplist::ItemRef{2, 1}));
  Key(prop_hwnd(), VK_UP);
  EXPECT_EQ(Current(props()), (proplist::ItemRef{2, 0}));
}

}  // namespace
}  // namespace app_test
