// Base for COM objects that may be aggregated. The object's interfaces route
// IUnknown to the controlling unknown (the outer object, or the object's own
// inner unknown when it stands alone); the inner unknown owns the count.
//
//   class Thing : public IThing, public win::ComObjectBase {
//     public:
//       KM_DELEGATE_IUNKNOWN
//     protected:
//       HRESULT queryInterfaceImpl(REFIID iid, void** out) override;
//   };
//   win::CreateComObject<Thing>(outer, iid, out);
#pragma once
#include <windows.h>
#include <unknwn.h>

#include "com_module.h"
#include "hresult.h"

namespace win {

class ComObjectBase {
public:
    explicit ComObjectBase(IUnknown* outer) noexcept : inner_(this), outer_(outer ? outer : &inner_) {
        ComModule::objectCreated();
    }
    virtual ~ComObjectBase() { ComModule::objectDestroyed(); }
    ComObjectBase(const ComObjectBase&) = delete;
    ComObjectBase& operator=(const ComObjectBase&) = delete;

    IUnknown* controllingUnknown() noexcept { return outer_; }
    IUnknown* innerUnknown() noexcept { return &inner_; }

    // Drops one reference unless it is the last one (then false, and nothing
    // changes), for a thread that must not be the one that ends the object.
    // Always false when aggregated: the outer object's count is not ours.
    bool releaseUnlessLast() noexcept { return outer_ == &inner_ && inner_.releaseUnlessLast(); }

    // Second-phase set-up after construction; a failure destroys the object.
    virtual HRESULT finalConstruct() { return S_OK; }
    // Runs once when the last reference goes, before destruction.
    virtual void finalRelease() {}

protected:
    // Gives the interface for iid, without AddRef; E_NOINTERFACE otherwise.
    // IUnknown itself is answered by the base.
    virtual HRESULT queryInterfaceImpl(REFIID iid, void** out) = 0;

private:
    class Inner final : public IUnknown {
    public:
        explicit Inner(ComObjectBase* owner) : owner_(owner) {}
        STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
            if (!out) return E_POINTER;
            *out = nullptr;
            if (iid == IID_IUnknown) {
                *out = static_cast<IUnknown*>(this);
            } else {
                const HRESULT hr = win::Guard([&] { return owner_->queryInterfaceImpl(iid, out); });
                if (FAILED(hr) || !*out) {
                    *out = nullptr;
                    return FAILED(hr) ? hr : E_NOINTERFACE;
                }
            }
            static_cast<IUnknown*>(*out)->AddRef();
            return S_OK;
        }
        STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }
        STDMETHODIMP_(ULONG) Release() override {
            const LONG n = ::InterlockedDecrement(&refs_);
            if (n == 0) {
                refs_ = 1;  // guards against re-entry during teardown
                try {
                    owner_->finalRelease();
                } catch (...) {
                }
                delete owner_;
            }
            return static_cast<ULONG>(n);
        }

        bool releaseUnlessLast() noexcept {
            for (LONG n = refs_; n > 1; n = refs_)
                if (::InterlockedCompareExchange(&refs_, n - 1, n) == n) return true;
            return false;
        }

    private:
        ComObjectBase* owner_;
        volatile LONG refs_ = 1;  // the creator's reference, dropped by CreateComObject
    };

    Inner inner_;
    IUnknown* outer_;
};

#define KM_DELEGATE_IUNKNOWN                                                                 \
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {                           \
        return controllingUnknown()->QueryInterface(iid, out);                               \
    }                                                                                        \
    STDMETHODIMP_(ULONG) AddRef() override { return controllingUnknown()->AddRef(); }       \
    STDMETHODIMP_(ULONG) Release() override { return controllingUnknown()->Release(); }

// Creates T (constructible from the outer unknown) and hands out iid. An
// aggregating caller must ask for IID_IUnknown and gets the inner unknown.
template <class T>
HRESULT CreateComObject(IUnknown* outer, REFIID iid, void** out) noexcept {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer && iid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
    T* object = nullptr;
    try {
        object = new T(outer);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    IUnknown* inner = object->innerUnknown();
    HRESULT hr = Guard([&] { return object->finalConstruct(); });
    if (SUCCEEDED(hr)) hr = inner->QueryInterface(iid, out);
    inner->Release();  // the creation reference; destroys the object on failure
    return hr;
}

}  // namespace win
