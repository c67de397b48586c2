#include "app/main_window.h"
#include "app/window_instance.h"

#include <commctrl.h>
#include <shellapi.h>

#include <vector>

#include "app/dpi_scale.h"
#include "app/folder_files_dialog.h"
#include "app/layout.h"
#include "app/popup_menu.h"
#include "app/prop_list_view.h"
#include "app/resources/resource_ids.h"
#include "app/ui_seams.h"
#include "entries/commands.h"
#include "entries/folder_files.h"
#include "package/messages.h"
#include "package/package_writer.h"
#include "package/payload.h"
#include "platform/files.h"
#include "platform/utf.h"
#include "platform/win32_util.h"
#include "project/project.h"
#include "package/install_dat_check.h"
#include "form/main_form.h"
#include "package/messages.h"

namespace app {
namespace {

constexpr wchar_t kCaption[] = L"Quorin安装包制作工具 V1.1";
constexpr wchar_t kListLabelText[] = L"添加到安装包的文件列表(按右键弹出菜单)：";
constexpr wchar_t kProgressLabelText[] = L"打包进度：";
constexpr wchar_t kBuildButtonText[] = L"生成安装包";
constexpr wchar_t kNameColumn[] = L"文件/目录名";
constexpr wchar_t kPathColumn[] = L"路径";
constexpr wchar_t kFlagsColumn[] = L"属性";
constexpr int kFlagsColumnIndex = 2;
// The progress bar counts in int; a larger maximum is shown in this many units.
constexpr float kBarUnitsLimit = 1 << 30;
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// A control; PlaceControls puts it in its place.
HWND Child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, DWORD ex_style,
           int id) {
  return CreateWindowExW(ex_style, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, parent,
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

void SetCell(HWND list, int index, int sub, const std::string& utf8) {
  std::wstring text = platform::Utf8ToWide(utf8);
  LVITEMW item = {};
  item.iSubItem = sub;
  item.pszText = text.data();
  SendMessageW(list, LVM_SETITEMTEXTW, index, reinterpret_cast<LPARAM>(&item));
}

// Filter text for the choosers: display name, NUL, pattern, NUL.
std::wstring Filter(const char* name, const char* pattern) {
  std::wstring filter = platform::Utf8ToWide(name);
  filter += L'\0';
  filter += platform::Utf8ToWide(pattern);
  filter += L'\0';
  return filter;
}

}  // namespace

bool MainWindow::Register(HINSTANCE instance) {
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = InstanceWndProc<MainWindow>;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kMainWindowClass;
  bool ok = RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  return ok && PropListView::Register(instance);
}

MainWindow* MainWindow::Create() {
  const int dpi = layout::SystemDpi();
  RECT r = {0, 0, layout::ToPixels(layout::kClientWidth, dpi),
            layout::ToPixels(layout::kClientHeight, dpi)};
  AdjustWindowRectEx(&r, kWindowStyle, FALSE, 0);
  HWND hwnd = CreateWindowExW(0, kMainWindowClass, kCaption, kWindowStyle, CW_USEDEFAULT,
                              CW_USEDEFAULT, r.right - r.left, r.bottom - r.top, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!hwnd) return nullptr;
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  // Made on a monitor of another density than the system's: sized for it.
  if (self->dpi_ != dpi) self->SetDpi(self->dpi_, nullptr);
  self->Form_Load();
  return self;
}

MainWindow::MainWindow(HWND hwnd) : hwnd_(hwnd), maker_(package::MakePackage) {
  entries_.OnChange = [this](entries::EntryList::Change change, int32_t row) {
    MirrorChange(change, row);
  };
}

MainWindow::~MainWindow() {
  runner_.reset();  // waits for a build still running
  if (font_) DeleteObject(font_);
  if (icon_small_) DestroyIcon(icon_small_);
  if (icon_big_) DestroyIcon(icon_big_);
}

void MainWindow::CreateControls() {
  dpi_ = dpi::ForWindow(hwnd_);
  font_ = dpi::CreateUiFont(false, dpi_);

  prop_list_ = PropListView::Create(hwnd_, kIdPropertyList,
                                    layout::ToPixels(layout::kPropertyList, dpi_));
  prop_list_->SetDpi(dpi_);
  label1_ = Child(hwnd_, L"STATIC", kListLabelText, SS_LEFT | SS_NOPREFIX, 0, kIdListLabel);
  list_ = Child(hwnd_, WC_LISTVIEWW, L"",
                LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | WS_TABSTOP, WS_EX_CLIENTEDGE,
                kIdEntryList);
  progress_label_ =
      Child(hwnd_, L"STATIC", kProgressLabelText, SS_LEFT | SS_NOPREFIX, 0, kIdProgressLabel);
  label2_ = Child(hwnd_, L"STATIC", L"", SS_LEFT | SS_NOPREFIX, 0, kIdStatusLabel);
  progress_bar_ = Child(hwnd_, PROGRESS_CLASSW, L"", 0, 0, kIdProgressBar);
  cmd_make_ = Child(hwnd_, L"BUTTON", kBuildButtonText, BS_PUSHBUTTON | WS_TABSTOP, 0,
                    kIdBuildButton);
  AddColumn(list_, 0, kNameColumn, 0);
  AddColumn(list_, 1, kPathColumn, 0);
  AddColumn(list_, kFlagsColumnIndex, kFlagsColumn, 0);  // present, never visible
  PlaceControls(Controls(), dpi_, font_);

  SetWindowSubclass(list_, ListProc, 1, reinterpret_cast<DWORD_PTR>(this));
  SetWindowSubclass(cmd_make_, ButtonProc, 1, reinterpret_cast<DWORD_PTR>(this));
  DragAcceptFiles(list_, TRUE);
  DragAcceptFiles(hwnd_, TRUE);  // a project file dropped anywhere opens
  prop_list_->OnTabKey = [this](bool backward) { focus_.Move(backward); };
}

MainControls MainWindow::Controls() const {
  return {prop_list_->hwnd(), label1_, list_, progress_label_, label2_, progress_bar_, cmd_make_};
}

void MainWindow::SetDpi(int dpi, const POINT* at) {
  dpi_ = dpi;
  HFONT old_font = font_;
  font_ = dpi::CreateUiFont(false, dpi);
  const int width = layout::ToPixels(layout::kClientWidth, dpi);
  const int height = layout::ToPixels(layout::kClientHeight, dpi);
  SIZE size = dpi::WindowSizeForClient(width, height, kWindowStyle, 0, dpi);
  SetWindowPos(hwnd_, nullptr, at ? at->x : 0, at ? at->y : 0, size.cx, size.cy,
               SWP_NOZORDER | SWP_NOACTIVATE | (at ? 0 : SWP_NOMOVE));
  // Where the frame is drawn at another density than the one asked for
  // (systems that scale only the client area), the client area is what counts.
  RECT client;
  GetClientRect(hwnd_, &client);
  if (client.right != width || client.bottom != height) {
    size.cx += width - client.right;
    size.cy += height - client.bottom;
    SetWindowPos(hwnd_, nullptr, 0, 0, size.cx, size.cy,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
  }
  PlaceControls(Controls(), dpi, font_);
  prop_list_->SetDpi(dpi);
  if (old_font) DeleteObject(old_font);
  if (icon_small_) SetWindowIcons();
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void MainWindow::SetWindowIcons() {
  // The 16 and 32 pixel images of icon 1 at 96 dots per inch.
  HINSTANCE instance = GetModuleHandleW(nullptr);
  HICON old_small = icon_small_;
  HICON old_big = icon_big_;
  const int small = dpi::Scale(16, dpi_);
  const int big = dpi::Scale(32, dpi_);
  icon_small_ = static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, small, small, 0));
  icon_big_ = static_cast<HICON>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, big, big, 0));
  SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_small_));
  SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_big_));
  if (old_small) DestroyIcon(old_small);
  if (old_big) DestroyIcon(old_big);
}

void MainWindow::Form_Load() {
  SetWindowIcons();

  // Exactly full-row selection: a mask of 0 turns every other extended style off.
  SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);

  form::FillMainProperties(&prop_list_->model());
  form::AddCompressionChoice(&prop_list_->model());
  form::SetDefaultSavePath(&prop_list_->model(), platform::ProgramFolder());
  StartProjects();
}

// ---- Entry list ----

void MainWindow::MirrorChange(entries::EntryList::Change change, int32_t row) {
  using Change = entries::EntryList::Change;
  mirroring_ = true;
  const int index = row - 1;
  switch (change) {
    case Change::kAppended: {
      // Three steps: the row with its name, then the folder, then the flags.
      const entries::PackageEntry& entry = entries_.row(row);
      std::wstring name = platform::Utf8ToWide(entry.Name);
      LVITEMW item = {};
      item.mask = LVIF_TEXT;
      item.iItem = index;
      item.pszText = name.data();
      SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
      SetCell(list_, index, 1, entry.Folder);
      SetCell(list_, index, 2, entry.Flags);
      break;
    }
    case Change::kRemoved:
      SendMessageW(list_, LVM_DELETEITEM, index, 0);
      break;
    case Change::kFlags:
      SetCell(list_, index, 2, entries_.row(row).Flags);
      break;
    case Change::kFileOptions:
      break;  // the list shows no file options; only the title follows them
    case Change::kSelection: {
      LVITEMW item = {};
      item.stateMask = LVIS_SELECTED;
      SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                   reinterpret_cast<LPARAM>(&item));
      if (row > 0) {
        // The keyboard's place in the list goes with the selection.
        item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list_, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
        SendMessageW(list_, LVM_ENSUREVISIBLE, index, FALSE);
      }
      break;
    }
  }
  mirroring_ = false;
  UpdateTitle();
}

void MainWindow::ListSelectionChanged() {
  if (mirroring_) return;
  int index = static_cast<int>(
      SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  entries_.Select(index + 1);  // -1 (none) becomes 0
}

void MainWindow::AddChosen(const std::wstring& path, bool folder) {
  std::string chosen = platform::WideToUtf8(path);
  entries::AddResult result =
      folder ? entries::AddDir(&entries_, chosen) : entries::AddFile(&entries_, chosen);
  if (!result.added && *result.message) {
    ShowMessage(result.message, Icon::kWarning);
  }
  // The new row is selected and scrolled into view.
  if (result.added) entries_.Select(entries_.count());
}

void MainWindow::AddFile() {
  std::wstring path = CurrentUi().ShowOpenDialog(
      hwnd_, Filter(entries::kOpenFilterName, entries::kOpenFilterPattern));
  AddChosen(path, false);
}

void MainWindow::AddDir() {
  std::wstring path = CurrentUi().BrowseForFolder(hwnd_, platform::Utf8ToWide(entries::kBrowseFolderPrompt));
  AddChosen(path, true);
}

void MainWindow::DelFile() { entries::DelFile(&entries_); }

void MainWindow::OpenDir() {
  std::string target = entries::OpenDirTarget(entries_);
  if (!target.empty()) CurrentUi().ShowInExplorer(platform::Utf8ToWide(target));
}

void MainWindow::OpenFolderFiles() {
  const int32_t row = entries_.selected();
  if (row == 0 || !(entries_.Flags(row) & entries::Directory)) return;
  const entries::PackageEntry entry = entries_.row(row);
  // The files as the build packs them.
  std::vector<package::PackFile> files;
  std::string err;
  if (!package::CollectPackFiles({{entry.Name, entry.Folder, entries::ParseFlags(entry.Flags)}},
                                 ReadProperties().save_path, &files, &err)) {
    ShowMessage(err, Icon::kWarning);
    return;
  }
  std::vector<std::string> rel_paths;
  for (const package::PackFile& f : files) rel_paths.push_back(f.RelPath);
  entries::FolderFiles choice(entries_, row, rel_paths);
  if (ShowFolderFilesDialog(hwnd_, entry.Name, dpi_, &choice)) choice.Apply(&entries_);
}

void MainWindow::ListView1_KeyUp(WPARAM key) {
  entries::ListKeyUp(&entries_, static_cast<uint16_t>(key), build_.IsMaking());
}

void MainWindow::ListView1_MouseUp(int16_t button) {
  POINT at;
  GetCursorPos(&at);
  OpenMenu(button, at);
}

void MainWindow::ListView1_ContextKey() {
  // Below the start of the selected row's name, or of the first row's place.
  POINT at = {0, 0};
  const int selected = entries_.selected() - 1;
  RECT r = {};
  r.left = LVIR_LABEL;
  if (selected >= 0) {
    SendMessageW(list_, LVM_ENSUREVISIBLE, selected, FALSE);
    SendMessageW(list_, LVM_GETITEMRECT, selected, reinterpret_cast<LPARAM>(&r));
    at = {r.left, r.bottom};
  } else {
    HWND header = reinterpret_cast<HWND>(SendMessageW(list_, LVM_GETHEADER, 0, 0));
    if (header && GetWindowRect(header, &r)) at.y = r.bottom - r.top;
  }
  ClientToScreen(list_, &at);
  OpenMenu(entries::PopupMenu::kRightButton, at);
}

void MainWindow::OpenMenu(int16_t button, POINT at) {
  if (!menu_.Open(entries_, button, build_.IsMaking())) return;
  HMENU popup = BuildPopup(menu_);
  UINT command = CurrentUi().TrackPopup(hwnd_, popup, at);
  DestroyMenu(popup);
  RunMenuCommand(command);
}

bool MainWindow::ShowsFlagsColumn(const NMHDR* hdr) const {
  const auto* change = reinterpret_cast<const NMHEADERW*>(hdr);
  switch (hdr->code) {
    case HDN_BEGINTRACKW:
    case HDN_BEGINTRACKA:
    case HDN_DIVIDERDBLCLICKW:
    case HDN_DIVIDERDBLCLICKA:
      return change->iItem == kFlagsColumnIndex;
    case HDN_ITEMCHANGINGW:
    case HDN_ITEMCHANGINGA:
      return change->iItem == kFlagsColumnIndex && change->pitem &&
             (change->pitem->mask & HDI_WIDTH) && change->pitem->cxy != 0;
  }
  return false;
}

void MainWindow::RunMenuCommand(UINT command) {
  using Id = entries::MenuItemId;
  Id id;
  if (!MenuItemOf(command, &id)) return;
  switch (id) {
    case Id::AddFile: AddFile(); break;
    case Id::AddDir: AddDir(); break;
    case Id::DelFile: DelFile(); break;
    case Id::OpenDir: OpenDir(); break;
    case Id::FolderFiles: OpenFolderFiles(); break;
    default: menu_.SwitchOption(&entries_, id); break;
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
  // The list does not change while a build runs.
  if (build_.IsMaking()) return;
  if (paths.size() == 1 && project::IsProjectPath(platform::WideToUtf8(paths[0]))) {
    OpenProject(paths[0]);
    return;
  }
  for (const std::wstring& path : paths) AddChosen(path, platform::win32::FolderExists(path));
}

// ---- Build ----

package::PropertyValues MainWindow::ReadProperties() const {
  const proplist::PropertyList& model = prop_list_->model();
  package::PropertyValues p;
  p.app_name = model.GetPropValue(form::kPropAppName);
  p.setup_dir = model.GetPropValue(form::kPropSetupDir);
  p.save_path = model.GetPropValue(form::kPropSavePath);
  p.publisher = model.GetPropValue(form::kPropPublisher);
  p.version = model.GetPropValue(form::kPropVersion);
  return p;
}

void MainWindow::cmdMake_Click() {
  if (build_.IsMaking()) return;
  // An open edit was committed when the button took the focus.
  if (!build_.Check(ReadProperties(), static_cast<size_t>(entries_.count()), *this).ok) return;
  build_.Begin(*this);
  // The values, rows and options, with the build settings a project brought along.
  package::PackageRequest request = project::ToRequest(document_->Current());
  request.install_dat = package::InstallDatPath();
  progress_ = package::ProgressBar();
  runner_ = std::make_unique<BuildRunner>(hwnd_, maker_);
  runner_->Start(std::move(request));
}

void MainWindow::BuildFinished() {
  package::BuildResult result = runner_->Join();
  runner_.reset();
  // Closed during the build: it was stopped and has cleaned up; nothing to say.
  if (close_pending_) {
    DestroyWindow(hwnd_);
    return;
  }
  build_.Finish(result, *this);
}

void MainWindow::ShowMessage(const std::string& text, Icon icon) {
  CurrentUi().Message(hwnd_, platform::Utf8ToWide(text), platform::Utf8ToWide(package::msg::kTitle),
                      icon == Icon::kInformation ? MB_ICONINFORMATION : MB_ICONEXCLAMATION);
}

void MainWindow::SetItemFocus(package::BuildItem item) {
  switch (item) {
    case package::BuildItem::kAppName: prop_list_->SetItemFocus(form::kPropAppName); break;
    case package::BuildItem::kSetupDir: prop_list_->SetItemFocus(form::kPropSetupDir); break;
    case package::BuildItem::kSavePath: prop_list_->SetItemFocus(form::kPropSavePath); break;
    case package::BuildItem::kNone: break;
  }
}

void MainWindow::SetBuildEnabled(bool enabled) {
  if (!enabled) {
    // A disabled button loses the focus: the list keeps it meanwhile, and
    // the button has it back when the build is over.
    refocus_build_button_ = GetFocus() == cmd_make_;
    if (refocus_build_button_) SetFocus(list_);
  }
  EnableWindow(cmd_make_, enabled);
  if (enabled && refocus_build_button_) {
    refocus_build_button_ = false;
    focus_.Remember(cmd_make_);
    if (GetActiveWindow() == hwnd_) SetFocus(cmd_make_);
  }
}

void MainWindow::SetPropertiesEnabled(bool enabled) {
  HWND focus = GetFocus();
  if (!enabled && focus && (focus == prop_list_->hwnd() || IsChild(prop_list_->hwnd(), focus)))
    SetFocus(list_);
  prop_list_->SetEnabled(enabled);
}

void MainWindow::ResetProgress() {
  progress_.Value = 0;
  SendMessageW(progress_bar_, PBM_SETPOS, 0, 0);
}

void MainWindow::SetStatus(const std::string& text) { ShowStatus(platform::Utf8ToWide(text)); }

void MainWindow::ShowStatus(const std::wstring& text) {
  SetWindowTextW(label2_, text.c_str());
  FitLabel(Controls(), label2_, font_, dpi_);
}

int MainWindow::BarUnits(float value) const {
  if (progress_.Max <= kBarUnitsLimit) return static_cast<int>(value);
  return static_cast<int>(static_cast<double>(value) / progress_.Max * kBarUnitsLimit);
}

std::vector<FocusRing::Stop> MainWindow::TabStops() const {
  return {{prop_list_->hwnd(), prop_list_->FocusStop()}, {list_, list_}, {cmd_make_, cmd_make_}};
}

// ---- Messages ----

LRESULT CALLBACK MainWindow::ListProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                      DWORD_PTR self_ptr) {
  auto* self = reinterpret_cast<MainWindow*>(self_ptr);
  if (self->focus_.TabKey(msg, wp)) return 0;
  switch (msg) {
    case WM_KEYUP:
      self->ListView1_KeyUp(wp);
      break;
    case WM_CONTEXTMENU:
      // The keyboard's request (Shift+F10, the menu key) comes without a
      // point; the right button's release has opened the menu already.
      if (lp == -1) {
        self->ListView1_ContextKey();
        return 0;
      }
      break;
    case WM_NOTIFY:
      // From the header: no drag or double click shows the flags column.
      if (self->ShowsFlagsColumn(reinterpret_cast<const NMHDR*>(lp))) return TRUE;
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

LRESULT CALLBACK MainWindow::ButtonProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                        DWORD_PTR self_ptr) {
  auto* self = reinterpret_cast<MainWindow*>(self_ptr);
  if (self->focus_.TabKey(msg, wp)) return 0;
  switch (msg) {
    case WM_KEYDOWN:
      // Enter presses the button as the space bar does.
      if (wp == VK_RETURN) {
        SendMessageW(hwnd, BM_CLICK, 0, 0);
        return 0;
      }
      break;
    case WM_CHAR:
      if (wp == L'\r') return 0;
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, ButtonProc, 1);
      break;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

LRESULT MainWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_ACTIVATE:
      // As a dialog does: the focus goes back where it was when the window
      // was left, or to the first tab stop.
      if (LOWORD(wp) == WA_INACTIVE)
        focus_.Remember(GetFocus());
      else if (!HIWORD(wp))
        focus_.Restore();
      return 0;
    case WM_SETFOCUS:
      focus_.Restore();
      return 0;
    case WM_CREATE:
      CreateControls();
      return 0;
    case dpi::kDpiChangedMessage: {
      // The new density in both words of wParam; lParam the suggested place.
      const auto* suggested = reinterpret_cast<const RECT*>(lp);
      const POINT at = {suggested->left, suggested->top};
      SetDpi(LOWORD(wp), &at);
      return 0;
    }
    case WM_COMMAND:
      // A project command's key (no control sends these ids).
      if (lp == 0 && RunProjectCommand(LOWORD(wp))) return 0;
      if (LOWORD(wp) == kIdBuildButton && HIWORD(wp) == BN_CLICKED) {
        cmdMake_Click();
        return 0;
      }
      break;
    case WM_NOTIFY: {
      const auto* hdr = reinterpret_cast<const NMHDR*>(lp);
      if (hdr->hwndFrom != list_) break;
      if (hdr->code == NM_CUSTOMDRAW)
        return ListCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(lp));
      if (hdr->code == NM_RCLICK) {
        // Sent when the right button is released over the list.
        ListView1_MouseUp(entries::PopupMenu::kRightButton);
        return 0;
      }
      if (hdr->code == LVN_ITEMCHANGED) {
        const auto* change = reinterpret_cast<const NMLISTVIEW*>(lp);
        if (change->uChanged & LVIF_STATE) ListSelectionChanged();
        return 0;
      }
      break;
    }
    case kMsgBuildStatus: {
      std::unique_ptr<std::wstring> text(reinterpret_cast<std::wstring*>(lp));
      ShowStatus(*text);
      return 0;
    }
    case kMsgBuildMaximum:
      progress_.Max = static_cast<float>(lp);
      SendMessageW(progress_bar_, PBM_SETRANGE32, 0, BarUnits(progress_.Max));
      return 0;
    case kMsgBuildAdvance:
      progress_.FileProgress(static_cast<int32_t>(lp));
      SendMessageW(progress_bar_, PBM_SETPOS, static_cast<WPARAM>(BarUnits(progress_.Value)), 0);
      return 0;
    case kMsgBuildDone:
      BuildFinished();
      return 0;
    case WM_SYSCOMMAND:
      if (RunProjectCommand(static_cast<UINT>(wp & 0xFFF0))) return 0;
      break;
    case WM_DROPFILES:
      DropFiles(reinterpret_cast<HDROP>(wp));
      return 0;
    case WM_CLOSE:
      if (!close_pending_ && !KeepChangesFirst(true)) return 0;
      // During a build the window goes from the screen at once and asks the
      // build to stop; it is destroyed when the worker has removed its
      // temporary files (the save path keeps what it held).
      if (build_.IsMaking()) {
        close_pending_ = true;
        runner_->Stop();
        ShowWindow(hwnd_, SW_HIDE);
        return 0;
      }
      DestroyWindow(hwnd_);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(hwnd_, msg, wp, lp);
}

}  // namespace app
