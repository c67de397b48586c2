#pragma once
// frmMain: the program's one window. It creates and lays out the controls,
// shows the entry list model in ListView1, runs the list's commands and popup
// menu, and drives a build on a worker thread. The rules behind each command
// live in entries/, proplist/, shell/ and package/; this file shows them.

#include <windows.h>

#include <memory>
#include <string>
#include <thread>

#include "entries/entry_list.h"

namespace app {

class PropListView;
class BuildRunner;

// Command ids of MyMenu.
enum MenuCommand : UINT {
  kCmdAddFile = 100,
  kCmdAddDir,
  kCmdDelFile,
  kCmdOpenDir,
  kCmdAddQuickLaunch,
  kCmdAddDesktopcut,
  kCmdRunApp,
  kCmdAddToAutoRun,
  kCmdAddToPrograms,
  kCmdSetCtrlPanelIcon,
};

// Control ids.
enum ControlId : int {
  kIdPropertyList = 1,
  kIdListLabel,
  kIdEntryList,
  kIdProgressLabel,
  kIdStatusLabel,
  kIdProgressBar,
  kIdBuildButton,
};

// Messages the build worker posts to the window.
enum BuildMessage : UINT {
  kMsgBuildStatus = WM_APP + 1,  // lParam: std::wstring* (the window deletes it)
  kMsgBuildMaximum,              // lParam: the progress maximum
  kMsgBuildAdvance,              // lParam: bytes processed
  kMsgBuildDone,                 // no arguments; the result waits in the runner
};

class MainWindow {
 public:
  static bool Register(HINSTANCE instance);
  // Creates the window, runs Form_Load and returns it (not yet shown).
  static MainWindow* Create();

  HWND hwnd() const { return hwnd_; }
  PropListView& prop_list() { return *prop_list_; }
  HWND list() const { return list_; }
  HWND status_label() const { return label2_; }
  HWND progress_bar() const { return progress_; }
  HWND build_button() const { return cmd_make_; }
  const entries::EntryList& entries() const { return entries_; }
  bool IsMaking() const { return is_making_; }

  // Row of ListView1 that is selected, -1 for none (0-based).
  int SelectedRow() const;

  // The commands, as the menu, the keyboard and drops run them.
  void AddFile();
  void AddDir();
  void AddPath(const std::wstring& path);  // a dropped file or folder
  void DelFile();
  void OpenDir();
  void SwitchOption(UINT command);
  void cmdMake_Click();

 private:
  explicit MainWindow(HWND hwnd);
  ~MainWindow();
  static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK ListProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                   DWORD_PTR self);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);

  void CreateControls();
  void Form_Load();
  void Warn(const std::string& text);
  // Adds a chosen file or folder with the model's checks and messages.
  void AddChosenFile(const std::wstring& path);
  void AddChosenDir(const std::wstring& path);
  void AppendRow(const entries::PackageEntry& entry);
  void RefreshFlags();
  void ListView1_KeyUp(WPARAM key);
  void ListView1_MouseUp();
  void DropFiles(HDROP drop);
  void BuildFinished();

  HWND hwnd_;
  PropListView* prop_list_ = nullptr;
  HWND list_ = nullptr;
  HWND label1_ = nullptr;
  HWND label1b_ = nullptr;
  HWND label2_ = nullptr;
  HWND progress_ = nullptr;
  HWND cmd_make_ = nullptr;
  HFONT font_ = nullptr;
  HICON icon_small_ = nullptr;
  HICON icon_big_ = nullptr;
  entries::EntryList entries_;
  bool is_making_ = false;
  int progress_max_ = 0;
  int progress_value_ = 0;
  std::unique_ptr<BuildRunner> runner_;
};

}  // namespace app
