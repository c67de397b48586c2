#pragma once
// The modal parts of the window and its calls into the shell, behind one
// interface so that the tests can answer them: message boxes, the three
// choosers, the popup menu, the file manager and the window's own dialogs.
// The application uses RealUi(); a test installs its own with SetUi().

#include <windows.h>

#include <string>

namespace app {

class Ui {
 public:
  virtual ~Ui() = default;

  // A modal message box with one OK button; icon is MB_ICONEXCLAMATION or
  // MB_ICONINFORMATION.
  virtual void Message(HWND owner, const std::wstring& text, const std::wstring& title,
                       UINT icon) = 0;

  // The file chooser: one existing file; empty when cancelled. filter holds
  // pairs of display text and pattern, each ended by a NUL.
  virtual std::wstring ShowOpenDialog(HWND owner, const std::wstring& filter) = 0;

  // The folder chooser rooted at the drives folder; empty when cancelled or
  // when the chosen item has no file-system path.
  virtual std::wstring BrowseForFolder(HWND owner, const std::wstring& prompt) = 0;

  // The save chooser with its overwrite prompt; empty when cancelled.
  virtual std::wstring ShowSaveDialog(HWND owner, const std::wstring& filter,
                                      const std::wstring& title, const std::wstring& def_ext) = 0;

  // Shows menu as a popup at the screen point at and returns the chosen
  // command id, or 0 when the menu was dismissed.
  virtual UINT TrackPopup(HWND owner, HMENU menu, POINT at) = 0;

  // Opens the file manager on the folder of path with path selected.
  virtual void ShowInExplorer(const std::wstring& path) = 0;

  // Runs a modal dialog of the template over owner (DialogBoxIndirectParam)
  // and returns what ended it.
  virtual INT_PTR RunDialog(HWND owner, const DLGTEMPLATE* dialog, DLGPROC proc, LPARAM param) = 0;
};

// The Ui in use: RealUi() unless a test installed another one.
Ui& CurrentUi();
Ui& RealUi();
// Installs ui (nullptr: back to RealUi()). The caller keeps ownership.
void SetUi(Ui* ui);

}  // namespace app
