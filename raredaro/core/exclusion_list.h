// The compiled exclusion lists: what the installed backup applications never
// take, as records of folders, volumes and file-name patterns, and the two
// questions the census asks of them. Texts are narrow (ANSI code page).
#pragma once
#include <cstdint>
#include <forward_list>
#include <string>

#include "raredaro/core/char_set.h"

namespace raredaro {

enum ExclusionFlags : std::uint8_t {
    ExclDirectory = 0x01,    // the path and every folder below it are excluded
    ExclHasPath = 0x02,      // the entry names a folder path
    ExclFilePattern = 0x04,  // files whose names match the pattern are excluded
    ExclVolume = 0x08,       // the whole drive is excluded
    ExclHasDrive = 0x10,     // the path begins with a drive letter
    ExclWildcards = 0x20,    // the pattern holds '*' or '?'
    ExclRecursive = 0x40,    // a file pattern also applies in every folder below the path
};

struct ExclusionRecord {
    // Upper case. "D:" or "D:\\" for a volume, "D:\\FOLDER" with a drive,
    // "FOLDER" relative to any volume's root.
    bool hasPath = false;
    std::string path;
    bool hasPattern = false;
    std::string pattern;  // upper case
    std::uint8_t flags = 0;
};

// Results of the compile and the tests (HRESULT values where they fail).
constexpr std::int32_t kExcluded = 1;
constexpr std::int32_t kNotExcluded = 0;
constexpr std::int32_t kListEmpty = static_cast<std::int32_t>(0x80070006);   // E_HANDLE
constexpr std::int32_t kBadArgument = static_cast<std::int32_t>(0x80070057);  // E_INVALIDARG
constexpr std::int32_t kOutOfMemory = static_cast<std::int32_t>(0x8007000E);  // E_OUTOFMEMORY
constexpr std::size_t kMaxExclusionPath = 260;

class ExclusionList {
public:
    explicit ExclusionList(CharSet chars = {}) : chars_(chars) {}

    // One entry: a folder path (null: none), a '|'-separated pattern list
    // (null: the whole folder) and the entry's flags. 0 when a record was
    // added, 1 when none was, kOutOfMemory.
    std::int32_t compileEntry(const std::string* path, const std::string* patterns, std::uint8_t flags);

    // Is the folder (and, with a name, the file in it) excluded? kExcluded,
    // kNotExcluded, kListEmpty or kBadArgument. Folders are "D:" for a root,
    // "D:\\FOLDER\\SUB" below it; either text may be null.
    std::int32_t directoryTest(const char* directory, const char* name) const;
    std::int32_t fileTest(const char* name, const char* directory) const;

    void clear() { records_.clear(); }
    bool empty() const { return records_.empty(); }
    // In list order: the newest record first.
    const std::forward_list<ExclusionRecord>& records() const { return records_; }
    const CharSet& chars() const { return chars_; }

private:
    bool pathMatches(const ExclusionRecord& record, const std::string& folder) const;

    CharSet chars_;
    std::forward_list<ExclusionRecord> records_;
};

}  // namespace raredaro
