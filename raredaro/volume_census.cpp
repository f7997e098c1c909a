#include "raredaro/volume_census.h"

#include <memory>
#include <vector>

#include "win32/strings.h"

namespace raredaro {

HRESULT QueryVolume(wchar_t letter, std::uint64_t* usedBytes, std::uint32_t* clusterSize) {
    const char root[4] = {static_cast<char>(letter & 0xFF), ':', '\\', '\0'};
    using FreeSpaceEx = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
    // Looked up by name: the oldest systems do not have it.
    auto freeSpaceEx = reinterpret_cast<FreeSpaceEx>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("KERNEL32.DLL"), "GetDiskFreeSpaceExA")));
    std::uint64_t used = 0;
    if (freeSpaceEx) {
        ULARGE_INTEGER available, total, totalFree;
        if (!freeSpaceEx(root, &available, &total, &totalFree)) return HRESULT_FROM_WIN32(::GetLastError());
        used = total.QuadPart - available.QuadPart;
    }
    DWORD sectorsPerCluster, bytesPerSector, freeClusters, totalClusters;
    if (!::GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters))
        return HRESULT_FROM_WIN32(::GetLastError());
    *clusterSize = sectorsPerCluster * bytesPerSector;
    if (!freeSpaceEx) used = std::uint64_t{totalClusters - freeClusters} * *clusterSize;
    *usedBytes = used;
    return S_OK;
}

namespace {

bool IsDots(const wchar_t* name) { return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0)); }

// Failures of a subdirectory that mean "skip it": gone, or not ours to read.
HRESULT SkipVanished(HRESULT hr) {
    const unsigned code = static_cast<unsigned>(hr) & 0xFFFF;
    return (code == ERROR_PATH_NOT_FOUND || code == ERROR_ACCESS_DENIED) ? S_OK : hr;
}

// One directory being walked. Files are counted while it is listed; its
// subdirectories are walked afterwards, one at a time, so that at most one
// search is open and the depth of the tree costs no stack.
struct Frame {
    std::wstring path;
    bool excluded;
    std::vector<std::wstring> subdirectories;
    std::vector<bool> subdirectoryReparse;
    size_t next = 0;
    HRESULT result = S_OK;
    bool identityKnown = false;
    bool identityTried = false;
    DirectoryIdentity identity;
};

class Walker {
public:
    Walker(DirectoryLister& lister, CensusHost& host, CensusState& census, VolumeCounts* counts)
        : lister_(lister), host_(host), census_(census), counts_(counts) {}

    HRESULT run(const std::wstring& root) {
        enter(root, false);
        for (;;) {
            Frame& top = *frames_.back();
            if (top.result == S_OK && !host_.cancelled() && top.next < top.subdirectories.size()) {
                const size_t i = top.next++;
                std::wstring child = top.path + L"\\" + top.subdirectories[i];
                const bool reparse = top.subdirectoryReparse[i];
                if (reparse && formsCycle(child)) continue;
                enter(child, top.excluded);
                continue;
            }
            HRESULT result = host_.cancelled() ? E_ABORT : top.result;
            frames_.pop_back();
            if (frames_.empty()) return result;
            Frame& parent = *frames_.back();
            parent.result = SkipVanished(result);
        }
    }

private:
    void enter(const std::wstring& path, bool excluded) {
        auto frame = std::make_unique<Frame>();
        frame->path = path;
        frame->excluded = excluded;
        if (!excluded && host_.exclusionsActive())
            frame->excluded = host_.directoryExcluded(win::ToNarrow(path));  // all below counts as protected
        Frame& f = *frame;
        frames_.push_back(std::move(frame));

        std::string ansiPath;  // made once, only if the file test is asked
        HRESULT listed = lister_.list(f.path, [&](const DirectoryEntry& entry) {
            if (IsDots(entry.name)) return !host_.cancelled();
            if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) {
                f.subdirectories.emplace_back(entry.name);
                f.subdirectoryReparse.push_back((entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0);
            } else {
                f.result = countFile(f, entry, &ansiPath);
            }
            return f.result == S_OK && !host_.cancelled();
        });
        if (FAILED(listed) && listed != E_ACCESSDENIED) f.result = listed;
    }

    HRESULT countFile(const Frame& f, const DirectoryEntry& entry, std::string* ansiPath) {
        const std::uint64_t allocated = census_.allocated(entry.size);
        counts_->files += 1;
        bool isProtected = f.excluded || !(entry.attributes & FILE_ATTRIBUTE_ARCHIVE);
        if (!isProtected && host_.exclusionsActive()) {
            if (ansiPath->empty()) *ansiPath = win::ToNarrow(f.path);
            isProtected = host_.fileExcluded(*ansiPath, win::ToNarrow(entry.name));
        }
        if (isProtected) {
            counts_->filesProtected += 1;
            counts_->bytesProtected += allocated;
        }
        return census_.advance(allocated) ? host_.reportProgress(census_.progress()) : S_OK;
    }

    // A junction whose target is one of the directories being walked would
    // lead back into itself for ever.
    bool formsCycle(const std::wstring& child) {
        DirectoryIdentity target;
        if (!lister_.identity(child, &target)) return false;
        for (auto& frame : frames_) {
            if (!frame->identityTried) {
                frame->identityTried = true;
                frame->identityKnown = lister_.identity(frame->path, &frame->identity);
            }
            if (frame->identityKnown && frame->identity == target) return true;
        }
        return false;
    }

    DirectoryLister& lister_;
    CensusHost& host_;
    CensusState& census_;
    VolumeCounts* counts_;
    std::vector<std::unique_ptr<Frame>> frames_;
};

}  // namespace

HRESULT WalkVolume(const std::wstring& root, DirectoryLister& lister, CensusHost& host, CensusState& census,
                   VolumeCounts* counts) {
    return Walker(lister, host, census, counts).run(root);
}

}  // namespace raredaro
