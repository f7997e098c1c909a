#include "raredaro/backup_agent.h"

#include <shellapi.h>

#include "common/config_reader.h"
#include "raredaro/exclusions.h"
#include "win32/com_ptr.h"
#include "win32/hresult.h"

static_assert(sizeof(ExitStatus) == 4, "enums cross COM as 32-bit values");
static_assert(sizeof(SHELLEXECUTEINFOA) == 60, "the structure the oldest shells know");

namespace raredaro {

namespace {

const char kAppPaths[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
// The backup applications, in the order they are looked for.
const char* const kApplications[] = {"bwwin32.exe", "eswin32.exe", "msbackup.exe"};
constexpr DWORD kPathBuffer = 260;
constexpr std::size_t kTextBuffer = 1024;  // 1023 characters and the terminator

// A string value (null name: the default value) that fits 260 bytes with its
// terminator; false when it is missing, not text or too long.
bool ReadPath(HKEY key, const char* name, std::string* out) {
    char data[kPathBuffer + 1] = {};
    DWORD type = 0, size = kPathBuffer;
    if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS)
        return false;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    data[size < kPathBuffer ? size : kPathBuffer] = '\0';  // the value may lack its terminator
    *out = data;
    return true;
}

bool EndsWithBackslash(const std::string& path) {
    const CharSet chars = AnsiCharSet();
    std::size_t last = std::string::npos;
    for (std::size_t i = 0; i < path.size(); i += chars.charLength(path, i)) last = i;
    return last != std::string::npos && last + 1 == path.size() && path[last] == '\\';
}

// Waits for the process while dispatching this thread's messages. A quit
// message met meanwhile is put back afterwards for the caller's own loop.
void WaitDispatching(HANDLE process) {
    bool quit = false;
    WPARAM quitCode = 0;
    while (process && ::MsgWaitForMultipleObjects(1, &process, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                quitCode = msg.wParam;
                continue;
            }
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    if (quit) ::PostQuitMessage(static_cast<int>(quitCode));
}

}  // namespace

Agent::Agent(IUnknown* outer)
    : win::ComObjectBase(outer),
      dispatch_(LIBID_AGENTLib, 1, 0, IID_IKMAgent, 2, 0x0409),
      events_(controllingUnknown(), this, DIID__IKMAgentEvents) {}

HRESULT Agent::create(IUnknown* outer, REFIID iid, void** out) { return win::CreateComObject<Agent>(outer, iid, out); }

HRESULT Agent::queryInterfaceImpl(REFIID iid, void** out) {
    if (iid == IID_IKMAgent || iid == IID_IDispatch)
        *out = static_cast<IKMAgent*>(this);
    else if (iid == IID_IConnectionPointContainer)
        *out = static_cast<IConnectionPointContainer*>(this);
    else
        return E_NOINTERFACE;
    return S_OK;
}

HRESULT Agent::finalConstruct() {
    for (const char* app : kApplications) {
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(kAppPaths) + app).c_str(), 0, KEY_READ,
                            application_.put()) == ERROR_SUCCESS)
            break;
    }
    return S_OK;  // without an application the agent still answers
}

void Agent::finalRelease() {
    events_.unadviseAll();
    application_.reset();
}

void Agent::readConfiguration() {
    std::string file;
    if (!ReadPath(application_.get(), "Path", &file)) return;
    if (!EndsWithBackslash(file)) file += '\\';
    file += "pconfig.dcf";
    ConfigReader config;
    if (!config.load(file.c_str())) return;
    char text[kTextBuffer];
    config.get("All", "Class Name", "", text, sizeof text);
    className_ = text;
    config.get("All", "Name", "", text, sizeof text);
    displayName_ = text;
}

STDMETHODIMP Agent::Start() {
    return win::Guard([&]() -> HRESULT {
        // The caller's own code runs while we wait, and may let go of us.
        win::ComPtr<IUnknown> hold(controllingUnknown());
        std::string file, folder;
        if (!application_ || !ReadPath(application_.get(), nullptr, &file) ||
            !ReadPath(application_.get(), "Path", &folder)) {
            exitStatus_ = ExitStatusNoApplication;
            return E_FAIL;
        }
        SHELLEXECUTEINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = SEE_MASK_NOCLOSEPROCESS;
        info.hwnd = ::GetDesktopWindow();
        info.lpVerb = "open";
        info.lpFile = file.c_str();
        info.lpDirectory = folder.c_str();
        info.nShow = SW_SHOWNORMAL;
        events_.fire(1);  // Start
        if (!::ShellExecuteExA(&info)) return E_FAIL;
        win::Handle process(info.hProcess);
        WaitDispatching(process.get());
        // The application's own exit code says nothing about the backup.
        exitStatus_ = ExitStatusSuccess;
        events_.fire(2);  // Done
        return S_OK;
    });
}

STDMETHODIMP Agent::Cancel() { return S_OK; }

STDMETHODIMP Agent::GetExitStatus(ExitStatus* result) {
    if (!result) return E_POINTER;
    *result = exitStatus_;
    return S_OK;
}

STDMETHODIMP Agent::get_Active(VARIANT_BOOL* active) {
    if (!active) return E_POINTER;
    *active = VARIANT_FALSE;
    return win::Guard([&]() -> HRESULT {
        if (!application_) return S_OK;
        if (className_.empty()) readConfiguration();
        if (!className_.empty() && ::FindWindowA(className_.c_str(), nullptr)) *active = VARIANT_TRUE;
        return S_OK;
    });
}

STDMETHODIMP Agent::get_Name(BSTR* name) {
    if (!name) return E_POINTER;
    return win::Guard([&]() -> HRESULT {
        if (!application_) {
            *name = ::SysAllocString(L"");
            return *name ? S_OK : E_OUTOFMEMORY;
        }
        if (displayName_.empty()) readConfiguration();
        if (displayName_.empty()) return E_FAIL;
        wchar_t wide[kTextBuffer];
        if (::MultiByteToWideChar(CP_ACP, 0, displayName_.c_str(), -1, wide, kTextBuffer) == 0) return E_FAIL;
        BSTR copy = ::SysAllocString(wide);
        if (!copy) return E_OUTOFMEMORY;
        *name = copy;
        return S_OK;
    });
}

STDMETHODIMP Agent::EnumConnectionPoints(IEnumConnectionPoints** out) {
    win::ConnectionPoint* points[] = {&events_};
    return win::EnumConnectionPoints(points, 1, out);
}

STDMETHODIMP Agent::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
    win::ConnectionPoint* points[] = {&events_};
    return win::FindConnectionPoint(points, 1, iid, out);
}

}  // namespace raredaro
