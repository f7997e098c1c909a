// A property page that shows one dialog of the module and edits nothing:
// the general page controls register for their property page class.
#pragma once
#include <windows.h>
#include <ocidl.h>

#include "com_object.h"
#include "com_ptr.h"

namespace win {

class EmptyPropertyPage final : public IPropertyPage, public ComObjectBase {
public:
    // dialogId: a child dialog resource of the module; captionId: its title string.
    EmptyPropertyPage(IUnknown* outer, int dialogId, int captionId);
    ~EmptyPropertyPage() override;

    KM_DELEGATE_IUNKNOWN

    STDMETHODIMP SetPageSite(IPropertyPageSite* site) override;
    STDMETHODIMP Activate(HWND parent, LPCRECT rect, BOOL modal) override;
    STDMETHODIMP Deactivate() override;
    STDMETHODIMP GetPageInfo(PROPPAGEINFO* info) override;
    STDMETHODIMP SetObjects(ULONG count, IUnknown** objects) override;
    STDMETHODIMP Show(UINT command) override;
    STDMETHODIMP Move(LPCRECT rect) override;
    STDMETHODIMP IsPageDirty() override { return S_FALSE; }
    STDMETHODIMP Apply() override { return S_OK; }
    STDMETHODIMP Help(LPCOLESTR) override { return E_NOTIMPL; }
    STDMETHODIMP TranslateAccelerator(MSG*) override { return S_FALSE; }

    // The creator for a class table: EmptyPropertyPage::creator<dialogId, captionId>.
    template <int DialogId, int CaptionId>
    static HRESULT creator(IUnknown* outer, REFIID iid, void** out) {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (outer && iid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
        EmptyPropertyPage* page = nullptr;
        try {
            page = new EmptyPropertyPage(outer, DialogId, CaptionId);
        } catch (...) {
            return E_OUTOFMEMORY;
        }
        IUnknown* inner = page->innerUnknown();
        const HRESULT hr = inner->QueryInterface(iid, out);
        inner->Release();
        return hr;
    }

protected:
    HRESULT queryInterfaceImpl(REFIID iid, void** out) override;

private:
    static INT_PTR CALLBACK dialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

    int dialogId_, captionId_;
    ComPtr<IPropertyPageSite> site_;
    HWND dialog_ = nullptr;
};

}  // namespace win
