#include "desktop_shell.h"

#include <windows.h>
#include <exdisp.h>
#include <oleauto.h>
#include <shldisp.h>
#include <shlobj.h>

#include "win_util.h"

namespace stub {
namespace {

// Releases a COM interface when it goes.
template <typename T>
class Held {
 public:
  ~Held() {
    if (p_) p_->Release();
  }
  T** out() { return &p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  T* get() const { return p_; }

 private:
  T* p_ = nullptr;
};

class VariantText {
 public:
  explicit VariantText(const std::wstring& text) {
    VariantInit(&v_);
    v_.vt = VT_BSTR;
    v_.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  }
  ~VariantText() { VariantClear(&v_); }
  const VARIANT& get() const { return v_; }

 private:
  VARIANT v_;
};

// The desktop's Application object (IShellDispatch2), reached from the
// desktop window through its shell view.
bool DesktopDispatch(Held<IShellDispatch2>* out) {
  Held<IShellWindows> windows;
  if (FAILED(CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(windows.out()))))
    return false;
  VARIANT empty;
  VariantInit(&empty);
  long hwnd = 0;
  Held<IDispatch> desktop;
  if (windows->FindWindowSW(&empty, &empty, SWC_DESKTOP, &hwnd, SWFO_NEEDDISPATCH, desktop.out()) != S_OK ||
      !desktop)
    return false;
  Held<IServiceProvider> services;
  Held<IShellBrowser> browser;
  Held<IShellView> view;
  Held<IDispatch> background;
  Held<IShellFolderViewDual> folder_view;
  Held<IDispatch> application;
  return SUCCEEDED(desktop->QueryInterface(IID_PPV_ARGS(services.out()))) &&
         SUCCEEDED(services->QueryService(SID_STopLevelBrowser, IID_PPV_ARGS(browser.out()))) &&
         SUCCEEDED(browser->QueryActiveShellView(view.out())) &&
         SUCCEEDED(view->GetItemObject(SVGIO_BACKGROUND, IID_PPV_ARGS(background.out()))) &&
         SUCCEEDED(background->QueryInterface(IID_PPV_ARGS(folder_view.out()))) &&
         SUCCEEDED(folder_view->get_Application(application.out())) && application &&
         SUCCEEDED(application->QueryInterface(IID_PPV_ARGS(out->out())));
}

class ExplorerShell : public DesktopShell {
 public:
  bool StartAsDesktopUser(const std::wstring& program) override {
    HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bool started = false;
    {
      Held<IShellDispatch2> shell;
      if (DesktopDispatch(&shell)) {
        BSTR file = SysAllocStringLen(program.data(), static_cast<UINT>(program.size()));
        VariantText dir(ParentOf(program)), verb(L"open");
        VARIANT none, show;
        VariantInit(&none);
        VariantInit(&show);
        show.vt = VT_I4;
        show.lVal = SW_SHOWNORMAL;
        started = file && SUCCEEDED(shell->ShellExecute(file, none, dir.get(), verb.get(), show));
        SysFreeString(file);
      }
    }
    if (SUCCEEDED(init)) CoUninitialize();
    return started;
  }
};

}  // namespace

std::unique_ptr<DesktopShell> SystemDesktopShell() { return std::make_unique<ExplorerShell>(); }

}  // namespace stub
