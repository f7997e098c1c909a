// The container for in-process ActiveX controls: creates a control by CLSID
// in a parent window (usually in place of a dialog item), gives it a client
// site, in-place site and frame, ambient properties (UserMode, BackColor,
// ForeColor, Font, ...), reaches its members by dispid and routes its events
// by dispid to a handler.
#pragma once
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include <functional>
#include <vector>

#include "bstr.h"
#include "com_ptr.h"

namespace win {

class ControlSite;

struct Ambient {
    bool userMode = true;
    OLE_COLOR backColor = 0x80000000 | COLOR_BTNFACE;
    OLE_COLOR foreColor = 0x80000000 | COLOR_BTNTEXT;
    HFONT font = nullptr;  // nullptr: the parent's font (WM_GETFONT), else the GUI font
};

class ControlHost {
public:
    // Event dispid and the arguments as the control passed them (last first).
    using EventHandler = std::function<void(DISPID id, DISPPARAMS& params)>;

    ControlHost() = default;
    ~ControlHost();
    ControlHost(const ControlHost&) = delete;
    ControlHost& operator=(const ControlHost&) = delete;

    // Creates the control in place of the dialog's item itemId (a placeholder,
    // destroyed afterwards): same rectangle, id and tab position.
    HRESULT createInDialog(HWND dialog, int itemId, REFCLSID clsid, const Ambient& ambient = Ambient());
    // Creates the control in parent at rect (client coordinates) with the given id.
    HRESULT create(HWND parent, const RECT& rect, int id, REFCLSID clsid, const Ambient& ambient = Ambient());
    // Deactivates, disconnects and releases the control.
    void destroy();

    bool created() const { return static_cast<bool>(object_); }
    HWND window() const;  // the control's own window, nullptr when it has none
    HWND parent() const { return parent_; }
    const RECT& rect() const { return rect_; }
    IUnknown* control() const { return object_.get(); }
    void setEventHandler(EventHandler handler) { handler_ = std::move(handler); }

    // Members by dispid.
    HRESULT get(DISPID id, Variant* value);
    HRESULT put(DISPID id, const Variant& value);
    // Arguments in their natural order.
    HRESULT call(DISPID id, std::vector<Variant> args = {}, Variant* result = nullptr);
    HRESULT getLong(DISPID id, long* value);
    HRESULT putLong(DISPID id, long value) { return put(id, Variant(value)); }
    HRESULT getString(DISPID id, std::wstring* value);

    // Changes an ambient property and tells the control.
    HRESULT setUserMode(bool userMode);
    HRESULT setAmbientBackColor(OLE_COLOR color);
    const Ambient& ambient() const { return ambient_; }

    // Draws the control through IViewObject into dc (its own drawing path).
    HRESULT draw(HDC dc, const RECT& bounds);
    // Moves the control within its parent.
    HRESULT move(const RECT& rect);
    // Gives the control's in-place object a look at a keyboard message first.
    bool translateAccelerator(MSG* msg);

    // The hosts alive on this thread in a parent window (the container's objects).
    static std::vector<ControlHost*> hostsIn(HWND parent);

    // Hands an event of the control to the handler.
    void onEvent(DISPID id, DISPPARAMS& params);

private:
    friend class ControlSite;
    HRESULT connectEvents();
    IDispatch* fontDispatch();

    HWND parent_ = nullptr;
    RECT rect_{};
    Ambient ambient_;
    ComPtr<IOleObject> object_;
    ComPtr<IDispatch> dispatch_;
    ControlSite* site_ = nullptr;  // one reference
    ComPtr<IDispatch> sink_;
    ComPtr<IConnectionPoint> point_;
    DWORD cookie_ = 0;
    ComPtr<IDispatch> font_;
    EventHandler handler_;
};

}  // namespace win
