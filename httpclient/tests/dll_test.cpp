// ovhttp.dll as kmtray meets it: the members kmtray links against, found by
// their exported names and called across the module boundary with
// foundation::cstring texts.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <new>
#include <sstream>
#include <string>

#include "bench_env.h"
#include "foundation/cstring.h"
#include "httpclient/ovhttp.h"  // for the layout only: nothing of it is imported

namespace {

using Construct = void(__thiscall*)(void*);
using SetUrl = unsigned(__thiscall*)(void*, const foundation::cstring&);
using SetProxy = unsigned(__thiscall*)(void*, const OVHTTPProxySettings*);
using UseProxy = void(__thiscall*)(void*, bool);
using Check = bool(__thiscall*)(void*, unsigned);
using SetLevel = void (*)(int);
using SetFile = void (*)(const char*);

class Library : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = ::LoadLibraryA("ovhttp.dll");
        ASSERT_NE(module_, nullptr) << ::GetLastError();
    }
    void TearDown() override { ::FreeLibrary(module_); }

    template <class F>
    F get(const char* name) {
        FARPROC p = ::GetProcAddress(module_, name);
        EXPECT_NE(p, nullptr) << name;
        return reinterpret_cast<F>(reinterpret_cast<void (*)()>(p));
    }

    HMODULE module_ = nullptr;
};

// A client made and used only through the library's exports.
class RemoteClient {
public:
    explicit RemoteClient(HMODULE m) : module_(m) {
        construct_ = proc<Construct>("_ZN6OVHTTPC1Ev");
        destroy_ = proc<Construct>("_ZN6OVHTTPD1Ev");
        setUrl_ = proc<SetUrl>("_ZN6OVHTTP6SetURLERKN10foundation7cstringE");
        setProxy_ = proc<SetProxy>("_ZN6OVHTTP16SetProxySettingsEPK19OVHTTPProxySettings");
        useProxy_ = proc<UseProxy>("_ZN6OVHTTP14UseProxyServerEb");
        check_ = proc<Check>("_ZN6OVHTTP15CheckConnectionEj");
        settingsConstruct_ = proc<Construct>("_ZN19OVHTTPProxySettingsC1Ev");
        settingsDestroy_ = proc<Construct>("_ZN19OVHTTPProxySettingsD1Ev");
        construct_(client_);
        settingsConstruct_(settings_);
    }
    ~RemoteClient() {
        settingsDestroy_(settings_);
        destroy_(client_);
    }
    bool complete() const {
        return construct_ && destroy_ && setUrl_ && setProxy_ && useProxy_ && check_ && settingsConstruct_ &&
               settingsDestroy_;
    }

    unsigned setUrl(const std::string& url) { return setUrl_(client_, foundation::cstring(url.c_str())); }
    bool check(unsigned wait) { return check_(client_, wait); }
    void useProxy(const std::string& user, const std::string& password) {
        OVHTTPProxySettings& s = *reinterpret_cast<OVHTTPProxySettings*>(settings_);
        s.proxyAddress = "127.0.0.1";
        s.proxyPort = ProxyPort();
        s.useLogin = true;
        s.userName = user.c_str();
        s.password = password.c_str();
        useProxy_(client_, true);
        EXPECT_EQ(setProxy_(client_, &s), 0u);
    }

private:
    template <class F>
    F proc(const char* name) {
        return reinterpret_cast<F>(reinterpret_cast<void (*)()>(::GetProcAddress(module_, name)));
    }

    HMODULE module_;
    Construct construct_, destroy_, settingsConstruct_, settingsDestroy_;
    SetUrl setUrl_;
    SetProxy setProxy_;
    UseProxy useProxy_;
    Check check_;
    alignas(OVHTTP) unsigned char client_[sizeof(OVHTTP)];
    alignas(OVHTTPProxySettings) unsigned char settings_[sizeof(OVHTTPProxySettings)];
};

TEST_F(Library, ExportsWhatKmtrayUses) {
    for (const char* name : {"_ZN6OVHTTPC1Ev", "_ZN6OVHTTPD1Ev", "_ZN6OVHTTP6SetURLERKN10foundation7cstringE",
                             "_ZN6OVHTTP16SetProxySettingsEPK19OVHTTPProxySettings", "_ZN6OVHTTP14UseProxyServerEb",
                             "_ZN6OVHTTP15CheckConnectionEj", "_ZN19OVHTTPProxySettingsC1Ev",
                             "_ZN19OVHTTPProxySettingsD1Ev", "OVHTTPSetDebugLevel", "OVHTTPSetDebugOutputFile"})
        get<FARPROC>(name);
}

TEST_F(Library, ChecksTheConnectionDirectlyAndThroughTheProxy) {
    RemoteClient client(module_);
    ASSERT_TRUE(client.complete());
    ASSERT_EQ(client.setUrl(OriginUrl("/status/200")), 0u);
    EXPECT_TRUE(client.check(5));
    ASSERT_EQ(client.setUrl(OriginUrl("/status/404")), 0u);
    EXPECT_FALSE(client.check(5));
    EXPECT_EQ(client.setUrl("http://127.0.0.1"), static_cast<unsigned>(-1));

    client.useProxy(ProxyUser(), ProxyPassword());
    ASSERT_EQ(client.setUrl(OriginUrl("/status/200")), 0u);
    EXPECT_TRUE(client.check(5));
    client.useProxy(ProxyUser(), "wrong");
    EXPECT_FALSE(client.check(5));
}

TEST_F(Library, HostTurnsTheLogOn) {
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    const std::string log = std::string(temp) + "ovhttp.log";
    ::DeleteFileA(log.c_str());
    get<SetFile>("OVHTTPSetDebugOutputFile")(log.c_str());
    get<SetLevel>("OVHTTPSetDebugLevel")(20);
    {
        RemoteClient client(module_);
        client.setUrl("ftp://127.0.0.1/file");
    }
    get<SetLevel>("OVHTTPSetDebugLevel")(0);
    get<SetFile>("OVHTTPSetDebugOutputFile")(nullptr);  // closes the file

    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    in.close();
    ::DeleteFileA(log.c_str());
    EXPECT_NE(text.str().find("OVHTTP ParseURL: cannot find http:// for URL \"ftp://127.0.0.1/file\"\n"),
              std::string::npos)
        << text.str();
}

}  // namespace
