// The exclusion lists against the real registry and system under Wine: the
// path macros expand to the prefix's own folders, and two trigger objects in
// one process share the list without losing it when the first one goes.
#include <windows.h>
#include <objbase.h>
#include <olectl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "raredaro.h"  // made by widl
#include "raredaro/core/exclusion_compile.h"
#include "raredaro/exclusions.h"
#include "win32/bstr.h"
#include "win32/com_ptr.h"
#include "win32/event_sink.h"
#include "win32/handle.h"

using win::Bstr;
using win::ComPtr;

namespace raredaro {
namespace {

const char kEasysave[] = "SOFTWARE\\Orvane\\Easysave\\CurrentVersion\\ExcludeFiles";
const char kRebound[] = "SOFTWARE\\Orvane\\Rebound\\CurrentVersion\\ExcludeFiles";
const char kAppPaths[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

std::string Env(const char* name) {
    char value[MAX_PATH] = {};
    const DWORD n = ::GetEnvironmentVariableA(name, value, MAX_PATH);
    return n < MAX_PATH ? std::string(value, n) : std::string();
}

std::string Upper(std::string text) {
    AnsiCharSet().toUpper(&text);
    if (!text.empty() && text.back() == '\\') text.pop_back();
    return text;
}

void SetString(const std::string& key, const char* name, const std::string& data) {
    win::RegKey k;
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, k.put(), nullptr));
    ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExA(k.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                                              static_cast<DWORD>(data.size() + 1)));
}

void RemoveKeys() {
    for (const ExclusionSourceRow* row = kExclusionSources; row->label[0]; ++row)
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, row->keyPath);
    for (const char* app : {"bwwin32.exe", "eswin32.exe"})
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, (std::string(kAppPaths) + app).c_str());
}

// "13 [C:\\PATH] -" as in the portable tests, for the records of a compile.
std::vector<std::string> Compile(std::int32_t* result) {
    ExclusionList list(AnsiCharSet());
    *result = CompileExclusionList(&list);
    std::vector<std::string> out;
    for (const auto& r : list.records()) {
        char flags[4];
        std::snprintf(flags, sizeof flags, "%02X", r.flags);
        out.push_back(std::string(flags) + " " + (r.hasPath ? "[" + r.path + "]" : "-") + " " +
                      (r.hasPattern ? r.pattern : "-"));
    }
    return out;
}

bool Has(const std::vector<std::string>& records, const std::string& record) {
    for (const auto& r : records)
        if (r == record) return true;
    return false;
}

class SystemExclusions : public ::testing::Test {
protected:
    void SetUp() override { RemoveKeys(); }
    void TearDown() override { RemoveKeys(); }
};

TEST_F(SystemExclusions, MacrosExpandToThePrefixFolders) {
    const std::string windows = Upper(Env("WINDIR")), profile = Upper(Env("USERPROFILE")), temp = Upper(Env("TEMP"));
    ASSERT_FALSE(windows.empty());
    ASSERT_FALSE(profile.empty());
    SetString(kRebound, "%WINDIR%\\Fonts", "*");
    SetString(kRebound, "%SYSTEMDIR%", "*.dll");
    SetString(kRebound, "%USERPROFILE%\\Docs", "*");
    SetString(kRebound, "%TEMP%*", "*.tmp");
    SetString(kRebound, "%INTERNETCACHE%", "*");
    SetString(kRebound, "%INTERNETCOOKIES%", "*");
    SetString(kRebound, "%INTERNETHISTORY%", "*");
    std::int32_t result = -1;
    const std::vector<std::string> records = Compile(&result);
    EXPECT_EQ(0, result);
    EXPECT_TRUE(Has(records, "13 [" + windows + "\\FONTS] -"));
    EXPECT_TRUE(Has(records, "36 [" + windows + "\\SYSTEM32] *.DLL"));
    EXPECT_TRUE(Has(records, "13 [" + profile + "\\DOCS] -"));
    EXPECT_TRUE(Has(records, "76 [" + temp + "] *.TMP"));
    EXPECT_TRUE(Has(records, "13 [" + windows + "\\PCHEALTH] -"));
    // The three internet folders: somewhere in the profile, each its own.
    std::vector<std::string> internet;
    for (const auto& r : records)
        if (r.rfind("13 [" + profile + "\\", 0) == 0 && r != "13 [" + profile + "\\DOCS] -") internet.push_back(r);
    EXPECT_EQ(3u, internet.size());
    EXPECT_EQ(8u, records.size());
}

TEST_F(SystemExclusions, AValueTooLongIsPassedOverAndTheRestStillCounts) {
    SetString(kEasysave, "C:\\AAA", std::string(3000, 'P'));  // enumerated first, either way
    SetString(kEasysave, "C:\\ZZZ", "*");
    SetString(kEasysave, ("C:\\" + std::string(2100, 'N')).c_str(), "*");  // a name too long, among others
    SetString(kEasysave, "D:\\ZZZ", "*");
    std::int32_t result;
    const std::vector<std::string> records = Compile(&result);
    EXPECT_EQ(0, result);
    EXPECT_TRUE(Has(records, "13 [C:\\ZZZ] -"));
    EXPECT_TRUE(Has(records, "13 [D:\\ZZZ] -"));
    EXPECT_EQ(3u, records.size());
}

TEST_F(SystemExclusions, ProgramFolderFromTheBackupApplication) {
    const std::string bw = std::string(kAppPaths) + "bwwin32.exe", es = std::string(kAppPaths) + "eswin32.exe";
    const struct {
        const char* bwPath;  // null: no bwwin32.exe entry; "": an entry without Path
        const char* esPath;
        const char* record;  // null: the entry is skipped
    } cases[] = {
        {"C:\\Program Files\\Orvane\\Backwell\\", "C:\\Easy\\Bin", "13 [C:\\PROGRAM FILES\\ORVANE\\DATA] -"},
        {nullptr, "C:\\Easy\\Bin", "13 [C:\\EASY\\DATA] -"},
        {"", "C:\\Easy\\Bin", nullptr},  // the first entry counts even without its Path
        {nullptr, nullptr, nullptr},
    };
    for (const auto& c : cases) {
        RemoveKeys();
        SetString(kRebound, "%PROGDIR%\\Data", "*");
        if (c.bwPath) {
            SetString(bw, nullptr, "C:\\bw.exe");
            if (*c.bwPath) SetString(bw, "Path", c.bwPath);
        }
        if (c.esPath) SetString(es, "Path", c.esPath);
        std::int32_t result;
        const std::vector<std::string> records = Compile(&result);
        EXPECT_EQ(c.record ? 2u : 1u, records.size()) << (c.bwPath ? c.bwPath : "-");
        if (c.record) {
            EXPECT_TRUE(Has(records, c.record)) << c.record;
        }
    }
}

TEST_F(SystemExclusions, TemporaryFolderRules) {
    const std::string saved = Env("TMP");
    const std::string windows = Env("WINDIR");
    char programs[MAX_PATH] = {}, shortPrograms[MAX_PATH] = {};
    ::ExpandEnvironmentStringsA("%ProgramFiles%", programs, MAX_PATH);
    ASSERT_NE(0u, ::GetShortPathNameA(programs, shortPrograms, MAX_PATH));
    ASSERT_NE(std::string(programs), shortPrograms);
    const struct {
        std::string tmp;
        std::string folder;
    } cases[] = {
        {"C:\\", "C:\\TEMP"},
        {windows, "C:\\TEMP"},
        {shortPrograms, Upper(programs)},  // the long form
    };
    SetString(kEasysave, "%TEMP%", "*");
    for (const auto& c : cases) {
        ::SetEnvironmentVariableA("TMP", c.tmp.c_str());
        std::int32_t result;
        const std::vector<std::string> records = Compile(&result);
        EXPECT_TRUE(Has(records, "13 [" + c.folder + "] -")) << c.tmp << ": " << (records.empty() ? "" : records.back());
    }
    ::SetEnvironmentVariableA("TMP", saved.empty() ? nullptr : saved.c_str());
}

// TEDone events, counted.
class DoneCounter final : public win::EventSink {
public:
    DoneCounter() : win::EventSink(DIID__IOKMTriggerEvents) {}
    void onEvent(DISPID id, WORD, const DISPPARAMS&) override {
        if (id == 2) ::InterlockedIncrement(&done);
    }
    volatile LONG done = 0;
};

struct Scanner {
    ComPtr<IOKMTrigger> trigger;
    ComPtr<IOKMStorageVolume> volume;
    DoneCounter sink;

    void create() {
        ASSERT_HRESULT_SUCCEEDED(::CoCreateInstance(CLSID_TriggerRaredaroWarning, nullptr, CLSCTX_INPROC_SERVER,
                                                    IID_IOKMTrigger, trigger.putVoid()));
        ASSERT_HRESULT_SUCCEEDED(trigger.queryInterface(IID_IOKMStorageVolume, &volume));
        ComPtr<IConnectionPointContainer> container;
        ComPtr<IConnectionPoint> point;
        ASSERT_HRESULT_SUCCEEDED(trigger.queryInterface(IID_IConnectionPointContainer, &container));
        ASSERT_HRESULT_SUCCEEDED(container->FindConnectionPoint(DIID__IOKMTriggerEvents, point.put()));
        DWORD cookie;
        ASSERT_HRESULT_SUCCEEDED(point->Advise(&sink, &cookie));
    }

    // Forces a census of D: and gives files and protected files.
    std::pair<long, long> scan() {
        Bstr root(L"D:\\"), handle;
        const LONG before = sink.done;
        EXPECT_HRESULT_SUCCEEDED(volume->SetVolume(root.get(), handle.put()));
        EXPECT_HRESULT_SUCCEEDED(trigger->TStart(nullptr, TRUE, TRUE));
        const DWORD start = ::GetTickCount();
        while (sink.done == before && ::GetTickCount() - start < 30000) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            MSG msg;
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
        }
        long files = -1, safe = -1;
        EXPECT_HRESULT_SUCCEEDED(
            volume->Raredaro(handle.get(), nullptr, nullptr, &files, &safe, nullptr, nullptr, nullptr, nullptr));
        return {files, safe};
    }
};

void MakeFile(const char* path) {
    win::Handle f(::CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(f.valid()) << path;
}

TEST_F(SystemExclusions, TwoTriggersShareTheListUntilTheLastGoes) {
    ASSERT_HRESULT_SUCCEEDED(::CoInitialize(nullptr));
    ::CreateDirectoryA("D:\\Skip", nullptr);
    MakeFile("D:\\keep.txt");
    MakeFile("D:\\Skip\\a.txt");
    MakeFile("D:\\Skip\\b.txt");
    SetString(kEasysave, "D:\\Skip", "*");
    {
        Scanner first, second;
        first.create();
        second.create();
        EXPECT_EQ(std::make_pair(3L, 2L), first.scan());
        EXPECT_EQ(std::make_pair(3L, 2L), second.scan());
        first.volume.reset();
        first.trigger.reset();  // its final release
        EXPECT_EQ(std::make_pair(3L, 2L), second.scan()) << "the other object's list went with the first";
    }
    ::CoUninitialize();
}

}  // namespace
}  // namespace raredaro
