#pragma once
// QrPropertyList as a Win32 child window: paints the property list model into
// a retained back buffer, turns mouse presses, Enter and the focus leaving the
// control into the model's editing steps, and lays the in-place editor Text1
// and the browse picture Image1 where the model puts them. The model (groups,
// items, lookups, hit testing, the editing state machine) lives in proplist/.
//
// Beyond the mouse, which works as designed: the keyboard has a current item
// (a dotted focus mark once a key was used, while the control has the focus):
// Up, Down, Home and End move it over the items, captions skipped; Enter, F2
// or a typed character opens the editor on it (the character starts the
// text); on a choice item Enter, F2, Space or a double click steps it to its
// next value (a press selects it; screen readers hear the new value); F4 or Alt+Down on a save-path item opens the save dialog; Escape in
// the editor closes it keeping the stored value. Screen readers see the items
// through GridAccessible. Every size follows the monitor's density.

#include <windows.h>
#include <oleacc.h>

#include <functional>
#include <string>

#include "proplist/editing.h"
#include "proplist/layout.h"
#include "proplist/navigation.h"
#include "proplist/property_list.h"

namespace app {

class EditorAccessible;
class GridAccessible;

class PropListView {
 public:
  // Registers the window class once per process.
  static bool Register(HINSTANCE instance);
  // Creates the control as a child of parent at rect (client pixels), at the
  // density of the parent's monitor.
  static PropListView* Create(HWND parent, int id, const RECT& rect);

  HWND hwnd() const { return hwnd_; }
  HWND editor() const { return text1_; }
  HWND browse_button() const { return image1_; }
  proplist::PropertyList& model() { return model_; }
  const proplist::PropertyList& model() const { return model_; }

  // Scales every size (rows, columns, fonts, editor, picture) to dpi dots per
  // inch and repaints; an open editor keeps its text and follows its row.
  void SetDpi(int dpi);
  int dpi() const { return dpi_; }
  const proplist::Metrics& metrics() const { return metrics_; }
  HFONT font() const { return font_; }
  HFONT bold_font() const { return bold_font_; }

  // The keyboard's current item ({-1, -1} before the control first had the
  // focus), and making another item current.
  proplist::ItemRef current_item() const { return current_; }
  void SetCurrent(proplist::ItemRef item);
  // The accessible child id of an item: its place in drawing order plus
  // one; CHILDID_SELF for a pair that names no item.
  int ChildId(proplist::ItemRef item) const;

  // Repaints the back buffer from the model and shows it.
  void DrawList();
  // Steps the choice item to its next value, as Enter on it does; nothing on
  // any other item.
  void StepChoice(proplist::ItemRef item);
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
  // The object the control answers WM_GETOBJECT with for its client area,
  // with a reference for the caller (who releases it).
  IAccessible* AccessibleObject();
  // The object the editor answers WM_GETOBJECT with for its client area
  // (the system's, named by the item being edited), with a reference for
  // the caller; null when the system has none.
  IAccessible* EditorAccessibleObject();
  // The item keys of the control itself; true when msg was one.
  bool GridKey(UINT msg, WPARAM wp);
  // A character typed into the control: opens the editor and passes it on.
  bool GridChar(WPARAM ch, LPARAM lp);
  // F4, or Alt+Down.
  static bool IsBrowseKey(UINT msg, WPARAM wp);
  // Opens the editor on the current item, as a press on its row would.
  void OpenCurrent();
  // The save dialog for the current item, when it is a save-path item.
  void BrowseFromKeyboard();
  void CancelEdit();
  void ShowFocusMark();
  // Tells screen readers which item has the focus, when the control has it.
  void AnnounceFocus();
  // The focus mark's rectangle; false when none is shown.
  bool FocusMarkRect(RECT* r) const;
  void ResizeBuffer();
  void Paint();
  int Width() const;
  std::string EditorText() const;
  // Puts Text1 and Image1 where the editor state says and applies change.
  void ApplyEditor(const proplist::TextChange& change);
  void MouseDown(int y);
  // The second press of a double click at height y.
  void DoubleClick(int y);
  // True when the keyboard's current item is a choice item.
  bool CurrentIsChoice() const;
  void CommitEnter();
  // Runs when the keyboard focus moves from the editor to new_focus.
  void ExitFocus(HWND new_focus);
  void BrowseClick();

  HWND hwnd_;
  int dpi_ = 0;
  proplist::Metrics metrics_;
  proplist::ItemRef current_;
  bool show_focus_mark_ = false;  // a key was used: the focus mark shows
  GridAccessible* accessible_ = nullptr;
  EditorAccessible* editor_accessible_ = nullptr;
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
