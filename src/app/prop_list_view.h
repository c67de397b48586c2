#pragma once
// QrPropertyList as a Win32 child window: paints the property list model into
// a retained back buffer, turns mouse presses, Enter and the focus leaving the
// control into the model's editing steps, and lays the in-place editor Text1
// and the browse picture Image1 where the model puts them. The model (groups,
// items, lookups, hit testing, the editing state machine) lives in proplist/.

#include <windows.h>

#include <functional>
#include <string>

#include "proplist/editing.h"
#include "proplist/property_list.h"

namespace app {

class PropListView {
 public:
  // Registers the window class once per process.
  static bool Register(HINSTANCE instance);
  // Creates the control as a child of parent at rect (client pixels).
  static PropListView* Create(HWND parent, int id, const RECT& rect);

  HWND hwnd() const { return hwnd_; }
  HWND editor() const { return text1_; }
  HWND browse_button() const { return image1_; }
  proplist::PropertyList& model() { return model_; }

  // Repaints the back buffer from the model and shows it.
  void DrawList();
  // Opens the editor on the first item called name; nothing when none is.
  void SetItemFocus(const std::string& name);
  // Stores the text of an open editor and closes it, as the focus leaving
  // the control does; nothing when no edit is open.
  void CommitOpenEdit();
  bool Enabled() const;
  void SetEnabled(bool enabled);

  // Runs when Tab is pressed in the control or its editor (backward: with
  // Shift); the host moves the focus to its next tab stop.
  std::function<void(bool backward)> OnTabKey;
  // The window that holds the control's keyboard focus stop: the editor
  // while it is open, else the control itself.
  HWND FocusStop() const;

  // The save chooser of the browse picture.
  static std::wstring ShowSaveDialog(HWND owner, const std::wstring& filter,
                                     const std::wstring& title, const std::wstring& def_ext);

  // Copies the back buffer into dc at (0, 0).
  void Render(HDC dc) const;

 private:
  explicit PropListView(HWND hwnd);
  ~PropListView();
  template <class T>
  friend LRESULT CALLBACK InstanceWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  static LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                   DWORD_PTR self);
  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);

  // Passes Tab (and swallows its character) for hwnd, the control or its
  // editor; true when msg was that.
  bool TabKey(UINT msg, WPARAM wp);
  void ResizeBuffer();
  void Paint();
  int Width() const;
  std::string EditorText() const;
  // Puts Text1 and Image1 where the editor state says and applies change.
  void ApplyEditor(const proplist::TextChange& change);
  void MouseDown(int y);
  void CommitEnter();
  // Runs when the keyboard focus moves from the editor to new_focus.
  void ExitFocus(HWND new_focus);
  void BrowseClick();

  HWND hwnd_;
  HWND text1_ = nullptr;
  HWND image1_ = nullptr;
  HBITMAP browse_bitmap_ = nullptr;
  HFONT font_ = nullptr;
  HFONT bold_font_ = nullptr;
  int text_top_ = 0;       // row text below a row's top, normal and bold font
  int bold_text_top_ = 0;
  HDC buffer_dc_ = nullptr;
  HBITMAP buffer_ = nullptr;
  HGDIOBJ old_buffer_ = nullptr;
  int buffer_width_ = 0;
  int buffer_height_ = 0;
  proplist::PropertyList model_;
  proplist::Editor editor_{&model_};
};

}  // namespace app
