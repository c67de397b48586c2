#include "app/editor_accessible.h"

#include "platform/utf.h"

namespace app {

EditorAccessible* EditorAccessible::Create(HWND editor, std::function<Label()> label) {
  IAccessible* system = nullptr;
  if (FAILED(CreateStdAccessibleObject(editor, static_cast<LONG>(OBJID_CLIENT), __uuidof(IAccessible),
                                       reinterpret_cast<void**>(&system))) ||
      !system)
    return nullptr;
  return new EditorAccessible(system, std::move(label));
}

EditorAccessible::~EditorAccessible() { system_->Release(); }

HRESULT EditorAccessible::Own(const VARIANT& child, std::string Label::*text, BSTR* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (child.vt != VT_I4 || child.lVal != CHILDID_SELF) return E_INVALIDARG;
  if (!label_) return CO_E_OBJNOTCONNECTED;
  const std::wstring wide = platform::Utf8ToWide(label_().*text);
  if (wide.empty()) return S_FALSE;
  *out = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT EditorAccessible::get_accName(VARIANT child, BSTR* name) {
  if (child.vt == VT_I4 && child.lVal != CHILDID_SELF) return system_->get_accName(child, name);
  return Own(child, &Label::name, name);
}

HRESULT EditorAccessible::get_accDescription(VARIANT child, BSTR* description) {
  if (child.vt == VT_I4 && child.lVal != CHILDID_SELF)
    return system_->get_accDescription(child, description);
  return Own(child, &Label::description, description);
}

// The rest is the system's object of the text box.
HRESULT EditorAccessible::get_accParent(IDispatch** parent) { return system_->get_accParent(parent); }
HRESULT EditorAccessible::get_accChildCount(long* count) { return system_->get_accChildCount(count); }
HRESULT EditorAccessible::get_accChild(VARIANT child, IDispatch** out) {
  return system_->get_accChild(child, out);
}
HRESULT EditorAccessible::get_accValue(VARIANT child, BSTR* value) {
  return system_->get_accValue(child, value);
}
HRESULT EditorAccessible::get_accRole(VARIANT child, VARIANT* role) {
  return system_->get_accRole(child, role);
}
HRESULT EditorAccessible::get_accState(VARIANT child, VARIANT* state) {
  return system_->get_accState(child, state);
}
HRESULT EditorAccessible::get_accHelp(VARIANT child, BSTR* help) {
  return system_->get_accHelp(child, help);
}
HRESULT EditorAccessible::get_accHelpTopic(BSTR* file, VARIANT child, long* topic) {
  return system_->get_accHelpTopic(file, child, topic);
}
HRESULT EditorAccessible::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) {
  return system_->get_accKeyboardShortcut(child, shortcut);
}
HRESULT EditorAccessible::get_accFocus(VARIANT* focus) { return system_->get_accFocus(focus); }
HRESULT EditorAccessible::get_accSelection(VARIANT* selection) {
  return system_->get_accSelection(selection);
}
HRESULT EditorAccessible::get_accDefaultAction(VARIANT child, BSTR* action) {
  return system_->get_accDefaultAction(child, action);
}
HRESULT EditorAccessible::accSelect(long flags, VARIANT child) {
  return system_->accSelect(flags, child);
}
HRESULT EditorAccessible::accLocation(long* left, long* top, long* width, long* height,
                                      VARIANT child) {
  return system_->accLocation(left, top, width, height, child);
}
HRESULT EditorAccessible::accNavigate(long direction, VARIANT start, VARIANT* end) {
  return system_->accNavigate(direction, start, end);
}
HRESULT EditorAccessible::accHitTest(long x, long y, VARIANT* child) {
  return system_->accHitTest(x, y, child);
}
HRESULT EditorAccessible::accDoDefaultAction(VARIANT child) {
  return system_->accDoDefaultAction(child);
}
HRESULT EditorAccessible::put_accName(VARIANT child, BSTR name) {
  return system_->put_accName(child, name);
}
HRESULT EditorAccessible::put_accValue(VARIANT child, BSTR value) {
  return system_->put_accValue(child, value);
}

}  // namespace app
