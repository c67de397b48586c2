#pragma once
// The property list as screen readers see it, through Active Accessibility
// (the control answers WM_GETOBJECT for its client area with this object).
// The control is a table (ROLE_SYSTEM_TABLE) whose children are its items,
// rows (ROLE_SYSTEM_ROW) with child ids 1..n in drawing order, group
// captions left out: an item's name is its Name, its value its Value, its
// description the caption of its group. The keyboard's current item has the
// focus while the control has it, and is the selection; the control raises
// EVENT_OBJECT_FOCUS with the item's child id whenever that focus moves.

#include <windows.h>
#include <oleacc.h>

#include "app/accessible_object.h"

#include "proplist/navigation.h"

namespace app {

class PropListView;

class GridAccessible : public AccessibleObject {
 public:
  // Starts with one reference, the control's.
  explicit GridAccessible(PropListView* view) : view_(view) {}

  // The control is going: every later call fails with CO_E_OBJNOTCONNECTED.
  void Disconnect() { view_ = nullptr; }

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override;
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override;
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override;
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override;
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override;
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override;
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                        VARIANT child) override;
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override;
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override;
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override;
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override;

 private:
  ~GridAccessible() override = default;

  enum class Target { kSelf, kItem, kInvalid };
  // What a child VARIANT names; for kItem, *item is the item.
  Target Resolve(const VARIANT& child, proplist::ItemRef* item) const;
  // The control's window, for the calls made while it is there.
  HWND hwnd() const;

  PropListView* view_;
};

}  // namespace app
