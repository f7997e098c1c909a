// The backup agent through COM under Wine. A stand-in backup application is
// copied into a folder, given a PCONFIG.DCF and registered under App Paths
// for each test; the engine is registered by the test fixture.
#include <windows.h>
#include <objbase.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "agent.h"     // made by widl
#include "raredaro.h"  // made by widl
#include "common/config_cipher.h"
#include "win32/bstr.h"
#include "win32/com_ptr.h"
#include "win32/event_sink.h"
#include "win32/handle.h"
#include "win32/strings.h"

using win::Bstr;
using win::ComPtr;

namespace {

std::string g_dllPath;
std::string g_standinPath;
const char kAppPaths[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
const char* const kApplications[] = {"bwwin32.exe", "eswin32.exe", "msbackup.exe"};
const char kStandinClass[] = "KeepmarkStandinBackup";

// Records the agent's events in order: "S" for Start, "D" for Done.
class Sink final : public win::EventSink {
public:
    Sink() : win::EventSink(DIID__IKMAgentEvents) {}
    void onEvent(DISPID id, WORD flags, const DISPPARAMS& p) override {
        EXPECT_EQ(DISPATCH_METHOD, flags);
        EXPECT_EQ(0u, p.cArgs);
        trace += id == 1 ? "S" : id == 2 ? "D" : "?";
    }
    std::string trace;
};

std::string ReadHkcr(const std::string& key, const char* name) {
    win::RegKey k;
    if (::RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, k.put()) != ERROR_SUCCESS) return "<no key>";
    char data[512] = {};
    DWORD size = sizeof data - 1;
    if (::RegQueryValueExA(k.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS)
        return "<no value>";
    return data;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    win::Handle f(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(f.valid()) << path;
    DWORD written = 0;
    ::WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// PCONFIG.DCF holding the plain INI text, scrambled.
void WriteConfig(const std::string& folder, const std::string& ini) {
    std::string bytes = ini;
    ConfigCipher().encodeBlock(reinterpret_cast<std::uint8_t*>(&bytes[0]), bytes.size());
    WriteFile(folder + "\\pconfig.dcf", bytes);
}

bool FileExists(const std::string& path) { return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void DeleteTree(const std::string& folder) {
    WIN32_FIND_DATAA data;
    win::FindHandle find(::FindFirstFileA((folder + "\\*").c_str(), &data));
    if (find.valid()) {
        do {
            const std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = folder + "\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                DeleteTree(path);
            else
                ::DeleteFileA(path.c_str());
        } while (::FindNextFileA(find.get(), &data));
    }
    find.reset();
    ::RemoveDirectoryA(folder.c_str());
}

std::string AgentName(IKMAgent* agent, HRESULT* hr) {
    Bstr text;
    *hr = agent->get_Name(text.put());
    return win::ToNarrow(text.str());
}

struct Installed {
    std::string folder;
    std::string exe;
};

class Agent : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(::CoInitialize(nullptr));
        removeAppPaths();
        char temp[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, temp);
        root_ = std::string(temp) + "km-agent-test";
        DeleteTree(root_);
        ::CreateDirectoryA(root_.c_str(), nullptr);
    }
    void TearDown() override {
        removeAppPaths();
        DeleteTree(root_);
        ::CoUninitialize();
    }
    static void removeAppPaths() {
        for (const char* app : kApplications) ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kAppPaths) + app).c_str());
    }

    // The stand-in as the given application: its App Paths entry (full path
    // and "Path") and, unless ini is null, a PCONFIG.DCF beside it.
    Installed install(const char* app, const char* ini, bool withFile = true, bool withPath = true) {
        Installed i;
        i.folder = root_ + "\\" + std::string(app, std::string(app).find('.'));
        i.exe = i.folder + "\\standin.exe";
        ::CreateDirectoryA(i.folder.c_str(), nullptr);
        EXPECT_TRUE(::CopyFileA(g_standinPath.c_str(), i.exe.c_str(), FALSE)) << g_standinPath;
        if (ini)
            WriteConfig(i.folder, ini);
        else
            ::DeleteFileA((i.folder + "\\pconfig.dcf").c_str());
        win::RegKey key;
        EXPECT_EQ(ERROR_SUCCESS, ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(kAppPaths) + app).c_str(), 0,
                                                   nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr));
        auto set = [&](const char* name, const std::string& value) {
            ::RegSetValueExA(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>(value.size() + 1));
        };
        if (withFile) set(nullptr, i.exe);
        if (withPath) set("Path", i.folder);
        return i;
    }

    ComPtr<IKMAgent> create(Sink* sink = nullptr) {
        ComPtr<IKMAgent> agent;
        EXPECT_HRESULT_SUCCEEDED(::CoCreateInstance(CLSID_KMBackupAgent, nullptr, CLSCTX_INPROC_SERVER, IID_IKMAgent,
                                                    agent.putVoid()));
        if (sink && agent) {
            ComPtr<IConnectionPointContainer> container;
            ComPtr<IConnectionPoint> point;
            EXPECT_HRESULT_SUCCEEDED(agent.queryInterface(IID_IConnectionPointContainer, &container));
            EXPECT_HRESULT_SUCCEEDED(container->FindConnectionPoint(DIID__IKMAgentEvents, point.put()));
            DWORD cookie = 0;
            EXPECT_HRESULT_SUCCEEDED(point->Advise(sink, &cookie));
        }
        return agent;
    }

    std::string root_;
};

// What the test's timer sees while Start waits.
struct WhileRunning {
    IKMAgent* agent = nullptr;
    Sink* sink = nullptr;
    std::string folder;
    int ticks = 0;
    bool closed = false;
    VARIANT_BOOL active = VARIANT_FALSE;
    HRESULT nameResult = E_UNEXPECTED;
    std::string name, title, eventsSoFar;
    HRESULT cancel = E_UNEXPECTED;
    bool aliveAfterCancel = false;
};
WhileRunning* g_running = nullptr;

// Runs inside Start's wait, which dispatches this thread's messages.
void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD) {
    WhileRunning& r = *g_running;
    ++r.ticks;
    if (r.closed) return;
    HWND window = ::FindWindowA(kStandinClass, nullptr);
    if (!window || !::IsWindowVisible(window)) return;
    r.agent->get_Active(&r.active);
    r.name = AgentName(r.agent, &r.nameResult);
    char title[MAX_PATH] = {};
    ::GetWindowTextA(window, title, MAX_PATH);
    r.title = title;
    r.eventsSoFar = r.sink->trace;
    r.cancel = r.agent->Cancel();
    r.aliveAfterCancel = ::IsWindow(window) != 0;
    ::PostMessageA(window, WM_CLOSE, 0, 0);
    r.closed = true;
}

// The shell reports a program it cannot start in a message box. Which thread
// owns it is the shell's business, so a watcher thread looks at every
// top-level window of this process and dismisses the box wherever it is.
BOOL CALLBACK DismissErrorBox(HWND window, LPARAM found) {
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    char name[16] = {};
    ::GetClassNameA(window, name, sizeof name);
    if (process == ::GetCurrentProcessId() && std::string(name) == "#32770" && ::IsWindowVisible(window)) {
        ::PostMessageA(window, WM_COMMAND, IDOK, 0);
        ++*reinterpret_cast<std::atomic<int>*>(found);
    }
    return TRUE;
}

class ErrorBoxWatcher {
public:
    ErrorBoxWatcher()
        : thread_([this] {
              while (!stop_) {
                  ::EnumWindows(&DismissErrorBox, reinterpret_cast<LPARAM>(&found_));
                  ::Sleep(50);
              }
          }) {}
    ~ErrorBoxWatcher() {
        stop_ = true;
        thread_.join();
    }
    int found() const { return found_; }

private:
    std::atomic<bool> stop_{false};
    std::atomic<int> found_{0};
    std::thread thread_;
};

}  // namespace

TEST_F(Agent, StartRunsTheApplicationAndWaitsDispatchingMessages) {
    // Only the third application is there: it is the one started.
    const Installed app = install("msbackup.exe", "[All]\r\nName=Stand-in Backup\r\nClass Name=KeepmarkStandinBackup\r\n");
    Sink sink;
    ComPtr<IKMAgent> agent = create(&sink);
    ASSERT_TRUE(agent);
    VARIANT_BOOL active = VARIANT_TRUE;
    ASSERT_HRESULT_SUCCEEDED(agent->get_Active(&active));
    EXPECT_EQ(VARIANT_FALSE, active);

    WhileRunning running;
    running.agent = agent.get();
    running.sink = &sink;
    g_running = &running;
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &OnTick);
    const HRESULT hr = agent->Start();
    ::KillTimer(nullptr, timer);
    g_running = nullptr;

    EXPECT_EQ(S_OK, hr);
    ASSERT_TRUE(running.closed) << "the application's window never showed";
    EXPECT_EQ(VARIANT_TRUE, running.active);
    EXPECT_EQ(S_OK, running.nameResult);
    EXPECT_EQ("Stand-in Backup", running.name);
    EXPECT_EQ(app.folder, running.title) << "started in its own folder";
    EXPECT_EQ("S", running.eventsSoFar);
    EXPECT_EQ(S_OK, running.cancel);
    EXPECT_TRUE(running.aliveAfterCancel) << "Cancel changes nothing";
    EXPECT_TRUE(FileExists(app.folder + "\\ended")) << "Start returned before the application ended";
    EXPECT_EQ("SD", sink.trace);
    ExitStatus status = ExitStatusNoApplication;
    ASSERT_HRESULT_SUCCEEDED(agent->GetExitStatus(&status));
    EXPECT_EQ(ExitStatusSuccess, status) << "whatever the application's own exit code";
    ASSERT_HRESULT_SUCCEEDED(agent->get_Active(&active));
    EXPECT_EQ(VARIANT_FALSE, active);
}

TEST_F(Agent, WithoutAnApplicationStartFailsAndRaisesNothing) {
    const struct {
        const char* what;
        bool key, withFile, withPath;
    } cases[] = {
        {"no App Paths entry", false, false, false},
        {"an entry without its default value", true, false, true},
        {"an entry without Path", true, true, false},
    };
    for (const auto& c : cases) {
        removeAppPaths();
        if (c.key) install("bwwin32.exe", "[All]\r\nName=X\r\n", c.withFile, c.withPath);
        Sink sink;
        ComPtr<IKMAgent> agent = create(&sink);
        ASSERT_TRUE(agent);
        EXPECT_EQ(E_FAIL, agent->Start()) << c.what;
        ExitStatus status = ExitStatusSuccess;
        ASSERT_HRESULT_SUCCEEDED(agent->GetExitStatus(&status));
        EXPECT_EQ(ExitStatusNoApplication, status) << c.what;
        EXPECT_EQ("", sink.trace) << c.what;
        EXPECT_EQ(S_OK, agent->Cancel());
        VARIANT_BOOL active = VARIANT_TRUE;
        EXPECT_EQ(S_OK, agent->get_Active(&active));
        EXPECT_EQ(VARIANT_FALSE, active) << c.what;
        if (!c.key) {
            HRESULT hr;
            EXPECT_EQ("", AgentName(agent.get(), &hr));
            EXPECT_EQ(S_OK, hr);
        }
    }
}

TEST_F(Agent, AnApplicationThatCannotRunFailsAfterStart) {
    const Installed app = install("eswin32.exe", "[All]\r\nName=X\r\n");
    ::DeleteFileA(app.exe.c_str());
    Sink sink;
    ComPtr<IKMAgent> agent = create(&sink);
    ExitStatus before = ExitStatusNoApplication, after = ExitStatusNoApplication;
    ASSERT_HRESULT_SUCCEEDED(agent->GetExitStatus(&before));
    {
        ErrorBoxWatcher watcher;
        EXPECT_EQ(E_FAIL, agent->Start());
    }
    EXPECT_EQ("S", sink.trace) << "Start, and no Done";
    ASSERT_HRESULT_SUCCEEDED(agent->GetExitStatus(&after));
    EXPECT_EQ(before, after);
}

TEST_F(Agent, FindsTheApplicationsInOrderAndReadsTheirConfiguration) {
    const char* const names[] = {"Backwell", "Easysave", "Microsoft Backup"};
    for (int first = 0; first < 3; ++first) {
        removeAppPaths();
        for (int i = first; i < 3; ++i)
            install(kApplications[i], (std::string("[All]\r\nName=") + names[i] + "\r\n").c_str());
        ComPtr<IKMAgent> agent = create();
        HRESULT hr;
        EXPECT_EQ(names[first], AgentName(agent.get(), &hr));
        EXPECT_EQ(S_OK, hr);
    }

    removeAppPaths();
    const Installed app = install("bwwin32.exe", nullptr);
    ComPtr<IKMAgent> agent = create();
    HRESULT hr;
    Bstr untouched(L"untouched");
    BSTR text = untouched.get();
    EXPECT_EQ(E_FAIL, agent->get_Name(&text)) << "no PCONFIG.DCF";
    EXPECT_EQ(untouched.get(), text);
    VARIANT_BOOL active = VARIANT_TRUE;
    agent->get_Active(&active);
    EXPECT_EQ(VARIANT_FALSE, active);

    WriteConfig(app.folder, "[All]\r\nClass Name=KeepmarkStandinBackup\r\n\r\nName=not in All\r\n");
    AgentName(agent.get(), &hr);
    EXPECT_EQ(E_FAIL, hr) << "no Name in the section All";
    // An empty value counts as not read yet: the file is looked at again.
    WriteConfig(app.folder, "[Other]\r\nName=Wrong\r\n[All]\r\nName=Found Later\r\n");
    EXPECT_EQ("Found Later", AgentName(agent.get(), &hr));
    EXPECT_EQ(S_OK, hr);
}

TEST_F(Agent, RegisteredWithoutItsTypeLibrary) {
    const std::string clsid = "{E2F2B592-B326-11D3-B22A-00C04F68FC09}";
    const std::string key = "CLSID\\" + clsid;
    EXPECT_EQ("KMBackupAgent Class", ReadHkcr(key, nullptr));
    EXPECT_EQ("Agent.KMBackupAgent.1", ReadHkcr(key + "\\ProgID", nullptr));
    EXPECT_EQ("Agent.KMBackupAgent", ReadHkcr(key + "\\VersionIndependentProgID", nullptr));
    EXPECT_EQ("", ReadHkcr(key + "\\Programmable", nullptr));
    EXPECT_EQ("Apartment", ReadHkcr(key + "\\InprocServer32", "ThreadingModel"));
    EXPECT_EQ("{E2F2B585-B326-11D3-B22A-00C04F68FC09}", ReadHkcr(key + "\\TypeLib", nullptr));
    EXPECT_EQ(clsid, ReadHkcr("Agent.KMBackupAgent.1\\CLSID", nullptr));
    EXPECT_EQ(clsid, ReadHkcr("Agent.KMBackupAgent\\CLSID", nullptr));
    EXPECT_EQ("Agent.KMBackupAgent.1", ReadHkcr("Agent.KMBackupAgent\\CurVer", nullptr));

    ComPtr<ITypeLib> lib;
    EXPECT_HRESULT_SUCCEEDED(::LoadRegTypeLib(LIBID_RAREDAROLib, 1, 0, 0x0409, lib.put()));
    EXPECT_HRESULT_FAILED(::LoadRegTypeLib(LIBID_AGENTLib, 1, 0, 0x0409, lib.put())) << "only the first is registered";
    // The second type-library resource is the agent's.
    ASSERT_HRESULT_SUCCEEDED(::LoadTypeLibEx(win::ToWide(g_dllPath + "\\2").c_str(), REGKIND_NONE, lib.put()));
    TLIBATTR* attr = nullptr;
    ASSERT_HRESULT_SUCCEEDED(lib->GetLibAttr(&attr));
    EXPECT_TRUE(IsEqualGUID(LIBID_AGENTLib, attr->guid));
    EXPECT_EQ(1, attr->wMajorVerNum);
    EXPECT_EQ(0x0409u, attr->lcid);
    lib->ReleaseTLibAttr(attr);
    Bstr doc;
    ASSERT_HRESULT_SUCCEEDED(lib->GetDocumentation(-1, nullptr, doc.put(), nullptr, nullptr));
    EXPECT_EQ(L"agent 1.0 Type Library", doc.str());

    // The trigger's default advise names this class.
    ComPtr<IOKMTrigger> trigger;
    ASSERT_HRESULT_SUCCEEDED(::CoCreateInstance(CLSID_TriggerRaredaroWarning, nullptr, CLSCTX_INPROC_SERVER,
                                                IID_IOKMTrigger, trigger.putVoid()));
    Bstr advise;
    ASSERT_HRESULT_SUCCEEDED(trigger->TAdvise(nullptr, advise.put()));
    CLSID adviseClass;
    ASSERT_HRESULT_SUCCEEDED(::CLSIDFromString(advise.get(), &adviseClass));
    ComPtr<IKMAgent> agent;
    ASSERT_HRESULT_SUCCEEDED(
        ::CoCreateInstance(adviseClass, nullptr, CLSCTX_INPROC_SERVER, IID_IKMAgent, agent.putVoid()));
    ComPtr<IDispatch> dispatch;
    ASSERT_HRESULT_SUCCEEDED(agent.queryInterface(IID_IDispatch, &dispatch));
    LPOLESTR member = const_cast<LPOLESTR>(L"GetExitStatus");
    DISPID id = 0;
    EXPECT_HRESULT_SUCCEEDED(dispatch->GetIDsOfNames(IID_NULL, &member, 1, 0x0409, &id));
    EXPECT_EQ(3, id);
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: raredaro_agent_test RAREDARO.DLL STANDIN.EXE\n");
        return 2;
    }
    g_dllPath = argv[1];
    g_standinPath = argv[2];
    return RUN_ALL_TESTS();
}
