#pragma once
// frmMain: the program's one window. It creates and lays out the controls,
// mirrors the entry list model in ListView1, runs the list's commands and
// popup menu, and drives a build on a worker thread. The rules behind each
// command live in entries/, proplist/, shell/ and package/; this file only
// shows them and passes the user's input on.

#include <windows.h>
#include <shellapi.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "app/build_runner.h"
#include "app/focus_ring.h"
#include "app/main_layout.h"
#include "app/project_document.h"
#include "entries/entry_list.h"
#include "entries/popup_menu.h"
#include "package/build_command.h"

namespace app {

class PropListView;

// The main window's class: one window of it runs per session.
inline constexpr wchar_t kMainWindowClass[] = L"QrMakerMain";

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

class MainWindow : private package::BuildView {
 public:
  static bool Register(HINSTANCE instance);
  // Creates the window and runs Form_Load; the window is not yet shown.
  static MainWindow* Create();

  HWND hwnd() const { return hwnd_; }
  // The density the window is laid out for.
  int dpi() const { return dpi_; }
  PropListView& prop_list() { return *prop_list_; }
  HWND list() const { return list_; }
  HWND status_label() const { return label2_; }
  HWND progress_bar() const { return progress_bar_; }
  HWND build_button() const { return cmd_make_; }
  const entries::EntryList& entries() const { return entries_; }
  bool IsMaking() const { return build_.IsMaking(); }
  const ProjectDocument& project() const { return *document_; }
  // Opens the project file at path, asking first about unsaved changes;
  // false when it was not opened (refused, cancelled or a build runs).
  bool OpenProject(const std::wstring& path);
  // Replaces the package writer the build runs (tests).
  void set_package_maker(PackageMaker maker) { maker_ = std::move(maker); }

 private:
  explicit MainWindow(HWND hwnd);
  ~MainWindow() override;
  template <class T>
  friend LRESULT CALLBACK InstanceWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK ListProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                   DWORD_PTR self);
  static LRESULT CALLBACK ButtonProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                     DWORD_PTR self);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);

  // The tab stops, in order: the property list (its open editor when there
  // is one), the entry list, the build button.
  std::vector<FocusRing::Stop> TabStops() const;

  void CreateControls();
  void Form_Load();
  // SetWindowIcons: icon 1 at the small and big icon sizes of the density.
  void SetWindowIcons();
  MainControls Controls() const;
  // Lays the window and every control out for dpi (WM_DPICHANGED: the
  // window moves to a monitor of that density; `at` is where the system
  // suggests the window's top-left corner goes, or nullptr to keep it).
  void SetDpi(int dpi, const POINT* at);

  // The entry list: ListView1 follows the model's changes, the model follows
  // the user's selection.
  void MirrorChange(entries::EntryList::Change change, int32_t row);
  void ListSelectionChanged();
  void AddFile();
  void AddDir();
  void AddChosen(const std::wstring& path, bool folder);
  void DelFile();
  void OpenDir();
  // The dialog of the options of the files inside the selected folder row.
  void OpenFolderFiles();
  void ListView1_KeyUp(WPARAM key);
  void ListView1_MouseUp(int16_t button);
  // Shift+F10 or the menu key: MyMenu as the right button opens it, at the
  // selected row.
  void ListView1_ContextKey();
  void OpenMenu(int16_t button, POINT at);
  // Whether a header notification would show the flags column; it stays hidden.
  bool ShowsFlagsColumn(const NMHDR* hdr) const;
  void RunMenuCommand(UINT command);
  void DropFiles(HDROP drop);

  // Projects (main_window_project.cc).
  void StartProjects();
  void UpdateTitle();
  // Runs a project command id; false for any other id.
  bool RunProjectCommand(UINT id);
  // Before changes are lost: true when the window may go on (nothing
  // unsaved, saved, or the user chose not to save). Closing a window
  // without a project file asks nothing.
  bool KeepChangesFirst(bool closing);
  void NewProject();
  void OpenProjectCommand();
  bool LoadProjectFile(const std::string& path);
  bool SaveProject();
  bool SaveProjectAs();
  bool WriteProject(const std::string& path);
  LRESULT ListCustomDraw(NMLVCUSTOMDRAW* draw);

  // The build.
  package::PropertyValues ReadProperties() const;
  void cmdMake_Click();
  void BuildFinished();
  void ShowStatus(const std::wstring& text);

  // package::BuildView
  void ShowMessage(const std::string& text, Icon icon) override;
  void SetItemFocus(package::BuildItem item) override;
  void SetBuildEnabled(bool enabled) override;
  void SetPropertiesEnabled(bool enabled) override;
  void ResetProgress() override;
  void SetStatus(const std::string& text) override;

  HWND hwnd_;
  int dpi_ = 96;
  PropListView* prop_list_ = nullptr;
  HWND list_ = nullptr;
  HWND label1_ = nullptr;          // "添加到安装包的文件列表(按右键弹出菜单)："
  HWND progress_label_ = nullptr;  // the second Label1: "打包进度："
  HWND label2_ = nullptr;          // the status text
  HWND progress_bar_ = nullptr;
  HWND cmd_make_ = nullptr;
  HFONT font_ = nullptr;
  HICON icon_small_ = nullptr;
  HICON icon_big_ = nullptr;

  entries::EntryList entries_;
  entries::PopupMenu menu_;
  bool mirroring_ = false;  // true while ListView1 is changed to follow the model

  // The progress bar's units for a progress value: bytes, or a fraction of
  // the maximum when it is too large for the bar.
  int BarUnits(float value) const;

  package::BuildCommand build_;
  package::ProgressBar progress_;
  PackageMaker maker_;
  std::unique_ptr<BuildRunner> runner_;
  bool close_pending_ = false;  // the user closed the window during a build

  std::unique_ptr<ProjectDocument> document_;
  std::wstring caption_;  // the designed caption, the title without a project

  FocusRing focus_{hwnd_, [this] { return TabStops(); }};
  bool refocus_build_button_ = false;  // the build button had the focus when the build began
};

}  // namespace app
