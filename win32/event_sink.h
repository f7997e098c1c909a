// The receiving end of a dispinterface event source: an IDispatch that
// answers one events IID and hands each event to onEvent. Its owner keeps it
// alive longer than any connection to it, so its count never deletes it.
#pragma once
#include <windows.h>
#include <oaidl.h>

#include "win32/hresult.h"

namespace win {

class EventSink : public IDispatch {
public:
    explicit EventSink(REFIID events) : events_(events) {}
    virtual ~EventSink() = default;

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (!out) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == events_) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(::InterlockedDecrement(&refs_)); }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                        UINT*) override {
        static DISPPARAMS none = {nullptr, nullptr, 0, 0};
        return Guard([&] {
            onEvent(id, flags, params ? *params : none);
            return S_OK;
        });
    }

    // References the source holds now; 0 once every connection let go.
    LONG references() const { return refs_; }

protected:
    // May run on any thread the source raises events on.
    virtual void onEvent(DISPID id, WORD flags, const DISPPARAMS& params) = 0;

    // Argument i in the event's own order (DISPPARAMS holds them last to first).
    static const VARIANT& argument(const DISPPARAMS& params, UINT i) {
        return params.rgvarg[params.cArgs - 1 - i];
    }

private:
    IID events_;
    volatile LONG refs_ = 0;
};

}  // namespace win
