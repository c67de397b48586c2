#pragma once
// What every accessible object of the window shares: the COM plumbing of an
// IAccessible. It starts with one reference (its creator's), answers
// QueryInterface for IUnknown, IDispatch and IAccessible, and offers no type
// information through IDispatch (clients call IAccessible directly).

#include <windows.h>
#include <oleacc.h>

namespace app {

class AccessibleObject : public IAccessible {
 public:
  AccessibleObject(const AccessibleObject&) = delete;
  AccessibleObject& operator=(const AccessibleObject&) = delete;

  // The answer to WM_GETOBJECT (wParam wp) for OBJID_CLIENT.
  LRESULT Answer(WPARAM wp);

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  // IDispatch
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*,
                                   EXCEPINFO*, UINT*) override;

 protected:
  AccessibleObject() = default;
  // Only Release deletes.
  virtual ~AccessibleObject() = default;

 private:
  LONG references_ = 1;
};

}  // namespace app
