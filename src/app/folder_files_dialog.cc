#include "app/folder_files_dialog.h"

#include <commctrl.h>

#include <vector>

#include "app/dpi_scale.h"
#include "app/ui_seams.h"
#include "platform/utf.h"
#include "project/text_format.h"

namespace app {
namespace {

constexpr char kTitle[] = "目录中文件的安装选项";
constexpr char kListLabel[] = "目录“%1”中的文件(&F)：";
constexpr wchar_t kFileColumn[] = L"文件";
constexpr wchar_t kOptionsColumn[] = L"安装选项";
constexpr wchar_t kOk[] = L"确定";
constexpr wchar_t kCancel[] = L"取消";
constexpr int kOptionCount = static_cast<int>(std::size(kFolderFileOptionBits));

// The layout at 96 dots per inch, in pixels of the client area.
constexpr int kMargin = 10;
constexpr int kClientWidth = 460;
constexpr int kLabelHeight = 18;
constexpr int kListTop = kMargin + kLabelHeight + 2;
constexpr int kListHeight = 200;
constexpr int kFileColumnWidth = 250;
constexpr int kBoxTop = kListTop + kListHeight + 8;
constexpr int kBoxHeight = 22;
constexpr int kBoxRows = 3;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonTop = kBoxTop + kBoxRows * kBoxHeight + 8;
constexpr int kClientHeight = kButtonTop + kButtonHeight + kMargin;
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;

class Dialog {
 public:
  Dialog(std::string folder_name, int dpi, const entries::FolderFiles& files)
      : folder_name_(std::move(folder_name)), dpi_(dpi), files_(files) {}
  ~Dialog() {
    if (font_) DeleteObject(font_);
  }
  const entries::FolderFiles& files() const { return files_; }

  static INT_PTR CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) SetWindowLongPtrW(hwnd, DWLP_USER, lp);
    auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    return self ? self->Handle(hwnd, msg, wp, lp) : FALSE;
  }

 private:
  int S(int pixels) const { return dpi::Scale(pixels, dpi_); }

  HWND Child(const wchar_t* cls, const std::wstring& text, DWORD style, DWORD ex_style, int id,
             int x, int y, int w, int h) {
    HWND child = CreateWindowExW(ex_style, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, S(x),
                                 S(y), S(w), S(h), hwnd_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    return child;
  }

  void Create() {
    font_ = dpi::CreateUiFont(false, dpi_);
    SetWindowTextW(hwnd_, platform::Utf8ToWide(kTitle).c_str());
    SIZE size = dpi::WindowSizeForClient(S(kClientWidth), S(kClientHeight), kDialogStyle,
                                         WS_EX_DLGMODALFRAME, dpi_);
    // Over the middle of the main window.
    RECT owner = {};
    GetWindowRect(GetWindow(hwnd_, GW_OWNER), &owner);
    SetWindowPos(hwnd_, nullptr, (owner.left + owner.right - size.cx) / 2,
                 (owner.top + owner.bottom - size.cy) / 2, size.cx, size.cy, SWP_NOZORDER);
    std::string name;  // "&" is a mnemonic mark in a label
    for (char c : folder_name_) name += c == '&' ? std::string("&&") : std::string(1, c);
    const std::string label = project::FormatText(kListLabel, {name});
    // The label comes first: the list takes its name and Alt+F from it.
    Child(L"STATIC", platform::Utf8ToWide(label), SS_LEFT, 0, kIdFilesLabel, kMargin, kMargin,
          kClientWidth - 2 * kMargin, kLabelHeight);
    list_ = Child(WC_LISTVIEWW, L"",
                  LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP | WS_GROUP,
                  WS_EX_CLIENTEDGE, kIdFilesList, kMargin, kListTop, kClientWidth - 2 * kMargin,
                  kListHeight);
    SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    AddColumn(0, kFileColumn, kFileColumnWidth);
    AddColumn(1, kOptionsColumn, kClientWidth - 2 * kMargin - kFileColumnWidth - 24);
    const int column_width = (kClientWidth - 2 * kMargin) / 2;
    for (int i = 0; i < kOptionCount; ++i) {
      const int x = kMargin + (i / kBoxRows) * column_width;
      const int y = kBoxTop + (i % kBoxRows) * kBoxHeight;
      Child(L"BUTTON", platform::Utf8ToWide(entries::OptionCaption(kFolderFileOptionBits[i])),
            BS_AUTOCHECKBOX | WS_TABSTOP | (i == 0 ? WS_GROUP : 0), 0, kIdFirstOptionBox + i, x, y,
            column_width - 10, kBoxHeight - 2);
    }
    Child(L"BUTTON", kOk, BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 0, IDOK,
          kClientWidth - kMargin - 2 * kButtonWidth - 8, kButtonTop, kButtonWidth, kButtonHeight);
    Child(L"BUTTON", kCancel, BS_PUSHBUTTON | WS_TABSTOP, 0, IDCANCEL,
          kClientWidth - kMargin - kButtonWidth, kButtonTop, kButtonWidth, kButtonHeight);

    for (size_t i = 0; i < files_.items().size(); ++i) {
      std::wstring shown = platform::Utf8ToWide(files_.Shown(i));
      LVITEMW item = {};
      item.mask = LVIF_TEXT;
      item.iItem = static_cast<int>(i);
      item.pszText = shown.data();
      SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    ShowOptions();
    if (!files_.items().empty()) {
      LVITEMW item = {};
      item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
      SendMessageW(list_, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
    }
    ShowChecks();
  }

  void AddColumn(int index, const wchar_t* text, int width) {
    LVCOLUMNW col = {};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    col.pszText = const_cast<wchar_t*>(text);
    col.cx = S(width);
    col.iSubItem = index;
    SendMessageW(list_, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&col));
  }

  int Selected() const {
    return static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  }

  // The option column of every row (an option of one file may have moved).
  void ShowOptions() {
    for (size_t i = 0; i < files_.items().size(); ++i) {
      std::wstring text = platform::Utf8ToWide(OptionsText(files_.items()[i].bits));
      LVITEMW item = {};
      item.iSubItem = 1;
      item.pszText = text.data();
      SendMessageW(list_, LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
    }
  }

  // The check boxes show the selected file's options; without one they are off.
  void ShowChecks() {
    const int selected = Selected();
    const int32_t bits = selected >= 0 ? files_.items()[static_cast<size_t>(selected)].bits : 0;
    for (int i = 0; i < kOptionCount; ++i) {
      HWND box = GetDlgItem(hwnd_, kIdFirstOptionBox + i);
      SendMessageW(box, BM_SETCHECK, (bits & kFolderFileOptionBits[i]) ? BST_CHECKED : BST_UNCHECKED, 0);
      EnableWindow(box, selected >= 0);
    }
  }

  INT_PTR Handle(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
      case WM_INITDIALOG:
        hwnd_ = hwnd;
        Create();
        SetFocus(list_);
        return FALSE;  // the focus is set
      case WM_NOTIFY: {
        const auto* hdr = reinterpret_cast<const NMHDR*>(lp);
        if (hdr->hwndFrom == list_ && hdr->code == LVN_ITEMCHANGED) ShowChecks();
        return FALSE;
      }
      case WM_COMMAND: {
        const int id = LOWORD(wp);
        if (id == IDOK || id == IDCANCEL) {
          EndDialog(hwnd, id);
          return TRUE;
        }
        const int box = id - kIdFirstOptionBox;
        const int selected = Selected();
        if (HIWORD(wp) == BN_CLICKED && box >= 0 && box < kOptionCount && selected >= 0) {
          const bool on = SendMessageW(reinterpret_cast<HWND>(lp), BM_GETCHECK, 0, 0) == BST_CHECKED;
          files_.Set(static_cast<size_t>(selected), kFolderFileOptionBits[box], on);
          ShowOptions();
          return TRUE;
        }
        return FALSE;
      }
    }
    return FALSE;
  }

  std::string folder_name_;
  int dpi_;
  entries::FolderFiles files_;
  HWND hwnd_ = nullptr;
  HWND list_ = nullptr;
  HFONT font_ = nullptr;
};

// An empty template: the dialog makes its controls and size itself.
struct EmptyTemplate {
  DLGTEMPLATE header;
  WORD menu, window_class, title;
};

}  // namespace

std::string OptionsText(int32_t bits) {
  std::string text;
  for (int32_t bit : kFolderFileOptionBits)
    if (bits & bit) text += (text.empty() ? "" : "、") + std::string(entries::OptionCaption(bit));
  return text;
}

bool ShowFolderFilesDialog(HWND owner, const std::string& folder_name, int dpi,
                           entries::FolderFiles* files) {
  alignas(DWORD) EmptyTemplate tmpl = {};
  tmpl.header.style = kDialogStyle;
  tmpl.header.dwExtendedStyle = WS_EX_DLGMODALFRAME;
  Dialog dialog(folder_name, dpi, *files);
  INT_PTR pressed = CurrentUi().RunDialog(owner, &tmpl.header, Dialog::Proc,
                                          reinterpret_cast<LPARAM>(&dialog));
  if (pressed != IDOK) return false;
  *files = dialog.files();
  return true;
}

}  // namespace app
