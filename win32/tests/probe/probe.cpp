#include <windows.h>
#include <olectl.h>

#include "probe.h"
#include "win32/bstr.h"
#include "win32/class_factory.h"
#include "win32/server_exports.h"
#include "win32/com_object.h"
#include "win32/connection_point.h"
#include "win32/dispatch.h"
#include "win32/handle.h"
#include "win32/registration.h"

namespace {

const win::ClassRegistration kRegistration = {
    L"{2D83C12C-A64C-4ACE-AC26-B00EB43B3374}", L"Layer Probe", L"KeepmarkTest.Probe.1", L"KeepmarkTest.Probe",
    L"Apartment", L"{1CF6A1D1-34AB-4828-8382-110349A2F208}", true};

class Probe final : public IProbe, public IConnectionPointContainer, public win::ComObjectBase {
public:
    explicit Probe(IUnknown* outer)
        : win::ComObjectBase(outer),
          dispatch_(LIBID_PROBELib, 1, 0, IID_IProbe),
          events_(controllingUnknown(), this, DIID__IProbeEvents) {}

    KM_DELEGATE_IUNKNOWN
    KM_IMPLEMENT_IDISPATCH(dispatch_)

    STDMETHODIMP Add(long a, long b, long* sum) override {
        if (!sum) return E_POINTER;
        *sum = a + b;
        return S_OK;
    }
    STDMETHODIMP Echo(BSTR text, BSTR* copy) override {
        if (!copy) return E_POINTER;
        return win::Bstr(text ? text : L"").copyTo(copy);
    }
    STDMETHODIMP FireHere(long count) override {
        return win::Guard([&] {
            firePings(count);
            return S_OK;
        });
    }
    STDMETHODIMP FireFromWorker(long count) override {
        Job* job = new (std::nothrow) Job{this, count};
        if (!job) return E_OUTOFMEMORY;
        AddRef();  // the worker's reference
        win::Handle thread(::CreateThread(nullptr, 0, &Probe::workerMain, job, 0, nullptr));
        if (!thread) {
            Release();
            delete job;
            return win::HResultFromLastErrorOr(E_FAIL);
        }
        return S_OK;
    }
    STDMETHODIMP get_SinkCount(long* count) override {
        if (!count) return E_POINTER;
        *count = static_cast<long>(events_.sinkCount());
        return S_OK;
    }

    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** out) override {
        win::ConnectionPoint* points[] = {&events_};
        return win::EnumConnectionPoints(points, 1, out);
    }
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** out) override {
        win::ConnectionPoint* points[] = {&events_};
        return win::FindConnectionPoint(points, 1, iid, out);
    }

    static HRESULT create(IUnknown* outer, REFIID iid, void** out) {
        return win::CreateComObject<Probe>(outer, iid, out);
    }

protected:
    HRESULT queryInterfaceImpl(REFIID iid, void** out) override {
        if (iid == IID_IProbe || iid == IID_IDispatch)
            *out = static_cast<IProbe*>(this);
        else if (iid == IID_IConnectionPointContainer)
            *out = static_cast<IConnectionPointContainer*>(this);
        else
            return E_NOINTERFACE;
        return S_OK;
    }

private:
    struct Job {
        Probe* probe;
        long count;
    };
    static DWORD WINAPI workerMain(void* p) {
        Job* job = static_cast<Job*>(p);
        try {
            job->probe->firePings(job->count);
        } catch (...) {
        }
        job->probe->Release();
        delete job;
        return 0;
    }

    void firePings(long count) {
        for (long i = 1; i <= count; ++i) events_.fire(1, {win::Variant(i), win::Variant(L"ping")});
    }

    win::TypeInfoDispatch dispatch_;
    win::ConnectionPoint events_;
};

const win::ClassEntry kClasses[] = {{&CLSID_Probe, &Probe::create}};

}  // namespace

KM_INPROC_SERVER_EXPORTS(kClasses)

STDAPI DllRegisterServer() {
    return win::Guard([] {
        const std::wstring path = win::ComModule::path();
        if (path.empty()) return SELFREG_E_CLASS;
        HRESULT hr = win::RegisterClassKeys(kRegistration, path);
        if (SUCCEEDED(hr)) hr = win::RegisterTypeLibResource(path, 1);
        return hr;
    });
}

STDAPI DllUnregisterServer() {
    return win::Guard([] {
        HRESULT hr = win::UnregisterClassKeys(kRegistration);
        const HRESULT hr2 = win::UnregisterTypeLibResource(win::ComModule::path(), 1);
        return FAILED(hr) ? hr : hr2;
    });
}
