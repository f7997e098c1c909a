#include "raredaro/exclusions.h"

#include <windows.h>
#include <shlobj.h>

#include <memory>
#include <optional>

#include "raredaro/core/exclusion_compile.h"
#include "raredaro/core/shared_exclusions.h"
#include "win32/com_ptr.h"
#include "win32/handle.h"
#include "win32/strings.h"

namespace raredaro {

namespace {

const char kAppPaths[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
constexpr DWORD kValueBuffer = 2048;

bool AnsiLeadByte(unsigned char c) { return ::IsDBCSLeadByte(c) != 0; }

void AnsiUpper(std::string* text) {
    if (!text->empty()) ::CharUpperBuffA(&(*text)[0], static_cast<DWORD>(text->size()));
}

std::string WithoutTrailingBackslash(std::string path) {
    const CharSet chars = AnsiCharSet();
    std::size_t last = std::string::npos;
    for (std::size_t i = 0; i < path.size(); i += chars.charLength(path, i)) last = i;
    if (last != std::string::npos && last + 1 == path.size() && path[last] == '\\') path.pop_back();
    return path;
}

// A REG_SZ value of at most size bytes; nothing when missing, of another
// type or too long.
std::optional<std::string> ReadString(HKEY key, const char* name, DWORD size) {
    std::string data(size, '\0');
    DWORD type = 0, length = size;
    if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &length) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    data.resize(length);
    const std::size_t end = data.find('\0');  // the terminator, when the value has one
    if (end != std::string::npos) data.resize(end);
    return data;
}

class PidlOwner {
public:
    ~PidlOwner() {
        win::ComPtr<IMalloc> malloc;
        if (pidl_ && SUCCEEDED(::SHGetMalloc(malloc.put()))) malloc->Free(pidl_);
    }
    LPITEMIDLIST* put() { return &pidl_; }
    LPITEMIDLIST get() const { return pidl_; }

private:
    LPITEMIDLIST pidl_ = nullptr;
};

std::string PathOf(const PidlOwner& pidl) {
    char path[MAX_PATH] = {};
    if (!pidl.get() || !::SHGetPathFromIDListA(pidl.get(), path)) return std::string();
    return path;
}

std::string ShellFolder(int csidl) {
    PidlOwner pidl;
    if (FAILED(::SHGetSpecialFolderLocation(nullptr, csidl, pidl.put()))) return std::string();
    return WithoutTrailingBackslash(PathOf(pidl));
}

// The long form of a path, through the shell; the path itself when that fails.
std::string LongForm(const std::string& path) {
    win::ComPtr<IShellFolder> desktop;
    if (FAILED(::SHGetDesktopFolder(desktop.put()))) return path;
    std::wstring wide = win::ToWide(path);
    PidlOwner pidl;
    ULONG eaten = 0;
    if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, &wide[0], &eaten, pidl.put(), nullptr))) return path;
    const std::string full = PathOf(pidl);
    return full.empty() ? path : full;
}

std::string SystemFolder(UINT(WINAPI* get)(LPSTR, UINT)) {
    char path[MAX_PATH + 1] = {};
    const UINT n = get(path, MAX_PATH + 1);
    if (n == 0 || n > MAX_PATH) return std::string();
    return WithoutTrailingBackslash(path);
}

std::string TempFolder() {
    char temp[MAX_PATH + 1] = {};
    const DWORD n = ::GetTempPathA(MAX_PATH + 1, temp);
    if (n == 0 || n > MAX_PATH) return std::string();
    const std::string chosen = ChooseTempFolder(temp, SystemFolder(&::GetWindowsDirectoryA), AnsiCharSet());
    return chosen.empty() ? chosen : LongForm(chosen);
}

// The folder above the backup application's own, from its App Paths entry.
std::string ProgramFolder() {
    win::RegKey key;
    for (const char* app : {"bwwin32.exe", "eswin32.exe"}) {
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, (std::string(kAppPaths) + app).c_str(), 0, KEY_READ, key.put()) ==
            ERROR_SUCCESS)
            break;
    }
    if (!key) return std::string();
    const std::optional<std::string> path = ReadString(key.get(), "Path", MAX_PATH);
    return path ? ParentFolder(*path, AnsiCharSet()) : std::string();
}

// The system's folders, each looked up once per compile.
class SystemMacros final : public MacroSource {
public:
    std::string expand(PathMacro macro) override {
        std::optional<std::string>& cached = cache_[static_cast<int>(macro)];
        if (!cached) cached = lookUp(macro);
        return *cached;
    }

private:
    static std::string lookUp(PathMacro macro) {
        switch (macro) {
            case PathMacro::AnyDir: return "*";
            case PathMacro::UserProfile: return ShellFolder(CSIDL_PROFILE);
            case PathMacro::ProgDir: return ProgramFolder();
            case PathMacro::SystemDir: return SystemFolder(&::GetSystemDirectoryA);
            case PathMacro::Temp: return TempFolder();
            case PathMacro::WinDir: return SystemFolder(&::GetWindowsDirectoryA);
            case PathMacro::InternetCache: return ShellFolder(CSIDL_INTERNET_CACHE);
            case PathMacro::InternetCookies: return ShellFolder(CSIDL_COOKIES);
            case PathMacro::InternetHistory: return ShellFolder(CSIDL_HISTORY);
        }
        return std::string();
    }

    std::optional<std::string> cache_[9];
};

class RegistryListReader final : public ListReader {
public:
    explicit RegistryListReader(win::RegKey key) : key_(std::move(key)) {}

    bool next(ListValue* value) override {
        for (;;) {
            DWORD nameLength = kValueBuffer, dataLength = kValueBuffer, type = 0;
            const LONG rc = ::RegEnumValueA(key_.get(), index_++, name_, &nameLength, nullptr, &type, data_,
                                            &dataLength);
            // A value too long for the buffers is passed over; the rest of
            // the list still counts.
            if (rc == ERROR_MORE_DATA) continue;
            if (rc != ERROR_SUCCESS) return false;
            value->isString = type == REG_SZ;
            value->name.assign(name_, nameLength < kValueBuffer ? nameLength : kValueBuffer);
            const char* data = reinterpret_cast<const char*>(data_);
            std::size_t size = dataLength < kValueBuffer ? dataLength : kValueBuffer;
            for (std::size_t i = 0; i < size; ++i)
                if (data[i] == '\0') size = i;
            value->data.assign(data, size);
            return true;
        }
    }

private:
    win::RegKey key_;
    DWORD index_ = 0;
    char name_[kValueBuffer];
    BYTE data_[kValueBuffer];
};

class RegistryListSource final : public ListSource {
public:
    std::unique_ptr<ListReader> open(const char* keyPath) override {
        win::RegKey key;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return nullptr;
        return std::make_unique<RegistryListReader>(std::move(key));
    }
};

SharedExclusions& Shared() {
    static SharedExclusions shared;
    return shared;
}

}  // namespace

CharSet AnsiCharSet() {
    CharSet chars;
    chars.isLeadByte = &AnsiLeadByte;
    chars.upper = &AnsiUpper;
    return chars;
}

std::int32_t CompileExclusionList(ExclusionList* list) {
    try {
        RegistryListSource source;
        SystemMacros macros;
        return CompileExclusionLists(*list, source, macros);
    } catch (const std::bad_alloc&) {
        list->clear();
        return kOutOfMemory;
    }
}

void RetainExclusions() { Shared().addUser(); }

void FreeExclusions() { Shared().removeUser(); }

std::int32_t CompileExclusions() {
    std::shared_ptr<ExclusionList> list;
    try {
        list = std::make_shared<ExclusionList>(AnsiCharSet());
    } catch (const std::bad_alloc&) {
        Shared().publish(nullptr);
        return kOutOfMemory;
    }
    const std::int32_t result = CompileExclusionList(list.get());
    Shared().publish(result < 0 ? nullptr : std::move(list));
    return result;
}

bool IsDirectoryExcluded(const std::string& directory) {
    const std::shared_ptr<const ExclusionList> list = Shared().current();
    return list && list->directoryTest(directory.c_str(), nullptr) == kExcluded;
}

bool IsFileExcluded(const std::string& directory, const std::string& name) {
    const std::shared_ptr<const ExclusionList> list = Shared().current();
    return list && list->fileTest(name.c_str(), directory.c_str()) == kExcluded;
}

}  // namespace raredaro
