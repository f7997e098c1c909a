// The walk over a directory listing: a fake listing for what Wine cannot
// show (clear archive bits, huge files, cycles, failures), and the real one
// over awkward names and paths.
#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "raredaro/volume_census.h"

namespace raredaro {
namespace {

struct FakeEntry {
    std::wstring name;
    std::uint32_t attributes;
    std::uint64_t size;
};

class FakeLister : public DirectoryLister {
public:
    std::map<std::wstring, std::vector<FakeEntry>> dirs;
    std::map<std::wstring, HRESULT> failures;
    std::map<std::wstring, std::uint64_t> ids;
    int listings = 0;

    void file(const std::wstring& dir, const std::wstring& name, std::uint64_t size, bool archive = true) {
        dirs[dir].push_back({name, archive ? FILE_ATTRIBUTE_ARCHIVE : FILE_ATTRIBUTE_NORMAL, size});
    }
    void subdir(const std::wstring& dir, const std::wstring& name, std::uint32_t extra = 0) {
        dirs[dir].push_back({name, FILE_ATTRIBUTE_DIRECTORY | extra, 0});
        dirs[dir + L"\\" + name];
    }

    HRESULT list(const std::wstring& dir, const std::function<bool(const DirectoryEntry&)>& visit) override {
        ++listings;
        auto f = failures.find(dir);
        if (f != failures.end()) return f->second;
        auto d = dirs.find(dir);
        if (d == dirs.end()) return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
        std::vector<FakeEntry> entries = {{L".", FILE_ATTRIBUTE_DIRECTORY, 0}, {L"..", FILE_ATTRIBUTE_DIRECTORY, 0}};
        if (dir.size() == 2) entries.clear();  // a volume root has no dot entries
        entries.insert(entries.end(), d->second.begin(), d->second.end());
        if (entries.empty()) return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        for (const auto& e : entries)
            if (!visit(DirectoryEntry{e.name.c_str(), e.attributes, e.size})) break;
        return S_OK;
    }
    bool identity(const std::wstring& dir, DirectoryIdentity* out) override {
        auto i = ids.find(dir);
        if (i == ids.end()) return false;
        out->fileIndex = i->second;
        return true;
    }
};

class RecordingHost : public CensusHost {
public:
    std::vector<int> progress;
    int cancelAfterProgress = -1;
    bool cancel = false;
    HRESULT progressResult = S_OK;

    bool cancelled() override { return cancel; }
    HRESULT reportProgress(std::int16_t p) override {
        progress.push_back(p);
        if (static_cast<int>(progress.size()) == cancelAfterProgress) cancel = true;
        return progressResult;
    }
    bool exclusionsActive() override { return false; }
    bool directoryExcluded(const std::string&) override { return false; }
    bool fileExcluded(const std::string&, const std::string&) override { return false; }
};

struct Result {
    HRESULT hr;
    VolumeCounts counts;
};

Result Walk(FakeLister& lister, RecordingHost& host, std::uint64_t used = 1000000, std::uint32_t cluster = 4096) {
    CensusState census;
    census.reset(used, cluster);
    VolumeCounts counts;
    const HRESULT hr = WalkVolume(L"D:", lister, host, census, &counts);
    return {hr, counts};
}

TEST(Census, CountsFilesAndRoundsToClusters) {
    FakeLister lister;
    RecordingHost host;
    lister.file(L"D:", L"one.txt", 1);                        // 4096
    lister.file(L"D:", L"empty.txt", 0);                      // 0
    lister.file(L"D:", L"backed-up.doc", 5000, false);        // 8192, protected
    lister.subdir(L"D:", L"big");
    lister.file(L"D:\\big", L"video.bin", (5ull << 32) + 1);  // past 4 GB
    const Result r = Walk(lister, host);
    EXPECT_EQ(S_OK, r.hr);
    EXPECT_EQ(4u, r.counts.files);
    EXPECT_EQ(1u, r.counts.filesProtected);
    EXPECT_EQ(8192u, r.counts.bytesProtected);
}

TEST(Census, ProgressIsReportedInSteps) {
    FakeLister lister;
    RecordingHost host;
    // 1 MB used: a step is 2097 bytes, each 4096-byte file moves it once
    for (int i = 0; i < 3; ++i) lister.file(L"D:", L"f" + std::to_wstring(i), 4000);
    EXPECT_EQ(S_OK, Walk(lister, host, 1 << 20).hr);
    EXPECT_EQ((std::vector<int>{2, 4, 6}), host.progress);
}

TEST(Census, SkipsDeniedAndVanishedFoldersButFailsOnOthers) {
    FakeLister lister;
    RecordingHost host;
    lister.subdir(L"D:", L"denied");
    lister.subdir(L"D:", L"gone");
    lister.subdir(L"D:", L"ok");
    lister.file(L"D:\\ok", L"a", 1);
    lister.failures[L"D:\\denied"] = E_ACCESSDENIED;
    lister.failures[L"D:\\gone"] = HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    Result r = Walk(lister, host);
    EXPECT_EQ(S_OK, r.hr);
    EXPECT_EQ(1u, r.counts.files);

    lister.failures[L"D:\\gone"] = HRESULT_FROM_WIN32(ERROR_NOT_READY);
    r = Walk(lister, host);
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_NOT_READY), r.hr);

    FakeLister empty;
    empty.dirs[L"D:"];
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), Walk(empty, host).hr);  // a root with no entry at all
}

TEST(Census, CancelStopsEveryLevel) {
    FakeLister lister;
    RecordingHost host;
    lister.subdir(L"D:", L"a");
    for (int i = 0; i < 10; ++i) lister.file(L"D:\\a", L"f" + std::to_wstring(i), 4096);
    lister.subdir(L"D:", L"b");
    lister.file(L"D:\\b", L"late", 4096);
    host.cancelAfterProgress = 2;
    const Result r = Walk(lister, host, 1000);  // step 2 bytes: every file reports
    EXPECT_EQ(E_ABORT, r.hr);
    EXPECT_EQ(2u, r.counts.files);
    EXPECT_EQ(2, lister.listings);  // D:\b never listed
}

TEST(Census, AProgressResultOtherThanOkEndsTheWalk) {
    FakeLister lister;
    RecordingHost host;
    lister.file(L"D:", L"a", 4096);
    lister.file(L"D:", L"b", 4096);
    host.progressResult = S_FALSE;
    const Result r = Walk(lister, host, 1000);
    EXPECT_EQ(S_FALSE, r.hr);
    EXPECT_EQ(1u, r.counts.files);
}

TEST(Census, AJunctionBackIntoItsOwnTreeIsNotFollowed) {
    FakeLister lister;
    RecordingHost host;
    lister.subdir(L"D:", L"a");
    lister.file(L"D:\\a", L"f", 1);
    lister.subdir(L"D:\\a", L"loop", FILE_ATTRIBUTE_REPARSE_POINT);  // points back at D:\a
    lister.subdir(L"D:\\a", L"elsewhere", FILE_ATTRIBUTE_REPARSE_POINT);
    lister.file(L"D:\\a\\elsewhere", L"g", 1);
    lister.ids = {{L"D:", 1}, {L"D:\\a", 2}, {L"D:\\a\\loop", 2}, {L"D:\\a\\elsewhere", 3}};
    const Result r = Walk(lister, host);
    EXPECT_EQ(S_OK, r.hr);
    EXPECT_EQ(2u, r.counts.files);  // f, and g through the junction that leads elsewhere
}

// The real listing over names the ANSI code page cannot hold, a path longer
// than the plain API allows and a link that points back up the tree.
TEST(Census, RealVolumeWithAwkwardNamesAndPaths) {
    const std::wstring root = L"D:";
    // Made by the test bench on the Linux side (see CMakeLists): count them.
    Win32DirectoryLister lister;
    RecordingHost host;
    CensusState census;
    census.reset(1 << 30, 4096);
    VolumeCounts counts;
    ASSERT_EQ(S_OK, WalkVolume(root, lister, host, census, &counts));
    EXPECT_EQ(4u, counts.files);  // plain.txt, the Japanese and Greek folders' files, the deep one
}

}  // namespace
}  // namespace raredaro
