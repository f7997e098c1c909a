// The one seam of the census: how a directory's entries are listed. The
// product lists the real volume; tests can present entries Wine cannot make
// (a clear archive bit, sizes past 4 GB, cycles).
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

namespace raredaro {

struct DirectoryEntry {
    const wchar_t* name;
    std::uint32_t attributes;
    std::uint64_t size;
};

struct DirectoryIdentity {
    std::uint32_t volumeSerial = 0;
    std::uint64_t fileIndex = 0;
    bool operator==(const DirectoryIdentity& o) const {
        return volumeSerial == o.volumeSerial && fileIndex == o.fileIndex;
    }
};

class DirectoryLister {
public:
    virtual ~DirectoryLister() = default;
    // Calls visit for every entry of directory ("." and ".." included) until
    // visit returns false. The failure of the search's start as an HRESULT
    // (S_OK when none); S_OK once the listing ran.
    virtual HRESULT list(const std::wstring& directory, const std::function<bool(const DirectoryEntry&)>& visit) = 0;
    // What a directory (or the target of a junction) is, to tell cycles.
    virtual bool identity(const std::wstring& directory, DirectoryIdentity* out) = 0;
};

// The real volume, through the wide API, with long-path names where needed.
class Win32DirectoryLister final : public DirectoryLister {
public:
    HRESULT list(const std::wstring& directory, const std::function<bool(const DirectoryEntry&)>& visit) override;
    bool identity(const std::wstring& directory, DirectoryIdentity* out) override;
};

// "\\?\" in front of a path too long for the plain API.
std::wstring LongPathForm(const std::wstring& path);

}  // namespace raredaro
