// IDispatch answered through a type library: the registered one, or the copy
// embedded in this module when it is not registered.
#pragma once
#include <windows.h>
#include <oaidl.h>

#include "com_ptr.h"

namespace win {

class TypeInfoDispatch {
public:
    // libid/version/lcid name the library; iid the dual interface; resourceIndex
    // the module's TYPELIB resource to fall back on.
    TypeInfoDispatch(REFGUID libid, WORD major, WORD minor, REFIID iid, int resourceIndex = 1,
                     LCID lcid = LOCALE_NEUTRAL);

    HRESULT typeInfo(ITypeInfo** out);

    // The four IDispatch methods for an object whose interface pointer is self.
    HRESULT getTypeInfoCount(UINT* count);
    HRESULT getTypeInfo(UINT index, LCID lcid, ITypeInfo** out);
    HRESULT getIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids);
    HRESULT invoke(void* self, DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                   VARIANT* result, EXCEPINFO* excep, UINT* argError);

private:
    GUID libid_;
    WORD major_, minor_;
    IID iid_;
    int resourceIndex_;
    LCID lcid_;
    ComPtr<ITypeInfo> info_;
};

// Put inside a class that derives from a dual interface and has a
// TypeInfoDispatch member named by member.
#define KM_IMPLEMENT_IDISPATCH(member)                                                              \
    STDMETHODIMP GetTypeInfoCount(UINT* count) override { return member.getTypeInfoCount(count); } \
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** out) override {                    \
        return member.getTypeInfo(index, lcid, out);                                               \
    }                                                                                              \
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids)   \
        override {                                                                                 \
        return member.getIDsOfNames(riid, names, count, lcid, ids);                                \
    }                                                                                              \
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,         \
                        VARIANT* result, EXCEPINFO* excep, UINT* argError) override {              \
        return member.invoke(static_cast<void*>(this), id, riid, lcid, flags, params, result, excep, \
                             argError);                                                            \
    }

}  // namespace win
