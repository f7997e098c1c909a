// raredaro.dll: exports and self-registration.
#include <windows.h>
#include <olectl.h>

#include "agent.h"     // made by widl
#include "raredaro.h"  // made by widl
#include "raredaro/backup_agent.h"
#include "raredaro/record_store.h"
#include "raredaro/trigger.h"
#include "win32/class_factory.h"
#include "win32/server_exports.h"
#include "win32/com_module.h"
#include "win32/hresult.h"
#include "win32/registration.h"

namespace {

const win::ClassRegistration kTriggerRegistration = {
    L"{5DC98F2D-9109-11D3-9EC5-0050041C9F05}",
    L"Archive Scanning Backup Trigger",
    L"Raredaro.TriggerBackup.1",
    L"Raredaro.TriggerBackup",
    L"Apartment",
    L"{5DC98F20-9109-11D3-9EC5-0050041C9F05}",
    true};

const win::ClassRegistration kAgentRegistration = {
    L"{E2F2B592-B326-11D3-B22A-00C04F68FC09}",
    L"KMBackupAgent Class",
    L"Agent.KMBackupAgent.1",
    L"Agent.KMBackupAgent",
    L"Apartment",
    L"{E2F2B585-B326-11D3-B22A-00C04F68FC09}",
    true};

const win::ClassEntry kClasses[] = {{&CLSID_TriggerRaredaroWarning, &raredaro::Trigger::create},
                                    {&CLSID_KMBackupAgent, &raredaro::Agent::create}};

std::wstring ClassKey(const wchar_t* sub) { return std::wstring(raredaro::kTriggerClsidKey) + L"\\" + sub; }

}  // namespace

KM_INPROC_SERVER_EXPORTS(kClasses)

STDAPI DllRegisterServer() {
    return win::Guard([]() -> HRESULT {
        const std::wstring path = win::ComModule::path();
        if (path.empty()) return SELFREG_E_CLASS;
        // Registering afresh discards every stored setting and volume record.
        HRESULT hr = win::DeleteKeyTree(HKEY_CLASSES_ROOT, raredaro::kTriggerClsidKey);
        if (SUCCEEDED(hr)) hr = win::RegisterClassKeys(kTriggerRegistration, path);
        if (SUCCEEDED(hr)) hr = win::SetKeyValue(HKEY_CLASSES_ROOT, ClassKey(L"Schedule"), nullptr, L"List of schedules");
        if (SUCCEEDED(hr)) hr = win::SetKeyValue(HKEY_CLASSES_ROOT, ClassKey(L"Volume"), nullptr, L"List of volumes");
        if (SUCCEEDED(hr)) hr = win::DeleteKeyTree(HKEY_CLASSES_ROOT, std::wstring(L"CLSID\\") + kAgentRegistration.clsid);
        if (SUCCEEDED(hr)) hr = win::RegisterClassKeys(kAgentRegistration, path);
        // Only the first library: the agent's is not registered, and its
        // IDispatch answers from the copy embedded here.
        if (SUCCEEDED(hr)) hr = win::RegisterTypeLibResource(path, 1);
        return hr;
    });
}

STDAPI DllUnregisterServer() {
    return win::Guard([]() -> HRESULT {
        HRESULT hr = win::UnregisterClassKeys(kTriggerRegistration);
        const HRESULT agent = win::UnregisterClassKeys(kAgentRegistration);
        if (SUCCEEDED(hr)) hr = agent;
        const HRESULT lib = win::UnregisterTypeLibResource(win::ComModule::path(), 1);
        return FAILED(hr) ? hr : lib;
    });
}
