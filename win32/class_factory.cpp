#include "class_factory.h"

#include <memory>
#include <new>

#include "com_module.h"
#include "hresult.h"

namespace win {

STDMETHODIMP ClassFactory::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
        *out = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
}

ClassFactory::ClassFactory(CreatorFunction create) : create_(create) { ComModule::objectCreated(); }

ClassFactory::~ClassFactory() { ComModule::objectDestroyed(); }

STDMETHODIMP_(ULONG) ClassFactory::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }

STDMETHODIMP_(ULONG) ClassFactory::Release() {
    const LONG n = ::InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return static_cast<ULONG>(n);
}

STDMETHODIMP ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** out) {
    return Guard([&] { return create_(outer, iid, out); });
}

STDMETHODIMP ClassFactory::LockServer(BOOL lock) {
    ComModule::lock(lock != FALSE);
    return S_OK;
}

HRESULT GetClassObject(const ClassEntry* classes, std::size_t count, REFCLSID clsid, REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    for (std::size_t i = 0; i < count; ++i) {
        if (*classes[i].clsid != clsid) continue;
        ClassFactory* factory = new (std::nothrow) ClassFactory(classes[i].create);
        if (!factory) return E_OUTOFMEMORY;
        const HRESULT hr = factory->QueryInterface(iid, out);
        if (FAILED(hr)) delete factory;
        return hr;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

}  // namespace win
