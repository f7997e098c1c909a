#include "property_page.h"

#include <string>

#include "com_module.h"

namespace win {

EmptyPropertyPage::EmptyPropertyPage(IUnknown* outer, int dialogId, int captionId)
    : ComObjectBase(outer), dialogId_(dialogId), captionId_(captionId) {}

EmptyPropertyPage::~EmptyPropertyPage() { Deactivate(); }

HRESULT EmptyPropertyPage::queryInterfaceImpl(REFIID iid, void** out) {
    if (iid != IID_IPropertyPage) return E_NOINTERFACE;
    *out = static_cast<IPropertyPage*>(this);
    return S_OK;
}

STDMETHODIMP EmptyPropertyPage::SetPageSite(IPropertyPageSite* site) {
    site_ = ComPtr<IPropertyPageSite>(site);
    return S_OK;
}

STDMETHODIMP EmptyPropertyPage::Activate(HWND parent, LPCRECT rect, BOOL) {
    if (dialog_) return E_UNEXPECTED;
    dialog_ = ::CreateDialogParamW(ComModule::instance(), MAKEINTRESOURCEW(dialogId_), parent,
                                   &EmptyPropertyPage::dialogProc, 0);
    if (!dialog_) return HRESULT_FROM_WIN32(::GetLastError() ? ::GetLastError() : ERROR_RESOURCE_NAME_NOT_FOUND);
    if (rect) Move(rect);
    return S_OK;
}

STDMETHODIMP EmptyPropertyPage::Deactivate() {
    if (dialog_) ::DestroyWindow(dialog_);
    dialog_ = nullptr;
    return S_OK;
}

STDMETHODIMP EmptyPropertyPage::GetPageInfo(PROPPAGEINFO* info) {
    if (!info) return E_POINTER;
    wchar_t caption[128] = L"";
    const int n = ::LoadStringW(ComModule::instance(), captionId_, caption, 128);
    info->cb = sizeof *info;
    info->pszTitle = static_cast<LPOLESTR>(::CoTaskMemAlloc((n + 1) * sizeof(wchar_t)));
    if (!info->pszTitle) return E_OUTOFMEMORY;
    ::lstrcpynW(info->pszTitle, caption, n + 1);
    // The page's size comes from its template, in dialog units of the system font.
    SIZE size{250, 62};
    if (HWND probe = ::CreateDialogParamW(ComModule::instance(), MAKEINTRESOURCEW(dialogId_), nullptr,
                                          &EmptyPropertyPage::dialogProc, 0)) {
        RECT r;
        ::GetWindowRect(probe, &r);
        size = SIZE{r.right - r.left, r.bottom - r.top};
        ::DestroyWindow(probe);
    }
    info->size = size;
    info->pszDocString = nullptr;
    info->pszHelpFile = nullptr;
    info->dwHelpContext = 0;
    return S_OK;
}

STDMETHODIMP EmptyPropertyPage::SetObjects(ULONG, IUnknown**) { return S_OK; }

STDMETHODIMP EmptyPropertyPage::Show(UINT command) {
    if (dialog_) ::ShowWindow(dialog_, command);
    return S_OK;
}

STDMETHODIMP EmptyPropertyPage::Move(LPCRECT rect) {
    if (!rect) return E_POINTER;
    if (dialog_) ::MoveWindow(dialog_, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, TRUE);
    return S_OK;
}

}  // namespace win
