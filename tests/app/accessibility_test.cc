// The property list as a screen reader sees it: the focus events it hears
// (a WinEvent hook) and the names, values and roles it reads back through
// AccessibleObjectFromEvent and AccessibleObjectFromWindow, which ask the
// window with WM_GETOBJECT and pass the answer through LresultFromObject.

#include <oleacc.h>

#include <string>
#include <vector>

#include "platform/utf.h"
#include "window_fixture.h"

namespace app_test {
namespace {

struct FocusEvent {
  HWND hwnd;
  LONG object;
  LONG child;
};
std::vector<FocusEvent> g_focus_events;

void CALLBACK OnFocus(HWINEVENTHOOK, DWORD, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
  g_focus_events.push_back({hwnd, object, child});
}

// What a screen reader says for an accessible object and child.
struct Spoken {
  std::wstring name, value, description;
  long role = 0;
  long state = 0;
};

std::wstring Take(BSTR text) {
  std::wstring s = text ? std::wstring(text, SysStringLen(text)) : L"";
  SysFreeString(text);
  return s;
}

Spoken Read(IAccessible* acc, long child) {
  VARIANT id;
  VariantInit(&id);
  id.vt = VT_I4;
  id.lVal = child;
  Spoken s;
  BSTR text = nullptr;
  if (acc->get_accName(id, &text) == S_OK) s.name = Take(text);
  text = nullptr;
  if (acc->get_accValue(id, &text) == S_OK) s.value = Take(text);
  text = nullptr;
  if (acc->get_accDescription(id, &text) == S_OK) s.description = Take(text);
  VARIANT v;
  VariantInit(&v);
  if (acc->get_accRole(id, &v) == S_OK && v.vt == VT_I4) s.role = v.lVal;
  VariantInit(&v);
  if (acc->get_accState(id, &v) == S_OK && v.vt == VT_I4) s.state = v.lVal;
  return s;
}

class AccessibilityTest : public WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    g_focus_events.clear();
    hook_ = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, OnFocus,
                            GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
  }
  void TearDown() override {
    if (hook_) UnhookWinEvent(hook_);
    WindowTest::TearDown();
    CoUninitialize();
  }

  // The last focus event, read as a screen reader reads it.
  Spoken ReadLastFocus() {
    Pump();
    if (g_focus_events.empty()) return {};
    const FocusEvent& e = g_focus_events.back();
    IAccessible* acc = nullptr;
    VARIANT child;
    VariantInit(&child);
    if (AccessibleObjectFromEvent(e.hwnd, static_cast<DWORD>(e.object),
                                  static_cast<DWORD>(e.child), &acc, &child) != S_OK ||
        !acc)
      return {};
    Spoken s = Read(acc, child.vt == VT_I4 ? child.lVal : CHILDID_SELF);
    acc->Release();
    return s;
  }

  // The object of hwnd's client area, as a screen reader gets it.
  static IAccessible* ObjectOf(HWND hwnd) {
    IAccessible* acc = nullptr;
    if (AccessibleObjectFromWindow(hwnd, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                   reinterpret_cast<void**>(&acc)) != S_OK)
      return nullptr;
    return acc;
  }
  IAccessible* GridObject() { return ObjectOf(prop_hwnd()); }

  HWINEVENTHOOK hook_ = nullptr;
};

TEST_F(AccessibilityTest, TheFocusedItemIsReadWithItsNameValueAndGroup) {
  ASSERT_NE(hook_, nullptr);
  IAccessible* grid = GridObject();
  ASSERT_NE(grid, nullptr) << "the grid answers WM_GETOBJECT";
  // The grid has the focus at start; the focused child is the first item.
  VARIANT focus;
  VariantInit(&focus);
  ASSERT_EQ(grid->get_accFocus(&focus), S_OK);
  ASSERT_EQ(focus.vt, VT_I4);
  EXPECT_EQ(focus.lVal, 1);
  Spoken first = Read(grid, focus.lVal);
  EXPECT_EQ(first.name, L"软件名称");
  EXPECT_EQ(first.value, L"测试");
  EXPECT_EQ(first.description, L"安装信息(必填)");
  EXPECT_EQ(first.role, ROLE_SYSTEM_ROW);
  EXPECT_TRUE(first.state & STATE_SYSTEM_FOCUSED);
  long count = 0;
  EXPECT_EQ(grid->get_accChildCount(&count), S_OK);
  EXPECT_EQ(count, 6) << "the six items; captions are not children";
  Spoken self = Read(grid, CHILDID_SELF);
  EXPECT_EQ(self.role, ROLE_SYSTEM_TABLE);

  // Moving the focus is announced, and what is announced reads back.
  g_focus_events.clear();
  Key(prop_hwnd(), VK_DOWN);
  Key(prop_hwnd(), VK_DOWN);
  ASSERT_FALSE(g_focus_events.empty());
  EXPECT_EQ(g_focus_events.back().hwnd, prop_hwnd());
  EXPECT_EQ(g_focus_events.back().child, 3);
  Spoken save = ReadLastFocus();
  EXPECT_EQ(save.name, L"安装包保存路径");
  EXPECT_EQ(save.value, platform::Utf8ToWide(Value("安装包保存路径")));
  EXPECT_EQ(save.description, L"生成(必填)");

  // A value committed in the editor is what is read afterwards; the focus
  // coming back to the grid is announced on the edited item.
  Key(prop_hwnd(), VK_UP);
  Key(prop_hwnd(), VK_RETURN);
  Type(L"D");
  g_focus_events.clear();
  PressEnter();
  Spoken edited = ReadLastFocus();
  EXPECT_EQ(edited.name, L"安装目录");
  EXPECT_EQ(edited.value, L"D");

  // Elsewhere, the grid has no focused child.
  SetFocus(list());
  Pump();
  VariantInit(&focus);
  EXPECT_EQ(grid->get_accFocus(&focus), S_FALSE);
  EXPECT_EQ(focus.vt, VT_EMPTY);
  Spoken unfocused = Read(grid, 2);
  EXPECT_FALSE(unfocused.state & STATE_SYSTEM_FOCUSED);
  EXPECT_TRUE(unfocused.state & STATE_SYSTEM_SELECTED);
  grid->Release();
}

// In the editor, the screen reader hears the edit box named by the item and
// valued by what is typed.
TEST_F(AccessibilityTest, TheOpenEditorIsNamedByItsItem) {
  Key(prop_hwnd(), VK_DOWN);
  g_focus_events.clear();
  Key(prop_hwnd(), VK_F2);
  ASSERT_TRUE(EditorShown());
  Pump();
  ASSERT_FALSE(g_focus_events.empty());
  EXPECT_EQ(g_focus_events.back().hwnd, editor());
  EXPECT_EQ(ReadLastFocus().name, L"安装目录");
  IAccessible* acc = ObjectOf(editor());
  ASSERT_NE(acc, nullptr);
  Type(L"X");
  Spoken s = Read(acc, CHILDID_SELF);
  EXPECT_EQ(s.name, L"安装目录");
  EXPECT_EQ(s.description, L"安装信息(必填)");
  EXPECT_EQ(s.value, L"X");
  EXPECT_EQ(s.role, ROLE_SYSTEM_TEXT);
  acc->Release();
}

TEST_F(AccessibilityTest, ItemsAreFoundByPlaceAndByPoint) {
  IAccessible* grid = GridObject();
  ASSERT_NE(grid, nullptr);
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  long left = 0, top = 0, width = 0, height = 0;
  VARIANT item = self;
  item.lVal = 5;
  ASSERT_EQ(grid->accLocation(&left, &top, &width, &height, item), S_OK);
  POINT origin = {0, 0};
  ClientToScreen(prop_hwnd(), &origin);
  EXPECT_EQ(top - origin.y, 140) << "版本's row";
  EXPECT_EQ(height, 20);
  EXPECT_EQ(width, W());
  VARIANT hit;
  VariantInit(&hit);
  ASSERT_EQ(grid->accHitTest(origin.x + 10, origin.y + 150, &hit), S_OK);
  EXPECT_EQ(hit.vt, VT_I4);
  EXPECT_EQ(hit.lVal, 5);
  VariantInit(&hit);
  ASSERT_EQ(grid->accHitTest(origin.x + 10, origin.y + 10, &hit), S_OK);
  EXPECT_EQ(hit.lVal, CHILDID_SELF) << "a caption is the grid itself";
  VARIANT next;
  VariantInit(&next);
  item.lVal = 2;
  ASSERT_EQ(grid->accNavigate(NAVDIR_NEXT, item, &next), S_OK);
  EXPECT_EQ(next.lVal, 3);
  item.lVal = 6;
  EXPECT_EQ(grid->accNavigate(NAVDIR_NEXT, item, &next), S_FALSE);
  // A child id that names no item is refused.
  item.lVal = 7;
  BSTR name = nullptr;
  EXPECT_EQ(grid->get_accName(item, &name), E_INVALIDARG);
  // accSelect with the focus flag moves the keyboard there.
  item.lVal = 4;
  EXPECT_EQ(grid->accSelect(SELFLAG_TAKEFOCUS | SELFLAG_TAKESELECTION, item), S_OK);
  EXPECT_EQ(props().current_item(), (proplist::ItemRef{2, 0}));
  grid->Release();
}

TEST_F(AccessibilityTest, AnObjectKeptAfterTheWindowIsGoneFailsCleanly) {
  IAccessible* grid = GridObject();
  ASSERT_NE(grid, nullptr);
  DestroyWindow(window_->hwnd());
  window_ = nullptr;
  Pump();
  long count = 0;
  EXPECT_EQ(grid->get_accChildCount(&count), CO_E_OBJNOTCONNECTED);
  grid->Release();
}

}  // namespace
}  // namespace app_test
