// CGraphCtrl: the percentage graph, a tilted pie drawn into a memory bitmap
// and copied to the target in one step.
#pragma once
#include <windows.h>

#include "win32/control.h"

extern const CLSID CLSID_GraphPropPage;

class CGraphCtrl final : public win::Control {
public:
    explicit CGraphCtrl(IUnknown* outer);
    static HRESULT create(IUnknown* outer, REFIID iid, void** out);
    static const win::ControlClass kClass;

protected:
    void onDraw(HDC dc, const RECT& bounds) override;
    HRESULT invokeMember(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result) override;
    bool onMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) override;

private:
    void drawPie(HDC dc, const RECT& client);

    long outlineColor_ = 0;
    long percent_ = -1;
    long primaryColor_ = 0x00FF00FF;
    long secondaryColor_ = 0x00FF0000;
    long shadowColor_ = 0x00800080;
    long palette_ = 0;
};
