#include "app/main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <vector>

#include "app/build_runner.h"
#include "app/layout.h"
#include "app/popup_menu.h"
#include "app/prop_list_view.h"
#include "app/resources/resource_ids.h"
#include "app/text.h"
#include "app/ui_seams.h"
#include "platform/files.h"
#include "shell/defaults.h"

namespace app {
namespace {

constexpr wchar_t kClassName[] = L"QrMakerMain";
constexpr wchar_t kCaption[] = L"Quorin安装包制作工具 V1.1";
constexpr wchar_t kListLabelText[] = L"添加到安装包的文件列表(按右键弹出菜单)：";
constexpr wchar_t kProgressLabelText[] = L"打包进度：";
constexpr wchar_t kBuildButtonText[] = L"生成安装包";
constexpr wchar_t kNameColumn[] = L"文件/目录名";
constexpr wchar_t kPathColumn[] = L"路径";
constexpr wchar_t kFlagsColumn[] = L"属性";
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

HWND Child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, DWORD ex_style,
           const layout::Twips& twips, int id, int dpi) {
  RECT r = layout::ToPixels(twips, dpi);
  return CreateWindowExW(ex_style, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top,
                         r.right - r.left, r.bottom - r.top, parent,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                         GetModuleHandleW(nullptr), nullptr);
}

void AddColumn(HWND list, int index, const wchar_t* text, int width) {
  LVCOLUMNW col = {};
  col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  col.pszText = const_cast<wchar_t*>(text);
  col.cx = width;
  col.iSubItem = index;
  SendMessageW(list, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&col));
}

void SetSubItem(HWND list, int row, int sub, const std::string& utf8) {
  std::wstring text = Widen(utf8);
  LVITEMW item = {};
  item.iSubItem = sub;
  item.pszText = text.data();
  SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

}  // namespace

bool MainWindow::Register(HINSTANCE instance) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = WndProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP));
  wc.lpszClassName = kClassName;
  bool ok = RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  return ok && PropListView::Register(instance);
}

MainWindow* MainWindow::Create() {
  const int dpi = layout::SystemDpi();
  RECT r = {0, 0, layout::ToPixels(layout::kClientWidth, dpi),
            layout::ToPixels(layout::kClientHeight, dpi)};
  AdjustWindowRectEx(&r, kWindowStyle, FALSE, 0);
  HWND hwnd = CreateWindowExW(0, kClassName, kCaption, kWindowStyle, CW_USEDEFAULT,
                              CW_USEDEFAULT, r.right - r.left, r.bottom - r.top, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!hwnd) return nullptr;
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  self->Form_Load();
  return self;
}

MainWindow::MainWindow(HWND hwnd) : hwnd_(hwnd) {}

MainWindow::~MainWindow() {
  if (runner_) runner_->Join();
  if (font_) DeleteObject(font_);
  if (icon_small_) DestroyIcon(icon_small_);
  if (icon_big_) DestroyIcon(icon_big_);
}

void MainWindow::CreateControls() {
  const int dpi = layout::SystemDpi();
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof(metrics);
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
  font_ = CreateFontIndirectW(&metrics.lfMessageFont);

  prop_list_ = PropListView::Create(hwnd_, kIdPropertyList,
                                    layout::ToPixels(layout::kPropertyList, dpi));
  label1_ = Child(hwnd_, L"STATIC", kListLabelText, SS_LEFT | SS_NOPREFIX, 0, layout::kListLabel,
                  kIdListLabel, dpi);
  list_ = Child(hwnd_, WC_LISTVIEWW, L"",
                LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP, WS_EX_CLIENTEDGE,
                layout::kEntryList, kIdEntryList, dpi);
  label1b_ = Child(hwnd_, L"STATIC", kProgressLabelText, SS_LEFT | SS_NOPREFIX, 0,
                   layout::kProgressLabel, kIdProgressLabel, dpi);
  label2_ = Child(hwnd_, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, 0, layout::kStatusLabel,
                  kIdStatusLabel, dpi);
  progress_ = Child(hwnd_, PROGRESS_CLASSW, L"", 0, 0, layout::kProgressBar, kIdProgressBar, dpi);
  cmd_make_ = Child(hwnd_, L"BUTTON", kBuildButtonText, BS_PUSHBUTTON | WS_TABSTOP, 0,
                    layout::kBuildButton, kIdBuildButton, dpi);
  for (HWND h : {label1_, list_, label1b_, label2_, cmd_make_}) {
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
  }

  AddColumn(list_, 0, kNameColumn, layout::ToPixels(layout::kNameColumnWidth, dpi));
  AddColumn(list_, 1, kPathColumn, layout::ToPixels(layout::kPathColumnWidth, dpi));
  AddColumn(list_, 2, kFlagsColumn, 0);
  SetWindowSubclass(list_, ListProc, 1, reinterpret_cast<DWORD_PTR>(this));
  DragAcceptFiles(list_, TRUE);
}

void MainWindow::Form_Load() {
  // SetWindowIcons: the 16 and 32 pixel images of icon 1.
  HINSTANCE instance = GetModuleHandleW(nullptr);
  icon_small_ = static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, 16, 16, 0));
  icon_big_ = static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, 32, 32, 0));
  SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_small_));
  SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_big_));

  // Exactly full-row selection: a mask of 0 turns every other extended style off.
  SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);

  shell::AddDefaultProperties(&prop_list_->model());
  shell::SetDefaultSavePath(&prop_list_->model(), platform::ProgramFolder());
}

int MainWindow::SelectedRow() const {
  return static_cast<int>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                       LVNI_SELECTED));
}

void MainWindow::Warn(const std::string& text) {
  CurrentUi().Message(hwnd_, Widen(text), Widen(shell::kMessageTitle), MB_ICONEXCLAMATION);
}

void MainWindow::AppendRow(const entries::PackageEntry& entry) {
  std::wstring name = Widen(entry.Name);
  LVITEMW item = {};
  item.mask = LVIF_TEXT;
  item.iItem = static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
  item.pszText = name.data();
  int row = static_cast<int>(SendMessageW(list_, LVM_INSERTITEMW, 0,
                                          reinterpret_cast<LPARAM>(&item)));
  SetSubItem(list_, row, 1, entry.Folder);
  SetSubItem(list_, row, 2, entry.Flags);
}

void MainWindow::RefreshFlags() {
  for (int i = 0; i < entries_.count(); ++i) SetSubItem(list_, i, 2, entries_.row(i).Flags);
}

void MainWindow::AddChosenFile(const std::wstring& path) {
  std::string message;
  if (entries_.AddFile(Narrow(path), &message)) {
    AppendRow(entries_.row(entries_.count() - 1));
  } else if (!message.empty()) {
    Warn(message);
  }
}

void MainWindow::AddChosenDir(const std::wstring& path) {
  std::string message;
  if (entries_.AddDir(Narrow(path), &message)) {
    AppendRow(entries_.row(entries_.count() - 1));
  } else if (!message.empty()) {
    Warn(message);
  }
}

void MainWindow::AddFile() {
  std::wstring path = CurrentUi().ShowOpenDialog(hwnd_, Widen(entries::kAddFileFilter));
  if (!path.empty()) AddChosenFile(path);
}

void MainWindow::AddDir() {
  std::wstring path = CurrentUi().BrowseForFolder(hwnd_, Widen(entries::kAddDirPrompt));
  if (!path.empty()) AddChosenDir(path);
}

void MainWindow::AddPath(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    // A dropped folder comes without a trailing backslash, a drive root with one.
    AddChosenDir(path);
  } else {
    AddChosenFile(path);
  }
}

void MainWindow::DelFile() {
  int row = SelectedRow();
  if (row < 0) return;
  entries_.Remove(row);
  SendMessageW(list_, LVM_DELETEITEM, row, 0);
}

void MainWindow::OpenDir() {
  int row = SelectedRow();
  if (row < 0) return;
  CurrentUi().ShowInExplorer(Widen(entries_.row(row).SourcePath()));
}

void MainWindow::SwitchOption(UINT command) {
  int row = SelectedRow();
  if (row < 0) return;
  entries_.SwitchOption(row, OptionBit(command));
  RefreshFlags();
}

void MainWindow::ListView1_KeyUp(WPARAM key) {
  if (key == VK_DELETE && !is_making_) DelFile();
}

void MainWindow::ListView1_MouseUp() {
  if (is_making_) return;
  int row = SelectedRow();
  PopupContent content = PopupFor(entries_, row);
  HMENU menu = BuildPopup(content);
  POINT at;
  GetCursorPos(&at);
  UINT command = CurrentUi().TrackPopup(hwnd_, menu, at);
  DestroyMenu(menu);
  switch (command) {
    case kCmdAddFile: AddFile(); break;
    case kCmdAddDir: AddDir(); break;
    case kCmdDelFile: DelFile(); break;
    case kCmdOpenDir: OpenDir(); break;
    case 0: break;
    default: SwitchOption(command); break;
  }
}

void MainWindow::DropFiles(HDROP drop) {
  std::vector<std::wstring> paths;
  UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    UINT n = DragQueryFileW(drop, i, nullptr, 0);
    std::wstring path(n + 1, L'\0');
    DragQueryFileW(drop, i, path.data(), n + 1);
    path.resize(n);
    paths.push_back(path);
  }
  DragFinish(drop);
  if (is_making_) return;
  for (const std::wstring& path : paths) AddPath(path);
}

void MainWindow::cmdMake_Click() {
  if (is_making_) return;
  package::BuildCheck check = package::CheckBuild(prop_list_->model(), entries_);
  if (!check.ok) {
    Warn(check.message);
    if (!check.focus_item.empty()) prop_list_->SetItemFocus(check.focus_item);
    return;
  }
  is_making_ = true;
  EnableWindow(cmd_make_, FALSE);
  prop_list_->SetEnabled(false);
  progress_value_ = 0;
  runner_ = std::make_unique<BuildRunner>(hwnd_);
  runner_->Start(package::MakeRequest(prop_list_->model(), entries_));
}

void MainWindow::BuildFinished() {
  BuildOutcome outcome = runner_->Join();
  runner_.reset();
  prop_list_->SetEnabled(true);
  EnableWindow(cmd_make_, TRUE);
  is_making_ = false;
  switch (outcome.result) {
    case package::BuildResult::kWritten:
      CurrentUi().Message(hwnd_, Widen(package::kBuildDoneMessage), Widen(shell::kMessageTitle),
                          MB_ICONINFORMATION);
      break;
    case package::BuildResult::kSizeRefused:
    case package::BuildResult::kFailed:
      Warn(outcome.message);
      break;
  }
  progress_value_ = 0;
  SendMessageW(progress_, PBM_SETPOS, 0, 0);
  SetWindowTextW(label2_, L"");
}

LRESULT CALLBACK MainWindow::ListProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                      DWORD_PTR self_ptr) {
  auto* self = reinterpret_cast<MainWindow*>(self_ptr);
  switch (msg) {
    case WM_KEYUP:
      self->ListView1_KeyUp(wp);
      break;
    case WM_DROPFILES:
      self->DropFiles(reinterpret_cast<HDROP>(wp));
      return 0;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, ListProc, 1);
      break;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

LRESULT CALLBACK MainWindow::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_NCCREATE) {
    self = new MainWindow(hwnd);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    delete self;
    return DefWindowProcW(hwnd, msg, wp, lp);
  }
  return self->Handle(msg, wp, lp);
}

LRESULT MainWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      CreateControls();
      return 0;
    case WM_COMMAND:
      if (LOWORD(wp) == kIdBuildButton && HIWORD(wp) == BN_CLICKED) {
        cmdMake_Click();
        return 0;
      }
      break;
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lp);
      // NM_RCLICK comes when the right button is released over the list.
      if (hdr->hwndFrom == list_ && hdr->code == NM_RCLICK) {
        ListView1_MouseUp();
        return 0;
      }
      break;
    }
    case kMsgBuildStatus: {
      std::unique_ptr<std::wstring> text(reinterpret_cast<std::wstring*>(lp));
      SetWindowTextW(label2_, text->c_str());
      return 0;
    }
    case kMsgBuildMaximum:
      progress_max_ = static_cast<int>(lp);
      SendMessageW(progress_, PBM_SETRANGE32, 0, progress_max_);
      return 0;
    case kMsgBuildAdvance: {
      // The bar never passes its maximum, whatever the codec reports.
      int64_t v = static_cast<int64_t>(progress_value_) + static_cast<int64_t>(lp);
      progress_value_ = static_cast<int>(v > progress_max_ ? progress_max_ : v);
      SendMessageW(progress_, PBM_SETPOS, progress_value_, 0);
      return 0;
    }
    case kMsgBuildDone:
      BuildFinished();
      return 0;
    case WM_CLOSE:
      // A build writes on its worker thread; the window closes once it is done,
      // so no half-written package or temporary file stays behind.
      if (is_making_) return 0;
      DestroyWindow(hwnd_);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

}  // namespace app
