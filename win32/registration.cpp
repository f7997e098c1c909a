#include "registration.h"

#include <oleauto.h>

#include <vector>

#include "com_ptr.h"
#include "handle.h"

namespace win {

HRESULT SetKeyValue(HKEY root, const std::wstring& path, const wchar_t* valueName, const std::wstring& value) {
    RegKey key;
    LONG rc = ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                                key.put(), nullptr);
    if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
    rc = ::RegSetValueExW(key.get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    return HRESULT_FROM_WIN32(rc);
}

HRESULT DeleteKeyTree(HKEY root, const std::wstring& path) {
    RegKey key;
    LONG rc = ::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | KEY_WRITE, key.put());
    if (rc == ERROR_FILE_NOT_FOUND) return S_OK;
    if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
    // Collect first: deleting while enumerating shifts the indices.
    std::vector<std::wstring> children;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD length = 256;
        rc = ::RegEnumKeyExW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
        children.emplace_back(name, length);
    }
    for (const auto& child : children) {
        const HRESULT hr = DeleteKeyTree(key.get(), child);
        if (FAILED(hr)) return hr;
    }
    key.reset();
    rc = ::RegDeleteKeyW(root, path.c_str());
    return (rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) ? S_OK : HRESULT_FROM_WIN32(rc);
}

bool KeyExists(HKEY root, const std::wstring& path) {
    RegKey key;
    return ::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

HRESULT RegisterClassKeys(const ClassRegistration& reg, const std::wstring& modulePath) {
    const std::wstring clsidKey = std::wstring(L"CLSID\\") + reg.clsid;
    HRESULT hr = SetKeyValue(HKEY_CLASSES_ROOT, clsidKey, nullptr, reg.description);
    auto sub = [&](const wchar_t* name, const std::wstring& value) {
        if (SUCCEEDED(hr)) hr = SetKeyValue(HKEY_CLASSES_ROOT, clsidKey + L"\\" + name, nullptr, value);
    };
    if (reg.progId) sub(L"ProgID", reg.progId);
    if (reg.versionIndependentProgId) sub(L"VersionIndependentProgID", reg.versionIndependentProgId);
    if (reg.programmable) sub(L"Programmable", L"");
    sub(L"InprocServer32", modulePath);
    if (SUCCEEDED(hr) && reg.threadingModel)
        hr = SetKeyValue(HKEY_CLASSES_ROOT, clsidKey + L"\\InprocServer32", L"ThreadingModel", reg.threadingModel);
    if (reg.typeLibId) sub(L"TypeLib", reg.typeLibId);

    auto progIdKeys = [&](const wchar_t* progId) {
        if (!progId || FAILED(hr)) return;
        hr = SetKeyValue(HKEY_CLASSES_ROOT, progId, nullptr, reg.description);
        if (SUCCEEDED(hr)) hr = SetKeyValue(HKEY_CLASSES_ROOT, std::wstring(progId) + L"\\CLSID", nullptr, reg.clsid);
    };
    progIdKeys(reg.progId);
    progIdKeys(reg.versionIndependentProgId);
    if (SUCCEEDED(hr) && reg.versionIndependentProgId && reg.progId)
        hr = SetKeyValue(HKEY_CLASSES_ROOT, std::wstring(reg.versionIndependentProgId) + L"\\CurVer", nullptr,
                         reg.progId);
    return hr;
}

HRESULT UnregisterClassKeys(const ClassRegistration& reg) {
    HRESULT hr = DeleteKeyTree(HKEY_CLASSES_ROOT, std::wstring(L"CLSID\\") + reg.clsid);
    for (const wchar_t* progId : {reg.progId, reg.versionIndependentProgId}) {
        if (!progId) continue;
        const HRESULT hr2 = DeleteKeyTree(HKEY_CLASSES_ROOT, progId);
        if (SUCCEEDED(hr)) hr = hr2;
    }
    return hr;
}

namespace {

std::wstring TypeLibPath(const std::wstring& modulePath, int index) {
    return index <= 1 ? modulePath : modulePath + L"\\" + std::to_wstring(index);
}

}  // namespace

HRESULT RegisterTypeLibResource(const std::wstring& modulePath, int index) {
    ComPtr<ITypeLib> lib;
    HRESULT hr = ::LoadTypeLibEx(TypeLibPath(modulePath, index).c_str(), REGKIND_NONE, lib.put());
    if (FAILED(hr)) return hr;
    // The help directory is the module's folder, as RegisterTypeLib expects.
    std::wstring dir = modulePath.substr(0, modulePath.find_last_of(L'\\') + 1);
    std::wstring path = TypeLibPath(modulePath, index);
    return ::RegisterTypeLib(lib.get(), path.data(), dir.empty() ? nullptr : dir.data());
}

HRESULT UnregisterTypeLibResource(const std::wstring& modulePath, int index) {
    ComPtr<ITypeLib> lib;
    HRESULT hr = ::LoadTypeLibEx(TypeLibPath(modulePath, index).c_str(), REGKIND_NONE, lib.put());
    if (FAILED(hr)) return hr;
    TLIBATTR* attr = nullptr;
    hr = lib->GetLibAttr(&attr);
    if (FAILED(hr)) return hr;
    const TLIBATTR copy = *attr;
    lib->ReleaseTLibAttr(attr);
    BSTR registeredPath = nullptr;
    if (FAILED(::QueryPathOfRegTypeLib(copy.guid, copy.wMajorVerNum, copy.wMinorVerNum, copy.lcid, &registeredPath)))
        return S_OK;  // already gone
    ::SysFreeString(registeredPath);
    return ::UnRegisterTypeLib(copy.guid, copy.wMajorVerNum, copy.wMinorVerNum, copy.lcid, copy.syskind);
}

}  // namespace win
