// The trigger through COM under Wine: events, records, settings, registry.
// D: is a small fixture volume made by the test; the engine is registered
// afresh before each test, which also discards stored records and settings.
#include <windows.h>
#include <objbase.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <list>
#include <mutex>
#include <string>
#include <vector>

#include "raredaro.h"  // made by widl
#include "win32/bstr.h"
#include "win32/com_ptr.h"
#include "win32/event_sink.h"
#include "win32/handle.h"
#include "win32/registration.h"

using win::Bstr;
using win::ComPtr;

namespace {

const wchar_t kClsidKey[] = L"CLSID\\{5DC98F2D-9109-11D3-9EC5-0050041C9F05}";
constexpr long kGroupDone = 0x2000A001;
std::wstring g_dllPath;

struct Event {
    DISPID id;
    std::wstring handle;
    long value;  // TEDone result, TEProgress value, TEAdvise flags, TEEnd flags
    std::wstring advise;
    DWORD thread;
};

class Sink final : public win::EventSink {
public:
    Sink() : win::EventSink(DIID__IOKMTriggerEvents) {}

    void onEvent(DISPID id, WORD flags, const DISPPARAMS& p) override {
        EXPECT_EQ(DISPATCH_METHOD, flags);
        auto arg = [&](UINT i) -> const VARIANT& { return argument(p, i); };
        Event e{id, L"", 0, L"", ::GetCurrentThreadId()};
        switch (id) {
            case 1:
                EXPECT_EQ(4u, p.cArgs);
                EXPECT_EQ(VT_I4, arg(2).vt);
                e.handle = arg(0).bstrVal;
                e.advise = arg(1).bstrVal;
                e.value = arg(3).lVal;
                break;
            case 2:
                EXPECT_EQ(VT_I4, arg(1).vt);
                e.handle = arg(0).bstrVal;
                e.value = arg(1).lVal;
                break;
            case 3:
                EXPECT_EQ(VT_I2, arg(1).vt);
                e.handle = arg(0).bstrVal;
                e.value = arg(1).iVal;
                break;
            case 4:
                e.handle = arg(0).bstrVal;
                break;
            case 5:
                e.value = arg(0).lVal;
                break;
        }
        {
            std::lock_guard<std::mutex> lock(mutex);
            events.push_back(e);
        }
        if (onEventSeen) onEventSeen(e);
    }
    std::vector<Event> snapshot() {
        std::lock_guard<std::mutex> lock(mutex);
        return events;
    }
    size_t count(DISPID id) {
        size_t n = 0;
        for (const auto& e : snapshot()) n += e.id == id;
        return n;
    }
    // Event names in order, progress values in between: "S P0 P1000 D0 A1".
    std::string trace() {
        std::string t;
        for (const auto& e : snapshot()) {
            if (!t.empty()) t += ' ';
            switch (e.id) {
                case 1: t += "A" + std::to_string(e.value); break;
                case 2: t += "D" + std::to_string(e.value); break;
                case 3: t += "P" + std::to_string(e.value); break;
                case 4: t += "S"; break;
                case 5: t += "E" + std::to_string(e.value); break;
            }
        }
        return t;
    }

    std::mutex mutex;
    std::vector<Event> events;
    std::function<void(const Event&)> onEventSeen;
};

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 30000) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    }
    return true;
}

// Lets posted advises arrive: pumps for a moment without waiting on anything.
void Drain(DWORD ms = 300) {
    PumpUntil([] { return false; }, ms);
}

void MakeFile(const std::wstring& path, DWORD size) {
    win::Handle f(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(f.valid());
    std::vector<char> data(size, 'x');
    DWORD written;
    if (size) ::WriteFile(f.get(), data.data(), size, &written, nullptr);
}

std::wstring StringValue(const std::wstring& key, const wchar_t* name, DWORD* type, DWORD* size) {
    win::RegKey k;
    if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, k.put()) != ERROR_SUCCESS) return L"<no key>";
    BYTE data[512] = {};
    *size = sizeof data - 2;
    if (::RegQueryValueExW(k.get(), name, nullptr, type, data, size) != ERROR_SUCCESS) return L"<no value>";
    return reinterpret_cast<wchar_t*>(data);
}

class Engine : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ::CreateDirectoryW(L"D:\\Documents", nullptr);
        ::CreateDirectoryW(L"D:\\Documents\\Old", nullptr);
        MakeFile(L"D:\\readme.txt", 10);
        MakeFile(L"D:\\Documents\\letter.doc", 5000);
        MakeFile(L"D:\\Documents\\Old\\notes.txt", 0);
    }

    void SetUp() override {
        ASSERT_HRESULT_SUCCEEDED(::CoInitialize(nullptr));
        module_.reset(::LoadLibraryW(g_dllPath.c_str()));
        ASSERT_TRUE(module_.valid()) << "cannot load the engine";
        auto reg = reinterpret_cast<HRESULT(WINAPI*)()>(::GetProcAddress(module_.get(), "DllRegisterServer"));
        ASSERT_HRESULT_SUCCEEDED(reg());  // a clean slate: no records, default settings
    }
    void TearDown() override {
        for (auto& t : triggers_) t.disconnect();
        triggers_.clear();
        sinks_.clear();
        module_.reset();
        ::CoUninitialize();
    }

    struct Connected {
        ComPtr<IOKMTrigger> trigger;
        ComPtr<IOKMStorageVolume> volume;
        ComPtr<IConnectionPoint> point;
        DWORD cookie = 0;
        void disconnect() {
            if (point) point->Unadvise(cookie);
            point.reset();
            volume.reset();
            trigger.reset();
        }
    };

    Sink& newSink() { return sinks_.emplace_back(); }

    Connected& create(Sink* sink) {
        Connected c;
        EXPECT_HRESULT_SUCCEEDED(::CoCreateInstance(CLSID_TriggerRaredaroWarning, nullptr, CLSCTX_INPROC_SERVER,
                                                    IID_IOKMTrigger, c.trigger.putVoid()));
        EXPECT_HRESULT_SUCCEEDED(c.trigger.queryInterface(IID_IOKMStorageVolume, &c.volume));
        ComPtr<IConnectionPointContainer> container;
        EXPECT_HRESULT_SUCCEEDED(c.trigger.queryInterface(IID_IConnectionPointContainer, &container));
        EXPECT_HRESULT_SUCCEEDED(container->FindConnectionPoint(DIID__IOKMTriggerEvents, c.point.put()));
        if (sink) {
            EXPECT_HRESULT_SUCCEEDED(c.point->Advise(sink, &c.cookie));
        }
        triggers_.push_back(c);
        return triggers_.back();
    }

    std::wstring start(Connected& c, const wchar_t* drive, long force) {
        Bstr volume(drive), handle;
        EXPECT_HRESULT_SUCCEEDED(c.volume->SetVolume(volume.get(), nullptr));
        EXPECT_HRESULT_SUCCEEDED(c.trigger->TStart(handle.put(), force, TRUE));
        return handle.str();
    }

    win::Module module_;
    std::list<Connected> triggers_;  // references stay valid
    std::list<Sink> sinks_;          // outlive the connections to them
};

TEST_F(Engine, ScannedRecordReportsStartProgressDoneThenAdvise) {
    Sink& sink = newSink();
    Connected& c = create(&sink);
    const std::wstring handle = start(c, L"D:\\", TRUE);
    EXPECT_EQ(38u, handle.size());
    ASSERT_TRUE(PumpUntil([&] { return sink.count(1) == 1; }));
    // All files carry the archive bit here: everything is unprotected, over 15 %.
    EXPECT_EQ("S P0 P1000 D0 A1", sink.trace());
    for (const auto& e : sink.snapshot()) {
        EXPECT_EQ(::GetCurrentThreadId(), e.thread);
        EXPECT_EQ(handle, e.handle);
    }
    EXPECT_EQ(L"{E2F2B592-B326-11D3-B22A-00C04F68FC09}", sink.snapshot().back().advise);

    Bstr h(handle), volume;
    unsigned char known = 0;
    long files = 0, safe = -1, bytes = 0, safeBytes = -1;
    TNumberType bytesUnit, safeUnit;
    ASSERT_HRESULT_SUCCEEDED(
        c.volume->Raredaro(h.get(), volume.put(), &known, &files, &safe, &bytes, &bytesUnit, &safeBytes, &safeUnit));
    EXPECT_EQ(100, known);
    EXPECT_EQ(3, files);
    EXPECT_EQ(0, safe);
    EXPECT_EQ(0, safeBytes);
    EXPECT_EQ(L"D:\\", volume.str());
}

TEST_F(Engine, SecondStartKeepsTheRecordAndIsNotDue) {
    Sink& sink = newSink();
    Connected& c = create(&sink);
    const std::wstring first = start(c, L"d:", TRUE);
    ASSERT_TRUE(PumpUntil([&] { return sink.count(1) == 1; }));
    sink.events.clear();
    const std::wstring second = start(c, L"D:\\anything", FALSE);
    EXPECT_EQ(first, second);
    ASSERT_TRUE(PumpUntil([&] { return sink.count(1) == 1; }));
    EXPECT_EQ("S D1 A1", sink.trace());  // from the stored figures: no progress
}

TEST_F(Engine, CancelDuringTheWalkAbortsAndDropsTheRecord) {
    Sink& sink = newSink();
    Connected& c = create(&sink);
    std::wstring handle;
    sink.onEventSeen = [&](const Event& e) {
        if (e.id == 3 && e.value == 0) {  // the walk is about to begin
            Bstr h(e.handle);
            EXPECT_EQ(S_OK, c.trigger->TCancel(h.get()));
        }
    };
    handle = start(c, L"D:\\", TRUE);
    ASSERT_TRUE(PumpUntil([&] { return sink.count(2) == 1; }));
    EXPECT_EQ("S P0 D" + std::to_string(static_cast<long>(E_ABORT)), sink.trace());
    Bstr h(handle), advise;
    ASSERT_TRUE(PumpUntil([&] { return c.trigger->TAdvise(h.get(), advise.put()) == E_INVALIDARG; }));
    EXPECT_EQ(S_FALSE, c.trigger->TCancel(h.get()));
    EXPECT_EQ(S_FALSE, c.trigger->TDisable(h.get(), TRUE));
    // The worker ended with the list; a new start makes a new one and a new record.
    sink.onEventSeen = nullptr;
    EXPECT_NE(handle, start(c, L"D:\\", TRUE));
    ASSERT_TRUE(PumpUntil([&] { return sink.count(1) == 1; }));
}

TEST_F(Engine, GroupEndsOnlyAfterInitialize) {
    Sink& sink = newSink();
    Connected& c = create(&sink);
    start(c, L"D:\\", TRUE);
    ASSERT_TRUE(PumpUntil([&] { return sink.count(1) == 1; }));
    Drain();
    EXPECT_EQ(0u, sink.count(5));
    EXPECT_EQ("S P0 P1000 D0 A1", sink.trace());

    // A new object: C: and D: are the fixed drives here, in that order.
    Sink& group = newSink();
    Connected& fresh = create(&group);
    ASSERT_HRESULT_SUCCEEDED(fresh.trigger->TInitialize(0, FALSE));
    ASSERT_TRUE(PumpUntil([&] { return group.count(5) >= 1 && group.count(1) == 2; }, 120000));
    const std::vector<Event> events = group.snapshot();
    std::vector<long> done;
    DWORD endThread = 0;
    for (const auto& e : events) {
        if (e.id == 2) done.push_back(e.value);
        if (e.id == 5) {
            EXPECT_EQ(0, e.value);
            endThread = e.thread;
        }
    }
    ASSERT_EQ(2u, done.size());
    EXPECT_EQ(kGroupDone, done.back());  // the last record completes the group
    EXPECT_NE(kGroupDone, done.front());
    EXPECT_NE(::GetCurrentThreadId(), endThread);  // raised by the worker itself
}

TEST_F(Engine, MethodsRefuseBadInput) {
    Sink& sink = newSink();
    Connected& c = create(&sink);
    Bstr handle, advise;
    EXPECT_EQ(E_NOTIMPL, c.trigger->TRespond(nullptr, APNormal, 0));
    EXPECT_EQ(E_INVALIDARG, c.trigger->TStart(handle.put(), TRUE, FALSE));  // no volume yet
    EXPECT_EQ(nullptr, handle.get());
    Bstr bad(L"1:"), c_drive(L"c:");
    EXPECT_EQ(E_INVALIDARG, c.volume->SetVolume(bad.get(), nullptr));
    EXPECT_EQ(E_INVALIDARG, c.trigger->TStart(handle.put(), TRUE, FALSE));  // the bad text cleared it
    ASSERT_HRESULT_SUCCEEDED(c.volume->SetVolume(c_drive.get(), handle.put()));
    Bstr volume;
    ASSERT_HRESULT_SUCCEEDED(
        c.volume->Raredaro(handle.get(), volume.put(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(L"C:\\", volume.str());
    Bstr unknown(L"{00000000-0000-0000-0000-000000000000}");
    EXPECT_EQ(E_INVALIDARG, c.trigger->TAdvise(unknown.get(), advise.put()));
    EXPECT_EQ(S_FALSE, c.trigger->TCancel(unknown.get()));
    EXPECT_EQ(E_INVALIDARG,
              c.volume->Raredaro(unknown.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
    ASSERT_HRESULT_SUCCEEDED(c.trigger->TAdvise(nullptr, advise.put()));
    EXPECT_EQ(L"{E2F2B592-B326-11D3-B22A-00C04F68FC09}", advise.str());
    EXPECT_EQ(0u, sink.snapshot().size());

    // The dual interface answers by name through the registered type library.
    ComPtr<IDispatch> dispatch;
    ASSERT_HRESULT_SUCCEEDED(c.trigger.queryInterface(IID_IDispatch, &dispatch));
    LPOLESTR name = const_cast<LPOLESTR>(L"TInitialize");
    DISPID id = 0;
    ASSERT_HRESULT_SUCCEEDED(dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id));
    EXPECT_EQ(4, id);
}

TEST_F(Engine, SettingsAreStoredAsDwordsAndReadBack) {
    Connected& c = create(nullptr);
    ASSERT_HRESULT_SUCCEEDED(c.volume->SetPercentFilesThreshold(15));
    ASSERT_HRESULT_SUCCEEDED(c.volume->SetFilesThreshold(7));
    ASSERT_HRESULT_SUCCEEDED(c.volume->SetMBThreshold(300));
    ASSERT_HRESULT_SUCCEEDED(c.volume->SetSchedule(SZScheduledDays, 5, 9));
    win::RegKey key;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExW(HKEY_CLASSES_ROOT, (std::wstring(kClsidKey) + L"\\Threshold").c_str(), 0,
                                             KEY_READ, key.put()));
    DWORD type = 0, value = 0, size = sizeof value;
    ASSERT_EQ(ERROR_SUCCESS, ::RegQueryValueExW(key.get(), L"PercentFilesThreshold", nullptr, &type,
                                                reinterpret_cast<BYTE*>(&value), &size));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    EXPECT_EQ(150u, value);

    Connected& fresh = create(nullptr);  // a new object reads what the first stored
    USHORT percent = 0, files = 0, mb = 0, hours = 0, days = 0;
    TScheduleZone zone = SZHourly;
    fresh.volume->GetPercentFilesThreshold(&percent);
    fresh.volume->GetFilesThreshold(&files);
    fresh.volume->GetMBThreshold(&mb);
    fresh.volume->GetSchedule(&zone, &hours, &days);
    EXPECT_EQ(15, percent);
    EXPECT_EQ(7, files);
    EXPECT_EQ(300, mb);
    EXPECT_EQ(SZScheduledDays, zone);
    EXPECT_EQ(5, hours);
    EXPECT_EQ(9, days);
}

// The second half runs in a child process: records survive the process.
TEST_F(Engine, RecordsPersistAcrossProcessesExactlyAsStored) {
    Sink& sink = newSink();
    Connected& c = create(&sink);
    const std::wstring handle = start(c, L"D:\\", TRUE);
    ASSERT_TRUE(PumpUntil([&] { return sink.count(1) == 1; }));
    c.disconnect();
    triggers_.clear();

    const std::wstring key = std::wstring(kClsidKey) + L"\\Volume\\" + handle;
    const struct {
        const wchar_t* name;
        DWORD size;
    } sizes[] = {{L"Status", 4}, {L"Index", 1}, {L"Attributes", 4}, {L"BasicAttributes", 4}, {L"LastUpdateTime", 8},
                 {L"Bytes", 8},  {L"BytesRaredaro", 8}, {L"Files", 8}, {L"FilesRaredaro", 8}, {L"ID", 78},
                 {L"Volume", 8}};
    for (const auto& s : sizes) {
        DWORD type = 0, size = 0;
        StringValue(key, s.name, &type, &size);
        EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type) << s.name;
        EXPECT_EQ(s.size, size) << s.name;
    }
    DWORD type, size;
    EXPECT_EQ(handle, StringValue(key, L"ID", &type, &size));

    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = std::wstring(L"\"") + self + L"\" \"" + g_dllPath +
                           L"\" --gtest_also_run_disabled_tests --gtest_filter=*DISABLED_ChildFindsTheStoredRecord";
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    ::SetEnvironmentVariableW(L"KM_EXPECTED_HANDLE", handle.c_str());
    ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi));
    ::CloseHandle(pi.hThread);
    ::WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 1;
    ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hProcess);
    EXPECT_EQ(0u, code);
}

TEST(EngineChild, DISABLED_ChildFindsTheStoredRecord) {
    ASSERT_HRESULT_SUCCEEDED(::CoInitialize(nullptr));
    {
        wchar_t expected[64] = {};
        ::GetEnvironmentVariableW(L"KM_EXPECTED_HANDLE", expected, 64);
        ComPtr<IOKMStorageVolume> volume;
        ASSERT_HRESULT_SUCCEEDED(::CoCreateInstance(CLSID_TriggerRaredaroWarning, nullptr, CLSCTX_INPROC_SERVER,
                                                    IID_IOKMStorageVolume, volume.putVoid()));
        Bstr drive(L"D:\\"), handle;
        ASSERT_HRESULT_SUCCEEDED(volume->SetVolume(drive.get(), handle.put()));
        EXPECT_EQ(std::wstring(expected), handle.str());
        unsigned char known = 1;
        long files = 0;
        ASSERT_HRESULT_SUCCEEDED(
            volume->Raredaro(handle.get(), nullptr, &known, &files, nullptr, nullptr, nullptr, nullptr, nullptr));
        EXPECT_EQ(0, known);  // loaded records start as pending
        EXPECT_EQ(3, files);  // with the stored figures
    }
    ::CoUninitialize();
}

TEST_F(Engine, DamagedStoredRecordGivesAFreshOne) {
    const struct {
        const wchar_t* name;
        std::vector<BYTE> data;
    } damage[] = {
        {L"Bytes", {1, 2, 3, 4}},                                              // too short for a 64-bit figure
        {L"ID", std::vector<BYTE>(4100, 'A')},                                 // larger than any stored text
        {L"ID", {'x', 0, 0, 0}},                                               // not a GUID
        {L"FilesRaredaro", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}},  // more protected than files
    };
    for (const auto& d : damage) {
        Sink& sink = newSink();
        Connected& c = create(&sink);
        const std::wstring good = start(c, L"D:\\", TRUE);
        ASSERT_TRUE(PumpUntil([&] { return sink.count(1) == 1; }));
        c.disconnect();
        triggers_.clear();
        const std::wstring key = std::wstring(kClsidKey) + L"\\Volume\\" + good;
        win::RegKey k;
        ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_WRITE, k.put()));
        ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExW(k.get(), d.name, 0, REG_BINARY, d.data.data(),
                                                  static_cast<DWORD>(d.data.size())));
        k.reset();
        Connected& fresh = create(nullptr);
        Bstr drive(L"D:\\"), got;
        ASSERT_HRESULT_SUCCEEDED(fresh.volume->SetVolume(drive.get(), got.put())) << d.name;
        EXPECT_NE(good, got.str()) << d.name;
        EXPECT_EQ(38u, got.length()) << d.name;
        fresh.disconnect();
        triggers_.clear();
        win::DeleteKeyTree(HKEY_CLASSES_ROOT, key);
    }
}

TEST_F(Engine, RegistrationWritesTheClassAndDiscardsRecords) {
    DWORD type, size;
    const std::wstring clsid = kClsidKey;
    EXPECT_EQ(L"Archive Scanning Backup Trigger", StringValue(clsid, nullptr, &type, &size));
    EXPECT_EQ(L"Raredaro.TriggerBackup.1", StringValue(clsid + L"\\ProgID", nullptr, &type, &size));
    EXPECT_EQ(L"Raredaro.TriggerBackup", StringValue(clsid + L"\\VersionIndependentProgID", nullptr, &type, &size));
    EXPECT_EQ(L"Apartment", StringValue(clsid + L"\\InprocServer32", L"ThreadingModel", &type, &size));
    EXPECT_EQ(L"{5DC98F20-9109-11D3-9EC5-0050041C9F05}", StringValue(clsid + L"\\TypeLib", nullptr, &type, &size));
    EXPECT_EQ(L"List of schedules", StringValue(clsid + L"\\Schedule", nullptr, &type, &size));
    EXPECT_EQ(L"List of volumes", StringValue(clsid + L"\\Volume", nullptr, &type, &size));
    EXPECT_EQ(L"Raredaro.TriggerBackup.1", StringValue(L"Raredaro.TriggerBackup\\CurVer", nullptr, &type, &size));
    EXPECT_EQ(L"Archive Scanning Backup Trigger", StringValue(L"Raredaro.TriggerBackup.1", nullptr, &type, &size));
    ComPtr<ITypeLib> lib;
    EXPECT_HRESULT_SUCCEEDED(::LoadRegTypeLib(LIBID_RAREDAROLib, 1, 0, 0x0409, lib.put()));

    Sink& sink = newSink();
    Connected& c = create(&sink);
    const std::wstring handle = start(c, L"D:\\", TRUE);
    ASSERT_TRUE(PumpUntil([&] { return sink.count(1) == 1; }));
    c.disconnect();
    triggers_.clear();
    EXPECT_TRUE(win::KeyExists(HKEY_CLASSES_ROOT, clsid + L"\\Volume\\" + handle));
    auto reg = reinterpret_cast<HRESULT(WINAPI*)()>(::GetProcAddress(module_.get(), "DllRegisterServer"));
    ASSERT_HRESULT_SUCCEEDED(reg());
    EXPECT_FALSE(win::KeyExists(HKEY_CLASSES_ROOT, clsid + L"\\Volume\\" + handle));
}

TEST_F(Engine, ReleaseDuringACensusEndsTheWorkerCleanly) {
    auto canUnload = reinterpret_cast<HRESULT(WINAPI*)()>(::GetProcAddress(module_.get(), "DllCanUnloadNow"));
    for (int round = 0; round < 3; ++round) {
        Sink& sink = newSink();
        Connected& c = create(&sink);
        start(c, L"C:\\", TRUE);  // the prefix's system drive: thousands of files
        if (round == 1) PumpUntil([&] { return sink.count(4) == 1; });
        c.disconnect();  // the final release: must neither hang nor leave the worker behind
        triggers_.clear();
        EXPECT_EQ(S_OK, canUnload());
    }
}

// A client may let go of the engine from inside an event: from TEDone, which
// the worker is waiting on, and from TEEnd, which comes on the worker itself.
TEST_F(Engine, LettingGoFromInsideAnEventNeitherHangsNorLeaks) {
    auto canUnload = reinterpret_cast<HRESULT(WINAPI*)()>(::GetProcAddress(module_.get(), "DllCanUnloadNow"));
    for (DISPID releaseOn : {DISPID{2}, DISPID{5}}) {
        Sink& sink = newSink();
        Connected& c = create(&sink);
        std::atomic<bool> released{false};
        sink.onEventSeen = [&](const Event& e) {
            if (e.id != releaseOn || released) return;
            c.disconnect();
            released = true;
        };
        if (releaseOn == 2)
            start(c, L"D:\\", TRUE);
        else
            ASSERT_HRESULT_SUCCEEDED(c.trigger->TInitialize(0, FALSE));
        ASSERT_TRUE(PumpUntil([&] { return released && canUnload() == S_OK; }, 120000)) << "event " << releaseOn;
        triggers_.clear();
    }
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: raredaro_trigger_test RAREDARO.DLL [gtest options]\n");
        return 2;
    }
    wchar_t path[MAX_PATH];
    ::MultiByteToWideChar(CP_ACP, 0, argv[1], -1, path, MAX_PATH);
    g_dllPath = path;
    return RUN_ALL_TESTS();
}
