#include "app/grid_accessible.h"

#include <string>
#include <vector>

#include "app/prop_list_view.h"
#include "platform/utf.h"
#include "proplist/layout.h"

namespace app {
namespace {

// A new BSTR holding utf8, for a text the caller frees.
HRESULT Text(const std::string& utf8, BSTR* out) {
  std::wstring text = platform::Utf8ToWide(utf8);
  *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT NoText(BSTR* out) {
  *out = nullptr;
  return S_FALSE;
}

void ChildVariant(long id, VARIANT* v) {
  VariantInit(v);
  v->vt = VT_I4;
  v->lVal = id;
}

HRESULT Nothing(VARIANT* v) {
  VariantInit(v);
  return S_FALSE;
}

}  // namespace

HWND GridAccessible::hwnd() const { return view_ ? view_->hwnd() : nullptr; }

GridAccessible::Target GridAccessible::Resolve(const VARIANT& child,
                                               proplist::ItemRef* item) const {
  if (child.vt != VT_I4) return Target::kInvalid;
  if (child.lVal == CHILDID_SELF) return Target::kSelf;
  const std::vector<proplist::ItemRef> items = proplist::ItemsInOrder(view_->model());
  if (child.lVal < 1 || child.lVal > static_cast<long>(items.size())) return Target::kInvalid;
  *item = items[static_cast<size_t>(child.lVal - 1)];
  return Target::kItem;
}

// ---- IAccessible ----

HRESULT GridAccessible::get_accParent(IDispatch** parent) {
  if (!parent) return E_POINTER;
  *parent = nullptr;
  if (!view_) return CO_E_OBJNOTCONNECTED;
  return AccessibleObjectFromWindow(hwnd(), static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch,
                                    reinterpret_cast<void**>(parent));
}

HRESULT GridAccessible::get_accChildCount(long* count) {
  if (!count) return E_POINTER;
  if (!view_) return CO_E_OBJNOTCONNECTED;
  *count = static_cast<long>(proplist::ItemsInOrder(view_->model()).size());
  return S_OK;
}

HRESULT GridAccessible::get_accChild(VARIANT child, IDispatch** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!view_) return CO_E_OBJNOTCONNECTED;
  proplist::ItemRef item;
  // The items are simple elements, answered by this object.
  return Resolve(child, &item) == Target::kItem ? S_FALSE : E_INVALIDARG;
}

HRESULT GridAccessible::get_accName(VARIANT child, BSTR* name) {
  if (!name) return E_POINTER;
  *name = nullptr;
  if (!view_) return CO_E_OBJNOTCONNECTED;
  proplist::ItemRef item;
  switch (Resolve(child, &item)) {
    case Target::kItem: return Text(view_->model().Item(item.node, item.item)->Name, name);
    case Target::kSelf: return NoText(name);
    case Target::kInvalid: break;
  }
  return E_INVALIDARG;
}

HRESULT GridAccessible::get_accValue(VARIANT child, BSTR* value) {
  if (!value) return E_POINTER;
  *value = nullptr;
  if (!view_) return CO_E_OBJNOTCONNECTED;
  proplist::ItemRef item;
  switch (Resolve(child, &item)) {
    case Target::kItem: return Text(view_->model().Item(item.node, item.item)->Value, value);
    case Target::kSelf: return NoText(value);
    case Target::kInvalid: break;
  }
  return E_INVALIDARG;
}

HRESULT GridAccessible::get_accDescription(VARIANT child, BSTR* description) {
  if (!description) return E_POINTER;
  *description = nullptr;
  if (!view_) return CO_E_OBJNOTCONNECTED;
  proplist::ItemRef item;
  switch (Resolve(child, &item)) {
    case Target::kItem:
      return Text(view_->model().Nodes()[static_cast<size_t>(item.node)].Caption, description);
    case Target::kSelf: return NoText(description);
    case Target::kInvalid: break;
  }
  return E_INVALIDARG;
}

HRESULT GridAccessible::get_accRole(VARIANT child, VARIANT* role) {
  if (!role) return E_POINTER;
  VariantInit(role);
  if (!view_) return CO_E_OBJNOTCONNECTED;
  proplist::ItemRef item;
  const Target target = Resolve(child, &item);
  if (target == Target::kInvalid) return E_INVALIDARG;
  role->vt = VT_I4;
  role->lVal = target == Target::kSelf ? ROLE_SYSTEM_TABLE : ROLE_SYSTEM_ROW;
  return S_OK;
}

HRESULT GridAccessible::get_accState(VARIANT child, VARIANT* state) {
  if (!state) return E_POINTER;
  VariantInit(state);
  if (!view_) return CO_E_OBJNOTCONNECTED;
  proplist::ItemRef item;
  const Target target = Resolve(child, &item);
  if (target == Target::kInvalid) return E_INVALIDARG;
  const bool focused = GetFocus() == hwnd();
  long bits = IsWindowEnabled(hwnd()) ? 0 : STATE_SYSTEM_UNAVAILABLE;
  if (target == Target::kSelf) {
    bits |= STATE_SYSTEM_FOCUSABLE | (focused ? STATE_SYSTEM_FOCUSED : 0);
  } else {
    const bool current = item == view_->current_item();
    bits |= STATE_SYSTEM_FOCUSABLE | STATE_SYSTEM_SELECTABLE;
    if (current) bits |= STATE_SYSTEM_SELECTED | (focused ? STATE_SYSTEM_FOCUSED : 0);
  }
  state->vt = VT_I4;
  state->lVal = bits;
  return S_OK;
}

HRESULT GridAccessible::get_accHelp(VARIANT, BSTR* help) {
  if (!help) return E_POINTER;
  return view_ ? NoText(help) : CO_E_OBJNOTCONNECTED;
}

HRESULT GridAccessible::get_accHelpTopic(BSTR* file, VARIANT, long* topic) {
  if (!file || !topic) return E_POINTER;
  *topic = -1;
  return view_ ? NoText(file) : CO_E_OBJNOTCONNECTED;
}

HRESULT GridAccessible::get_accKeyboardShortcut(VARIANT, BSTR* shortcut) {
  if (!shortcut) return E_POINTER;
  return view_ ? NoText(shortcut) : CO_E_OBJNOTCONNECTED;
}

HRESULT GridAccessible::get_accFocus(VARIANT* focus) {
  if (!focus) return E_POINTER;
  VariantInit(focus);
  if (!view_) return CO_E_OBJNOTCONNECTED;
  if (GetFocus() != hwnd()) return S_FALSE;
  ChildVariant(view_->ChildId(view_->current_item()), focus);
  return S_OK;
}

HRESULT GridAccessible::get_accSelection(VARIANT* selection) {
  if (!selection) return E_POINTER;
  VariantInit(selection);
  if (!view_) return CO_E_OBJNOTCONNECTED;
  const long id = view_->ChildId(view_->current_item());
  if (id == CHILDID_SELF) return S_FALSE;
  ChildVariant(id, selection);
  return S_OK;
}

HRESULT GridAccessible::get_accDefaultAction(VARIANT, BSTR* action) {
  if (!action) return E_POINTER;
  return view_ ? NoText(action) : CO_E_OBJNOTCONNECTED;
}

HRESULT GridAccessible::accSelect(long flags, VARIANT child) {
  if (!view_) return CO_E_OBJNOTCONNECTED;
  proplist::ItemRef item;
  if (Resolve(child, &item) != Target::kItem) return E_INVALIDARG;
  if (flags & SELFLAG_TAKEFOCUS) SetFocus(hwnd());
  if (flags & (SELFLAG_TAKEFOCUS | SELFLAG_TAKESELECTION)) view_->SetCurrent(item);
  return S_OK;
}

HRESULT GridAccessible::accLocation(long* left, long* top, long* width, long* height,
                                    VARIANT child) {
  if (!left || !top || !width || !height) return E_POINTER;
  if (!view_) return CO_E_OBJNOTCONNECTED;
  proplist::ItemRef item;
  const Target target = Resolve(child, &item);
  if (target == Target::kInvalid) return E_INVALIDARG;
  RECT r;
  GetClientRect(hwnd(), &r);
  if (target == Target::kItem) {
    r.top = proplist::RowTop(view_->model(), item.node, item.item, view_->metrics());
    r.bottom = r.top + view_->metrics().row_height;
  }
  MapWindowPoints(hwnd(), nullptr, reinterpret_cast<POINT*>(&r), 2);
  *left = r.left;
  *top = r.top;
  *width = r.right - r.left;
  *height = r.bottom - r.top;
  return S_OK;
}

HRESULT GridAccessible::accNavigate(long direction, VARIANT start, VARIANT* end) {
  if (!end) return E_POINTER;
  VariantInit(end);
  if (!view_) return CO_E_OBJNOTCONNECTED;
  proplist::ItemRef item;
  const Target target = Resolve(start, &item);
  if (target == Target::kInvalid) return E_INVALIDARG;
  const long count = static_cast<long>(proplist::ItemsInOrder(view_->model()).size());
  long to = 0;
  if (target == Target::kSelf) {
    if (direction == NAVDIR_FIRSTCHILD) to = 1;
    if (direction == NAVDIR_LASTCHILD) to = count;
  } else {
    const long at = view_->ChildId(item);
    if (direction == NAVDIR_NEXT || direction == NAVDIR_DOWN) to = at + 1;
    if (direction == NAVDIR_PREVIOUS || direction == NAVDIR_UP) to = at - 1;
  }
  if (to < 1 || to > count) return Nothing(end);
  ChildVariant(to, end);
  return S_OK;
}

HRESULT GridAccessible::accHitTest(long x, long y, VARIANT* child) {
  if (!child) return E_POINTER;
  VariantInit(child);
  if (!view_) return CO_E_OBJNOTCONNECTED;
  POINT p = {x, y};
  ScreenToClient(hwnd(), &p);
  RECT client;
  GetClientRect(hwnd(), &client);
  if (!PtInRect(&client, p)) return Nothing(child);
  const proplist::Hit hit = proplist::HitTest(view_->model(), p.y, view_->metrics());
  ChildVariant(hit.kind == proplist::Hit::kItem ? view_->ChildId({hit.node, hit.item})
                                                 : CHILDID_SELF,
               child);
  return S_OK;
}

HRESULT GridAccessible::accDoDefaultAction(VARIANT) {
  return view_ ? DISP_E_MEMBERNOTFOUND : CO_E_OBJNOTCONNECTED;
}

HRESULT GridAccessible::put_accName(VARIANT, BSTR) { return E_NOTIMPL; }
HRESULT GridAccessible::put_accValue(VARIANT, BSTR) { return E_NOTIMPL; }

}  // namespace app
