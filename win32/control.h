// Base for in-process ActiveX controls: embedding, in-place activation with a
// child window, drawing through IViewObject, persistence of the version and
// the stock BackColor, one event connection point, and IDispatch for a
// dispinterface whose members the control answers by dispid.
//
//   class Thing final : public win::Control {
//       Thing(IUnknown* outer) : win::Control(outer, kThingClass) {}
//       void onDraw(HDC dc, const RECT& bounds) override;
//       HRESULT invokeMember(DISPID, WORD flags, DISPPARAMS*, VARIANT* result) override;
//   };
#pragma once
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include "bstr.h"
#include "com_object.h"
#include "com_ptr.h"
#include "connection_point.h"
#include "registration.h"
#include "dispatch.h"

namespace win {

// The keys that make a registered class a control (CLSID\{clsid}\Control,
// MiscStatus, ToolboxBitmap32, Version), beside those of RegisterClassKeys.
HRESULT RegisterControlKeys(const wchar_t* clsid, const std::wstring& modulePath, DWORD miscStatus,
                            int toolboxBitmap, const wchar_t* version);

// Registration of a control module: its type library (resource 1), the
// control's class and control keys, and its property page's class.
struct ControlModule {
    const ClassRegistration* control;
    const ClassRegistration* propertyPage;
    DWORD miscStatus;
    int toolboxBitmap;
    const wchar_t* version;
};
HRESULT RegisterControlModule(const ControlModule& module);
HRESULT UnregisterControlModule(const ControlModule& module);

struct ControlClass {
    const CLSID* clsid;
    const IID* dispatchIid;  // the control's dispinterface
    const IID* eventsIid;    // its event dispinterface
    const GUID* libid;
    WORD major, minor;
    const CLSID* propertyPage;  // may be null
    DWORD miscStatus;           // OLEMISC_* flags
};

class Control : public IOleObject,
                public IOleInPlaceObject,
                public IOleInPlaceActiveObject,
                public IOleControl,
                public IViewObject2,
                public IPersistStreamInit,
                public IProvideClassInfo2,
                public IConnectionPointContainer,
                public ISpecifyPropertyPages,
                public IDispatch,
                public ComObjectBase {
public:
    Control(IUnknown* outer, const ControlClass& cls);
    ~Control() override;

    KM_DELEGATE_IUNKNOWN

    // IDispatch
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* excep, UINT* argError) override;

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* site) override;
    STDMETHODIMP GetClientSite(IOleClientSite** site) override;
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP Close(DWORD saveOption) override;
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
    STDMETHODIMP DoVerb(LONG verb, LPMSG msg, IOleClientSite* site, LONG index, HWND parent,
                        LPCRECT rect) override;
    STDMETHODIMP EnumVerbs(IEnumOLEVERB** out) override;
    STDMETHODIMP Update() override { return S_OK; }
    STDMETHODIMP IsUpToDate() override { return S_OK; }
    STDMETHODIMP GetUserClassID(CLSID* clsid) override;
    STDMETHODIMP GetUserType(DWORD form, LPOLESTR* type) override;
    STDMETHODIMP SetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP GetExtent(DWORD aspect, SIZEL* size) override;
    STDMETHODIMP Advise(IAdviseSink* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumAdvise(IEnumSTATDATA** out) override;
    STDMETHODIMP GetMiscStatus(DWORD aspect, DWORD* status) override;
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IOleWindow, IOleInPlaceObject, IOleInPlaceActiveObject
    STDMETHODIMP GetWindow(HWND* out) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP InPlaceDeactivate() override;
    STDMETHODIMP UIDeactivate() override;
    STDMETHODIMP SetObjectRects(LPCRECT pos, LPCRECT clip) override;
    STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP TranslateAccelerator(LPMSG) override { return S_FALSE; }
    STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }

    // IOleControl
    STDMETHODIMP GetControlInfo(CONTROLINFO* info) override;
    STDMETHODIMP OnMnemonic(MSG*) override { return S_OK; }
    STDMETHODIMP OnAmbientPropertyChange(DISPID id) override;
    STDMETHODIMP FreezeEvents(BOOL freeze) override;

    // IViewObject2
    STDMETHODIMP Draw(DWORD aspect, LONG index, void* aspectInfo, DVTARGETDEVICE* device, HDC targetDevice,
                      HDC dc, LPCRECTL bounds, LPCRECTL wBounds, BOOL(STDMETHODCALLTYPE* cont)(ULONG_PTR),
                      ULONG_PTR contArg) override;
    STDMETHODIMP GetColorSet(DWORD, LONG, void*, DVTARGETDEVICE*, HDC, LOGPALETTE**) override { return S_FALSE; }
    STDMETHODIMP Freeze(DWORD, LONG, void*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP Unfreeze(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP SetAdvise(DWORD aspects, DWORD flags, IAdviseSink* sink) override;
    STDMETHODIMP GetAdvise(DWORD* aspects, DWORD* flags, IAdviseSink** sink) override;
    STDMETHODIMP GetExtent(DWORD aspect, LONG index, DVTARGETDEVICE* device, LPSIZEL size) override;

    // IPersistStreamInit
    STDMETHODIMP GetClassID(CLSID* clsid) override;
    STDMETHODIMP IsDirty() override { return modified_ ? S_OK : S_FALSE; }
    STDMETHODIMP Load(LPSTREAM stream) override;
    STDMETHODIMP Save(LPSTREAM stream, BOOL clearDirty) override;
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;
    STDMETHODIMP InitNew() override;

    // IProvideClassInfo2
    STDMETHODIMP GetClassInfo(ITypeInfo** out) override;
    STDMETHODIMP GetGUID(DWORD kind, GUID* guid) override;

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** out) override;
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;

    // ISpecifyPropertyPages
    STDMETHODIMP GetPages(CAUUID* pages) override;

protected:
    HRESULT queryInterfaceImpl(REFIID iid, void** out) override;

    // Draws the control into dc within bounds (the client rectangle when it
    // paints its own window).
    virtual void onDraw(HDC dc, const RECT& bounds) = 0;
    // Members of the dispinterface other than BackColor.
    virtual HRESULT invokeMember(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result) = 0;
    // Messages of the control's window; return true when handled (result set).
    virtual bool onMessage(UINT, WPARAM, LPARAM, LRESULT*) { return false; }
    virtual void onWindowCreated() {}
    virtual void onWindowDestroying() {}
    virtual void onBackColorChanged() { invalidate(); }

    HWND hwnd() const { return hwnd_; }
    OLE_COLOR backColor() const { return backColor_; }
    // The ambient property of the container; fallback when it has none.
    bool ambientUserMode() const;
    OLE_COLOR ambientBackColor() const;
    void setModified() { modified_ = true; }
    // Repaints the window without erasing, or tells the view sink.
    void invalidate();
    // Raises an event to every sink unless events are frozen.
    void fire(DISPID id, std::vector<Variant> args = {});

    // Argument helpers for invokeMember; index counts in natural order.
    static bool isGet(WORD flags) { return (flags & DISPATCH_PROPERTYGET) != 0; }
    static bool isPut(WORD flags) { return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }
    static HRESULT argLong(DISPPARAMS* params, UINT index, long* out);
    static HRESULT argString(DISPPARAMS* params, UINT index, Bstr* out);
    static HRESULT returnLong(VARIANT* result, long value);
    static HRESULT returnString(VARIANT* result, const std::wstring& value);
    // Body of a read-write long property.
    HRESULT longProperty(WORD flags, DISPPARAMS* params, VARIANT* result, long& value, bool* changed);

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT handleMessage(UINT msg, WPARAM wp, LPARAM lp);
    HRESULT inPlaceActivate(bool uiActivate, HWND parentHint, LPCRECT rectHint);
    HRESULT ambient(DISPID id, VARIANT* out) const;

    const ControlClass& class_;
    TypeInfoDispatch dispatch_;
    ConnectionPoint events_;
    ComPtr<IOleClientSite> site_;
    ComPtr<IOleInPlaceSite> inPlaceSite_;
    ComPtr<IOleAdviseHolder> adviseHolder_;
    ComPtr<IAdviseSink> viewSink_;
    DWORD viewAspects_ = 0, viewFlags_ = 0;
    HWND hwnd_ = nullptr;
    SIZEL extent_{2540, 1270};  // HIMETRIC
    OLE_COLOR backColor_;
    bool modified_ = false;
    bool initialised_ = false;
    bool uiActive_ = false;
    long frozen_ = 0;
};

}  // namespace win
