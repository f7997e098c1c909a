// gifreel.ocx registered by regsvr32 and hosted by the layer's container in a
// dialog: composition drawn into memory, rotation, hover pause and Click
// driven by window messages, with the control's timers watched in the
// message loop (never slept on).
#include <windows.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "gifreel.h"
#include "win32/control_host.h"
#include "win32/handle.h"
#include "win32/registration.h"

namespace {

std::wstring g_ocxPath;

INT_PTR CALLBACK NoDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

const wchar_t kClsidKey[] = L"CLSID\\{C8373FCA-E31B-11D3-A08C-00C04F68FC09}";
constexpr DISPID kCurrentItemData = 1, kBannerInterval = 3, kAddGif = 4;
constexpr UINT_PTR kFrame = 100, kRotate = 200, kResume = 300;
constexpr COLORREF kBack = RGB(10, 20, 30), kFill = RGB(1, 2, 3);
// Control 100 x 60: a 20 x 10 banner lies at (40, 25).
constexpr int kWidth = 100, kHeight = 60, kLeft = 40, kTop = 25;

class Canvas {
public:
    Canvas(int width, int height, COLORREF fill) : width_(width) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        bitmap_.reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0));
        dc_.reset(::CreateCompatibleDC(nullptr));
        old_ = ::SelectObject(dc_.get(), bitmap_.get());
        for (int i = 0; i < width * height; ++i)
            bits_[i] = (GetRValue(fill) << 16) | (GetGValue(fill) << 8) | GetBValue(fill);
    }
    ~Canvas() { ::SelectObject(dc_.get(), old_); }
    HDC dc() const { return dc_.get(); }
    COLORREF at(int x, int y) const {
        ::GdiFlush();
        const DWORD v = bits_[y * width_ + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }

private:
    int width_;
    DWORD* bits_ = nullptr;
    win::Bitmap bitmap_;
    win::MemoryDc dc_;
    HGDIOBJ old_ = nullptr;
};

class GifreelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
        ::SetCursorPos(799, 599);  // the real pointer stays away from the dialog
        dialog_.reset(::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(100), nullptr,
                                           &NoDialogProc, 0));
        ASSERT_TRUE(dialog_);
        ::SetWindowPos(dialog_.get(), HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE);
        win::Ambient ambient;
        ambient.backColor = kBack;
        ASSERT_EQ(S_OK, host_.create(dialog_.get(), RECT{5, 5, 5 + kWidth, 5 + kHeight}, 1000, CLSID_Gifreel,
                                     ambient));
        control_ = host_.window();
        ASSERT_TRUE(control_);
        host_.setEventHandler([this](DISPID id, DISPPARAMS& p) {
            events_.push_back(id);
            if (id == DISPID_KEYUP && p.cArgs == 2 && p.rgvarg[1].vt == (VT_I2 | VT_BYREF))
                keyCodes_.push_back(*p.rgvarg[1].piVal);
        });
        ::ShowWindow(dialog_.get(), SW_SHOW);
        ::SetActiveWindow(dialog_.get());
    }
    void TearDown() override {
        host_.destroy();
        dialog_.reset();
        ::OleUninitialize();
    }

    void add(const wchar_t* file, const wchar_t* data) {
        win::Variant result;
        ASSERT_EQ(S_OK, host_.call(kAddGif, {win::Variant(file), win::Variant(data)}, &result));
        long value = -1;
        ASSERT_TRUE(result.toLong(&value));
        EXPECT_EQ(0, value);
    }
    std::wstring item() {
        std::wstring s;
        EXPECT_EQ(S_OK, host_.getString(kCurrentItemData, &s));
        return s;
    }
    // Runs the message loop until done() holds, noting every timer the
    // control's window receives. The limit only keeps a broken control from
    // hanging the run.
    bool pumpUntil(const std::function<bool()>& done) {
        const DWORD start = ::GetTickCount();
        while (!done()) {
            if (::GetTickCount() - start > 20000) return false;
            MSG msg;
            if (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_TIMER && msg.hwnd == control_) timers_.push_back(msg.wParam);
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            } else {
                ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
            }
        }
        return true;
    }
    int seen(UINT_PTR id) const {
        int n = 0;
        for (UINT_PTR t : timers_) n += t == id;
        return n;
    }
    // Whether a timer is running; stops it, so only for a timer that must not run.
    bool running(UINT_PTR id) { return ::KillTimer(control_, id) != FALSE; }
    void move(int x, int y) { ::SendMessageW(control_, WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }

    win::Window dialog_;
    win::ControlHost host_;
    HWND control_ = nullptr;
    std::vector<DISPID> events_;
    std::vector<short> keyCodes_;
    std::vector<UINT_PTR> timers_;
};

TEST(GifreelRegistration, WritesTheControlKeysAndTakesThemBack) {
    auto value = [](const std::wstring& key, const wchar_t* name = nullptr) {
        wchar_t buffer[512];
        DWORD size = sizeof buffer;
        if (::RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size))
            return std::wstring(L"<missing>");
        return std::wstring(buffer);
    };
    const std::wstring key = kClsidKey;
    EXPECT_EQ(L"Gifreel Control", value(key));
    EXPECT_EQ(L"GIFREEL.GifreelCtrl.1", value(key + L"\\ProgID"));
    EXPECT_EQ(L"131473", value(key + L"\\MiscStatus\\1"));
    EXPECT_EQ(L"Apartment", value(key + L"\\InprocServer32", L"ThreadingModel"));
    EXPECT_TRUE(win::KeyExists(HKEY_CLASSES_ROOT, key + L"\\Control"));
    EXPECT_NE(L"<missing>", value(key + L"\\ToolboxBitmap32"));
    EXPECT_EQ(L"Gifreel Property Page", value(L"CLSID\\{C8373FCB-E31B-11D3-A08C-00C04F68FC09}"));
    EXPECT_EQ(L"{C8373FCB-E31B-11D3-A08C-00C04F68FC09}", value(L"GIFREEL.GifreelPropPage.1\\CLSID"));

    // The property page: an empty general page with its caption.
    win::ComPtr<IPropertyPage> page;
    ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
    const CLSID pageClsid = {0xC8373FCB, 0xE31B, 0x11D3, {0xA0, 0x8C, 0x00, 0xC0, 0x4F, 0x68, 0xFC, 0x09}};
    ASSERT_EQ(S_OK, ::CoCreateInstance(pageClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage, page.putVoid()));
    PROPPAGEINFO info{};
    ASSERT_EQ(S_OK, page->GetPageInfo(&info));
    EXPECT_STREQ(L"Gifreel Property Page", info.pszTitle);
    ::CoTaskMemFree(info.pszTitle);
    page.reset();

    win::Module ocx(::LoadLibraryW(g_ocxPath.c_str()));
    ASSERT_TRUE(ocx);
    auto unregister = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(::GetProcAddress(ocx.get(), "DllUnregisterServer"));
    auto reg = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(::GetProcAddress(ocx.get(), "DllRegisterServer"));
    ASSERT_TRUE(unregister && reg);
    ASSERT_EQ(S_OK, unregister());
    EXPECT_FALSE(win::KeyExists(HKEY_CLASSES_ROOT, key));
    EXPECT_FALSE(win::KeyExists(HKEY_CLASSES_ROOT, L"GIFREEL.GifreelCtrl.1"));
    ASSERT_EQ(S_OK, reg());
    EXPECT_EQ(L"Gifreel Control", value(key));
    ::CoUninitialize();
}

TEST_F(GifreelTest, StartsEmptyWithItsDefaults) {
    long interval = 0;
    EXPECT_EQ(S_OK, host_.getLong(kBannerInterval, &interval));
    EXPECT_EQ(7000, interval);
    EXPECT_EQ(L"", item());
    EXPECT_FALSE(running(kRotate));
    Canvas canvas(kWidth, kHeight, kFill);
    ASSERT_EQ(S_OK, host_.draw(canvas.dc(), RECT{0, 0, kWidth, kHeight}));
    EXPECT_EQ(kBack, canvas.at(50, 30));  // no banner: only the background
}

TEST_F(GifreelTest, ComposesTheFrameCentredAndClipped) {
    const struct {
        const wchar_t* file;
        POINT inside;
        COLORREF colour;
        POINT outside;
        COLORREF around;
    } cases[] = {
        // Opaque frames go over what the target showed; transparent ones over BackColor.
        {L"G:\\still-red.gif", {kLeft + 1, kTop + 1}, RGB(255, 0, 0), {kLeft - 1, kTop}, kFill},
        {L"G:\\transparent.gif", {kLeft + 6, kTop + 3}, RGB(0, 255, 0), {kLeft + 1, kTop + 1}, kBack},
        {L"G:\\offset.gif", {kLeft + 11, kTop + 6}, RGB(0, 0, 255), {kLeft + 9, kTop + 6}, kFill},
        // Larger than the control: placed at (0, 0) and cut at the right and bottom.
        {L"G:\\big.gif", {kWidth - 1, kHeight - 1}, RGB(255, 255, 0), {0, 0}, RGB(255, 255, 0)},
        // Not a GIF: the background only.
        {L"G:\\broken.gif", {kLeft + 1, kTop + 1}, kBack, {1, 1}, kBack},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file, c.file + wcslen(c.file)));
        win::ControlHost host;
        win::Ambient ambient;
        ambient.backColor = kBack;
        ASSERT_EQ(S_OK, host.create(dialog_.get(), RECT{5, 70, 5 + kWidth, 70 + kHeight}, 1001, CLSID_Gifreel, ambient));
        ASSERT_EQ(S_OK, host.call(kAddGif, {win::Variant(c.file), win::Variant(L"x")}));
        Canvas canvas(kWidth, kHeight, kFill);
        ASSERT_EQ(S_OK, host.draw(canvas.dc(), RECT{0, 0, kWidth, kHeight}));
        EXPECT_EQ(c.colour, canvas.at(c.inside.x, c.inside.y));
        EXPECT_EQ(c.around, canvas.at(c.outside.x, c.outside.y));
    }
}

TEST_F(GifreelTest, FocusFramesTheBannerInRed) {
    add(L"G:\\still-blue.gif", L"blue");
    ::SetFocus(control_);
    ASSERT_EQ(control_, ::GetFocus());
    Canvas canvas(kWidth, kHeight, kFill);
    ASSERT_EQ(S_OK, host_.draw(canvas.dc(), RECT{0, 0, kWidth, kHeight}));
    EXPECT_EQ(RGB(255, 0, 0), canvas.at(kLeft, kTop + 3));
    EXPECT_EQ(RGB(0, 0, 255), canvas.at(kLeft + 1, kTop + 3));
    ::SetFocus(dialog_.get());
    ASSERT_EQ(S_OK, host_.draw(canvas.dc(), RECT{0, 0, kWidth, kHeight}));
    EXPECT_EQ(RGB(0, 0, 255), canvas.at(kLeft, kTop + 3));
}

TEST_F(GifreelTest, RotatesStillBannersOnTheRotationTimer) {
    host_.putLong(kBannerInterval, 50);
    add(L"G:\\still-red.gif", L"red");
    EXPECT_EQ(L"red", item());  // shown at once
    add(L"G:\\still-blue.gif", L"blue");
    EXPECT_EQ(L"red", item());  // later entries only extend the list
    ASSERT_TRUE(pumpUntil([&] { return item() == L"blue"; }));
    ASSERT_TRUE(pumpUntil([&] { return item() == L"red"; }));
    EXPECT_GE(seen(kRotate), 2);
    EXPECT_EQ(0, seen(kFrame));
    // A rotation timer message sent by hand rotates just the same.
    ::SendMessageW(control_, WM_TIMER, kRotate, 0);
    EXPECT_EQ(L"blue", item());
}

TEST_F(GifreelTest, AnAnimatedBannerPlaysOnePassThenGives) {
    host_.putLong(kBannerInterval, 20);
    add(L"G:\\anim3.gif", L"anim");
    add(L"G:\\still-red.gif", L"red");
    ASSERT_TRUE(pumpUntil([&] { return item() == L"red"; }));
    // Frames 1 and 2 and the end of the pass came by the frame timer, while
    // the rotation timer could not cut the animation short.
    EXPECT_GE(seen(kFrame), 3);
    ASSERT_TRUE(pumpUntil([&] { return item() == L"anim"; }));
}

TEST_F(GifreelTest, HoverPausesAndLeavingResumes) {
    ASSERT_EQ(dialog_.get(), ::GetActiveWindow());
    host_.putLong(kBannerInterval, 50);
    add(L"G:\\anim3.gif", L"anim");
    add(L"G:\\still-red.gif", L"red");
    move(kLeft + 5, kTop + 5);
    EXPECT_EQ(control_, ::GetCapture());
    EXPECT_EQ(control_, ::GetFocus());
    EXPECT_FALSE(running(kRotate));
    // Paused, the animation starts over instead of giving way.
    ASSERT_TRUE(pumpUntil([&] { return seen(kFrame) >= 7; }));
    EXPECT_EQ(L"anim", item());
    move(kLeft + 6, kTop + 6);  // still inside: nothing changes
    EXPECT_EQ(control_, ::GetCapture());

    move(1, 1);  // out of the banner
    EXPECT_EQ(nullptr, ::GetCapture());
    ASSERT_TRUE(pumpUntil([&] { return item() == L"red"; }));
    EXPECT_GE(seen(kResume), 1);
}

TEST_F(GifreelTest, NoPauseWhileTheHostIsNotActive) {
    add(L"G:\\still-red.gif", L"red");
    win::Window other(::CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 600, 400, 50, 50, nullptr,
                                        nullptr, nullptr, nullptr));
    ::SetActiveWindow(other.get());
    ASSERT_NE(dialog_.get(), ::GetActiveWindow());
    move(kLeft + 5, kTop + 5);
    EXPECT_EQ(nullptr, ::GetCapture());
    EXPECT_TRUE(running(kRotate));
}

TEST_F(GifreelTest, ClickEnterAndSpaceRaiseClick) {
    add(L"G:\\still-red.gif", L"red");
    ::SendMessageW(control_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(kLeft + 2, kTop + 2));
    ::SendMessageW(control_, WM_LBUTTONUP, 0, MAKELPARAM(kLeft + 2, kTop + 2));
    ::SendMessageW(control_, WM_KEYDOWN, VK_RETURN, 0);
    ::SendMessageW(control_, WM_KEYDOWN, VK_SPACE, 0);
    ::SendMessageW(control_, WM_KEYDOWN, 'A', 0);
    ::SendMessageW(control_, WM_KEYUP, 'A', 0);
    EXPECT_EQ((std::vector<DISPID>{DISPID_CLICK, DISPID_CLICK, DISPID_CLICK, DISPID_KEYUP}), events_);
    EXPECT_EQ((std::vector<short>{'A'}), keyCodes_);

    // A button released without having gone down over the control is no click;
    // neither are Enter and Space while the control is hidden.
    events_.clear();
    ::SendMessageW(control_, WM_LBUTTONUP, 0, MAKELPARAM(kLeft + 2, kTop + 2));
    ::ShowWindow(control_, SW_HIDE);
    ::SendMessageW(control_, WM_KEYDOWN, VK_RETURN, 0);
    ::SendMessageW(control_, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_TRUE(events_.empty());
}

TEST_F(GifreelTest, AClickWhileHoveringResumesTheRotation) {
    host_.putLong(kBannerInterval, 50);
    add(L"G:\\still-red.gif", L"red");
    add(L"G:\\still-blue.gif", L"blue");
    move(kLeft + 5, kTop + 5);
    EXPECT_FALSE(running(kRotate));
    ::SendMessageW(control_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(kLeft + 5, kTop + 5));
    ::SendMessageW(control_, WM_LBUTTONUP, 0, MAKELPARAM(kLeft + 5, kTop + 5));
    EXPECT_EQ((std::vector<DISPID>{DISPID_CLICK}), events_);
    ASSERT_TRUE(pumpUntil([&] { return item() == L"blue"; }));
    EXPECT_GE(seen(kResume), 1);
}

bool g_aboutFound = false;

void CALLBACK CloseAbout(HWND, UINT, UINT_PTR, DWORD) {
    if (HWND about = ::FindWindowW(L"#32770", L"About Gifreel Control")) {
        g_aboutFound = true;
        ::PostMessageW(about, WM_COMMAND, IDOK, 0);
    }
}

TEST_F(GifreelTest, AboutBoxIsModal) {
    // A thread timer runs inside the About box's own message loop and closes it.
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &CloseAbout);
    EXPECT_EQ(S_OK, host_.call(DISPID_ABOUTBOX));
    ::KillTimer(nullptr, timer);
    EXPECT_TRUE(g_aboutFound);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc > 1) {
        const std::string path = argv[1];
        g_ocxPath.assign(path.begin(), path.end());
    }
    return RUN_ALL_TESTS();
}
