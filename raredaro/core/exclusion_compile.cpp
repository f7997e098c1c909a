#include "raredaro/core/exclusion_compile.h"

#include <new>

namespace raredaro {

const ExclusionSourceRow kExclusionSources[6] = {
    {"BWWIN32.EXE", "SOFTWARE\\Orvane\\Backwell\\Desktop\\CurrentVersion\\ExcludeFiles"},
    {"ESWIN32.EXE", "SOFTWARE\\Orvane\\Easysave\\CurrentVersion\\ExcludeFiles"},
    {"MSBACKUP.EXE", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Applets\\Microsoft Backup\\ExcludeFiles"},
    {"SL32.EXE", "SOFTWARE\\Orvane\\Safelatch\\CurrentVersion\\ExcludeFiles"},
    {"RBND32.EXE", "SOFTWARE\\Orvane\\Rebound\\CurrentVersion\\ExcludeFiles"},
    {"", ""},
};

const char kSystemHelpFolderEntry[] = "%WINDIR%\\PCHealth\\";

namespace {

constexpr char kAnyVolume[] = "%ANYVOL%";
constexpr char kAnyDirectory[] = "%ANYDIR%";

bool StartsWith(const std::string& text, const char (&prefix)[9]) { return text.compare(0, 8, prefix) == 0; }

// A value whose name is a folder (with macros): 1 when the name is skipped,
// else the entry's result, with *read set.
std::int32_t CompileFolderValue(ExclusionList& list, const std::string& name, const std::string* data,
                                MacroSource& macros, bool* read) {
    std::string folder = name;
    std::uint8_t flags = ExclHasPath | ExclHasDrive;
    if (!ExpandMacros(&folder, macros, list.chars(), &flags)) return 1;
    *read = true;
    return list.compileEntry(&folder, (data && *data == "*") ? nullptr : data, flags);
}

}  // namespace

std::int32_t CompileApplicationList(ExclusionList& list, ListReader& reader, MacroSource& macros) {
    try {
        std::int32_t result = 1;
        ListValue value;
        while (reader.next(&value)) {
            if (!value.isString) continue;
            std::int32_t entry;
            if (StartsWith(value.name, kAnyVolume)) {
                const std::string rest = value.name.substr(8);
                entry = list.compileEntry(&rest, &value.data, ExclHasPath);
            } else if (StartsWith(value.name, kAnyDirectory)) {
                entry = list.compileEntry(nullptr, &value.data, 0);
            } else {
                bool read = false;
                entry = CompileFolderValue(list, value.name, &value.data, macros, &read);
                if (read) result = 0;
            }
            if (entry != 1) result = entry;
            if (result < 0) return result;
        }
        const std::string star = "*";
        bool read = false;
        const std::int32_t entry = CompileFolderValue(list, kSystemHelpFolderEntry, &star, macros, &read);
        if (read) result = 0;
        if (entry < 0) result = entry;
        return result;
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
}

std::int32_t CompileExclusionLists(ExclusionList& list, ListSource& source, MacroSource& macros) {
    list.clear();
    std::int32_t result = 1;
    try {
        for (const ExclusionSourceRow* row = kExclusionSources; row->label[0]; ++row) {
            std::unique_ptr<ListReader> reader = source.open(row->keyPath);
            if (!reader) continue;
            const std::int32_t listResult = CompileApplicationList(list, *reader, macros);
            if (listResult != 1) result = listResult;
            if (result < 0) break;
        }
    } catch (const std::bad_alloc&) {
        result = kOutOfMemory;
    }
    if (result < 0) list.clear();
    return result;
}

}  // namespace raredaro
