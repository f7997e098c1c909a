#include "dispatch.h"

#include <oleauto.h>

#include <string>

#include "com_module.h"
#include "hresult.h"

namespace win {

TypeInfoDispatch::TypeInfoDispatch(REFGUID libid, WORD major, WORD minor, REFIID iid, int resourceIndex, LCID lcid)
    : libid_(libid), major_(major), minor_(minor), iid_(iid), resourceIndex_(resourceIndex), lcid_(lcid) {}

HRESULT TypeInfoDispatch::typeInfo(ITypeInfo** out) {
    if (!info_) {
        ComPtr<ITypeLib> lib;
        HRESULT hr = ::LoadRegTypeLib(libid_, major_, minor_, lcid_, lib.put());
        if (FAILED(hr)) {
            std::wstring path = ComModule::path();
            if (resourceIndex_ > 1) path += L"\\" + std::to_wstring(resourceIndex_);
            hr = ::LoadTypeLibEx(path.c_str(), REGKIND_NONE, lib.put());
        }
        if (FAILED(hr)) return hr;
        hr = lib->GetTypeInfoOfGuid(iid_, info_.put());
        if (FAILED(hr)) return hr;
    }
    return info_.copyTo(out);
}

HRESULT TypeInfoDispatch::getTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT TypeInfoDispatch::getTypeInfo(UINT index, LCID, ITypeInfo** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return Guard([&] { return typeInfo(out); });
}

HRESULT TypeInfoDispatch::getIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    return Guard([&] {
        ComPtr<ITypeInfo> info;
        HRESULT hr = typeInfo(info.put());
        if (FAILED(hr)) return hr;
        return info->GetIDsOfNames(names, count, ids);
    });
}

HRESULT TypeInfoDispatch::invoke(void* self, DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                 VARIANT* result, EXCEPINFO* excep, UINT* argError) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    return Guard([&] {
        ComPtr<ITypeInfo> info;
        HRESULT hr = typeInfo(info.put());
        if (FAILED(hr)) return hr;
        return info->Invoke(self, id, flags, params, result, excep, argError);
    });
}

}  // namespace win
