#include "graph_ctrl.h"

#include <olectl.h>
#include <windowsx.h>

#include "graph.h"
#include "graph/core/pie_geometry.h"
#include "win32/handle.h"

namespace {

constexpr int kThickness = 10;

HPALETTE PaletteOf(long handle) { return reinterpret_cast<HPALETTE>(static_cast<LONG_PTR>(handle)); }

void Ellipse(HDC dc, const RECT& r) { ::Ellipse(dc, r.left, r.top, r.right, r.bottom); }

// The stock mouse button and shift state codes.
short ShiftState() {
    return static_cast<short>(((::GetKeyState(VK_SHIFT) < 0) ? 1 : 0) | ((::GetKeyState(VK_CONTROL) < 0) ? 2 : 0) |
                              ((::GetKeyState(VK_MENU) < 0) ? 4 : 0));
}

}  // namespace

const CLSID CLSID_GraphPropPage = {0xC6173BC6, 0x55C5, 0x11D3, {0x80, 0xB8, 0x00, 0x50, 0x04, 0xAD, 0x33, 0xD2}};

const win::ControlClass CGraphCtrl::kClass = {
    &CLSID_Graph, &DIID__DGraph, &DIID__DGraphEvents, &LIBID_GRAPHLib, 1, 0, &CLSID_GraphPropPage,
    OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST | OLEMISC_INSIDEOUT | OLEMISC_CANTLINKINSIDE |
        OLEMISC_RECOMPOSEONRESIZE};

CGraphCtrl::CGraphCtrl(IUnknown* outer) : win::Control(outer, kClass) {}

HRESULT CGraphCtrl::create(IUnknown* outer, REFIID iid, void** out) {
    return win::CreateComObject<CGraphCtrl>(outer, iid, out);
}

HRESULT CGraphCtrl::invokeMember(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result) {
    bool changed = false;
    switch (id) {
        case 1: {
            const HRESULT hr = longProperty(flags, params, result, percent_, &changed);
            if (changed) invalidate();
            return hr;
        }
        // The colours and the palette are seen at the next repaint.
        case 2: return longProperty(flags, params, result, primaryColor_, nullptr);
        case 3: return longProperty(flags, params, result, secondaryColor_, nullptr);
        case 4: return longProperty(flags, params, result, shadowColor_, nullptr);
        case 5: return longProperty(flags, params, result, palette_, nullptr);
        default: return DISP_E_MEMBERNOTFOUND;
    }
}

bool CGraphCtrl::onMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    short button = 0;
    switch (msg) {
        case WM_LBUTTONDOWN: button = 1; break;
        case WM_RBUTTONDOWN: button = 2; break;
        case WM_MBUTTONDOWN: button = 4; break;
        default: return false;
    }
    (void)wp;
    fire(DISPID_MOUSEDOWN, {win::Variant(button), win::Variant(ShiftState()),
                            win::Variant(static_cast<long>(GET_X_LPARAM(lp))),
                            win::Variant(static_cast<long>(GET_Y_LPARAM(lp)))});
    *result = 0;
    return true;
}

void CGraphCtrl::onDraw(HDC target, const RECT& bounds) {
    if (!ambientUserMode()) return;  // design mode: nothing at all
    const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
    if (width <= 0 || height <= 0) return;

    win::MemoryDc memory(::CreateCompatibleDC(target));
    if (!memory) return;
    HPALETTE palette = PaletteOf(palette_);
    HPALETTE oldTargetPalette = nullptr, oldMemoryPalette = nullptr;
    const bool usePalette = palette && ::GetDeviceCaps(target, BITSPIXEL) == 8;
    if (usePalette) {
        oldTargetPalette = ::SelectPalette(target, palette, FALSE);
        ::RealizePalette(target);
        oldMemoryPalette = ::SelectPalette(memory.get(), palette, FALSE);
        ::RealizePalette(memory.get());
    }
    win::Bitmap bitmap(::CreateCompatibleBitmap(target, width, height));
    if (bitmap) {
        win::SelectObjectScope bitmapScope(memory.get(), bitmap.get());
        drawPie(memory.get(), RECT{0, 0, width, height});
        ::BitBlt(target, bounds.left, bounds.top, width, height, memory.get(), 0, 0, SRCCOPY);
    }
    if (usePalette) {
        ::SelectPalette(memory.get(), oldMemoryPalette, FALSE);
        ::SelectPalette(target, oldTargetPalette, FALSE);
    }
}

void CGraphCtrl::drawPie(HDC dc, const RECT& client) {
    RECT top = client;
    top.bottom -= kThickness;
    RECT shadow = top;
    ::OffsetRect(&shadow, 0, kThickness);

    // Made before the selections so that they are deselected before deletion.
    win::Brush primary(::CreateSolidBrush(static_cast<COLORREF>(primaryColor_)));
    win::Brush secondary(::CreateSolidBrush(static_cast<COLORREF>(secondaryColor_)));
    win::Brush shadowBrush(::CreateSolidBrush(static_cast<COLORREF>(shadowColor_)));
    win::Brush back(::CreateSolidBrush(static_cast<COLORREF>(backColor())));
    win::Pen outline(::CreatePen(PS_SOLID, 1, static_cast<COLORREF>(outlineColor_)));
    HGDIOBJ nullPen = ::GetStockObject(NULL_PEN), nullBrush = ::GetStockObject(NULL_BRUSH);
    win::SelectObjectScope penScope(dc, nullPen);
    win::SelectObjectScope brushScope(dc, primary.get());
    ::FillRect(dc, &client, back.get());

    const long percent = percent_;
    if (percent < 0 || percent > 100) return;

    // The disk's side, then its outline.
    ::SelectObject(dc, nullPen);
    ::SelectObject(dc, shadowBrush.get());
    Ellipse(dc, shadow);
    ::SelectObject(dc, outline.get());
    ::SelectObject(dc, nullBrush);
    Ellipse(dc, shadow);

    if (percent == 0 || percent == 100) {
        ::SelectObject(dc, percent == 100 ? secondary.get() : primary.get());
        Ellipse(dc, top);
        ::SelectObject(dc, primary.get());
        return;
    }

    const int angle = graph::SliceAngle(percent);
    const graph::Point a = graph::EllipsePoint(shadow.left, shadow.top, shadow.right, shadow.bottom, 270);
    const graph::Point b = graph::EllipsePoint(top.left, top.top, top.right, top.bottom, 270);
    const graph::Point c = graph::EllipsePoint(shadow.left, shadow.top, shadow.right, shadow.bottom, angle);
    const graph::Point d = graph::EllipsePoint(top.left, top.top, top.right, top.bottom, angle);

    ::SelectObject(dc, primary.get());
    Ellipse(dc, top);
    if (d != b) {
        ::SelectObject(dc, nullPen);
        ::SelectObject(dc, secondary.get());
        ::Pie(dc, top.left, top.top, top.right, top.bottom, d.x, d.y, b.x, b.y);
    }
    const int cx = (top.left + top.right) / 2, cy = (top.top + top.bottom) / 2;
    ::SelectObject(dc, outline.get());
    ::MoveToEx(dc, b.x, b.y, nullptr);
    ::LineTo(dc, cx, cy - 1);
    ::MoveToEx(dc, d.x, d.y, nullptr);
    ::LineTo(dc, cx - 1, cy - 1);
    if (percent > 50) {
        ::MoveToEx(dc, b.x, b.y, nullptr);
        ::LineTo(dc, a.x, a.y);
        ::MoveToEx(dc, d.x, d.y, nullptr);
        ::LineTo(dc, c.x, c.y);
    }
    ::SelectObject(dc, nullBrush);
    Ellipse(dc, top);
    ::SelectObject(dc, primary.get());
}
