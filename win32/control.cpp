#include "control.h"

#include <olectl.h>

#include "com_module.h"
#include "hresult.h"
#include "registration.h"

namespace win {

namespace {

const wchar_t kWindowClass[] = L"KeepmarkControlWindow";
constexpr DWORD kPersistVersion = 0x00010000;

bool RegisterWindowClass(WNDPROC proc) {
    WNDCLASSW wc{};
    if (::GetClassInfoW(ComModule::instance(), kWindowClass, &wc)) return true;
    wc.lpfnWndProc = proc;
    wc.hInstance = ComModule::instance();
    wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kWindowClass;
    return ::RegisterClassW(&wc) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

LONG PixelsToHimetric(LONG pixels, int perInch) { return ::MulDiv(pixels, 2540, perInch); }

int ScreenPixelsPerInch(int index) {
    HDC dc = ::GetDC(nullptr);
    const int n = dc ? ::GetDeviceCaps(dc, index) : 96;
    if (dc) ::ReleaseDC(nullptr, dc);
    return n > 0 ? n : 96;
}

}  // namespace

HRESULT RegisterControlKeys(const wchar_t* clsid, const std::wstring& modulePath, DWORD miscStatus,
                            int toolboxBitmap, const wchar_t* version) {
    const std::wstring key = std::wstring(L"CLSID\\") + clsid;
    HRESULT hr = SetKeyValue(HKEY_CLASSES_ROOT, key + L"\\Control", nullptr, L"");
    if (SUCCEEDED(hr)) hr = SetKeyValue(HKEY_CLASSES_ROOT, key + L"\\MiscStatus", nullptr, L"0");
    if (SUCCEEDED(hr))
        hr = SetKeyValue(HKEY_CLASSES_ROOT, key + L"\\MiscStatus\\1", nullptr, std::to_wstring(miscStatus));
    if (SUCCEEDED(hr))
        hr = SetKeyValue(HKEY_CLASSES_ROOT, key + L"\\ToolboxBitmap32", nullptr,
                         modulePath + L", " + std::to_wstring(toolboxBitmap));
    if (SUCCEEDED(hr)) hr = SetKeyValue(HKEY_CLASSES_ROOT, key + L"\\Version", nullptr, version);
    return hr;
}

Control::Control(IUnknown* outer, const ControlClass& cls)
    : ComObjectBase(outer),
      class_(cls),
      dispatch_(*cls.libid, cls.major, cls.minor, *cls.dispatchIid),
      events_(controllingUnknown(), this, *cls.eventsIid),
      backColor_(0x80000000 | COLOR_WINDOW) {}

Control::~Control() {
    if (hwnd_) {
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        ::DestroyWindow(hwnd_);
    }
}

HRESULT Control::queryInterfaceImpl(REFIID iid, void** out) {
    if (iid == IID_IDispatch || iid == *class_.dispatchIid)
        *out = static_cast<IDispatch*>(this);
    else if (iid == IID_IOleObject)
        *out = static_cast<IOleObject*>(this);
    else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject)
        *out = static_cast<IOleInPlaceObject*>(this);
    else if (iid == IID_IOleInPlaceActiveObject)
        *out = static_cast<IOleInPlaceActiveObject*>(this);
    else if (iid == IID_IOleControl)
        *out = static_cast<IOleControl*>(this);
    else if (iid == IID_IViewObject || iid == IID_IViewObject2)
        *out = static_cast<IViewObject2*>(this);
    else if (iid == IID_IPersist || iid == IID_IPersistStreamInit)
        *out = static_cast<IPersistStreamInit*>(this);
    else if (iid == IID_IProvideClassInfo || iid == IID_IProvideClassInfo2)
        *out = static_cast<IProvideClassInfo2*>(this);
    else if (iid == IID_IConnectionPointContainer)
        *out = static_cast<IConnectionPointContainer*>(this);
    else if (iid == IID_ISpecifyPropertyPages && class_.propertyPage)
        *out = static_cast<ISpecifyPropertyPages*>(this);
    else
        return E_NOINTERFACE;
    return S_OK;
}

// --- IDispatch ---------------------------------------------------------------

STDMETHODIMP Control::GetTypeInfoCount(UINT* count) { return dispatch_.getTypeInfoCount(count); }

STDMETHODIMP Control::GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) {
    return dispatch_.getTypeInfo(index, lcid, out);
}

STDMETHODIMP Control::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) {
    return dispatch_.getIDsOfNames(riid, names, count, lcid, ids);
}

STDMETHODIMP Control::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                             EXCEPINFO*, UINT*) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    if (!params) params = &none;
    return Guard([&]() -> HRESULT {
        if (id == DISPID_BACKCOLOR) {
            long value = static_cast<long>(backColor_);
            bool changed = false;
            const HRESULT hr = longProperty(flags, params, result, value, &changed);
            if (SUCCEEDED(hr) && changed) {
                backColor_ = static_cast<OLE_COLOR>(value);
                onBackColorChanged();
            }
            return hr;
        }
        return invokeMember(id, flags, params, result);
    });
}

HRESULT Control::argLong(DISPPARAMS* params, UINT index, long* out) {
    if (index >= params->cArgs) return DISP_E_BADPARAMCOUNT;
    VARIANT tmp;
    ::VariantInit(&tmp);
    // Arguments arrive last to first.
    VARIANT* arg = &params->rgvarg[params->cArgs - 1 - index];
    HRESULT hr = ::VariantChangeType(&tmp, arg, 0, VT_I4);
    if (FAILED(hr)) hr = ::VariantChangeType(&tmp, arg, 0, VT_UI4);
    if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
    *out = tmp.lVal;
    return S_OK;
}

HRESULT Control::argString(DISPPARAMS* params, UINT index, Bstr* out) {
    if (index >= params->cArgs) return DISP_E_BADPARAMCOUNT;
    VARIANT tmp;
    ::VariantInit(&tmp);
    if (FAILED(::VariantChangeType(&tmp, &params->rgvarg[params->cArgs - 1 - index], 0, VT_BSTR)))
        return DISP_E_TYPEMISMATCH;
    *out = Bstr::attach(tmp.bstrVal);
    return S_OK;
}

HRESULT Control::returnLong(VARIANT* result, long value) {
    if (!result) return S_OK;
    ::VariantClear(result);
    result->vt = VT_I4;
    result->lVal = value;
    return S_OK;
}

HRESULT Control::returnString(VARIANT* result, const std::wstring& value) {
    if (!result) return S_OK;
    ::VariantClear(result);
    Bstr b(value);
    if (!b.valid()) return E_OUTOFMEMORY;
    result->vt = VT_BSTR;
    result->bstrVal = b.detach();
    return S_OK;
}

HRESULT Control::longProperty(WORD flags, DISPPARAMS* params, VARIANT* result, long& value, bool* changed) {
    if (changed) *changed = false;
    if (isPut(flags)) {
        long v;
        const HRESULT hr = argLong(params, 0, &v);
        if (FAILED(hr)) return hr;
        value = v;
        setModified();
        if (changed) *changed = true;
        return S_OK;
    }
    if (isGet(flags)) {
        if (params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
        return returnLong(result, value);
    }
    return DISP_E_MEMBERNOTFOUND;
}

// --- ambient properties and helpers ---------------------------------------------

HRESULT Control::ambient(DISPID id, VARIANT* out) const {
    if (!site_) return E_FAIL;
    ComPtr<IDispatch> ambient;
    HRESULT hr = site_.queryInterface(IID_IDispatch, &ambient);
    if (FAILED(hr)) return hr;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    return ambient->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, out, nullptr, nullptr);
}

bool Control::ambientUserMode() const {
    Variant v;
    if (FAILED(ambient(DISPID_AMBIENT_USERMODE, v.put()))) return true;
    long value;
    return v.toLong(&value) ? value != 0 : true;
}

OLE_COLOR Control::ambientBackColor() const {
    Variant v;
    long value;
    if (SUCCEEDED(ambient(DISPID_AMBIENT_BACKCOLOR, v.put())) && v.toLong(&value))
        return static_cast<OLE_COLOR>(value);
    return 0x80000000 | COLOR_WINDOW;
}

void Control::invalidate() {
    if (hwnd_)
        ::InvalidateRect(hwnd_, nullptr, FALSE);
    else if (viewSink_)
        viewSink_->OnViewChange(DVASPECT_CONTENT, -1);
}

void Control::fire(DISPID id, std::vector<Variant> args) {
    if (frozen_ > 0) return;
    events_.fire(id, std::move(args));
}

// --- IOleObject ----------------------------------------------------------------

STDMETHODIMP Control::SetClientSite(IOleClientSite* site) {
    site_ = ComPtr<IOleClientSite>(site);
    inPlaceSite_.reset();
    return S_OK;
}

STDMETHODIMP Control::GetClientSite(IOleClientSite** site) { return site_.copyTo(site); }

STDMETHODIMP Control::Close(DWORD) {
    InPlaceDeactivate();
    if (adviseHolder_) adviseHolder_->SendOnClose();
    return S_OK;
}

STDMETHODIMP Control::DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND parent, LPCRECT rect) {
    return Guard([&]() -> HRESULT {
        if (site && !site_) SetClientSite(site);
        switch (verb) {
            case OLEIVERB_PRIMARY:
            case OLEIVERB_SHOW:
            case OLEIVERB_INPLACEACTIVATE:
                return inPlaceActivate(false, parent, rect);
            case OLEIVERB_UIACTIVATE:
                return inPlaceActivate(true, parent, rect);
            case OLEIVERB_HIDE:
                if (hwnd_) ::ShowWindow(hwnd_, SW_HIDE);
                return S_OK;
            default:
                return verb < 0 ? E_NOTIMPL : OLEOBJ_S_INVALIDVERB;
        }
    });
}

HRESULT Control::inPlaceActivate(bool uiActivate, HWND parentHint, LPCRECT rectHint) {
    if (!site_) return E_UNEXPECTED;
    if (!inPlaceSite_) {
        HRESULT hr = site_.queryInterface(IID_IOleInPlaceSite, &inPlaceSite_);
        if (FAILED(hr)) return hr;
    }
    if (!hwnd_) {
        if (inPlaceSite_->CanInPlaceActivate() != S_OK) return E_FAIL;
        inPlaceSite_->OnInPlaceActivate();
        HWND parent = parentHint;
        inPlaceSite_->GetWindow(&parent);
        ComPtr<IOleInPlaceFrame> frame;
        ComPtr<IOleInPlaceUIWindow> doc;
        RECT pos{}, clip{};
        OLEINPLACEFRAMEINFO info{};
        info.cb = sizeof info;
        if (FAILED(inPlaceSite_->GetWindowContext(frame.put(), doc.put(), &pos, &clip, &info)) && rectHint)
            pos = *rectHint;
        if (!RegisterWindowClass(&Control::windowProc)) return HResultFromLastErrorOr(E_FAIL);
        HWND hwnd = ::CreateWindowExW(0, kWindowClass, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_TABSTOP, pos.left,
                                      pos.top, pos.right - pos.left, pos.bottom - pos.top, parent, nullptr,
                                      ComModule::instance(), this);
        if (!hwnd) return HResultFromLastErrorOr(E_FAIL);
        onWindowCreated();
        ::ShowWindow(hwnd_, SW_SHOWNA);
    }
    if (uiActivate && !uiActive_) {
        uiActive_ = true;
        inPlaceSite_->OnUIActivate();
        ::SetFocus(hwnd_);
    }
    return S_OK;
}

STDMETHODIMP Control::EnumVerbs(IEnumOLEVERB** out) { return ::OleRegEnumVerbs(*class_.clsid, out); }

STDMETHODIMP Control::GetUserClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = *class_.clsid;
    return S_OK;
}

STDMETHODIMP Control::GetUserType(DWORD form, LPOLESTR* type) { return ::OleRegGetUserType(*class_.clsid, form, type); }

STDMETHODIMP Control::SetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!size) return E_POINTER;
    extent_ = *size;
    return S_OK;
}

STDMETHODIMP Control::GetExtent(DWORD aspect, SIZEL* size) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!size) return E_POINTER;
    *size = extent_;
    return S_OK;
}

STDMETHODIMP Control::Advise(IAdviseSink* sink, DWORD* cookie) {
    if (!adviseHolder_) {
        HRESULT hr = ::CreateOleAdviseHolder(adviseHolder_.put());
        if (FAILED(hr)) return hr;
    }
    return adviseHolder_->Advise(sink, cookie);
}

STDMETHODIMP Control::Unadvise(DWORD cookie) {
    return adviseHolder_ ? adviseHolder_->Unadvise(cookie) : OLE_E_NOCONNECTION;
}

STDMETHODIMP Control::EnumAdvise(IEnumSTATDATA** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return adviseHolder_ ? adviseHolder_->EnumAdvise(out) : E_FAIL;
}

STDMETHODIMP Control::GetMiscStatus(DWORD, DWORD* status) {
    if (!status) return E_POINTER;
    *status = class_.miscStatus;
    return S_OK;
}

// --- in-place object -------------------------------------------------------------

STDMETHODIMP Control::GetWindow(HWND* out) {
    if (!out) return E_POINTER;
    *out = hwnd_;
    return hwnd_ ? S_OK : E_FAIL;
}

STDMETHODIMP Control::InPlaceDeactivate() {
    UIDeactivate();
    if (hwnd_) {
        onWindowDestroying();
        HWND hwnd = hwnd_;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        ::DestroyWindow(hwnd);
        if (inPlaceSite_) inPlaceSite_->OnInPlaceDeactivate();
    }
    return S_OK;
}

STDMETHODIMP Control::UIDeactivate() {
    if (uiActive_) {
        uiActive_ = false;
        if (inPlaceSite_) inPlaceSite_->OnUIDeactivate(FALSE);
    }
    return S_OK;
}

STDMETHODIMP Control::SetObjectRects(LPCRECT pos, LPCRECT) {
    if (!pos) return E_POINTER;
    if (hwnd_) ::MoveWindow(hwnd_, pos->left, pos->top, pos->right - pos->left, pos->bottom - pos->top, TRUE);
    extent_.cx = PixelsToHimetric(pos->right - pos->left, ScreenPixelsPerInch(LOGPIXELSX));
    extent_.cy = PixelsToHimetric(pos->bottom - pos->top, ScreenPixelsPerInch(LOGPIXELSY));
    return S_OK;
}

// --- IOleControl ---------------------------------------------------------------

STDMETHODIMP Control::GetControlInfo(CONTROLINFO* info) {
    if (!info) return E_POINTER;
    info->hAccel = nullptr;
    info->cAccel = 0;
    info->dwFlags = 0;
    return S_OK;
}

STDMETHODIMP Control::OnAmbientPropertyChange(DISPID) {
    invalidate();
    return S_OK;
}

STDMETHODIMP Control::FreezeEvents(BOOL freeze) {
    frozen_ += freeze ? 1 : (frozen_ > 0 ? -1 : 0);
    return S_OK;
}

// --- IViewObject2 ----------------------------------------------------------------

STDMETHODIMP Control::Draw(DWORD aspect, LONG, void*, DVTARGETDEVICE*, HDC, HDC dc, LPCRECTL bounds, LPCRECTL,
                           BOOL(STDMETHODCALLTYPE*)(ULONG_PTR), ULONG_PTR) {
    if (aspect != DVASPECT_CONTENT) return DV_E_DVASPECT;
    if (!dc) return E_INVALIDARG;
    return Guard([&] {
        RECT r{0, 0, 0, 0};
        if (bounds)
            r = RECT{bounds->left, bounds->top, bounds->right, bounds->bottom};
        else if (hwnd_)
            ::GetClientRect(hwnd_, &r);
        onDraw(dc, r);
        return S_OK;
    });
}

STDMETHODIMP Control::SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) {
    viewAspects_ = aspects;
    viewFlags_ = flags;
    viewSink_ = ComPtr<IAdviseSink>(sink);
    return S_OK;
}

STDMETHODIMP Control::GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) {
    if (aspects) *aspects = viewAspects_;
    if (flags) *flags = viewFlags_;
    if (sink) viewSink_.copyTo(sink);
    return S_OK;
}

STDMETHODIMP Control::GetExtent(DWORD aspect, LONG, DVTARGETDEVICE*, LPSIZEL size) {
    return GetExtent(aspect, size);
}

// --- persistence -----------------------------------------------------------------

STDMETHODIMP Control::GetClassID(CLSID* clsid) { return GetUserClassID(clsid); }

STDMETHODIMP Control::InitNew() {
    backColor_ = ambientBackColor();
    initialised_ = true;
    modified_ = false;
    return S_OK;
}

STDMETHODIMP Control::Load(LPSTREAM stream) {
    if (!stream) return E_POINTER;
    DWORD data[2];
    ULONG read = 0;
    HRESULT hr = stream->Read(data, sizeof data, &read);
    if (FAILED(hr)) return hr;
    if (read != sizeof data || (data[0] >> 16) != 1) return E_FAIL;
    backColor_ = data[1];
    initialised_ = true;
    modified_ = false;
    invalidate();
    return S_OK;
}

STDMETHODIMP Control::Save(LPSTREAM stream, BOOL clearDirty) {
    if (!stream) return E_POINTER;
    const DWORD data[2] = {kPersistVersion, backColor_};
    ULONG written = 0;
    HRESULT hr = stream->Write(data, sizeof data, &written);
    if (FAILED(hr)) return hr;
    if (written != sizeof data) return STG_E_CANTSAVE;
    if (clearDirty) modified_ = false;
    return S_OK;
}

STDMETHODIMP Control::GetSizeMax(ULARGE_INTEGER* size) {
    if (!size) return E_POINTER;
    size->QuadPart = 2 * sizeof(DWORD);
    return S_OK;
}

// --- class info, connection points, property pages ------------------------------

STDMETHODIMP Control::GetClassInfo(ITypeInfo** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    return Guard([&] {
        ComPtr<ITypeInfo> info;
        HRESULT hr = dispatch_.typeInfo(info.put());
        if (FAILED(hr)) return hr;
        ComPtr<ITypeLib> lib;
        UINT index = 0;
        hr = info->GetContainingTypeLib(lib.put(), &index);
        if (FAILED(hr)) return hr;
        return lib->GetTypeInfoOfGuid(*class_.clsid, out);
    });
}

STDMETHODIMP Control::GetGUID(DWORD kind, GUID* guid) {
    if (!guid) return E_POINTER;
    if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
    *guid = *class_.eventsIid;
    return S_OK;
}

STDMETHODIMP Control::EnumConnectionPoints(IEnumConnectionPoints** out) {
    ConnectionPoint* points[] = {&events_};
    return win::EnumConnectionPoints(points, 1, out);
}

STDMETHODIMP Control::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
    ConnectionPoint* points[] = {&events_};
    return win::FindConnectionPoint(points, 1, iid, out);
}

STDMETHODIMP Control::GetPages(CAUUID* pages) {
    if (!pages) return E_POINTER;
    pages->cElems = 0;
    pages->pElems = static_cast<GUID*>(::CoTaskMemAlloc(sizeof(GUID)));
    if (!pages->pElems) return E_OUTOFMEMORY;
    pages->pElems[0] = *class_.propertyPage;
    pages->cElems = 1;
    return S_OK;
}

// --- the window ------------------------------------------------------------------

LRESULT CALLBACK Control::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<Control*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Control*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);
    try {
        // Keeps the object alive while a handler releases the last outside reference.
        ComPtr<IUnknown> hold(self->controllingUnknown());
        return self->handleMessage(msg, wp, lp);
    } catch (...) {
        return ::DefWindowProcW(hwnd, msg, wp, lp);
    }
}

LRESULT Control::handleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    HWND hwnd = hwnd_;
    LRESULT result = 0;
    if (onMessage(msg, wp, lp, &result)) return result;
    switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = ::BeginPaint(hwnd, &ps);
            if (dc) {
                RECT client;
                ::GetClientRect(hwnd, &client);
                onDraw(dc, client);
            }
            ::EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;  // everything is drawn in WM_PAINT
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            if (site_) {
                ComPtr<IOleControlSite> controlSite;
                if (SUCCEEDED(site_.queryInterface(IID_IOleControlSite, &controlSite)))
                    controlSite->OnFocus(msg == WM_SETFOCUS);
            }
            return 0;
        case WM_MOUSEACTIVATE:
            return MA_ACTIVATE;
        case WM_NCDESTROY:
            if (hwnd_ == hwnd) hwnd_ = nullptr;
            break;
    }
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace win

namespace win {

HRESULT RegisterControlModule(const ControlModule& m) {
    return Guard([&] {
        const std::wstring path = ComModule::path();
        if (path.empty()) return SELFREG_E_CLASS;
        HRESULT hr = RegisterTypeLibResource(path, 1);
        if (SUCCEEDED(hr)) hr = RegisterClassKeys(*m.control, path);
        if (SUCCEEDED(hr)) hr = RegisterControlKeys(m.control->clsid, path, m.miscStatus, m.toolboxBitmap, m.version);
        if (SUCCEEDED(hr)) hr = RegisterClassKeys(*m.propertyPage, path);
        return SUCCEEDED(hr) ? S_OK : SELFREG_E_CLASS;
    });
}

HRESULT UnregisterControlModule(const ControlModule& m) {
    return Guard([&] {
        const HRESULT hr = UnregisterClassKeys(*m.control);
        const HRESULT hr2 = UnregisterClassKeys(*m.propertyPage);
        const HRESULT hr3 = UnregisterTypeLibResource(ComModule::path(), 1);
        if (FAILED(hr)) return hr;
        return FAILED(hr2) ? hr2 : hr3;
    });
}

}  // namespace win
