// The COM layer end to end: the probe server registered by regsvr32, created
// through COM, called through its vtable and IDispatch, raising events.
#include <windows.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

#include "probe.h"
#include "win32/bstr.h"
#include "win32/com_ptr.h"
#include "win32/event_sink.h"
#include "win32/handle.h"
#include "win32/registration.h"

using win::Bstr;
using win::ComPtr;

namespace {

const wchar_t kClsidKey[] = L"CLSID\\{2D83C12C-A64C-4ACE-AC26-B00EB43B3374}";

struct Ping {
    long n;
    std::wstring text;
    DWORD thread;
};

// Records every Ping it receives, on whatever thread it comes.
class Sink final : public win::EventSink {
public:
    Sink() : win::EventSink(DIID__IProbeEvents) {}
    void onEvent(DISPID id, WORD flags, const DISPPARAMS& p) override {
        if (id != 1 || flags != DISPATCH_METHOD || p.cArgs != 2) return;
        std::lock_guard<std::mutex> lock(mutex);
        pings.push_back({argument(p, 0).lVal, argument(p, 1).bstrVal, ::GetCurrentThreadId()});
    }
    size_t count() {
        std::lock_guard<std::mutex> lock(mutex);
        return pings.size();
    }

    std::mutex mutex;
    std::vector<Ping> pings;
};

// An outer object for aggregation: counts its own references.
class Outer final : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown) {
            *out = this;
            AddRef();
            return S_OK;
        }
        return inner ? inner->QueryInterface(iid, out) : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    ULONG refs = 1;
    IUnknown* inner = nullptr;
};

bool PumpUntil(const std::function<bool()>& done) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > 10000) return false;
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
        ::Sleep(5);
    }
    return true;
}

class ComLayer : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_HRESULT_SUCCEEDED(::CoInitialize(nullptr)); }
    void TearDown() override { ::CoUninitialize(); }

    ComPtr<IProbe> create() {
        ComPtr<IProbe> probe;
        EXPECT_HRESULT_SUCCEEDED(
            ::CoCreateInstance(CLSID_Probe, nullptr, CLSCTX_INPROC_SERVER, IID_IProbe, probe.putVoid()));
        return probe;
    }
};

TEST_F(ComLayer, CreatedByProgIdAndCalledThroughVtable) {
    CLSID clsid;
    ASSERT_HRESULT_SUCCEEDED(::CLSIDFromProgID(L"KeepmarkTest.Probe", &clsid));  // through CurVer
    EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_Probe));
    ComPtr<IProbe> probe = create();
    ASSERT_TRUE(probe);
    long sum = 0;
    EXPECT_HRESULT_SUCCEEDED(probe->Add(40, 2, &sum));
    EXPECT_EQ(42, sum);
    Bstr copy;
    Bstr text(L"Grüße");
    EXPECT_HRESULT_SUCCEEDED(probe->Echo(text.get(), copy.put()));
    EXPECT_EQ(std::wstring(L"Grüße"), copy.str());
}

TEST_F(ComLayer, DispatchGoesThroughTheTypeLibrary) {
    ComPtr<IProbe> probe = create();
    ComPtr<IDispatch> dispatch;
    ASSERT_HRESULT_SUCCEEDED(probe.queryInterface(IID_IDispatch, &dispatch));
    LPOLESTR name = const_cast<LPOLESTR>(L"Add");
    DISPID id = 0;
    ASSERT_HRESULT_SUCCEEDED(dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id));
    EXPECT_EQ(1, id);
    win::Variant args[2] = {win::Variant(5L), win::Variant(7L)};  // b, a
    DISPPARAMS params{reinterpret_cast<VARIANTARG*>(args), nullptr, 2, 0};
    win::Variant result;
    ASSERT_HRESULT_SUCCEEDED(
        dispatch->Invoke(1, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result.get(), nullptr, nullptr));
    long sum = 0;
    ASSERT_TRUE(result.toLong(&sum));
    EXPECT_EQ(12, sum);

    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_HRESULT_SUCCEEDED(
        dispatch->Invoke(5, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, result.put(), nullptr, nullptr));
    EXPECT_EQ(VT_I4, result.type());
    EXPECT_EQ(DISP_E_MEMBERNOTFOUND,
              dispatch->Invoke(99, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, result.put(), nullptr, nullptr));
}

TEST_F(ComLayer, EventsReachEverySinkFromBothThreads) {
    Sink first, second;
    {
        ComPtr<IProbe> probe = create();
        ComPtr<IConnectionPointContainer> container;
        ASSERT_HRESULT_SUCCEEDED(probe.queryInterface(IID_IConnectionPointContainer, &container));
        ComPtr<IConnectionPoint> point;
        ASSERT_HRESULT_SUCCEEDED(container->FindConnectionPoint(DIID__IProbeEvents, point.put()));
        EXPECT_EQ(CONNECT_E_NOCONNECTION, container->FindConnectionPoint(IID_IProbe, ComPtr<IConnectionPoint>().put()));
        DWORD cookie1 = 0, cookie2 = 0;
        ASSERT_HRESULT_SUCCEEDED(point->Advise(&first, &cookie1));
        ASSERT_HRESULT_SUCCEEDED(point->Advise(&second, &cookie2));
        EXPECT_NE(cookie1, cookie2);

        ASSERT_HRESULT_SUCCEEDED(probe->FireHere(3));
        ASSERT_EQ(3u, first.count());
        ASSERT_EQ(3u, second.count());
        for (long i = 0; i < 3; ++i) {
            EXPECT_EQ(i + 1, first.pings[i].n);
            EXPECT_EQ(L"ping", first.pings[i].text);
            EXPECT_EQ(::GetCurrentThreadId(), first.pings[i].thread);
        }

        ASSERT_HRESULT_SUCCEEDED(probe->FireFromWorker(2));
        ASSERT_TRUE(PumpUntil([&] { return first.count() == 5 && second.count() == 5; }));
        EXPECT_NE(::GetCurrentThreadId(), first.pings[4].thread);
        EXPECT_EQ(2, first.pings[4].n);

        ASSERT_HRESULT_SUCCEEDED(point->Unadvise(cookie1));
        EXPECT_EQ(CONNECT_E_NOCONNECTION, point->Unadvise(cookie1));
        ASSERT_HRESULT_SUCCEEDED(probe->FireHere(1));
        EXPECT_EQ(5u, first.count());
        EXPECT_EQ(6u, second.count());
    }
    // Releasing the object (the worker's reference included) lets the sinks go.
    ASSERT_TRUE(PumpUntil([&] { return second.references() == 0; }));
    EXPECT_EQ(0, first.references());
}

TEST_F(ComLayer, EnumeratorsListPointsAndConnections) {
    ComPtr<IProbe> probe = create();
    ComPtr<IConnectionPointContainer> container;
    ASSERT_HRESULT_SUCCEEDED(probe.queryInterface(IID_IConnectionPointContainer, &container));
    ComPtr<IEnumConnectionPoints> points;
    ASSERT_HRESULT_SUCCEEDED(container->EnumConnectionPoints(points.put()));
    IConnectionPoint* got[2] = {};
    ULONG fetched = 0;
    EXPECT_EQ(S_FALSE, points->Next(2, got, &fetched));
    ASSERT_EQ(1u, fetched);
    ComPtr<IConnectionPoint> point = ComPtr<IConnectionPoint>::attach(got[0]);
    IID iid;
    ASSERT_HRESULT_SUCCEEDED(point->GetConnectionInterface(&iid));
    EXPECT_TRUE(IsEqualIID(iid, DIID__IProbeEvents));

    Sink a, b;
    DWORD ca, cb;
    ASSERT_HRESULT_SUCCEEDED(point->Advise(&a, &ca));
    ASSERT_HRESULT_SUCCEEDED(point->Advise(&b, &cb));
    ComPtr<IEnumConnections> connections;
    ASSERT_HRESULT_SUCCEEDED(point->EnumConnections(connections.put()));
    EXPECT_EQ(S_OK, connections->Skip(1));
    ComPtr<IEnumConnections> clone;
    ASSERT_HRESULT_SUCCEEDED(connections->Clone(clone.put()));
    CONNECTDATA data[2] = {};
    EXPECT_EQ(S_FALSE, clone->Next(2, data, &fetched));  // the clone keeps the position
    ASSERT_EQ(1u, fetched);
    EXPECT_EQ(cb, data[0].dwCookie);
    data[0].pUnk->Release();
    ASSERT_HRESULT_SUCCEEDED(connections->Reset());
    EXPECT_EQ(S_OK, connections->Next(2, data, &fetched));
    EXPECT_EQ(ca, data[0].dwCookie);
    for (auto& d : data) d.pUnk->Release();
    EXPECT_EQ(S_FALSE, connections->Skip(1));
    point->Unadvise(ca);
    point->Unadvise(cb);
}

TEST_F(ComLayer, AggregationDelegatesToTheOuterObject) {
    Outer outer;
    ComPtr<IUnknown> refused;
    EXPECT_EQ(CLASS_E_NOAGGREGATION,
              ::CoCreateInstance(CLSID_Probe, &outer, CLSCTX_INPROC_SERVER, IID_IProbe, refused.putVoid()));
    ASSERT_HRESULT_SUCCEEDED(::CoCreateInstance(CLSID_Probe, &outer, CLSCTX_INPROC_SERVER, IID_IUnknown,
                                                reinterpret_cast<void**>(&outer.inner)));
    const ULONG before = outer.refs;
    IProbe* probe = nullptr;
    ASSERT_HRESULT_SUCCEEDED(outer.inner->QueryInterface(IID_IProbe, reinterpret_cast<void**>(&probe)));
    EXPECT_EQ(before + 1, outer.refs);  // the interface counts on the outer object
    IUnknown* viaProbe = nullptr;
    ASSERT_HRESULT_SUCCEEDED(probe->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&viaProbe)));
    EXPECT_EQ(static_cast<IUnknown*>(&outer), viaProbe);  // identity is the outer object's
    viaProbe->Release();
    probe->Release();
    EXPECT_EQ(before, outer.refs);
    outer.inner->Release();
}

TEST_F(ComLayer, ModuleUnloadsOnlyWhenNothingIsAlive) {
    ComPtr<IProbe> probe = create();
    HMODULE module = ::GetModuleHandleW(L"probe.dll");
    ASSERT_NE(nullptr, module);
    auto canUnload = reinterpret_cast<HRESULT(WINAPI*)()>(::GetProcAddress(module, "DllCanUnloadNow"));
    ASSERT_NE(nullptr, canUnload);
    EXPECT_EQ(S_FALSE, canUnload());
    probe.reset();
    EXPECT_EQ(S_OK, canUnload());
    ComPtr<IClassFactory> factory;
    ASSERT_HRESULT_SUCCEEDED(::CoGetClassObject(CLSID_Probe, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                                factory.putVoid()));
    ASSERT_HRESULT_SUCCEEDED(factory->LockServer(TRUE));
    factory.reset();
    EXPECT_EQ(S_FALSE, canUnload());
    ASSERT_HRESULT_SUCCEEDED(::CoGetClassObject(CLSID_Probe, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                                factory.putVoid()));
    ASSERT_HRESULT_SUCCEEDED(factory->LockServer(FALSE));
    factory.reset();
    EXPECT_EQ(S_OK, canUnload());
}

TEST_F(ComLayer, UnregisterRemovesWhatRegisterWrote) {
    ComPtr<IProbe> probe = create();  // keeps the module loaded
    HMODULE module = ::GetModuleHandleW(L"probe.dll");
    auto reg = reinterpret_cast<HRESULT(WINAPI*)()>(::GetProcAddress(module, "DllRegisterServer"));
    auto unreg = reinterpret_cast<HRESULT(WINAPI*)()>(::GetProcAddress(module, "DllUnregisterServer"));
    ASSERT_TRUE(reg && unreg);

    win::RegKey key;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExW(HKEY_CLASSES_ROOT, (std::wstring(kClsidKey) + L"\\InprocServer32").c_str(),
                                             0, KEY_READ, key.put()));
    wchar_t model[32] = {};
    DWORD size = sizeof model;
    ASSERT_EQ(ERROR_SUCCESS, ::RegQueryValueExW(key.get(), L"ThreadingModel", nullptr, nullptr,
                                                reinterpret_cast<BYTE*>(model), &size));
    EXPECT_STREQ(L"Apartment", model);
    key.reset();

    ASSERT_HRESULT_SUCCEEDED(unreg());
    EXPECT_FALSE(win::KeyExists(HKEY_CLASSES_ROOT, kClsidKey));
    EXPECT_FALSE(win::KeyExists(HKEY_CLASSES_ROOT, L"KeepmarkTest.Probe"));
    EXPECT_FALSE(win::KeyExists(HKEY_CLASSES_ROOT, L"KeepmarkTest.Probe.1"));
    ComPtr<ITypeLib> lib;
    EXPECT_HRESULT_FAILED(::LoadRegTypeLib(LIBID_PROBELib, 1, 0, 0, lib.put()));
    EXPECT_HRESULT_SUCCEEDED(unreg());  // twice is harmless

    ASSERT_HRESULT_SUCCEEDED(reg());
    EXPECT_TRUE(win::KeyExists(HKEY_CLASSES_ROOT, L"KeepmarkTest.Probe\\CurVer"));
    EXPECT_HRESULT_SUCCEEDED(::LoadRegTypeLib(LIBID_PROBELib, 1, 0, 0, lib.put()));
}

}  // namespace
