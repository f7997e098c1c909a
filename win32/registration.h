// Registry helpers for self-registering servers: class keys, ProgIDs and the
// embedded type library.
#pragma once
#include <windows.h>

#include <string>

namespace win {

struct ClassRegistration {
    const wchar_t* clsid;                     // registry form with braces
    const wchar_t* description;               // default value of every key written
    const wchar_t* progId;                    // may be null
    const wchar_t* versionIndependentProgId;  // may be null; gets CurVer = progId
    const wchar_t* threadingModel;            // e.g. L"Apartment"
    const wchar_t* typeLibId;                 // may be null
    bool programmable;
};

// Writes CLSID\{clsid} (InprocServer32 = modulePath, ProgID, VersionIndependentProgID,
// Programmable, TypeLib) and the ProgID keys under HKEY_CLASSES_ROOT.
HRESULT RegisterClassKeys(const ClassRegistration& reg, const std::wstring& modulePath);
// Removes everything RegisterClassKeys wrote; keys already gone are no error.
HRESULT UnregisterClassKeys(const ClassRegistration& reg);

// Creates the key if needed and sets a REG_SZ value (valueName null: the default value).
HRESULT SetKeyValue(HKEY root, const std::wstring& path, const wchar_t* valueName, const std::wstring& value);
// Deletes a key with everything below it; a missing key is no error.
HRESULT DeleteKeyTree(HKEY root, const std::wstring& path);
bool KeyExists(HKEY root, const std::wstring& path);

// Registers or unregisters the index-th TYPELIB resource of the module.
HRESULT RegisterTypeLibResource(const std::wstring& modulePath, int index);
HRESULT UnregisterTypeLibResource(const std::wstring& modulePath, int index);

}  // namespace win
