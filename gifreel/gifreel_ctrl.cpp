#include "gifreel_ctrl.h"

#include <olectl.h>
#include <windowsx.h>

#include <ctime>

#include "gifreel.h"
#include "resource.h"
#include "win32/com_module.h"
#include "win32/handle.h"

const CLSID CLSID_GifreelPropPage = {0xC8373FCB, 0xE31B, 0x11D3, {0xA0, 0x8C, 0x00, 0xC0, 0x4F, 0x68, 0xFC, 0x09}};

namespace {

constexpr COLORREF kFocusColour = 0x000000FF;

long Now() { return static_cast<long>(std::time(nullptr)); }

HPALETTE PaletteOf(long handle) { return reinterpret_cast<HPALETTE>(static_cast<LONG_PTR>(handle)); }

short ShiftState() {
    return static_cast<short>(((::GetKeyState(VK_SHIFT) < 0) ? 1 : 0) | ((::GetKeyState(VK_CONTROL) < 0) ? 2 : 0) |
                              ((::GetKeyState(VK_MENU) < 0) ? 4 : 0));
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT msg, WPARAM wp, LPARAM) {
    if (msg == WM_INITDIALOG) return TRUE;
    if (msg == WM_COMMAND && (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL)) {
        ::EndDialog(dialog, LOWORD(wp));
        return TRUE;
    }
    return FALSE;
}

// Selects the palette into a context for a scope when there is one to select.
class PaletteScope {
public:
    PaletteScope(HDC dc, HPALETTE palette) : dc_(dc) {
        if (palette) {
            old_ = ::SelectPalette(dc, palette, FALSE);
            ::RealizePalette(dc);
            active_ = true;
        }
    }
    ~PaletteScope() {
        if (active_) ::SelectPalette(dc_, old_, FALSE);
    }
    PaletteScope(const PaletteScope&) = delete;
    PaletteScope& operator=(const PaletteScope&) = delete;

private:
    HDC dc_;
    HPALETTE old_ = nullptr;
    bool active_ = false;
};

}  // namespace

const win::ControlClass CGifreelCtrl::kClass = {
    &CLSID_Gifreel, &DIID__DGifreel, &DIID__DGifreelEvents, &LIBID_GIFREELLib, 1, 0, &CLSID_GifreelPropPage,
    OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_SETCLIENTSITEFIRST | OLEMISC_INSIDEOUT | OLEMISC_CANTLINKINSIDE |
        OLEMISC_RECOMPOSEONRESIZE};

CGifreelCtrl::CGifreelCtrl(IUnknown* outer) : win::Control(outer, kClass) {}

HRESULT CGifreelCtrl::create(IUnknown* outer, REFIID iid, void** out) {
    return win::CreateComObject<CGifreelCtrl>(outer, iid, out);
}

HRESULT CGifreelCtrl::invokeMember(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result) {
    switch (id) {
        case 1:
            if (isPut(flags)) {
                win::Bstr value;
                const HRESULT hr = argString(params, 0, &value);
                if (SUCCEEDED(hr)) setModified();  // the next switch overwrites it anyway
                return hr;
            }
            if (isGet(flags)) return returnString(result, currentItemData_);
            return DISP_E_MEMBERNOTFOUND;
        case 2: return longProperty(flags, params, result, palette_, nullptr);
        case 3: return longProperty(flags, params, result, bannerInterval_, nullptr);
        case 4: {
            if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
            if (params->cArgs != 2) return DISP_E_BADPARAMCOUNT;
            win::Bstr file, data;
            HRESULT hr = argString(params, 0, &file);
            if (SUCCEEDED(hr)) hr = argString(params, 1, &data);
            if (FAILED(hr)) return hr;
            return returnLong(result, addGif(file.str(), data.str()));
        }
        case DISPID_ABOUTBOX:
            if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
            aboutBox();
            return S_OK;
        default:
            return DISP_E_MEMBERNOTFOUND;
    }
}

void CGifreelCtrl::aboutBox() {
    ::DialogBoxParamW(win::ComModule::instance(), MAKEINTRESOURCEW(IDD_ABOUTBOX_GIFREEL), hwnd(), &AboutProc, 0);
}

long CGifreelCtrl::addGif(const std::wstring& fileName, const std::wstring& data) {
    banners_.push_back(BannerEntry{fileName, data});
    if (banners_.size() == 1) {
        bannerIndex_ = 0;
        switchTo(0);
        startTimer(TIMER_ROTATE, bannerInterval_);
        invalidate();
    }
    return 0;
}

void CGifreelCtrl::switchTo(std::size_t index) {
    lastSwitchTime_ = Now();
    const BannerEntry& entry = banners_[index];
    currentItemData_ = entry.itemData;
    image_.load(entry.fileName.c_str());  // a failed load leaves the image empty, silently

    RECT client{0, 0, 0, 0};
    if (hwnd()) ::GetClientRect(hwnd(), &client);
    const long width = client.right - client.left, height = client.bottom - client.top;
    const long w = static_cast<long>(image_.screenWidth()), h = static_cast<long>(image_.screenHeight());
    imageRect_.left = (width - w) / 2 < 0 ? 0 : (width - w) / 2;
    imageRect_.top = (height - h) / 2 < 0 ? 0 : (height - h) / 2;
    imageRect_.right = imageRect_.left + w;
    imageRect_.bottom = imageRect_.top + h;

    frameIndex_ = 0;
    cycleComplete_ = false;
    startTimer(TIMER_ROTATE, bannerInterval_);
}

void CGifreelCtrl::nextBanner() {
    // A banner whose animation is still running is not cut short.
    if (!cycleComplete_ || banners_.empty()) return;
    lastSwitchTime_ = Now();
    bannerIndex_ = (bannerIndex_ + 1) % banners_.size();
    switchTo(bannerIndex_);
    composeIntoWindow();
}

void CGifreelCtrl::onDraw(HDC dc, const RECT& bounds) {
    frameIndex_ = 0;
    if (ambientUserMode()) composeFrame(dc, bounds);
}

void CGifreelCtrl::composeIntoWindow() {
    HWND window = hwnd();
    if (!window) return;
    HDC dc = ::GetDC(window);
    if (!dc) return;
    RECT client;
    ::GetClientRect(window, &client);
    composeFrame(dc, client);
    ::ReleaseDC(window, dc);
}

void CGifreelCtrl::composeFrame(HDC target, const RECT& bounds) {
    const int width = bounds.right - bounds.left, height = bounds.bottom - bounds.top;
    const bool palette = palette_ && ::GetDeviceCaps(target, BITSPIXEL) <= 8;
    PaletteScope targetPalette(target, palette ? PaletteOf(palette_) : nullptr);

    gif::FrameInfo info{};
    const bool haveFrame = frameIndex_ < image_.frameCount() && image_.frameInfo(frameIndex_, &info);
    if (width > 0 && height > 0) {
        win::MemoryDc composition(::CreateCompatibleDC(target));
        win::Bitmap canvas(::CreateCompatibleBitmap(target, width, height));
        if (composition && canvas) {
            PaletteScope compositionPalette(composition.get(), palette ? PaletteOf(palette_) : nullptr);
            win::SelectObjectScope canvasScope(composition.get(), canvas.get());
            if (haveFrame && info.transparent == gif::kNoTransparency) {
                ::BitBlt(composition.get(), 0, 0, width, height, target, bounds.left, bounds.top, SRCCOPY);
            } else {
                // Also what a banner that could not be loaded shows: the background.
                win::Brush back(::CreateSolidBrush(static_cast<COLORREF>(backColor())));
                RECT all{0, 0, width, height};
                ::FillRect(composition.get(), &all, back.get());
            }
            if (haveFrame) {
                win::Bitmap colour(image_.colourBitmap(target, frameIndex_, RGB(0, 0, 0)));
                win::Bitmap mask(image_.maskBitmap(frameIndex_));
                win::MemoryDc colourDc(::CreateCompatibleDC(target)), maskDc(::CreateCompatibleDC(target));
                const gif::Placement p = image_.placement(frameIndex_);
                if (colour && mask && colourDc && maskDc && p.width > 0 && p.height > 0) {
                    PaletteScope colourPalette(colourDc.get(), palette ? PaletteOf(palette_) : nullptr);
                    win::SelectObjectScope colourScope(colourDc.get(), colour.get());
                    win::SelectObjectScope maskScope(maskDc.get(), mask.get());
                    // Mask bits 1 (transparent) become white and keep what is below.
                    ::SetBkColor(composition.get(), RGB(255, 255, 255));
                    ::SetTextColor(composition.get(), RGB(0, 0, 0));
                    const int x = imageRect_.left + p.dstX, y = imageRect_.top + p.dstY;
                    ::BitBlt(composition.get(), x, y, p.width, p.height, maskDc.get(), p.srcX, p.srcY, SRCAND);
                    ::BitBlt(composition.get(), x, y, p.width, p.height, colourDc.get(), p.srcX, p.srcY, SRCPAINT);
                }
            }
            ::BitBlt(target, bounds.left, bounds.top, width, height, composition.get(), 0, 0, SRCCOPY);
        }
    }
    if (hwnd() && ::GetFocus() == hwnd()) frameImage(target, kFocusColour);

    if (haveFrame && info.delay != 0) {
        startTimer(TIMER_FRAME, static_cast<long>(info.delay) * 10);
    } else {
        // Nothing to animate; a frame timer left from the banner before would only redraw this one.
        killTimer(TIMER_FRAME);
        cycleComplete_ = true;
    }
    ++frameIndex_;
}

void CGifreelCtrl::frameImage(HDC dc, COLORREF colour) {
    win::Brush brush(::CreateSolidBrush(colour));
    ::FrameRect(dc, &imageRect_, brush.get());
}

void CGifreelCtrl::startTimer(UINT_PTR id, long milliseconds) {
    if (hwnd()) ::SetTimer(hwnd(), id, milliseconds > 0 ? static_cast<UINT>(milliseconds) : 1, nullptr);
}

void CGifreelCtrl::killTimer(UINT_PTR id) {
    if (hwnd()) ::KillTimer(hwnd(), id);
}

void CGifreelCtrl::pause() {
    if (paused_) return;
    paused_ = true;
    killTimer(TIMER_ROTATE);
    remainingTime_ = bannerInterval_ + lastSwitchTime_ * 1000 - Now() * 1000;
}

void CGifreelCtrl::resume() {
    if (!paused_) return;
    paused_ = false;
    // A pause longer than the rest of the interval resumes at once.
    startTimer(TIMER_RESUME, remainingTime_);
}

void CGifreelCtrl::onTimer(UINT_PTR id) {
    switch (id) {
        case TIMER_FRAME:
            if (frameIndex_ >= image_.frameCount()) {
                cycleComplete_ = true;
                frameIndex_ = 0;
                if (!paused_ && image_.frameCount() > 1) {
                    nextBanner();
                    return;
                }
            }
            composeIntoWindow();
            break;
        case TIMER_ROTATE:
            nextBanner();
            break;
        case TIMER_RESUME:
            if (paused_) break;
            killTimer(TIMER_RESUME);
            startTimer(TIMER_ROTATE, bannerInterval_);
            nextBanner();
            break;
        default:
            break;
    }
}

void CGifreelCtrl::onMouseMove(POINT p) {
    HWND window = hwnd();
    const bool inside = ::PtInRect(&imageRect_, p) != FALSE;
    const bool captured = ::GetCapture() == window;
    if (captured && inside) return;
    if (!captured && inside) {
        HWND parent = ::GetParent(window);
        if (parent != ::GetActiveWindow()) return;
        ::SetCapture(window);
        if (parent) {
            ::SetCursor(::LoadCursorW(win::ComModule::instance(), MAKEINTRESOURCEW(IDC_HANDCURSOR)));
            pause();
        }
        if (::GetFocus() != window) ::SetFocus(window);
        return;
    }
    if (captured) ::ReleaseCapture();
    if (::GetParent(window)) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
        resume();
    }
}

bool CGifreelCtrl::onMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT* result) {
    HWND window = hwnd();
    switch (msg) {
        case WM_TIMER:
            onTimer(wp);
            *result = 0;
            return true;
        case WM_MOUSEMOVE:
            onMouseMove(POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
            *result = 0;
            return true;
        case WM_SETCURSOR:
            if (::GetCapture() == window || paused_) {
                ::SetCursor(::LoadCursorW(win::ComModule::instance(), MAKEINTRESOURCEW(IDC_HANDCURSOR)));
                *result = TRUE;
                return true;
            }
            return false;
        case WM_LBUTTONDOWN:
            buttonDown_ = true;
            if (::GetFocus() != window) ::SetFocus(window);
            *result = 0;
            return true;
        case WM_LBUTTONUP: {
            resume();
            const POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            RECT client;
            ::GetClientRect(window, &client);
            if (buttonDown_) {
                buttonDown_ = false;
                if (::PtInRect(&client, p)) fire(DISPID_CLICK);
            }
            *result = 0;
            return true;
        }
        case WM_GETDLGCODE: {
            const MSG* m = reinterpret_cast<const MSG*>(lp);
            *result = DLGC_WANTCHARS | DLGC_WANTARROWS;
            if (m && m->message == WM_KEYDOWN && (m->wParam == VK_RETURN || m->wParam == VK_SPACE))
                *result |= DLGC_WANTMESSAGE;
            return true;
        }
        case WM_KEYDOWN:
            if ((wp == VK_RETURN || wp == VK_SPACE) && ::IsWindowVisible(window)) fire(DISPID_CLICK);
            *result = 0;
            return true;
        case WM_KEYUP: {
            short code = static_cast<short>(wp);
            win::Variant key;
            key.get()->vt = VT_I2 | VT_BYREF;
            key.get()->piVal = &code;
            fire(DISPID_KEYUP, {key, win::Variant(ShiftState())});
            *result = 0;
            return true;
        }
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            if (HDC dc = ::GetDC(window)) {
                frameImage(dc, msg == WM_SETFOCUS ? kFocusColour : static_cast<COLORREF>(backColor()));
                ::ReleaseDC(window, dc);
            }
            return false;  // the base tells the site
        default:
            return false;
    }
}

void CGifreelCtrl::onWindowDestroying() {
    killTimer(TIMER_FRAME);
    killTimer(TIMER_ROTATE);
    killTimer(TIMER_RESUME);
    if (::GetCapture() == hwnd()) ::ReleaseCapture();
}
