// Compiling the backup applications' exclusion lists: the table of where they
// live, what a value's name and data mean, and the whole compile over a
// source of registry keys (the real registry, or a table in tests).
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "raredaro/core/exclusion_list.h"
#include "raredaro/core/path_macros.h"

namespace raredaro {

struct ExclusionSourceRow {
    char label[13];     // not used by the compile
    char keyPath[256];  // below HKEY_LOCAL_MACHINE
};
// Five applications; a row with an empty label ends the table.
extern const ExclusionSourceRow kExclusionSources[6];

// Added after every list that was read: compiled like a value of this name
// whose data is "*", so the folder and all below it are excluded.
extern const char kSystemHelpFolderEntry[];

struct ListValue {
    bool isString = false;  // REG_SZ; other types are skipped
    std::string name;
    std::string data;
};

// The values of one open exclusion-list key, by index from 0.
class ListReader {
public:
    virtual ~ListReader() = default;
    // False when the enumeration ends.
    virtual bool next(ListValue* value) = 0;
};

class ListSource {
public:
    virtual ~ListSource() = default;
    // Null when the key does not exist or cannot be opened.
    virtual std::unique_ptr<ListReader> open(const char* keyPath) = 0;
};

// One application's list into list. 0 when read (its fixed entry always
// expands), 1 when nothing came of it, kOutOfMemory.
std::int32_t CompileApplicationList(ExclusionList& list, ListReader& reader, MacroSource& macros);

// Clears list and compiles every source. 0 when at least one list was read,
// 1 when none was found, kOutOfMemory (the list is then empty).
std::int32_t CompileExclusionLists(ExclusionList& list, ListSource& source, MacroSource& macros);

}  // namespace raredaro
