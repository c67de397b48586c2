// A keyboard-only session: from start-up, every property and the save path
// filled in, a file added and the package built, every key sent to whatever
// window has the focus, and no mouse message anywhere.

#include <atomic>
#include <string>

#include "app/popup_menu.h"
#include "package/build_request.h"
#include "platform/utf.h"
#include "window_fixture.h"

namespace app_test {
namespace {

using KeyboardFlowTest = WindowTest;

// Counts the mouse messages that reach any window of this thread.
class MouseWatch {
 public:
  MouseWatch() {
    count_ = 0;
    hook_ = SetWindowsHookExW(WH_GETMESSAGE, Count, nullptr, GetCurrentThreadId());
    call_hook_ = SetWindowsHookExW(WH_CALLWNDPROC, CountSent, nullptr, GetCurrentThreadId());
  }
  ~MouseWatch() {
    UnhookWindowsHookEx(hook_);
    UnhookWindowsHookEx(call_hook_);
  }
  static int count() { return count_; }

 private:
  static bool IsMouse(UINT msg) {
    return (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) || msg == WM_MOUSEHOVER ||
           msg == WM_MOUSELEAVE;
  }
  static LRESULT CALLBACK Count(int code, WPARAM wp, LPARAM lp) {
    if (code >= 0 && IsMouse(reinterpret_cast<MSG*>(lp)->message)) ++count_;
    return CallNextHookEx(nullptr, code, wp, lp);
  }
  static LRESULT CALLBACK CountSent(int code, WPARAM wp, LPARAM lp) {
    if (code >= 0 && IsMouse(reinterpret_cast<CWPSTRUCT*>(lp)->message)) ++count_;
    return CallNextHookEx(nullptr, code, wp, lp);
  }
  static int count_;
  HHOOK hook_;
  HHOOK call_hook_;
};
int MouseWatch::count_ = 0;

// A key for whatever has the focus, as the message loop would deliver it.
void KeyToFocus(UINT vk, bool shift = false) {
  HWND focus = GetFocus();
  ASSERT_NE(focus, nullptr);
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_SHIFT] = shift ? 0x80 : 0;
  SetKeyboardState(keys);
  SendMessageW(focus, WM_KEYDOWN, vk, 1);
  MSG msg = {focus, WM_KEYDOWN, vk, 1, 0, {0, 0}};
  TranslateMessage(&msg);
  Pump();
  SendMessageW(GetFocus(), WM_KEYUP, vk, 0xC0000001);
  keys[VK_SHIFT] = 0;
  SetKeyboardState(keys);
  Pump();
}

// Characters typed into whatever has the focus.
void TypeText(const std::wstring& text) {
  for (wchar_t c : text) {
    SendMessageW(GetFocus(), WM_CHAR, c, 1);
    Pump();
  }
}

TEST_F(KeyboardFlowTest, FromStartUpToABuiltPackageWithoutTheMouse) {
  ScratchDir dir;
  const std::wstring payload = dir.File(L"app.exe");
  const std::wstring target = dir.path() + L"\\安装包.exe";
  package::PackageRequest built;
  std::atomic<bool> ran = false;
  window_->set_package_maker([&](const package::PackageRequest& request, package::BuildProgress&) {
    built = request;
    ran = true;
    return package::BuildResult{package::BuildOutcome::kWritten, ""};
  });
  MouseWatch mouse;

  // The focus starts on the property list, at its first item.
  ASSERT_EQ(GetFocus(), prop_hwnd());
  TypeText(L"我的软件");  // typing opens the editor with the first character
  KeyToFocus(VK_RETURN);
  KeyToFocus(VK_DOWN);
  KeyToFocus(VK_F2);
  TypeText(L"MySoft");  // the opened text is selected: typing replaces it
  KeyToFocus(VK_RETURN);
  KeyToFocus(VK_DOWN);
  ui_.chosen_saves.push_back(target);
  KeyToFocus(VK_F4);  // the save dialog on the save-path item
  KeyToFocus(VK_RETURN);
  KeyToFocus(VK_DOWN);
  KeyToFocus(VK_RETURN);
  TypeText(L"某工作室");
  KeyToFocus(VK_RETURN);
  KeyToFocus(VK_DOWN);
  TypeText(L"2.0.1.0");
  KeyToFocus(VK_TAB);  // leaving the editor commits it
  ASSERT_EQ(GetFocus(), list());

  // The entry list's menu by its key: add a file.
  ui_.chosen_files.push_back(payload);
  ui_.popup_answers.push_back(app::MenuCommand(entries::MenuItemId::AddFile));
  SendMessageW(GetFocus(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(GetFocus()), -1);
  Pump();
  ASSERT_EQ(RowCount(), 1);
  KeyToFocus(VK_TAB);
  ASSERT_EQ(GetFocus(), window_->build_button());
  KeyToFocus(VK_SPACE);
  ASSERT_TRUE(PumpUntil([&] { return ran && !window_->IsMaking(); }));

  EXPECT_EQ(built.properties.app_name, "我的软件");
  EXPECT_EQ(built.properties.setup_dir, "MySoft");
  EXPECT_EQ(built.properties.save_path, platform::WideToUtf8(target));
  EXPECT_EQ(built.properties.publisher, "某工作室");
  EXPECT_EQ(built.properties.version, "2.0.1.0");
  ASSERT_EQ(built.entries.size(), 1u);
  ASSERT_FALSE(ui_.messages.empty());
  EXPECT_EQ(ui_.messages.back().text, L"已经将所有文件打包进安装程序！");
  EXPECT_EQ(MouseWatch::count(), 0);
}

}  // namespace
}  // namespace app_test
