#include "control_host.h"

#include <olectl.h>

#include <algorithm>

#include "enumerator.h"
#include "hresult.h"

namespace win {

namespace {

// Every host of this thread, for IOleContainer::EnumObjects.
thread_local std::vector<ControlHost*> t_hosts;

struct UnknownTraits {
    static REFIID iid() { return IID_IEnumUnknown; }
    static void addRef(IUnknown*& p) { p->AddRef(); }
    static void release(IUnknown*& p) { p->Release(); }
};
using UnknownEnumerator = Enumerator<IEnumUnknown, IUnknown*, UnknownTraits>;

int PixelsPerInch(int index) {
    HDC dc = ::GetDC(nullptr);
    const int n = dc ? ::GetDeviceCaps(dc, index) : 96;
    if (dc) ::ReleaseDC(nullptr, dc);
    return n > 0 ? n : 96;
}

// Receives a control's events and hands them to the host by dispid.
class EventSink final : public IDispatch {
public:
    EventSink(ControlSite* site, REFIID iid) : site_(site), iid_(iid) {}
    void detach() { site_ = nullptr; }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == iid_) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG n = ::InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override;

private:
    ControlSite* site_;
    IID iid_;
    volatile LONG refs_ = 1;
};

}  // namespace

// The site of one hosted control: client site, in-place site and frame,
// control site, ambient properties and container.
class ControlSite final : public IOleClientSite,
                          public IOleInPlaceSite,
                          public IOleInPlaceFrame,
                          public IOleControlSite,
                          public IOleContainer,
                          public IDispatch {
public:
    explicit ControlSite(ControlHost* host) : host_(host) {}
    void detach() { host_ = nullptr; }
    ControlHost* host() const { return host_; }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid == IID_IUnknown || iid == IID_IOleClientSite)
            *out = static_cast<IOleClientSite*>(this);
        else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite)
            *out = static_cast<IOleInPlaceSite*>(this);
        else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame)
            *out = static_cast<IOleInPlaceFrame*>(this);
        else if (iid == IID_IOleControlSite)
            *out = static_cast<IOleControlSite*>(this);
        else if (iid == IID_IOleContainer || iid == IID_IParseDisplayName)
            *out = static_cast<IOleContainer*>(this);
        else if (iid == IID_IDispatch)
            *out = static_cast<IDispatch*>(this);
        else
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG n = ::InterlockedDecrement(&refs_);
        if (n == 0) delete this;
        return static_cast<ULONG>(n);
    }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return S_OK; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetContainer(IOleContainer** out) override {
        if (!out) return E_POINTER;
        *out = static_cast<IOleContainer*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (shared by the in-place site and the frame)
    STDMETHODIMP GetWindow(HWND* out) override {
        if (!out) return E_POINTER;
        *out = host_ ? host_->parent_ : nullptr;
        return *out ? S_OK : E_FAIL;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return host_ ? S_OK : S_FALSE; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos, LPRECT clip,
                                  LPOLEINPLACEFRAMEINFO info) override {
        if (!frame || !doc || !pos || !clip || !info) return E_POINTER;
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        *doc = nullptr;
        if (!host_) return E_FAIL;
        *pos = host_->rect_;
        *clip = host_->rect_;
        info->cb = sizeof *info;
        info->fMDIApp = FALSE;
        info->hwndFrame = ::GetAncestor(host_->parent_, GA_ROOT);
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return S_OK; }
    STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
    STDMETHODIMP OnPosRectChange(LPCRECT rect) override {
        if (!rect) return E_POINTER;
        return host_ ? host_->move(*rect) : E_FAIL;
    }

    // IOleInPlaceUIWindow, IOleInPlaceFrame: a dialog has no tool space or menus.
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR) override {
        active_ = ComPtr<IOleInPlaceActiveObject>(object);
        return S_OK;
    }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // IOleControlSite
    STDMETHODIMP OnControlInfoChanged() override { return S_OK; }
    STDMETHODIMP LockInPlaceActive(BOOL) override { return S_OK; }
    STDMETHODIMP GetExtendedControl(IDispatch** out) override {
        if (out) *out = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP TransformCoords(POINTL* himetric, POINTF* container, DWORD flags) override {
        if (!himetric || !container) return E_POINTER;
        const int dx = PixelsPerInch(LOGPIXELSX), dy = PixelsPerInch(LOGPIXELSY);
        if (flags & XFORMCOORDS_HIMETRICTOCONTAINER) {
            container->x = static_cast<float>(himetric->x) * dx / 2540.0f;
            container->y = static_cast<float>(himetric->y) * dy / 2540.0f;
        } else {
            himetric->x = static_cast<LONG>(container->x * 2540.0f / dx);
            himetric->y = static_cast<LONG>(container->y * 2540.0f / dy);
        }
        return S_OK;
    }
    STDMETHODIMP TranslateAccelerator(MSG*, DWORD) override { return S_FALSE; }
    STDMETHODIMP OnFocus(BOOL) override { return S_OK; }
    STDMETHODIMP ShowPropertyFrame() override { return E_NOTIMPL; }

    // IParseDisplayName, IOleContainer
    STDMETHODIMP ParseDisplayName(IBindCtx*, LPOLESTR, ULONG*, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP EnumObjects(DWORD, IEnumUnknown** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        return Guard([&] {
            std::vector<IUnknown*> items;
            if (host_)
                for (ControlHost* h : ControlHost::hostsIn(host_->parent_))
                    if (h->object_) items.push_back(h->object_.get());
            *out = UnknownEnumerator::create(std::move(items));
            return *out ? S_OK : E_OUTOFMEMORY;
        });
    }
    STDMETHODIMP LockContainer(BOOL) override { return S_OK; }

    // IDispatch: the ambient properties.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                        UINT*) override {
        if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
        if (!result) return E_POINTER;
        if (!host_) return DISP_E_MEMBERNOTFOUND;
        ::VariantInit(result);
        const Ambient& a = host_->ambient_;
        switch (id) {
            case DISPID_AMBIENT_USERMODE:
                result->vt = VT_BOOL;
                result->boolVal = a.userMode ? VARIANT_TRUE : VARIANT_FALSE;
                return S_OK;
            case DISPID_AMBIENT_BACKCOLOR:
            case DISPID_AMBIENT_FORECOLOR:
                result->vt = VT_I4;
                result->lVal = static_cast<LONG>(id == DISPID_AMBIENT_BACKCOLOR ? a.backColor : a.foreColor);
                return S_OK;
            case DISPID_AMBIENT_FONT:
                return Guard([&] {
                    IDispatch* font = host_->fontDispatch();
                    if (!font) return DISP_E_MEMBERNOTFOUND;
                    font->AddRef();
                    result->vt = VT_DISPATCH;
                    result->pdispVal = font;
                    return S_OK;
                });
            case DISPID_AMBIENT_LOCALEID:
                result->vt = VT_I4;
                result->lVal = static_cast<LONG>(::GetUserDefaultLCID());
                return S_OK;
            case DISPID_AMBIENT_DISPLAYNAME:
                result->vt = VT_BSTR;
                result->bstrVal = ::SysAllocString(L"");
                return result->bstrVal ? S_OK : E_OUTOFMEMORY;
            case DISPID_AMBIENT_MESSAGEREFLECT:
            case DISPID_AMBIENT_SHOWGRABHANDLES:
            case DISPID_AMBIENT_SHOWHATCHING:
            case DISPID_AMBIENT_UIDEAD:
            case DISPID_AMBIENT_SUPPORTSMNEMONICS:
                result->vt = VT_BOOL;
                result->boolVal = VARIANT_FALSE;
                return S_OK;
            default:
                return DISP_E_MEMBERNOTFOUND;
        }
    }

    IOleInPlaceActiveObject* activeObject() const { return active_.get(); }

private:
    ControlHost* host_;
    ComPtr<IOleInPlaceActiveObject> active_;
    volatile LONG refs_ = 1;
};

namespace {

STDMETHODIMP EventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) {
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    return Guard([&] {
        if (site_ && site_->host()) site_->host()->onEvent(id, params ? *params : none);
        return S_OK;
    });
}

}  // namespace

ControlHost::~ControlHost() { destroy(); }

std::vector<ControlHost*> ControlHost::hostsIn(HWND parent) {
    std::vector<ControlHost*> result;
    for (ControlHost* h : t_hosts)
        if (h->parent_ == parent) result.push_back(h);
    return result;
}

HRESULT ControlHost::createInDialog(HWND dialog, int itemId, REFCLSID clsid, const Ambient& ambient) {
    HWND placeholder = ::GetDlgItem(dialog, itemId);
    if (!placeholder) return HRESULT_FROM_WIN32(ERROR_CONTROL_ID_NOT_FOUND);
    RECT r;
    ::GetWindowRect(placeholder, &r);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    // The placeholder's place in the tab order goes to the control.
    HWND before = ::GetWindow(placeholder, GW_HWNDPREV);
    const HRESULT hr = create(dialog, r, itemId, clsid, ambient);
    if (FAILED(hr)) return hr;
    ::DestroyWindow(placeholder);
    if (HWND own = window()) {
        ::SetWindowLongPtrW(own, GWLP_ID, itemId);
        ::SetWindowPos(own, before ? before : HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    return S_OK;
}

HRESULT ControlHost::create(HWND parent, const RECT& rect, int id, REFCLSID clsid, const Ambient& ambient) {
    destroy();
    return Guard([&]() -> HRESULT {
        parent_ = parent;
        rect_ = rect;
        ambient_ = ambient;
        site_ = new ControlSite(this);
        t_hosts.push_back(this);

        HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject, object_.putVoid());
        if (FAILED(hr)) {
            destroy();
            return hr;
        }
        DWORD misc = 0;
        object_->GetMiscStatus(DVASPECT_CONTENT, &misc);
        IOleClientSite* clientSite = static_cast<IOleClientSite*>(site_);
        if (misc & OLEMISC_SETCLIENTSITEFIRST) object_->SetClientSite(clientSite);
        ComPtr<IPersistStreamInit> persist;
        if (SUCCEEDED(object_.queryInterface(IID_IPersistStreamInit, &persist))) persist->InitNew();
        if (!(misc & OLEMISC_SETCLIENTSITEFIRST)) object_->SetClientSite(clientSite);
        object_.queryInterface(IID_IDispatch, &dispatch_);
        connectEvents();

        SIZEL extent{::MulDiv(rect.right - rect.left, 2540, PixelsPerInch(LOGPIXELSX)),
                     ::MulDiv(rect.bottom - rect.top, 2540, PixelsPerInch(LOGPIXELSY))};
        object_->SetExtent(DVASPECT_CONTENT, &extent);
        RECT r = rect;
        hr = object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, clientSite, 0, parent, &r);
        if (FAILED(hr)) {
            destroy();
            return hr;
        }
        if (HWND own = window()) ::SetWindowLongPtrW(own, GWLP_ID, id);
        return S_OK;
    });
}

HRESULT ControlHost::connectEvents() {
    ComPtr<IConnectionPointContainer> container;
    HRESULT hr = object_.queryInterface(IID_IConnectionPointContainer, &container);
    if (FAILED(hr)) return hr;
    IID events = IID_NULL;
    ComPtr<IProvideClassInfo2> info;
    if (SUCCEEDED(object_.queryInterface(IID_IProvideClassInfo2, &info)))
        info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &events);
    if (events != IID_NULL) {
        hr = container->FindConnectionPoint(events, point_.put());
    } else {
        // No class info: the first connection point is the default source.
        ComPtr<IEnumConnectionPoints> points;
        hr = container->EnumConnectionPoints(points.put());
        if (SUCCEEDED(hr)) {
            ULONG fetched = 0;
            hr = points->Next(1, point_.put(), &fetched);
            if (hr == S_OK && point_) point_->GetConnectionInterface(&events);
            else hr = E_FAIL;
        }
    }
    if (FAILED(hr) || !point_) {
        point_.reset();
        return FAILED(hr) ? hr : E_FAIL;
    }
    EventSink* sink = new EventSink(site_, events);
    sink_ = ComPtr<IDispatch>::attach(sink);
    hr = point_->Advise(sink_.get(), &cookie_);
    if (FAILED(hr)) {
        sink_.reset();
        point_.reset();
    }
    return hr;
}

void ControlHost::destroy() {
    if (point_ && cookie_) point_->Unadvise(cookie_);
    point_.reset();
    cookie_ = 0;
    if (sink_) static_cast<EventSink*>(sink_.get())->detach();
    sink_.reset();
    if (object_) {
        ComPtr<IOleInPlaceObject> inPlace;
        if (SUCCEEDED(object_.queryInterface(IID_IOleInPlaceObject, &inPlace))) inPlace->InPlaceDeactivate();
        object_->Close(OLECLOSE_NOSAVE);
        object_->SetClientSite(nullptr);
    }
    dispatch_.reset();
    object_.reset();
    font_.reset();
    if (site_) {
        site_->detach();
        site_->Release();
        site_ = nullptr;
    }
    t_hosts.erase(std::remove(t_hosts.begin(), t_hosts.end(), this), t_hosts.end());
}

HWND ControlHost::window() const {
    if (!object_) return nullptr;
    ComPtr<IOleInPlaceObject> inPlace;
    if (FAILED(object_.queryInterface(IID_IOleInPlaceObject, &inPlace))) return nullptr;
    HWND hwnd = nullptr;
    return SUCCEEDED(inPlace->GetWindow(&hwnd)) ? hwnd : nullptr;
}

void ControlHost::onEvent(DISPID id, DISPPARAMS& params) {
    if (handler_) handler_(id, params);
}

HRESULT ControlHost::get(DISPID id, Variant* value) {
    if (!dispatch_) return E_UNEXPECTED;
    if (!value) return E_POINTER;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    return dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value->put(), nullptr,
                             nullptr);
}

HRESULT ControlHost::put(DISPID id, const Variant& value) {
    if (!dispatch_) return E_UNEXPECTED;
    Variant copy(value);
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{copy.get(), &named, 1, 1};
    return dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr,
                             nullptr);
}

HRESULT ControlHost::call(DISPID id, std::vector<Variant> args, Variant* result) {
    if (!dispatch_) return E_UNEXPECTED;
    std::reverse(args.begin(), args.end());
    static_assert(sizeof(Variant) == sizeof(VARIANT), "Variant must be a bare VARIANT");
    DISPPARAMS params{args.empty() ? nullptr : reinterpret_cast<VARIANTARG*>(args.data()), nullptr,
                      static_cast<UINT>(args.size()), 0};
    Variant ignored;
    return dispatch_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                             result ? result->put() : ignored.put(), nullptr, nullptr);
}

HRESULT ControlHost::getLong(DISPID id, long* value) {
    if (!value) return E_POINTER;
    Variant v;
    HRESULT hr = get(id, &v);
    if (FAILED(hr)) return hr;
    return v.toLong(value) ? S_OK : DISP_E_TYPEMISMATCH;
}

HRESULT ControlHost::getString(DISPID id, std::wstring* value) {
    if (!value) return E_POINTER;
    Variant v;
    HRESULT hr = get(id, &v);
    if (FAILED(hr)) return hr;
    *value = v.toString();
    return S_OK;
}

HRESULT ControlHost::setUserMode(bool userMode) {
    ambient_.userMode = userMode;
    ComPtr<IOleControl> control;
    HRESULT hr = object_.queryInterface(IID_IOleControl, &control);
    return SUCCEEDED(hr) ? control->OnAmbientPropertyChange(DISPID_AMBIENT_USERMODE) : hr;
}

HRESULT ControlHost::setAmbientBackColor(OLE_COLOR color) {
    ambient_.backColor = color;
    ComPtr<IOleControl> control;
    HRESULT hr = object_.queryInterface(IID_IOleControl, &control);
    return SUCCEEDED(hr) ? control->OnAmbientPropertyChange(DISPID_AMBIENT_BACKCOLOR) : hr;
}

HRESULT ControlHost::draw(HDC dc, const RECT& bounds) {
    ComPtr<IViewObject> view;
    HRESULT hr = object_.queryInterface(IID_IViewObject, &view);
    if (FAILED(hr)) return hr;
    RECTL r{bounds.left, bounds.top, bounds.right, bounds.bottom};
    return view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, dc, &r, nullptr, nullptr, 0);
}

HRESULT ControlHost::move(const RECT& rect) {
    rect_ = rect;
    ComPtr<IOleInPlaceObject> inPlace;
    HRESULT hr = object_.queryInterface(IID_IOleInPlaceObject, &inPlace);
    return SUCCEEDED(hr) ? inPlace->SetObjectRects(&rect_, &rect_) : hr;
}

bool ControlHost::translateAccelerator(MSG* msg) {
    ComPtr<IOleInPlaceActiveObject> active;
    if (FAILED(object_.queryInterface(IID_IOleInPlaceActiveObject, &active))) return false;
    return active->TranslateAccelerator(msg) == S_OK;
}

IDispatch* ControlHost::fontDispatch() {
    if (font_) return font_.get();
    HFONT font = ambient_.font;
    if (!font && parent_) font = reinterpret_cast<HFONT>(::SendMessageW(parent_, WM_GETFONT, 0, 0));
    if (!font) font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTW lf{};
    if (!::GetObjectW(font, sizeof lf, &lf)) return nullptr;
    HDC dc = ::GetDC(nullptr);
    const int dpi = dc ? ::GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc) ::ReleaseDC(nullptr, dc);
    FONTDESC desc{};
    desc.cbSizeofstruct = sizeof desc;
    desc.lpstrName = lf.lfFaceName;
    const LONG height = lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight;
    desc.cySize.int64 = static_cast<LONGLONG>(::MulDiv(height, 72 * 10000, dpi));  // points, fixed point
    desc.sWeight = static_cast<SHORT>(lf.lfWeight);
    desc.sCharset = lf.lfCharSet;
    desc.fItalic = lf.lfItalic;
    desc.fUnderline = lf.lfUnderline;
    desc.fStrikethrough = lf.lfStrikeOut;
    if (FAILED(::OleCreateFontIndirect(&desc, IID_IDispatch, font_.putVoid()))) return nullptr;
    return font_.get();
}

}  // namespace win
