#pragma once
// A Ui that answers the window's modal parts for the tests: it records every
// message box and popup menu, and returns queued chooser answers and popup
// commands.

#include <windows.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/ui_seams.h"

namespace app_test {

struct ShownMessage {
  std::wstring text;
  std::wstring title;
  UINT icon;
};

struct MenuEntry {
  std::wstring caption;  // empty for a separator
  bool separator;
  bool checked;
  UINT command;
};

struct SaveDialogCall {
  HWND owner;
  std::wstring filter;
  std::wstring title;
  std::wstring def_ext;
};

class FakeUi : public app::Ui {
 public:
  void Message(HWND, const std::wstring& text, const std::wstring& title, UINT icon) override {
    if (on_message) on_message();
    messages.push_back({text, title, icon});
  }
  std::wstring ShowOpenDialog(HWND, const std::wstring& filter) override {
    open_filters.push_back(filter);
    return Next(&chosen_files);
  }
  std::wstring BrowseForFolder(HWND, const std::wstring& prompt) override {
    folder_prompts.push_back(prompt);
    return Next(&chosen_folders);
  }
  std::wstring ShowSaveDialog(HWND owner, const std::wstring& filter, const std::wstring& title,
                              const std::wstring& def_ext) override {
    save_calls.push_back({owner, filter, title, def_ext});
    TakeFocusAsAModalWindow(owner);
    return Next(&chosen_saves);
  }
  UINT TrackPopup(HWND, HMENU menu, POINT at) override {
    popup_points.push_back(at);
    std::vector<MenuEntry> items;
    int n = GetMenuItemCount(menu);
    for (int i = 0; i < n; ++i) {
      wchar_t text[128] = {};
      MENUITEMINFOW info = {};
      info.cbSize = sizeof(info);
      info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING;
      info.dwTypeData = text;
      info.cch = 127;
      GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
      bool separator = (info.fType & MFT_SEPARATOR) != 0;
      items.push_back({separator ? L"" : text, separator, (info.fState & MFS_CHECKED) != 0,
                       info.wID});
    }
    popups.push_back(items);
    if (popup_answers.empty()) return 0;
    UINT command = popup_answers.front();
    popup_answers.pop_front();
    return command;
  }
  void ShowInExplorer(const std::wstring& path) override { explorer_paths.push_back(path); }

  // Runs the real dialog. Once it shows, on_dialog acts in it; a dialog
  // still open after that (or without on_dialog) is cancelled.
  INT_PTR RunDialog(HWND owner, const DLGTEMPLATE* dialog, DLGPROC proc, LPARAM param) override {
    active_ = this;
    ++dialogs_run;
    SetTimer(nullptr, 0, 0, &FakeUi::DialogShown);
    return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog, owner, proc, param);
  }

  // What a modal dialog does to its owner's window: disables it, takes the
  // activation and the keyboard focus, and gives the window back when it
  // closes (where the focus then goes is up to the window).
  static void TakeFocusAsAModalWindow(HWND owner) {
    HWND root = GetAncestor(owner, GA_ROOT);
    EnableWindow(root, FALSE);
    HWND dialog = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE | WS_CAPTION, 0, 0,
                                  100, 100, root, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetForegroundWindow(dialog);
    SetActiveWindow(dialog);
    SetFocus(dialog);
    EnableWindow(root, TRUE);
    DestroyWindow(dialog);
  }

  // Acts in a dialog of RunDialog while it shows.
  std::function<void(HWND dialog)> on_dialog;
  int dialogs_run = 0;
  // Runs when a message box would show, before it is recorded.
  std::function<void()> on_message;
  std::vector<ShownMessage> messages;
  std::vector<std::wstring> open_filters;
  std::vector<std::wstring> folder_prompts;
  std::vector<SaveDialogCall> save_calls;
  std::vector<std::vector<MenuEntry>> popups;
  std::vector<POINT> popup_points;  // where each popup opened, in screen pixels
  std::vector<std::wstring> explorer_paths;
  std::deque<std::wstring> chosen_files;
  std::deque<std::wstring> chosen_folders;
  std::deque<std::wstring> chosen_saves;
  std::deque<UINT> popup_answers;

 private:
  // The thread's one dialog window.
  static BOOL CALLBACK FindDialog(HWND hwnd, LPARAM found) {
    wchar_t cls[16] = {};
    GetClassNameW(hwnd, cls, 16);
    if (std::wstring(cls) != L"#32770") return TRUE;
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
  }
  static void CALLBACK DialogShown(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog) return;
    FakeUi* self = active_;
    if (self->on_dialog) self->on_dialog(dialog);
    // The owner is disabled while the dialog runs.
    if (IsWindow(dialog) && !IsWindowEnabled(GetWindow(dialog, GW_OWNER))) EndDialog(dialog, IDCANCEL);
  }
  static inline FakeUi* active_ = nullptr;

  static std::wstring Next(std::deque<std::wstring>* answers) {
    if (answers->empty()) return std::wstring();
    std::wstring answer = answers->front();
    answers->pop_front();
    return answer;
  }
};

}  // namespace app_test
