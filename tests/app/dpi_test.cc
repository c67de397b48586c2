// The window at the density it runs at (run_at_dpi.sh runs this suite at 96,
// 120, 144 and 192 dots per inch): every designed size scaled, the item
// names whole in their column, no control over another, the editor over its
// row's text, the browse picture drawn at its scaled size; and the whole
// layout again when the window is told of another density.

#include <cstdlib>
#include <string>
#include <vector>

#include <algorithm>

#include "app/browse_picture.h"
#include "app/dpi_scale.h"
#include "app/layout.h"
#include "platform/utf.h"
#include "snapshot.h"
#include "window_fixture.h"

namespace app_test {
namespace {

using DpiTest = WindowTest;

RECT RectIn(HWND child, HWND parent) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// The visible controls of the window, each with its rectangle.
std::vector<std::pair<HWND, RECT>> Controls(HWND window) {
  std::vector<std::pair<HWND, RECT>> controls;
  for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
    if (IsWindowVisible(c)) controls.push_back({c, RectIn(c, window)});
  return controls;
}

// Checks that every control sits where its designed twips put it at dpi.
void ExpectLayoutAt(app::MainWindow* window, int dpi) {
  auto px = [dpi](int twips) { return MulDiv(twips, dpi, 1440); };
  RECT client;
  GetClientRect(window->hwnd(), &client);
  EXPECT_EQ(client.right, px(app::layout::kClientWidth)) << dpi;
  EXPECT_EQ(client.bottom, px(app::layout::kClientHeight)) << dpi;
  struct Expected {
    HWND hwnd;
    app::layout::Twips twips;
  } controls[] = {
      {window->prop_list().hwnd(), app::layout::kPropertyList},
      {window->list(), app::layout::kEntryList},
      {window->progress_bar(), app::layout::kProgressBar},
      {window->build_button(), app::layout::kBuildButton},
  };
  for (const Expected& e : controls) {
    RECT r = RectIn(e.hwnd, window->hwnd());
    EXPECT_EQ(r.left, px(e.twips.left)) << dpi;
    EXPECT_EQ(r.top, px(e.twips.top)) << dpi;
    EXPECT_EQ(r.right - r.left, px(e.twips.width)) << dpi;
    EXPECT_EQ(r.bottom - r.top, px(e.twips.height)) << dpi;
  }
  EXPECT_EQ(SendMessageW(window->list(), LVM_GETCOLUMNWIDTH, 0, 0),
            px(app::layout::kNameColumnWidth));
  EXPECT_EQ(SendMessageW(window->list(), LVM_GETCOLUMNWIDTH, 1, 0),
            px(app::layout::kPathColumnWidth));
  EXPECT_EQ(SendMessageW(window->list(), LVM_GETCOLUMNWIDTH, 2, 0), 0);
  EXPECT_EQ(window->prop_list().dpi(), dpi);
}

void ExpectNoOverlap(HWND window) {
  const auto controls = Controls(window);
  for (size_t a = 0; a < controls.size(); ++a)
    for (size_t b = a + 1; b < controls.size(); ++b) {
      RECT both;
      EXPECT_FALSE(IntersectRect(&both, &controls[a].second, &controls[b].second))
          << "controls " << GetDlgCtrlID(controls[a].first) << " and "
          << GetDlgCtrlID(controls[b].first);
    }
}

TEST_F(DpiTest, RunsAtTheDensityAskedFor) {
  const char* asked = std::getenv("QR_EXPECT_DPI");
  if (!asked) GTEST_SKIP() << "run by run_at_dpi.sh";
  EXPECT_EQ(app::layout::SystemDpi(), std::atoi(asked));
  EXPECT_EQ(window_->dpi(), std::atoi(asked));
}

TEST_F(DpiTest, TheWindowAndItsControlsTakeTheirScaledPlaces) {
  ExpectLayoutAt(window_, app::layout::SystemDpi());
}

TEST_F(DpiTest, EveryItemNameFitsItsColumn) {
  const proplist::Metrics& m = props().metrics();
  HDC dc = GetDC(prop_hwnd());
  HGDIOBJ old = SelectObject(dc, props().font());
  for (const proplist::PropNode& node : props().model().Nodes())
    for (const proplist::PropItem& item : node.Items) {
      std::wstring name = platform::Utf8ToWide(item.Name);
      SIZE size = {};
      GetTextExtentPoint32W(dc, name.c_str(), static_cast<int>(name.size()), &size);
      EXPECT_LE(m.text_inset + size.cx, m.name_right) << item.Name;
      TEXTMETRICW tm = {};
      GetTextMetricsW(dc, &tm);
      EXPECT_LE(tm.tmHeight, m.row_height - 1) << "the text stays above the grid line";
    }
  SelectObject(dc, old);
  ReleaseDC(prop_hwnd(), dc);
}

TEST_F(DpiTest, NoTwoSiblingControlsOverlapAndTheBarsBorderStaysVisible) {
  ExpectNoOverlap(window_->hwnd());
  // A long status text stops before the build button, above the bar.
  SendMessageW(window_->hwnd(), app::kMsgBuildStatus, 0,
               reinterpret_cast<LPARAM>(new std::wstring(std::wstring(80, L'正'))));
  Pump();
  ExpectNoOverlap(window_->hwnd());
  RECT label = RectIn(window_->status_label(), window_->hwnd());
  RECT bar = RectIn(window_->progress_bar(), window_->hwnd());
  EXPECT_LE(label.bottom, bar.top);
  EXPECT_GT(label.right - label.left, 0);
}

TEST_F(DpiTest, TheLabelsShowTheirWholeText) {
  for (int id : {app::kIdListLabel, app::kIdProgressLabel}) {
    HWND label = GetDlgItem(window_->hwnd(), id);
    std::wstring text = WindowText(label);
    HDC dc = GetDC(label);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
    SIZE size = {};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    RECT r;
    GetClientRect(label, &r);
    EXPECT_GE(r.right, size.cx) << id;
  }
}

TEST_F(DpiTest, RowsGridLinesAndHighlightAreScaled) {
  const proplist::Metrics& m = props().metrics();
  Press(m.row_height + m.row_height / 2);  // the first item
  Snapshot s(props());
  const int rows = 9;  // the designed eight and the compression row
  for (int k = 0; k < rows; ++k) {
    const int line = (k + 1) * m.row_height - 1;
    if (line >= s.height()) break;  // the last row may be clipped
    EXPECT_EQ(s.At(s.width() - 2, line), RGB(192, 192, 192)) << "separator " << k;
    EXPECT_NE(s.At(s.width() - 2, line - 1), RGB(192, 192, 192)) << "above separator " << k;
  }
  for (int y = 0; y < std::min(rows * m.row_height, s.height()); ++y)
    ASSERT_EQ(s.At(m.divider_x, y), RGB(192, 192, 192)) << y;
  if (rows * m.row_height < s.height()) {
    EXPECT_EQ(s.At(m.divider_x, rows * m.row_height), RGB(255, 255, 255));
  }
  // The highlight box: x 0 .. name_right, the row's top .. its last line but one.
  const COLORREF blue = RGB(49, 106, 197);
  EXPECT_EQ(s.At(0, m.row_height), blue);
  EXPECT_EQ(s.At(m.name_right, m.row_height + m.highlight_height), blue);
  EXPECT_NE(s.At(m.name_right + 1, m.row_height + 1), blue);
  EXPECT_EQ(s.At(0, 2 * m.row_height - 1), RGB(192, 192, 192));
}

TEST_F(DpiTest, TheEditorCoversItsRowsText) {
  const proplist::Metrics& m = props().metrics();
  for (const char* name : {"软件名称", "安装目录", "安装包保存路径", "发行商", "版本"}) {
    int g = -1, i = -1;
    ASSERT_TRUE(props().model().FindItem(name, &g, &i));
    const int top = proplist::RowTop(props().model(), g, i, m);
    RECT cell = {m.value_left, top, W(), top + m.row_height - 1};
    std::pair<int, int> ink = InkRows(prop_hwnd(), cell);
    ASSERT_GE(ink.first, 0) << name;
    props().SetItemFocus(name);
    ASSERT_TRUE(EditorShown()) << name;
    RECT e = EditorRect();
    EXPECT_EQ(e.left, m.value_left) << name;
    EXPECT_LE(e.top, top + ink.first) << name;
    EXPECT_GE(e.bottom, top + ink.second + 1) << name;
    EXPECT_LE(e.bottom, top + m.row_height - 1) << name << ": the grid line stays";
    const bool save_path = props().model().Item(g, i)->Kind == proplist::kKindSavePath;
    EXPECT_EQ(e.right, save_path ? W() - m.picture_size : W()) << name;
    PressEnter();
  }
}

TEST_F(DpiTest, ThePictureIsDrawnAtItsScaledSize) {
  const int size = app::dpi::Scale(19, app::layout::SystemDpi());
  props().SetItemFocus("安装包保存路径");
  RECT p = PictureRect();
  const int top = proplist::RowTop(props().model(), 1, 0, props().metrics());
  EXPECT_EQ(p.right - p.left, size);
  EXPECT_EQ(p.bottom - p.top, size);
  EXPECT_EQ(p.right, W());
  EXPECT_EQ(p.top, top);
  // The control shows a bitmap of exactly that size: nothing is stretched.
  HBITMAP shown = reinterpret_cast<HBITMAP>(SendMessageW(picture(), STM_GETIMAGE, IMAGE_BITMAP, 0));
  ASSERT_NE(shown, nullptr);
  BITMAP bm = {};
  GetObjectW(shown, sizeof(bm), &bm);
  EXPECT_EQ(bm.bmWidth, size);
  EXPECT_EQ(bm.bmHeight, size);
}

// The design drawn at 19 pixels is the stored bitmap; at larger sizes its
// lines stay sharp: only the design's colours, and the frame as thick as
// the scale makes it.
TEST(BrowsePictureTest, DrawnAtAnySizeFromTheOneDesign) {
  auto pixel = [](HBITMAP bitmap, int x, int y) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    COLORREF c = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteDC(dc);
    return c;
  };
  HBITMAP stored = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(101),
                                                   IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  HBITMAP drawn = app::DrawBrowsePicture(19);
  ASSERT_NE(stored, nullptr);
  ASSERT_NE(drawn, nullptr);
  for (int y = 0; y < 19; ++y)
    for (int x = 0; x < 19; ++x) ASSERT_EQ(pixel(drawn, x, y), pixel(stored, x, y)) << x << "," << y;
  DeleteObject(stored);
  DeleteObject(drawn);

  HBITMAP big = app::DrawBrowsePicture(38);
  const COLORREF light = RGB(255, 255, 255), dark = RGB(64, 64, 64), face = RGB(212, 208, 200);
  EXPECT_EQ(pixel(big, 1, 10), light);
  EXPECT_EQ(pixel(big, 2, 10), face);
  EXPECT_EQ(pixel(big, 36, 10), dark);
  EXPECT_EQ(pixel(big, 37, 10), dark);
  EXPECT_EQ(pixel(big, 8, 24), RGB(0, 0, 0)) << "a dot, twice as large";
  EXPECT_EQ(pixel(big, 11, 27), RGB(0, 0, 0));
  EXPECT_EQ(pixel(big, 12, 24), face);
  DeleteObject(big);
}

TEST_F(DpiTest, MovingToAnotherDensityLaysEverythingOutAgain) {
  const int dpi = app::layout::SystemDpi();
  const int other = dpi == 96 ? 144 : 96;
  props().SetItemFocus("安装包保存路径");
  Type(L"typed");
  const std::wstring typed = WindowText(editor());
  const auto before = Controls(window_->hwnd());

  RECT suggested = {40, 30, 800, 700};
  SendMessageW(window_->hwnd(), app::dpi::kDpiChangedMessage, MAKEWPARAM(other, other),
               reinterpret_cast<LPARAM>(&suggested));
  Pump();
  ExpectLayoutAt(window_, other);
  ExpectNoOverlap(window_->hwnd());
  RECT frame;
  GetWindowRect(window_->hwnd(), &frame);
  EXPECT_EQ(frame.left, 40);
  EXPECT_EQ(frame.top, 30);
  // The open edit follows its row, with its text.
  const proplist::Metrics m = proplist::MetricsForDpi(other);
  ASSERT_TRUE(EditorShown());
  EXPECT_EQ(WindowText(editor()), typed);
  EXPECT_EQ(EditorRect().left, m.value_left);
  EXPECT_EQ(PictureRect().top, 4 * m.row_height);
  EXPECT_EQ(PictureRect().right - PictureRect().left, m.picture_size);
  EXPECT_EQ(props().metrics().row_height, m.row_height);

  SendMessageW(window_->hwnd(), app::dpi::kDpiChangedMessage, MAKEWPARAM(dpi, dpi),
               reinterpret_cast<LPARAM>(&suggested));
  Pump();
  const auto after = Controls(window_->hwnd());
  ASSERT_EQ(after.size(), before.size());
  for (size_t k = 0; k < after.size(); ++k)
    EXPECT_TRUE(EqualRect(&after[k].second, &before[k].second)) << GetDlgCtrlID(after[k].first);
}

}  // namespace
}  // namespace app_test
