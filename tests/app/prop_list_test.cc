// The property list control in the main window: painting (rendered into a
// bitmap), hit testing on strict row bounds, the editor's geometry and the
// three ways an edit is committed, and the browse picture.

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "snapshot.h"
#include "window_fixture.h"

namespace app_test {
namespace {

constexpr COLORREF kGrey = RGB(192, 192, 192);
constexpr COLORREF kBlue = RGB(49, 106, 197);
constexpr COLORREF kWhite = RGB(255, 255, 255);

using PropListTest = WindowTest;

TEST_F(PropListTest, PaintsRowsSeparatorsAndDivider) {
  Snapshot s(props());
  const int w = s.width();
  // The designed eight rows of 20 pixels and the compression row below them:
  // each row's last line is grey across the width.
  for (int row = 0; row < 9 && row * 20 + 19 < s.height(); ++row) {
    int line = row * 20 + 19;
    EXPECT_EQ(s.At(w - 2, line), kGrey) << "separator of row " << row;
    EXPECT_EQ(s.At(0, line), kGrey) << "separator of row " << row;
    EXPECT_EQ(s.At(w - 2, line - 1), kWhite) << "above separator " << row;
  }
  // The divider at x 101 runs from y 0 to the bottom of the last row, over
  // the caption rows too; below the rows the surface is background.
  for (int y = 0; y < std::min(180, s.height()); ++y) EXPECT_EQ(s.At(101, y), kGrey) << "divider at y " << y;
  // The rows fill the control to its last line or short of it.
  if (s.height() > 180) {
    EXPECT_EQ(s.At(101, 180), kWhite);
  }
  EXPECT_EQ(s.At(100, 5), kWhite);
  EXPECT_EQ(s.Count(0, 181, w, s.height(), kGrey), 0);
  // Nothing is highlighted before an edit, and text is black.
  EXPECT_EQ(s.Count(0, 0, w, std::min(180, s.height()), kBlue), 0);
  EXPECT_GT(s.Dark(1, 20, 100, 39), 0);
}

TEST_F(PropListTest, HighlightBoxAndWhiteNameOfTheEditedItem) {
  Press(30);
  Snapshot s(props());
  // The box covers x 0..100 and y 20..38; y 39 stays the grey separator.
  EXPECT_EQ(s.At(0, 20), kBlue);
  EXPECT_EQ(s.At(100, 20), kBlue);
  EXPECT_EQ(s.At(0, 38), kBlue);
  EXPECT_EQ(s.At(100, 38), kBlue);
  EXPECT_EQ(s.At(50, 39), kGrey);
  EXPECT_EQ(s.At(101, 30), kGrey);
  // The name is drawn white over the box, not black.
  EXPECT_GT(s.Light(1, 20, 100, 39), 0);
  EXPECT_EQ(s.Dark(1, 20, 100, 39), 0);
  // Only that row is highlighted.
  EXPECT_EQ(s.Count(0, 40, 101, 160, kBlue), 0);
}

TEST_F(PropListTest, AmpersandIsDrawnAsText) {
  // A lone "&" is an ordinary character: it leaves ink in the value cell.
  props().model().SetPropValue("版本", "&");
  Snapshot s(props());
  EXPECT_GT(s.Dark(104, 141, 140, 159), 0);
  // "&&" shows two ampersands, wider than one.
  auto right_edge = [](const Snapshot& snap) {
    int right = 0;
    for (int y = 141; y < 159; ++y)
      for (int x = 104; x < snap.width(); ++x)
        if (snap.Dark(x, y, x + 1, y + 1)) right = std::max(right, x);
    return right;
  };
  int one = right_edge(s);
  props().model().SetPropValue("版本", "&&");
  Snapshot s2(props());
  EXPECT_GT(right_edge(s2), one);
}

TEST_F(PropListTest, RepaintsAtTheNewWidthAfterAResize) {
  RECT r;
  GetWindowRect(prop_hwnd(), &r);
  SetWindowPos(prop_hwnd(), nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER);
  Pump();
  Snapshot s(props());
  EXPECT_EQ(s.width(), W());
  EXPECT_EQ(s.At(s.width() - 1, 19), kGrey);
  EXPECT_EQ(s.At(101, 100), kGrey);
}

TEST_F(PropListTest, EditorGeometryForPlainAndSavePathItems) {
  Press(30);  // first item of the first group, row top 20
  ASSERT_TRUE(EditorShown());
  RECT e = EditorRect();
  EXPECT_EQ(e.left, 104);
  EXPECT_EQ(e.top, EditorTop(20));
  EXPECT_EQ(e.right - e.left, W() - 104);
  EXPECT_EQ(e.bottom - e.top, std::max(13, EditorFontHeight()));
  EXPECT_FALSE(IsWindowVisible(picture()));
  EXPECT_EQ(WindowText(editor()), L"测试");
  EXPECT_EQ(GetFocus(), editor());
  DWORD start = 0, end = 0;
  SendMessageW(editor(), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
               reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 0u);
  EXPECT_EQ(end, 2u);

  Press(90);  // the save-path item, row top 80
  e = EditorRect();
  EXPECT_EQ(e.left, 104);
  EXPECT_EQ(e.top, EditorTop(80));
  EXPECT_EQ(e.right - e.left, W() - 123);
  ASSERT_TRUE(IsWindowVisible(picture()));
  RECT p = PictureRect();
  EXPECT_EQ(p.left, W() - 19);
  EXPECT_EQ(p.top, 80);
  EXPECT_EQ(p.right - p.left, 19);
  EXPECT_EQ(p.bottom - p.top, 19);

  Press(150);  // "版本": back to a plain item, the picture goes
  EXPECT_EQ(EditorRect().top, EditorTop(140));
  EXPECT_FALSE(IsWindowVisible(picture()));
}

// The editor is as high as its font needs and shows its text where the row
// drew it: the tail of "Q" and the lowest strokes are not cut off.
TEST_F(PropListTest, TheEditorShowsItsTextWholeWhereTheRowDrewIt) {
  const int row_top = 40;  // "安装目录", value "QrSetup"
  RECT value_cell = {104, row_top, W(), row_top + 19};
  std::pair<int, int> in_row = InkRows(prop_hwnd(), value_cell);
  ASSERT_GE(in_row.first, 0);

  Press(row_top + 10);
  ASSERT_TRUE(EditorShown());
  RECT e = EditorRect();
  EXPECT_GE(e.bottom - e.top, EditorFontHeight());
  EXPECT_LE(e.bottom, row_top + 19) << "the editor leaves the row's grid line alone";
  // Unselected and without its caret, the editor's text is plain ink.
  SendMessageW(editor(), EM_SETSEL, 7, 7);
  HideCaret(editor());
  InvalidateRect(editor(), nullptr, TRUE);
  UpdateWindow(editor());
  RECT inside = {0, 0, e.right - e.left, e.bottom - e.top};
  std::pair<int, int> in_editor = InkRows(editor(), inside);
  ShowCaret(editor());
  ASSERT_GE(in_editor.first, 0);
  EXPECT_EQ(in_editor.first + e.top - row_top, in_row.first);
  EXPECT_EQ(in_editor.second + e.top - row_top, in_row.second);
}

TEST_F(PropListTest, PressesUseStrictRowBoundsAndIgnoreX) {
  for (int y : {0, 20, 10, 180, 200}) {
    Press(y);
    EXPECT_FALSE(EditorShown()) << "press at y " << y;
  }
  EXPECT_EQ(props().model().FocusNode(), -1);
  // The value column opens the editor as the name column does.
  Press(59, 300);
  ASSERT_TRUE(EditorShown());
  EXPECT_EQ(EditorRect().top, EditorTop(40));
  EXPECT_EQ(WindowText(editor()), L"QrSetup");
  // The last row's bottom line (y 180) is not below the rows: no commit.
  Type(L"X");
  Press(180);
  EXPECT_TRUE(EditorShown());
  Press(181);
  EXPECT_FALSE(EditorShown());
}

TEST_F(PropListTest, EnterStoresAndKeepsTheHighlight) {
  Press(30);
  Type(L"新名字");
  PressEnter();
  EXPECT_EQ(Value("软件名称"), "新名字");
  EXPECT_FALSE(EditorShown());
  {
    Snapshot s(props());
    EXPECT_EQ(s.At(0, 20), kBlue);
  }
  // A caption press with no edit open does nothing; the highlight stays.
  Press(10);
  {
    Snapshot s(props());
    EXPECT_EQ(s.At(0, 20), kBlue);
  }
  // Opening another item moves the highlight.
  Press(50);
  Snapshot s(props());
  EXPECT_EQ(s.At(0, 20), kWhite);
  EXPECT_EQ(s.At(0, 40), kBlue);
}

TEST_F(PropListTest, CaptionPressCommitsAndClearsHighlights) {
  Press(50);
  Type(L"MyApp");
  Press(70);  // caption row of the second group
  EXPECT_EQ(Value("安装目录"), "MyApp");
  EXPECT_FALSE(EditorShown());
  Snapshot s(props());
  EXPECT_EQ(s.Count(0, 0, 101, 160, kBlue), 0);
}

TEST_F(PropListTest, PressingTheEditedItemAgainDropsTyping) {
  Press(30);
  Type(L"typed");
  Press(35);
  EXPECT_EQ(WindowText(editor()), L"测试");
  EXPECT_EQ(Value("软件名称"), "测试");
  // Moving to another item stores what was typed in the first.
  Type(L"abc");
  Press(50);
  EXPECT_EQ(Value("软件名称"), "abc");
}

TEST_F(PropListTest, TypingStopsAtTheItemsMaximumLength) {
  Press(30);
  Type(L"123456789012345678901234");
  PressEnter();
  EXPECT_EQ(Value("软件名称"), "12345678901234567890");
}

TEST_F(PropListTest, FocusLeavingForTheBuildButtonCommitsFirst) {
  // The stored name is valid; the typed one is empty. The build reads the
  // typed one, so it refuses with the first message.
  Press(30);
  SetWindowTextW(editor(), L"");
  ClickBuild();
  EXPECT_EQ(Value("软件名称"), "");
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, L"请输入您的软件名称！");
  // And the editor is back on the item.
  EXPECT_TRUE(EditorShown());
  EXPECT_EQ(EditorRect().top, EditorTop(20));
}

TEST_F(PropListTest, FocusMovingToTheListCommitsAndClearsTheHighlight) {
  Press(150);
  Type(L"2.0");
  SetFocus(list());
  Pump();
  EXPECT_EQ(Value("版本"), "2.0");
  EXPECT_FALSE(EditorShown());
  Snapshot s(props());
  EXPECT_EQ(s.Count(0, 0, 101, 160, kBlue), 0);
}

TEST_F(PropListTest, BrowsePictureFillsTheEditor) {
  Press(90);
  ui_.chosen_saves.push_back(L"C:\\Out\\包.exe");
  SendMessageW(picture(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(picture(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  Pump();
  ASSERT_EQ(ui_.save_calls.size(), 1u);
  const SaveDialogCall& call = ui_.save_calls[0];
  EXPECT_EQ(call.owner, prop_hwnd());
  EXPECT_EQ(call.filter, std::wstring(L"Quorin安装包文件(*.exe)\0*.exe\0", 25));
  EXPECT_EQ(call.title, L"请选择安装包保存路径");
  EXPECT_EQ(call.def_ext, L".exe");
  EXPECT_EQ(Value("安装包保存路径"), "C:\\Out\\包.exe");
  EXPECT_EQ(WindowText(editor()), L"C:\\Out\\包.exe");
  EXPECT_TRUE(EditorShown());

  // Cancelling changes nothing.
  SendMessageW(picture(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(picture(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  Pump();
  EXPECT_EQ(ui_.save_calls.size(), 2u);
  EXPECT_EQ(Value("安装包保存路径"), "C:\\Out\\包.exe");
  EXPECT_TRUE(EditorShown());
}

// The save dialog takes the keyboard focus while it is open; afterwards
// typing goes on in the still open editor, and the focus leaving it commits.
TEST_F(PropListTest, TypingGoesOnInTheEditorAfterTheSaveDialog) {
  Press(90);
  ui_.chosen_saves.push_back(L"C:\\Out\\a.exe");
  SendMessageW(picture(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  SendMessageW(picture(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  Pump();
  ASSERT_EQ(ui_.save_calls.size(), 1u);
  ASSERT_TRUE(EditorShown());
  EXPECT_EQ(GetFocus(), editor());
  // Typed characters go to the window with the focus.
  SendMessageW(editor(), EM_SETSEL, 0, -1);
  for (wchar_t c : std::wstring(L"D:\\b.exe")) SendMessageW(GetFocus(), WM_CHAR, c, 1);
  EXPECT_EQ(WindowText(editor()), L"D:\\b.exe");
  // A click into the entry list takes the focus: the edit is committed.
  SetFocus(list());
  Pump();
  EXPECT_FALSE(EditorShown());
  EXPECT_EQ(Value("安装包保存路径"), "D:\\b.exe");
}

TEST_F(PropListTest, SetItemFocusOpensTheNamedItemOrNothing) {
  props().SetItemFocus("安装包保存路径");
  EXPECT_TRUE(EditorShown());
  EXPECT_EQ(EditorRect().top, EditorTop(80));
  EXPECT_TRUE(IsWindowVisible(picture()));
  props().SetItemFocus("no such item");
  EXPECT_EQ(EditorRect().top, EditorTop(80));
  EXPECT_EQ(props().model().FocusNode(), 1);
}

TEST_F(PropListTest, DisabledControlTakesNoInput) {
  props().SetEnabled(false);
  EXPECT_FALSE(props().Enabled());
  EXPECT_FALSE(IsWindowEnabled(prop_hwnd()));
  props().SetEnabled(true);
  EXPECT_TRUE(props().Enabled());
}

}  // namespace
}  // namespace app_test
