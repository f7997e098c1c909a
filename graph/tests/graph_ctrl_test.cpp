// graph.ocx registered by regsvr32, hosted by the layer's container in a
// dialog, drawn through its own drawing path into a memory bitmap.
#include <windows.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graph.h"
#include "win32/control_host.h"
#include "win32/handle.h"
#include "win32/registration.h"

namespace {

std::wstring g_ocxPath;

INT_PTR CALLBACK NoDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

const wchar_t kClsidKey[] = L"CLSID\\{C6173BC5-55C5-11D3-80B8-005004AD33D2}";
const wchar_t kPageKey[] = L"CLSID\\{C6173BC6-55C5-11D3-80B8-005004AD33D2}";

constexpr COLORREF kBack = RGB(10, 20, 30), kPrimary = RGB(255, 0, 255), kSecondary = RGB(0, 0, 255),
                   kShadow = RGB(128, 0, 128), kOutline = RGB(0, 0, 0);

std::wstring ReadValue(const std::wstring& key, const wchar_t* name = nullptr) {
    wchar_t buffer[512];
    DWORD size = sizeof buffer;
    if (::RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return buffer;
}

// A 32-bit memory bitmap to draw into, read back pixel by pixel.
class Canvas {
public:
    Canvas(int width, int height, COLORREF fill) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        bitmap_.reset(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0));
        dc_.reset(::CreateCompatibleDC(nullptr));
        old_ = ::SelectObject(dc_.get(), bitmap_.get());
        for (int i = 0; i < width * height; ++i) bits_[i] = ToDib(fill);
    }
    ~Canvas() { ::SelectObject(dc_.get(), old_); }
    HDC dc() const { return dc_.get(); }
    RECT rect() const { return RECT{0, 0, width_, height_}; }
    COLORREF at(int x, int y) const {
        ::GdiFlush();
        const DWORD v = bits_[y * width_ + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }

private:
    static DWORD ToDib(COLORREF c) { return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c); }
    int width_, height_;
    DWORD* bits_ = nullptr;
    win::Bitmap bitmap_;
    win::MemoryDc dc_;
    HGDIOBJ old_ = nullptr;
};

class GraphTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(::OleInitialize(nullptr)));
        dialog_.reset(::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(100), nullptr,
                                           &NoDialogProc, 0));
        ASSERT_TRUE(dialog_);
        win::Ambient ambient;
        ambient.backColor = kBack;
        ASSERT_EQ(S_OK, host_.createInDialog(dialog_.get(), 1000, CLSID_Graph, ambient));
        host_.setEventHandler([this](DISPID id, DISPPARAMS& p) {
            events_.push_back(id);
            for (UINT i = p.cArgs; i-- > 0;) {  // arguments arrive last to first
                VARIANT v;
                ::VariantInit(&v);
                ::VariantChangeType(&v, &p.rgvarg[i], 0, VT_I4);
                args_.push_back(v.lVal);
            }
        });
        host_.putLong(2, kPrimary);
        host_.putLong(3, kSecondary);
        host_.putLong(4, kShadow);
    }
    void TearDown() override {
        host_.destroy();
        dialog_.reset();
        ::OleUninitialize();
    }

    win::Window dialog_;
    win::ControlHost host_;
    std::vector<DISPID> events_;
    std::vector<long> args_;
};

TEST(GraphRegistration, WritesTheControlKeysAndTakesThemBack) {
    auto check = [] {
        EXPECT_EQ(L"Graph Control", ReadValue(kClsidKey));
        EXPECT_EQ(L"GRAPH.GraphCtrl.1", ReadValue(std::wstring(kClsidKey) + L"\\ProgID"));
        EXPECT_EQ(L"Apartment", ReadValue(std::wstring(kClsidKey) + L"\\InprocServer32", L"ThreadingModel"));
        EXPECT_EQ(L"131473", ReadValue(std::wstring(kClsidKey) + L"\\MiscStatus\\1"));  // 0x20191
        EXPECT_TRUE(win::KeyExists(HKEY_CLASSES_ROOT, std::wstring(kClsidKey) + L"\\Control"));
        const std::wstring bitmap = ReadValue(std::wstring(kClsidKey) + L"\\ToolboxBitmap32");
        EXPECT_EQ(L", 1", bitmap.substr(bitmap.size() - 3)) << bitmap;
        EXPECT_EQ(L"{C6173BC2-55C5-11D3-80B8-005004AD33D2}", ReadValue(std::wstring(kClsidKey) + L"\\TypeLib"));
        EXPECT_EQ(L"{C6173BC5-55C5-11D3-80B8-005004AD33D2}", ReadValue(L"GRAPH.GraphCtrl.1\\CLSID"));
        EXPECT_EQ(L"Graph Property Page", ReadValue(kPageKey));
        EXPECT_EQ(L"{C6173BC6-55C5-11D3-80B8-005004AD33D2}", ReadValue(L"GRAPH.GraphPropPage.1\\CLSID"));
        win::ComPtr<ITypeLib> lib;
        EXPECT_EQ(S_OK, ::LoadRegTypeLib(LIBID_GRAPHLib, 1, 0, LOCALE_NEUTRAL, lib.put()));
    };
    check();
    win::Module ocx(::LoadLibraryW(g_ocxPath.c_str()));
    ASSERT_TRUE(ocx) << "cannot load " << std::string(g_ocxPath.begin(), g_ocxPath.end());
    auto unregister = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(::GetProcAddress(ocx.get(), "DllUnregisterServer"));
    auto reg = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(::GetProcAddress(ocx.get(), "DllRegisterServer"));
    ASSERT_TRUE(unregister && reg);
    ASSERT_EQ(S_OK, unregister());
    EXPECT_FALSE(win::KeyExists(HKEY_CLASSES_ROOT, kClsidKey));
    EXPECT_FALSE(win::KeyExists(HKEY_CLASSES_ROOT, kPageKey));
    EXPECT_FALSE(win::KeyExists(HKEY_CLASSES_ROOT, L"GRAPH.GraphCtrl.1"));
    ASSERT_EQ(S_OK, reg());
    check();
}

TEST_F(GraphTest, StartsWithTheDefaultsAndAnswersByName) {
    win::ControlHost fresh;
    ASSERT_EQ(S_OK, fresh.create(dialog_.get(), RECT{0, 0, 50, 50}, 1001, CLSID_Graph));
    const struct {
        DISPID id;
        long value;
    } defaults[] = {{1, -1}, {2, 0x00FF00FF}, {3, 0x00FF0000}, {4, 0x00800080}, {5, 0}};
    for (const auto& d : defaults) {
        long v = 12345;
        EXPECT_EQ(S_OK, fresh.getLong(d.id, &v));
        EXPECT_EQ(d.value, v) << d.id;
    }
    long back = 0;
    EXPECT_EQ(S_OK, host_.getLong(DISPID_BACKCOLOR, &back));
    EXPECT_EQ(static_cast<long>(kBack), back);  // the stock BackColor starts from the ambient one

    win::ComPtr<IDispatch> dispatch;
    ASSERT_EQ(S_OK, win::ComPtr<IUnknown>(host_.control()).queryInterface(IID_IDispatch, &dispatch));
    const wchar_t* names[] = {L"Percent", L"PrimaryColor", L"SecondaryColor", L"ShadowColor", L"Palette", L"BackColor"};
    const DISPID ids[] = {1, 2, 3, 4, 5, DISPID_BACKCOLOR};
    for (int i = 0; i < 6; ++i) {
        DISPID id = 0;
        LPOLESTR name = const_cast<LPOLESTR>(names[i]);
        EXPECT_EQ(S_OK, dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id));
        EXPECT_EQ(ids[i], id);
    }
}

TEST_F(GraphTest, DrawsThePieForEachPercentage) {
    // 200 x 110: top face 200 x 100 centred at (100, 50), side 10 pixels below.
    const POINT topLeft{60, 30}, topRight{140, 30}, bottomRight{140, 70}, bottomLeft{60, 70};
    const POINT side{100, 105}, corner{2, 2};
    const struct {
        long percent;
        COLORREF tl, tr, br, bl, side;
    } cases[] = {
        {-1, kBack, kBack, kBack, kBack, kBack},
        {101, kBack, kBack, kBack, kBack, kBack},
        {-5, kBack, kBack, kBack, kBack, kBack},
        {0, kPrimary, kPrimary, kPrimary, kPrimary, kShadow},
        {25, kSecondary, kPrimary, kPrimary, kPrimary, kShadow},
        {50, kSecondary, kSecondary, kPrimary, kPrimary, kShadow},
        {51, kSecondary, kSecondary, kPrimary, kPrimary, kShadow},
        {75, kSecondary, kSecondary, kSecondary, kPrimary, kOutline},  // the edge from the slice's end at the bottom
        {100, kSecondary, kSecondary, kSecondary, kSecondary, kShadow},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.percent);
        ASSERT_EQ(S_OK, host_.putLong(1, c.percent));
        Canvas canvas(200, 110, RGB(1, 2, 3));
        ASSERT_EQ(S_OK, host_.draw(canvas.dc(), canvas.rect()));
        EXPECT_EQ(kBack, canvas.at(corner.x, corner.y));
        EXPECT_EQ(c.tl, canvas.at(topLeft.x, topLeft.y));
        EXPECT_EQ(c.tr, canvas.at(topRight.x, topRight.y));
        EXPECT_EQ(c.br, canvas.at(bottomRight.x, bottomRight.y));
        EXPECT_EQ(c.bl, canvas.at(bottomLeft.x, bottomLeft.y));
        EXPECT_EQ(c.side, canvas.at(side.x, side.y));
        if (c.percent >= 1 && c.percent <= 99) {
            EXPECT_EQ(kOutline, canvas.at(99, 49)) << "radius lines meet at the centre";
        } else if (c.percent == 0 || c.percent == 100) {
            EXPECT_EQ(c.tl, canvas.at(99, 49)) << "no radius lines";
        }
    }
}

TEST_F(GraphTest, SideEdgesOnlyAboveHalf) {
    // A flat disk, 400 x 40: the edges at the left and right ends run through
    // pixels that neither ellipse touches.
    for (long percent : {25L, 50L, 51L, 99L}) {
        SCOPED_TRACE(percent);
        host_.putLong(1, percent);
        Canvas canvas(400, 40, RGB(1, 2, 3));
        ASSERT_EQ(S_OK, host_.draw(canvas.dc(), canvas.rect()));
        EXPECT_EQ(percent > 50 ? kOutline : kBack, canvas.at(0, 20));
        if (percent == 51) {
            EXPECT_EQ(kOutline, canvas.at(399, 20));
        }
        if (percent == 50) {
            EXPECT_EQ(kBack, canvas.at(399, 20));
        }
    }
}

TEST_F(GraphTest, DesignModeDrawsNothingAtAll) {
    host_.putLong(1, 50);
    ASSERT_EQ(S_OK, host_.setUserMode(false));
    Canvas canvas(200, 110, RGB(1, 2, 3));
    ASSERT_EQ(S_OK, host_.draw(canvas.dc(), canvas.rect()));
    for (POINT p : {POINT{2, 2}, POINT{60, 30}, POINT{140, 70}, POINT{100, 105}})
        EXPECT_EQ(RGB(1, 2, 3), canvas.at(p.x, p.y));
    ASSERT_EQ(S_OK, host_.setUserMode(true));
    ASSERT_EQ(S_OK, host_.draw(canvas.dc(), canvas.rect()));
    EXPECT_EQ(kBack, canvas.at(2, 2));
}

TEST_F(GraphTest, OnlyPercentAndBackColorRepaint) {
    HWND hwnd = host_.window();
    ASSERT_TRUE(hwnd);
    ::ShowWindow(dialog_.get(), SW_SHOWNA);
    auto pending = [&] {
        RECT r;
        return ::GetUpdateRect(hwnd, &r, FALSE) != FALSE;
    };
    ::ValidateRect(hwnd, nullptr);
    host_.putLong(2, RGB(1, 1, 1));
    host_.putLong(3, RGB(2, 2, 2));
    host_.putLong(4, RGB(3, 3, 3));
    host_.putLong(5, 0);
    EXPECT_FALSE(pending());
    host_.putLong(1, 40);
    EXPECT_TRUE(pending());
    ::ValidateRect(hwnd, nullptr);
    host_.putLong(DISPID_BACKCOLOR, RGB(9, 9, 9));
    EXPECT_TRUE(pending());
}

TEST_F(GraphTest, RaisesMouseDownWithButtonShiftAndPosition) {
    HWND hwnd = host_.window();
    ASSERT_TRUE(hwnd);
    ::SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 7));
    ::SendMessageW(hwnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(20, 3));
    ASSERT_EQ((std::vector<DISPID>{DISPID_MOUSEDOWN, DISPID_MOUSEDOWN}), events_);
    EXPECT_EQ((std::vector<long>{1, 0, 5, 7, 2, 0, 20, 3}), args_);
}

TEST_F(GraphTest, ContainerOffersItsObjectsAndTheControlItsConnectionPoints) {
    win::ComPtr<IOleObject> object;
    ASSERT_EQ(S_OK, win::ComPtr<IUnknown>(host_.control()).queryInterface(IID_IOleObject, &object));
    win::ComPtr<IOleClientSite> site;
    ASSERT_EQ(S_OK, object->GetClientSite(site.put()));
    win::ComPtr<IOleContainer> container;
    ASSERT_EQ(S_OK, site->GetContainer(container.put()));
    win::ComPtr<IEnumUnknown> objects;
    ASSERT_EQ(S_OK, container->EnumObjects(OLECONTF_EMBEDDINGS, objects.put()));
    IUnknown* items[2] = {};
    ULONG fetched = 0;
    EXPECT_EQ(S_FALSE, objects->Next(2, items, &fetched));
    ASSERT_EQ(1u, fetched);
    items[0]->Release();

    // The site's ambient properties.
    win::ComPtr<IDispatch> ambient;
    ASSERT_EQ(S_OK, site.queryInterface(IID_IDispatch, &ambient));
    auto get = [&](DISPID id, VARIANT* v) {
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        ::VariantInit(v);
        return ambient->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, v, nullptr, nullptr);
    };
    VARIANT v;
    ASSERT_EQ(S_OK, get(DISPID_AMBIENT_USERMODE, &v));
    EXPECT_EQ(VT_BOOL, v.vt);
    EXPECT_EQ(VARIANT_TRUE, v.boolVal);
    ASSERT_EQ(S_OK, get(DISPID_AMBIENT_BACKCOLOR, &v));
    EXPECT_EQ(static_cast<LONG>(kBack), v.lVal);
    ASSERT_EQ(S_OK, get(DISPID_AMBIENT_FONT, &v));
    ASSERT_EQ(VT_DISPATCH, v.vt);
    win::ComPtr<IFont> font;
    ASSERT_EQ(S_OK, v.pdispVal->QueryInterface(IID_IFont, font.putVoid()));
    ::VariantClear(&v);
    BSTR name = nullptr;
    ASSERT_EQ(S_OK, font->get_Name(&name));
    EXPECT_STREQ(L"MS Shell Dlg", name);  // the dialog's own font
    ::SysFreeString(name);
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND, get(12345, &v));

    win::ComPtr<IConnectionPointContainer> points;
    ASSERT_EQ(S_OK, object.queryInterface(IID_IConnectionPointContainer, &points));
    win::ComPtr<IEnumConnectionPoints> all;
    ASSERT_EQ(S_OK, points->EnumConnectionPoints(all.put()));
    win::ComPtr<IConnectionPoint> point;
    ASSERT_EQ(S_OK, all->Next(1, point.put(), nullptr));
    IID iid;
    point->GetConnectionInterface(&iid);
    EXPECT_TRUE(iid == DIID__DGraphEvents);
    win::ComPtr<IEnumConnections> connections;
    ASSERT_EQ(S_OK, point->EnumConnections(connections.put()));
    CONNECTDATA data[2];
    EXPECT_EQ(S_FALSE, connections->Next(2, data, &fetched));
    ASSERT_EQ(1u, fetched);  // the host's sink
    data[0].pUnk->Release();
}

TEST_F(GraphTest, PersistsOnlyTheVersionAndTheStockProperties) {
    win::ComPtr<IPersistStreamInit> persist;
    ASSERT_EQ(S_OK, win::ComPtr<IUnknown>(host_.control()).queryInterface(IID_IPersistStreamInit, &persist));
    host_.putLong(1, 30);
    win::ComPtr<IStream> stream;
    ASSERT_EQ(S_OK, ::CreateStreamOnHGlobal(nullptr, TRUE, stream.put()));
    ASSERT_EQ(S_OK, persist->Save(stream.get(), TRUE));
    STATSTG stat;
    stream->Stat(&stat, STATFLAG_NONAME);
    EXPECT_EQ(8u, stat.cbSize.QuadPart);
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    DWORD data[2] = {};
    stream->Read(data, sizeof data, nullptr);
    EXPECT_EQ(0x00010000u, data[0]);
    EXPECT_EQ(kBack, data[1]);
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
