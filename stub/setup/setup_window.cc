#include "setup_window.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <objbase.h>
#include <shellapi.h>

#include <memory>

#include "file_in_use.h"
#include "program_start.h"
#include "setup_elevation.h"
#include "setup_flow.h"
#include "stub_text.h"
#include "ui_font.h"
#include "win_util.h"
#include "window_icon.h"
#include "worker_thread.h"

namespace stub {
namespace {

constexpr wchar_t kClassName[] = L"QrSetupWindow";
constexpr UINT kMsgProgress = WM_APP + 1;  // wParam: per mille done
constexpr UINT kMsgDone = WM_APP + 2;      // wParam: 1 installed, 0 failed

enum ControlId {
  kIdTitle = 100, kIdPublisher, kIdVersion, kIdFolderLabel, kIdFolder, kIdBrowse,
  kIdStatus, kIdProgress, kIdRunAfter, kIdInstall, kIdCancel,
  kIdAllUsers, kIdCurrentUser, kIdKeptScope,
};

enum class Stage { kReady, kInstalling, kDone };

struct SetupState {
  PackageSource* pkg = nullptr;
  const SetupDecision* decision = nullptr;  // &chosen
  SetupDecision chosen;  // the decision, with the scope the user chose
  WindowOptions options;
  std::wstring title;
  Stage stage = Stage::kReady;
  WorkerThread worker;
  std::shared_ptr<InstallGate> gate;  // one per attempt
  InstallOutcome outcome;
  bool older_confirmed = false;
  bool failed = false;  // the last attempt failed
  int exit_code = 1;
  HWND wnd = nullptr;
  int last_permille = -1;
};

HWND Item(HWND wnd, int id) { return GetDlgItem(wnd, id); }

void AddControl(HWND parent, const wchar_t* cls, const std::wstring& text, DWORD style, int id,
                int x, int y, int w, int h, DWORD ex_style = 0) {
  CreateWindowExW(ex_style, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
}

std::wstring WindowText(HWND h) {
  int n = GetWindowTextLengthW(h);
  std::wstring s(n + 1, L'\0');
  s.resize(GetWindowTextW(h, s.data(), n + 1));
  return s;
}

// The status before the install: an installed version is named.
std::wstring ReadyText(const SetupState* s) {
  if (!s->decision->upgrade) return text::kReady;
  const std::wstring& version = s->decision->installed.found.entry.display_version;
  if (version.empty()) return text::kReadyUpgradeNoVersion;
  return text::kReadyUpgradePrefix + version + text::kReadyUpgradeSuffix;
}

// The scope, in the row the box to run the program takes at the end: a
// choice when both are open, and for an upgrade the scope it keeps. The
// designed controls stay where they are.
void CreateScopeControls(HWND wnd, SetupState* s) {
  const SetupDecision& d = *s->decision;
  if (d.scope_choice) {
    AddControl(wnd, L"BUTTON", text::kForAllUsers, WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON,
               kIdAllUsers, 20, 232, 220, 24);
    AddControl(wnd, L"BUTTON", text::kForCurrentUser, BS_AUTORADIOBUTTON, kIdCurrentUser, 250, 232,
               230, 24);
    CheckRadioButton(wnd, kIdAllUsers, kIdCurrentUser,
                     d.scope == Scope::kMachine ? kIdAllUsers : kIdCurrentUser);
  } else if (d.upgrade) {
    const wchar_t* kept =
        d.scope == Scope::kMachine ? text::kKeepsScopeAllUsers : text::kKeepsScopeCurrentUser;
    AddControl(wnd, L"STATIC", kept, SS_LEFT | SS_NOPREFIX, kIdKeptScope, 20, 232, 460, 24);
  }
}

// The user picked a scope: a folder still at the default follows it.
void ChooseScope(HWND wnd, SetupState* s, Scope scope) {
  SetupDecision& d = s->chosen;
  if (scope == d.scope) return;
  const std::wstring& dir = s->pkg->config().setup_dir;
  HWND edit = Item(wnd, kIdFolder);
  if (SameNoCase(WindowText(edit), DefaultFolder(d.scope, dir)))
    SetWindowTextW(edit, DefaultFolder(scope, dir).c_str());
  d.scope = scope;
  d.scope_why = ScopeWhy::kWindow;
}

void CreateControls(HWND wnd, SetupState* s, const std::wstring& folder) {
  const SetupConfig& cfg = s->pkg->config();
  AddControl(wnd, L"STATIC", s->title, SS_LEFT | SS_NOPREFIX, kIdTitle, 20, 14, 460, 32);
  AddControl(wnd, L"STATIC", text::kPublisherLabel + cfg.publisher, SS_LEFT | SS_NOPREFIX,
             kIdPublisher, 20, 52, 460, 22);
  AddControl(wnd, L"STATIC", text::kVersionLabel + cfg.version, SS_LEFT | SS_NOPREFIX, kIdVersion,
             20, 76, 460, 22);
  AddControl(wnd, L"STATIC", text::kFolderLabel, SS_LEFT, kIdFolderLabel, 20, 112, 460, 22);
  AddControl(wnd, L"EDIT", folder, WS_TABSTOP | ES_AUTOHSCROLL, kIdFolder, 20, 136, 366, 26,
             WS_EX_CLIENTEDGE);
  AddControl(wnd, L"BUTTON", text::kBrowse, WS_TABSTOP | BS_PUSHBUTTON, kIdBrowse, 394, 135, 86,
             28);
  AddControl(wnd, L"STATIC", ReadyText(s), SS_LEFT | SS_NOPREFIX, kIdStatus, 20, 176, 460, 22);
  AddControl(wnd, PROGRESS_CLASSW, L"", 0, kIdProgress, 20, 200, 460, 20);
  SendMessageW(Item(wnd, kIdProgress), PBM_SETRANGE32, 0, 1000);
  AddControl(wnd, L"BUTTON", L"", WS_TABSTOP | BS_AUTOCHECKBOX, kIdRunAfter, 20, 232, 460, 24);
  ShowWindow(Item(wnd, kIdRunAfter), SW_HIDE);
  AddControl(wnd, L"BUTTON", text::kInstall, WS_TABSTOP | BS_DEFPUSHBUTTON, kIdInstall, 296, 268,
             88, 30);
  AddControl(wnd, L"BUTTON", text::kCancel, WS_TABSTOP | BS_PUSHBUTTON, kIdCancel, 392, 268, 88,
             30);
  CreateScopeControls(wnd, s);
  ApplyFont(wnd, UiFont());
  SendMessageW(Item(wnd, kIdTitle), WM_SETFONT, reinterpret_cast<WPARAM>(UiFont(140, true)), TRUE);
}

int CALLBACK OnBrowseInit(HWND dlg, UINT msg, LPARAM, LPARAM start) {
  if (msg == BFFM_INITIALIZED) SendMessageW(dlg, BFFM_SETSELECTIONW, TRUE, start);
  return 0;
}

// Lets the user pick a parent folder; the package's folder name is added to it.
void Browse(HWND wnd, SetupState* s) {
  std::wstring current = WindowText(Item(wnd, kIdFolder));
  std::wstring start = ParentOf(current);
  BROWSEINFOW bi = {};
  bi.hwndOwner = wnd;
  bi.lpszTitle = text::kChooseFolder;
  bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  bi.lpfn = OnBrowseInit;
  bi.lParam = reinterpret_cast<LPARAM>(start.c_str());
  PIDLIST_ABSOLUTE pidl = SHBrowseForFolderW(&bi);
  if (!pidl) return;
  std::wstring picked(32768, L'\0');
  bool ok = SHGetPathFromIDListEx(pidl, picked.data(), static_cast<DWORD>(picked.size()), GPFIDL_DEFAULT);
  CoTaskMemFree(pidl);
  if (!ok) return;
  picked.resize(wcslen(picked.c_str()));
  const std::wstring& dir = s->pkg->config().setup_dir;
  if (!SameNoCase(LastSegment(picked), dir)) {
    if (!picked.empty() && picked.back() != L'\\') picked += L'\\';
    picked += dir;
  }
  SetWindowTextW(Item(wnd, kIdFolder), picked.c_str());
}

void SetStage(HWND wnd, SetupState* s, Stage stage) {
  s->stage = stage;
  bool ready = stage == Stage::kReady;
  EnableWindow(Item(wnd, kIdFolder), ready);
  EnableWindow(Item(wnd, kIdBrowse), ready);
  EnableWindow(Item(wnd, kIdInstall), stage != Stage::kInstalling);
  for (int id : {kIdAllUsers, kIdCurrentUser}) {
    EnableWindow(Item(wnd, id), ready);
    if (stage == Stage::kDone) ShowWindow(Item(wnd, id), SW_HIDE);
  }
  if (stage == Stage::kDone) ShowWindow(Item(wnd, kIdKeptScope), SW_HIDE);
  std::wstring status = ready ? ReadyText(s)
                        : stage == Stage::kInstalling ? text::kInstalling
                                                      : text::kDone;
  SetWindowTextW(Item(wnd, kIdStatus), status.c_str());
  if (stage == Stage::kDone) {
    SetWindowTextW(Item(wnd, kIdInstall), text::kFinish);
    ShowWindow(Item(wnd, kIdCancel), SW_HIDE);
    if (!s->outcome.run_target.empty()) {
      HWND box = Item(wnd, kIdRunAfter);
      SetWindowTextW(box, (text::kRunAfterPrefix + s->outcome.run_name).c_str());
      SendMessageW(box, BM_SETCHECK, BST_CHECKED, 0);
      ShowWindow(box, SW_SHOW);
    }
  }
}

void StartInstall(HWND wnd, SetupState* s) {
  std::wstring folder;
  if (!NormalizeFolder(WindowText(Item(wnd, kIdFolder)), &folder)) {
    ShowMessage(wnd, text::kNeedFolder, text::kNotice, MB_OK | MB_ICONWARNING);
    SetFocus(Item(wnd, kIdFolder));
    return;
  }
  SetWindowTextW(Item(wnd, kIdFolder), folder.c_str());
  std::wstring why;
  if (!CheckInstallFolder(folder, s->decision->places, &why)) {
    s->failed = true;
    s->exit_code = kExitFailed;
    ShowMessage(wnd, why, text::kNotice, MB_OK | MB_ICONWARNING);
    SetFocus(Item(wnd, kIdFolder));
    return;
  }
  if (!SameNoCase(folder, s->chosen.folder)) {
    s->chosen.folder = folder;
    s->chosen.folder_why = FolderWhy::kWindow;
  }
  if (s->chosen.scope == Scope::kMachine && s->chosen.machine_needs_elevation &&
      s->options.run_elevated_for_machine) {
    // The elevated run shows its own window, for all users, at this folder,
    // and asks what this one would.
    LogDecision(s->chosen);
    ShowWindow(wnd, SW_HIDE);
    int code = kExitFailed;
    if (s->options.run_elevated_for_machine(folder, &code)) {
      s->exit_code = code;
      DestroyWindow(wnd);
      return;
    }
    ShowWindow(wnd, SW_SHOW);
    ShowMessage(wnd, text::kNeedAdminForAllUsers, text::kNotice, MB_OK | MB_ICONWARNING);
    return;
  }
  FolderContents there = LookIntoFolder(folder, *s->pkg, *s->decision);
  if (there.holds_other_files) {
    if (ShowMessage(wnd, FolderHasFilesQuestion(folder, there), text::kNotice,
                    MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
      return;
  }
  const SetupDecision& d = *s->decision;
  if (d.upgrade && !s->older_confirmed && IsOlderThanInstalled(s->pkg->config(), d.installed)) {
    if (ShowMessage(wnd, OlderVersionQuestion(s->pkg->config(), d.installed), text::kNotice,
                    MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
      return;
    s->older_confirmed = true;
  }
  LogDecision(s->chosen);
  SetStage(wnd, s, Stage::kInstalling);
  SendMessageW(Item(wnd, kIdProgress), PBM_SETPOS, 0, 0);
  // Not make_shared: in a build without RTTI it links the exception runtime.
  s->gate = std::shared_ptr<InstallGate>(new InstallGate());
  s->outcome = {};
  s->last_permille = -1;
  s->worker.Start([s, folder] {
    // The shortcuts are COM objects.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    auto progress = [s](int64_t done, int64_t total) {
      int permille = total > 0 ? static_cast<int>(done * 1000 / total) : 1000;
      if (permille != s->last_permille) {
        s->last_permille = permille;
        PostMessageW(s->wnd, kMsgProgress, static_cast<WPARAM>(permille), 0);
      }
    };
    bool ok = InstallPackage(*s->pkg, *s->decision, folder, progress, s->gate.get(), &s->outcome);
    CoUninitialize();
    PostMessageW(s->wnd, kMsgDone, ok ? 1 : 0, 0);
  });
}

void OnDone(HWND wnd, SetupState* s, bool ok) {
  s->worker.Join();
  if (ok) {
    SendMessageW(Item(wnd, kIdProgress), PBM_SETPOS, 1000, 0);
    s->failed = false;
    s->exit_code = 0;
    SetStage(wnd, s, Stage::kDone);
    if (!s->outcome.leftover_folders.empty()) {
      std::wstring said = text::kLeftoverFolders;
      for (const std::wstring& f : s->outcome.leftover_folders) said += L"\r\n" + f;
      MessageBoxW(wnd, said.c_str(), text::kNotice, MB_OK | MB_ICONINFORMATION);
    }
    return;
  }
  SendMessageW(Item(wnd, kIdProgress), PBM_SETPOS, 0, 0);
  SetStage(wnd, s, Stage::kReady);
  if (s->outcome.cancelled) {
    s->exit_code = 1;
    DestroyWindow(wnd);
    return;
  }
  s->failed = true;
  s->exit_code = s->outcome.busy_file.empty() ? kExitFailed : kExitFileInUse;
  if (!s->outcome.busy_file.empty()) {
    // A program holds a file: name it where the system can tell, and let
    // the user close it and retry.
    std::wstring message = InUseMessage(text::kCannotReplaceInUse, s->outcome.busy_file,
                                        SystemFileUsers()->ProgramsUsing(s->outcome.busy_file));
    message += L"\r\n";
    message += text::kCloseAndRetry;
    if (ShowMessage(wnd, message, text::kNotice, MB_RETRYCANCEL | MB_ICONWARNING) == IDRETRY)
      StartInstall(wnd, s);
    return;
  }
  ShowMessage(wnd, s->outcome.message, text::kNotice, MB_OK | MB_ICONWARNING);
}

void Finish(HWND wnd, SetupState* s) {
  if (!s->outcome.run_target.empty() &&
      SendMessageW(Item(wnd, kIdRunAfter), BM_GETCHECK, 0, 0) == BST_CHECKED) {
    if (s->options.run_by_parent) {
      s->exit_code = kExitInstalledRunProgram;
    } else {
      DirectStarter direct;
      StartInstalledProgram(s->outcome.run_target, ProcessIsElevated(), *SystemDesktopShell(), direct);
    }
  }
  DestroyWindow(wnd);
}

// Cancel or close: asks first while files are being written, and the
// install waits for the answer.
void RequestClose(HWND wnd, SetupState* s) {
  switch (s->stage) {
    case Stage::kReady: DestroyWindow(wnd); break;
    case Stage::kDone: Finish(wnd, s); break;
    case Stage::kInstalling: {
      // This attempt's gate, even if the attempt ends while the question is open.
      std::shared_ptr<InstallGate> gate = s->gate;
      if (!gate->Pause()) break;  // committing: it ends in a moment
      if (ShowMessage(wnd, text::kConfirmCancel, text::kNotice, MB_YESNO | MB_ICONQUESTION) ==
          IDYES)
        gate->Cancel();
      else
        gate->Resume();
      break;
    }
  }
}

LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* s = reinterpret_cast<SetupState*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
  switch (msg) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
      SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
      break;
    }
    case WM_COMMAND:
      if (!s) break;
      switch (LOWORD(wp)) {
        case kIdBrowse: Browse(wnd, s); return 0;
        case kIdInstall:
        case IDOK:
          if (s->stage == Stage::kReady) StartInstall(wnd, s);
          else if (s->stage == Stage::kDone) Finish(wnd, s);
          return 0;
        case kIdCancel:
        case IDCANCEL: RequestClose(wnd, s); return 0;
        case kIdAllUsers:
        case kIdCurrentUser:
          if (HIWORD(wp) == BN_CLICKED)
            ChooseScope(wnd, s, LOWORD(wp) == kIdAllUsers ? Scope::kMachine : Scope::kUser);
          return 0;
      }
      break;
    case kMsgProgress:
      if (s && s->stage == Stage::kInstalling)
        SendMessageW(Item(wnd, kIdProgress), PBM_SETPOS, wp, 0);
      return 0;
    case kMsgDone:
      if (s) OnDone(wnd, s, wp != 0);
      return 0;
    case WM_CTLCOLORSTATIC:
      SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    case WM_CLOSE:
      if (s) RequestClose(wnd, s);
      return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
  }
  return DefWindowProcW(wnd, msg, wp, lp);
}

}  // namespace

int RunSetupWindow(HINSTANCE instance, PackageSource& pkg, const SetupDecision& decision,
                   const WindowOptions& options) {
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);

  SetupState s;
  s.pkg = &pkg;
  s.chosen = decision;
  s.decision = &s.chosen;
  s.options = options;
  s.title = pkg.config().app_name + text::kSetupTitleSuffix;

  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WndProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
  wc.lpszClassName = kClassName;
  RegisterClassExW(&wc);

  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT r = {0, 0, 500, 316};
  AdjustWindowRectEx(&r, style, FALSE, 0);
  int w = r.right - r.left, h = r.bottom - r.top;
  int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
  HWND wnd = CreateWindowExW(WS_EX_DLGMODALFRAME, kClassName, s.title.c_str(), style, x, y, w, h,
                             nullptr, nullptr, instance, &s);
  if (!wnd) return 2;
  s.wnd = wnd;
  ShowProductIcon(wnd, instance);
  CreateControls(wnd, &s, decision.folder);
  ShowWindow(wnd, SW_SHOWNORMAL);
  SetFocus(Item(wnd, kIdInstall));

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (IsDialogMessageW(wnd, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  s.worker.Join();
  return s.exit_code;
}

}  // namespace stub
