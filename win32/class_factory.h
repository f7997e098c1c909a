// Class factory and the DllGetClassObject lookup over a table of classes.
#pragma once
#include <windows.h>
#include <unknwn.h>

#include <cstddef>

namespace win {

using CreatorFunction = HRESULT (*)(IUnknown* outer, REFIID iid, void** out);

struct ClassEntry {
    const CLSID* clsid;
    CreatorFunction create;
};

// A factory for one class; while it lives the module cannot unload.
class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(CreatorFunction create);
    ~ClassFactory();

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override;
    STDMETHODIMP LockServer(BOOL lock) override;

private:
    CreatorFunction create_;
    volatile LONG refs_ = 0;
};

// Body of DllGetClassObject for a module's classes.
HRESULT GetClassObject(const ClassEntry* classes, std::size_t count, REFCLSID clsid, REFIID iid, void** out);

}  // namespace win
