#pragma once
// The in-place editor as screen readers see it: the system's own accessible
// object of the text box (role, value, state, caret and so on), named by the
// item being edited and described by its group, so that a screen reader
// says which value the user types, as it does for the items themselves.

#include <windows.h>
#include <oleacc.h>

#include "app/accessible_object.h"

#include <functional>
#include <string>

namespace app {

class EditorAccessible : public AccessibleObject {
 public:
  // The name and description of the text box now (UTF-8).
  struct Label {
    std::string name;
    std::string description;
  };

  // Wraps the system's object for the client area of editor; label() gives
  // what the editor is for at the moment of each question. Null when the
  // system has no object for it. One reference for the caller.
  static EditorAccessible* Create(HWND editor, std::function<Label()> label);

  // The editor is going: questions about the name fail from now on.
  void Disconnect() { label_ = nullptr; }

  // IAccessible: the name and description of the text box itself are the
  // item's; everything else is the system's.
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override;
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override;
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
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
  EditorAccessible(IAccessible* system, std::function<Label()> label)
      : system_(system), label_(std::move(label)) {}
  ~EditorAccessible() override;
  // One of the two texts of the text box itself, or the system's answer for
  // a child of it.
  HRESULT Own(const VARIANT& child, std::string Label::*text, BSTR* out);

  IAccessible* system_;
  std::function<Label()> label_;
};

}  // namespace app
