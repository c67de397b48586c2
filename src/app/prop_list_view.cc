#include "app/prop_list_view.h"
#include "app/window_instance.h"

#include <commctrl.h>

#include <cmath>

#include "app/browse_picture.h"
#include "app/dpi_scale.h"
#include "app/editor_accessible.h"
#include "app/grid_accessible.h"
#include "app/ui_seams.h"
#include "platform/utf.h"
#include "proplist/layout.h"

namespace app {
namespace {

constexpr wchar_t kClassName[] = L"QrPropertyList";
constexpr int kEditorId = 1;
constexpr int kBrowseId = 2;

// The list's colours, 0xRRGGBB, as GDI wants them.
constexpr COLORREF Gdi(uint32_t rgb) { return RGB(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF); }
constexpr COLORREF kGridColour = Gdi(proplist::kGridColour);
constexpr COLORREF kHighlightColour = Gdi(proplist::kHighlightColour);
constexpr COLORREF kHighlightTextColour = Gdi(proplist::kHighlightTextColour);
constexpr COLORREF kTextColour = Gdi(proplist::kTextColour);
constexpr COLORREF kBackground = Gdi(proplist::kBackgroundColour);

// Text is drawn as stored: one line from the top of its rectangle, and an
// "&" is an ordinary character, not a mnemonic prefix.
constexpr UINT kTextFormat = DT_SINGLELINE | DT_TOP | DT_LEFT | DT_NOPREFIX;

// Draws text in a row whose top is row_top and height row_height, from
// text_top below its top, clipped at left and right and above its grid line.
void DrawTextIn(HDC dc, const std::string& utf8, int left, int row_top, int right, int text_top,
                int row_height) {
  RECT r;
  SetRect(&r, left, row_top + text_top, right, row_top + row_height - 1);
  std::wstring text = platform::Utf8ToWide(utf8);
  DrawTextW(dc, text.c_str(), -1, &r, kTextFormat);
}

// The cell height of font in pixels.
int CellHeight(HWND hwnd, HFONT font) {
  HDC dc = GetDC(hwnd);
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICW metrics = {};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(hwnd, dc);
  return metrics.tmHeight;
}

void Line(HDC dc, HPEN pen, int x1, int y1, int x2, int y2) {
  HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, x1, y1, nullptr);
  LineTo(dc, x2, y2);
  SelectObject(dc, old);
}

}  // namespace

bool PropListView::Register(HINSTANCE instance) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
  wc.lpfnWndProc = InstanceWndProc<PropListView>;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.lpszClassName = kClassName;
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

PropListView* PropListView::Create(HWND parent, int id, const RECT& rect) {
  HWND hwnd = CreateWindowExW(WS_EX_CLIENTEDGE, kClassName, L"",
                              WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_TABSTOP, rect.left,
                              rect.top, rect.right - rect.left, rect.bottom - rect.top, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              GetModuleHandleW(nullptr), nullptr);
  if (!hwnd) return nullptr;
  return reinterpret_cast<PropListView*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

PropListView::PropListView(HWND hwnd) : hwnd_(hwnd) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  // Text1: hidden until an edit opens; placed where the editor state says.
  text1_ = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | ES_AUTOHSCROLL, proplist::kValueLeft, 0,
                           0, proplist::kEditorHeight, hwnd_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditorId)), instance,
                           nullptr);
  SetWindowSubclass(text1_, EditProc, 1, reinterpret_cast<DWORD_PTR>(this));
  // Image1: the browse picture, square, of the density's size.
  image1_ = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | SS_BITMAP | SS_NOTIFY, 0, 0,
                            proplist::kPictureSize, proplist::kPictureSize, hwnd_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kBrowseId)), instance,
                            nullptr);
  model_.OnRepaint = [this] { DrawList(); };
  SetDpi(dpi::ForWindow(hwnd_));
}

PropListView::~PropListView() {
  if (accessible_) {
    accessible_->Disconnect();
    accessible_->Release();
  }
  if (editor_accessible_) {
    editor_accessible_->Disconnect();
    editor_accessible_->Release();
  }
  if (buffer_dc_) {
    SelectObject(buffer_dc_, old_buffer_);
    DeleteDC(buffer_dc_);
  }
  if (buffer_) DeleteObject(buffer_);
  if (font_) DeleteObject(font_);
  if (bold_font_) DeleteObject(bold_font_);
  if (browse_bitmap_) DeleteObject(browse_bitmap_);
}

void PropListView::SetDpi(int dpi) {
  if (dpi == dpi_) return;
  dpi_ = dpi;
  metrics_ = proplist::MetricsForDpi(dpi);
  editor_.SetMetrics(metrics_);

  HFONT old_font = font_;
  HFONT old_bold = bold_font_;
  font_ = dpi::CreateUiFont(false, dpi);
  bold_font_ = dpi::CreateUiFont(true, dpi);
  SendMessageW(text1_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  if (old_font) DeleteObject(old_font);
  if (old_bold) DeleteObject(old_bold);
  // The editor and the row text are placed for the font's cell height.
  const int cell = CellHeight(hwnd_, font_);
  editor_.SetTextHeight(cell);
  text_top_ = proplist::TextTop(cell, metrics_);
  bold_text_top_ = proplist::TextTop(CellHeight(hwnd_, bold_font_), metrics_);

  HBITMAP old_picture = browse_bitmap_;
  browse_bitmap_ = CreateBrowsePicture(metrics_.picture_size);
  SendMessageW(image1_, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(browse_bitmap_));
  if (old_picture) DeleteObject(old_picture);
  // SS_BITMAP resizes the control to the bitmap; keep the square whatever it loaded.
  SetWindowPos(image1_, nullptr, 0, 0, metrics_.picture_size, metrics_.picture_size,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

  // An open edit follows its row.
  editor_.Relayout(Width());
  if (model_.EditOpen()) ApplyEditor(proplist::TextChange());
  DrawList();
}

int PropListView::Width() const {
  RECT r;
  GetClientRect(hwnd_, &r);
  return r.right - r.left;
}

void PropListView::ResizeBuffer() {
  RECT r;
  GetClientRect(hwnd_, &r);
  int w = std::max<int>(1, r.right - r.left);
  int h = std::max<int>(1, r.bottom - r.top);
  if (buffer_ && w == buffer_width_ && h == buffer_height_) return;
  if (!buffer_dc_) {
    HDC screen = GetDC(hwnd_);
    buffer_dc_ = CreateCompatibleDC(screen);
    ReleaseDC(hwnd_, screen);
  }
  BITMAPINFO bi = {};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;  // top-down rows
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(buffer_dc_, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (buffer_) {
    SelectObject(buffer_dc_, old_buffer_);
    DeleteObject(buffer_);
  }
  buffer_ = bitmap;
  old_buffer_ = SelectObject(buffer_dc_, buffer_);
  buffer_width_ = w;
  buffer_height_ = h;
}

void PropListView::DrawList() {
  ResizeBuffer();
  HDC dc = buffer_dc_;
  const int w = Width();
  RECT all = {0, 0, buffer_width_, buffer_height_};
  HBRUSH background = CreateSolidBrush(kBackground);
  FillRect(dc, &all, background);
  DeleteObject(background);

  HPEN grid = CreatePen(PS_SOLID, 1, kGridColour);
  HBRUSH highlight = CreateSolidBrush(kHighlightColour);
  HGDIOBJ old_font = SelectObject(dc, font_);
  SetBkMode(dc, TRANSPARENT);
  const proplist::Metrics& m = metrics_;
  const int height = m.row_height;
  for (const proplist::Row& row : proplist::Rows(model_, m)) {
    const int y = row.top;
    const proplist::PropNode& node = model_.Nodes()[static_cast<size_t>(row.node)];
    if (row.is_caption) {
      SelectObject(dc, bold_font_);
      SetTextColor(dc, kTextColour);
      DrawTextIn(dc, node.Caption, m.text_inset, y, w, bold_text_top_, height);
    } else {
      const proplist::PropItem& item = node.Items[static_cast<size_t>(row.item)];
      SelectObject(dc, font_);
      if (item.Highlighted) {
        // The box covers x 0..100 and y..y+18; the row's last line stays grey.
        RECT box = {0, y, m.name_right + 1, y + m.highlight_height + 1};
        FillRect(dc, &box, highlight);
        SetTextColor(dc, kHighlightTextColour);
      } else {
        SetTextColor(dc, kTextColour);
      }
      DrawTextIn(dc, item.Name, m.text_inset, y, m.name_right, text_top_, height);
      SetTextColor(dc, kTextColour);
      DrawTextIn(dc, item.Value, m.value_left, y, w, text_top_, height);
    }
    Line(dc, grid, 0, y + height - 1, w, y + height - 1);
  }
  // The divider comes last, over the caption rows too.
  Line(dc, grid, m.divider_x, 0, m.divider_x, proplist::ContentHeight(model_, m));
  SelectObject(dc, old_font);
  DeleteObject(grid);
  DeleteObject(highlight);
  GdiFlush();
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void PropListView::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd_, &ps);
  BitBlt(dc, 0, 0, buffer_width_, buffer_height_, buffer_dc_, 0, 0, SRCCOPY);
  // The focus mark lies over the picture on the screen only: the retained
  // picture stays as the model draws it.
  RECT mark;
  if (FocusMarkRect(&mark)) DrawFocusRect(dc, &mark);
  EndPaint(hwnd_, &ps);
}

bool PropListView::FocusMarkRect(RECT* r) const {
  if (!show_focus_mark_ || GetFocus() != hwnd_) return false;
  const int top = proplist::RowTop(model_, current_.node, current_.item, metrics_);
  if (top < 0) return false;
  SetRect(r, 0, top, Width(), top + metrics_.row_height - 1);
  return true;
}

IAccessible* PropListView::AccessibleObject() {
  if (!accessible_) accessible_ = new GridAccessible(this);
  accessible_->AddRef();
  return accessible_;
}

IAccessible* PropListView::EditorAccessibleObject() {
  if (!editor_accessible_) {
    editor_accessible_ = EditorAccessible::Create(text1_, [this] {
      EditorAccessible::Label label;
      if (const proplist::PropItem* item = model_.Item(model_.FocusNode(), model_.FocusItem())) {
        label.name = item->Name;
        label.description = model_.Nodes()[static_cast<size_t>(model_.FocusNode())].Caption;
      }
      return label;
    });
    if (!editor_accessible_) return nullptr;
  }
  editor_accessible_->AddRef();
  return editor_accessible_;
}

int PropListView::ChildId(proplist::ItemRef item) const {
  const std::vector<proplist::ItemRef> items = proplist::ItemsInOrder(model_);
  for (size_t k = 0; k < items.size(); ++k)
    if (items[k] == item) return static_cast<int>(k) + 1;
  return CHILDID_SELF;
}

void PropListView::AnnounceFocus() {
  if (GetFocus() != hwnd_) return;
  NotifyWinEvent(EVENT_OBJECT_FOCUS, hwnd_, OBJID_CLIENT, ChildId(current_));
}

void PropListView::SetCurrent(proplist::ItemRef item) {
  const bool moved = !(item == current_);
  current_ = item;
  InvalidateRect(hwnd_, nullptr, FALSE);
  if (moved) AnnounceFocus();
}

void PropListView::ShowFocusMark() {
  if (show_focus_mark_) return;
  show_focus_mark_ = true;
  InvalidateRect(hwnd_, nullptr, FALSE);
}

void PropListView::OpenCurrent() {
  if (!model_.Item(current_.node, current_.item))
    SetCurrent(proplist::StepItem(model_, current_, proplist::Step::kFirst));
  const int top = proplist::RowTop(model_, current_.node, current_.item, metrics_);
  if (top < 0) return;
  ApplyEditor(editor_.Open(current_.node, current_.item, top, Width(), EditorText()));
}

bool PropListView::IsBrowseKey(UINT msg, WPARAM wp) {
  return (msg == WM_KEYDOWN && wp == VK_F4) || (msg == WM_SYSKEYDOWN && wp == VK_DOWN);
}

void PropListView::BrowseFromKeyboard() {
  const proplist::PropItem* item = model_.Item(current_.node, current_.item);
  if (!item || item->Kind != proplist::kKindSavePath) return;
  if (!(model_.FocusNode() == current_.node && model_.FocusItem() == current_.item))
    OpenCurrent();
  BrowseClick();
}

bool PropListView::GridKey(UINT msg, WPARAM wp) {
  if (IsBrowseKey(msg, wp)) {
    BrowseFromKeyboard();
    return true;
  }
  if (msg != WM_KEYDOWN) return false;
  switch (wp) {
    case VK_UP: SetCurrent(proplist::StepItem(model_, current_, proplist::Step::kPrevious)); return true;
    case VK_DOWN: SetCurrent(proplist::StepItem(model_, current_, proplist::Step::kNext)); return true;
    case VK_HOME: SetCurrent(proplist::StepItem(model_, current_, proplist::Step::kFirst)); return true;
    case VK_END: SetCurrent(proplist::StepItem(model_, current_, proplist::Step::kLast)); return true;
    case VK_RETURN:
    case VK_F2:
    case VK_SPACE:
      if (CurrentIsChoice()) {
        StepChoice(current_);
        return true;
      }
      if (wp == VK_SPACE) return false;  // its character opens the editor
      OpenCurrent();
      return true;
  }
  return false;
}

bool PropListView::CurrentIsChoice() const {
  const proplist::PropItem* item = model_.Item(current_.node, current_.item);
  return item && item->Kind == proplist::kKindChoice;
}

void PropListView::StepChoice(proplist::ItemRef item) {
  if (!editor_.StepChoice(item.node, item.item, EditorText())) return;
  ApplyEditor(proplist::TextChange());
  SetCurrent(item);
  NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, hwnd_, OBJID_CLIENT, ChildId(item));
}

bool PropListView::GridChar(WPARAM ch, LPARAM lp) {
  // Control characters (Enter's, Escape's, Backspace's) open nothing.
  if (ch < 0x20 || ch == 0x7F) return false;
  // A choice is never typed; Space has stepped it already.
  if (CurrentIsChoice()) return true;
  if (!IsWindowVisible(text1_)) OpenCurrent();
  if (!IsWindowVisible(text1_)) return false;
  // The open editor's whole text is selected: the character replaces it.
  SendMessageW(text1_, WM_CHAR, ch, lp);
  return true;
}

void PropListView::CancelEdit() {
  editor_.Cancel();
  ApplyEditor(proplist::TextChange());
}

void PropListView::Render(HDC dc) const {
  BitBlt(dc, 0, 0, buffer_width_, buffer_height_, buffer_dc_, 0, 0, SRCCOPY);
}

std::string PropListView::EditorText() const {
  int n = GetWindowTextLengthW(text1_);
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  GetWindowTextW(text1_, text.data(), n + 1);
  text.resize(static_cast<size_t>(n));
  return platform::WideToUtf8(text);
}

void PropListView::ApplyEditor(const proplist::TextChange& change) {
  const proplist::EditorState& e = editor_.state();
  // The keyboard goes on from the item being edited.
  if (model_.EditOpen()) current_ = {model_.FocusNode(), model_.FocusItem()};
  if (e.picture_visible) {
    SetWindowPos(image1_, HWND_TOP, e.picture_left, e.picture_top, metrics_.picture_size,
                 metrics_.picture_size, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  } else {
    ShowWindow(image1_, SW_HIDE);
  }
  if (e.visible) {
    SendMessageW(text1_, EM_SETLIMITTEXT, static_cast<WPARAM>(e.max_len), 0);
    SetWindowPos(text1_, HWND_TOP, e.left, e.top, e.width, e.height,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
  } else {
    // The keyboard focus stays with the control when its editor closes.
    if (GetFocus() == text1_) SetFocus(hwnd_);
    ShowWindow(text1_, SW_HIDE);
  }
  if (change.set_text) SetWindowTextW(text1_, platform::Utf8ToWide(change.text).c_str());
  if (change.select_all_and_focus) {
    SendMessageW(text1_, EM_SETSEL, 0, -1);
    SetFocus(text1_);
  }
}

void PropListView::SetItemFocus(const std::string& name) {
  ApplyEditor(editor_.SetItemFocus(name, Width(), EditorText()));
}

void PropListView::MouseDown(int y) {
  ApplyEditor(editor_.MouseDown(y, Width(), EditorText()));
  // A choice item opens no editor; the keyboard goes on from it all the same.
  const proplist::Hit hit = proplist::HitTest(model_, y, metrics_);
  if (hit.kind == proplist::Hit::kItem && !model_.EditOpen()) {
    SetCurrent({hit.node, hit.item});
    if (GetFocus() != hwnd_) SetFocus(hwnd_);
  }
}

void PropListView::DoubleClick(int y) {
  const proplist::Hit hit = proplist::HitTest(model_, y, metrics_);
  const proplist::PropItem* item =
      hit.kind == proplist::Hit::kItem ? model_.Item(hit.node, hit.item) : nullptr;
  if (item && item->Kind == proplist::kKindChoice) {
    StepChoice({hit.node, hit.item});
  } else {
    MouseDown(y);  // as the second of two presses always did
  }
}

void PropListView::CommitEnter() {
  editor_.CommitOnEnter(EditorText());
  ApplyEditor(proplist::TextChange());
}

void PropListView::CommitOpenEdit() {
  if (!model_.EditOpen()) return;
  editor_.ClosingCommit(EditorText());
  ApplyEditor(proplist::TextChange());
}

void PropListView::ExitFocus(HWND new_focus) {
  // Only a move to another control of the same window leaves the control;
  // the save chooser and message boxes are windows of their own.
  if (!model_.EditOpen()) return;
  if (!new_focus || new_focus == hwnd_ || IsChild(hwnd_, new_focus)) return;
  if (GetAncestor(new_focus, GA_ROOT) != GetAncestor(hwnd_, GA_ROOT)) return;
  editor_.ClosingCommit(EditorText());
  ApplyEditor(proplist::TextChange());
}

void PropListView::BrowseClick() {
  std::string filter = std::string(proplist::kSaveFilterName) + '\0' +
                       proplist::kSaveFilterPattern + '\0';
  std::wstring path = ShowSaveDialog(hwnd_, platform::Utf8ToWide(filter), platform::Utf8ToWide(proplist::kSaveDialogTitle),
                                     platform::Utf8ToWide(proplist::kSaveDefaultExt));
  ApplyEditor(editor_.BrowseResult(platform::WideToUtf8(path)));
  // The dialog took the keyboard focus; typing goes on in the open editor,
  // after the chosen path.
  if (!IsWindowVisible(text1_)) return;
  SetFocus(text1_);
  if (!path.empty()) {
    const int end = GetWindowTextLengthW(text1_);
    SendMessageW(text1_, EM_SETSEL, end, end);
  }
}

HWND PropListView::FocusStop() const { return IsWindowVisible(text1_) ? text1_ : hwnd_; }

bool PropListView::TabKey(UINT msg, WPARAM wp) {
  if (msg == WM_CHAR && wp == L'\t') return true;
  if (msg != WM_KEYDOWN || wp != VK_TAB) return false;
  if (OnTabKey) OnTabKey(GetKeyState(VK_SHIFT) < 0);
  return true;
}

std::wstring PropListView::ShowSaveDialog(HWND owner, const std::wstring& filter,
                                          const std::wstring& title,
                                          const std::wstring& def_ext) {
  return CurrentUi().ShowSaveDialog(owner, filter, title, def_ext);
}

bool PropListView::Enabled() const { return IsWindowEnabled(hwnd_) != FALSE; }

void PropListView::SetEnabled(bool enabled) { EnableWindow(hwnd_, enabled ? TRUE : FALSE); }

LRESULT CALLBACK PropListView::EditProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                        DWORD_PTR self_ptr) {
  auto* self = reinterpret_cast<PropListView*>(self_ptr);
  if (self->TabKey(msg, wp)) return 0;
  switch (msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      self->ShowFocusMark();
      if (IsBrowseKey(msg, wp)) {
        self->BrowseFromKeyboard();
        return 0;
      }
      if (msg == WM_KEYDOWN && wp == VK_ESCAPE) {
        self->CancelEdit();
        return 0;
      }
      break;
    case WM_CHAR:
      if (wp == VK_RETURN) {
        self->CommitEnter();
        return 0;
      }
      if (wp == VK_ESCAPE) return 0;
      break;
    case WM_GETOBJECT:
      if (static_cast<DWORD>(lp) == static_cast<DWORD>(OBJID_CLIENT)) {
        if (IAccessible* object = self->EditorAccessibleObject()) {
          LRESULT answer = self->editor_accessible_->Answer(wp);
          object->Release();
          return answer;
        }
      }
      break;
    case WM_KILLFOCUS: {
      LRESULT r = DefSubclassProc(hwnd, msg, wp, lp);
      self->ExitFocus(reinterpret_cast<HWND>(wp));
      return r;
    }
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, EditProc, 1);
      break;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

LRESULT PropListView::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  if (TabKey(msg, wp)) return 0;
  switch (msg) {
    case WM_SETFOCUS:
      // The open editor is the control's focus stop.
      if (IsWindowVisible(text1_)) {
        SetFocus(text1_);
        return 0;
      }
      if (!model_.Item(current_.node, current_.item))
        current_ = proplist::StepItem(model_, current_, proplist::Step::kFirst);
      InvalidateRect(hwnd_, nullptr, FALSE);
      AnnounceFocus();
      return 0;
    case WM_KILLFOCUS:
      InvalidateRect(hwnd_, nullptr, FALSE);
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      ShowFocusMark();
      if (GridKey(msg, wp)) return 0;
      break;
    case WM_KEYUP:
      // Also the release of the Tab that brought the focus here.
      ShowFocusMark();
      break;
    case WM_CHAR:
      if (GridChar(wp, lp)) return 0;
      break;
    case WM_GETOBJECT:
      if (static_cast<DWORD>(lp) == static_cast<DWORD>(OBJID_CLIENT)) {
        IAccessible* object = AccessibleObject();
        LRESULT answer = accessible_->Answer(wp);
        object->Release();
        return answer;
      }
      break;
    case WM_SIZE:
      // The retained picture is redrawn at the new size.
      ResizeBuffer();
      DrawList();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      Paint();
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      // Only y counts; every button is treated alike.
      MouseDown(static_cast<short>(HIWORD(lp)));
      return 0;
    case WM_LBUTTONDBLCLK:
      DoubleClick(static_cast<short>(HIWORD(lp)));
      return 0;
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
      MouseDown(static_cast<short>(HIWORD(lp)));
      return 0;
    case WM_COMMAND:
      if (LOWORD(wp) == kBrowseId && HIWORD(wp) == STN_CLICKED) {
        BrowseClick();
        return 0;
      }
      break;
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lp) == image1_) return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
      break;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

}  // namespace app
