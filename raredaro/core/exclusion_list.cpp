#include "raredaro/core/exclusion_list.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "raredaro/core/name_match.h"

namespace raredaro {

namespace {

bool StartsWithDrive(const std::string& text) {
    return text.size() >= 2 && text[0] >= 'A' && text[0] <= 'Z' && text[1] == ':';
}

bool HasWildcards(const std::string& text, const CharSet& chars) {
    for (std::size_t i = 0; i < text.size(); i += chars.charLength(text, i))
        if (text[i] == '*' || text[i] == '?') return true;
    return false;
}

// Drops a final '\\' that is a character of its own, not a second byte.
void DropTrailingBackslash(std::string* text, const CharSet& chars) {
    std::size_t last = std::string::npos;
    for (std::size_t i = 0; i < text->size(); i += chars.charLength(*text, i)) last = i;
    if (last != std::string::npos && last + 1 == text->size() && (*text)[last] == '\\') text->pop_back();
}

}  // namespace

std::int32_t ExclusionList::compileEntry(const std::string* path, const std::string* patterns, std::uint8_t flags) {
    try {
        std::string folder = path ? *path : std::string();
        char drive = 0;
        if ((flags & ExclHasPath) || !folder.empty()) {
            chars_.toUpper(&folder);
            if (StartsWithDrive(folder)) {
                drive = folder[0];
                folder.erase(0, 2);
            }
            if (!folder.empty() && folder[0] == '\\') folder.erase(0, 1);
            DropTrailingBackslash(&folder, chars_);
            if (folder.size() > 255) return 1;
        }
        const std::size_t n = folder.size();
        if (!drive) flags &= static_cast<std::uint8_t>(~ExclHasDrive);

        bool added = false;
        auto add = [&](std::uint8_t recordFlags, const std::string* pattern) {
            ExclusionRecord record;
            record.flags = recordFlags;
            if (recordFlags & ExclHasDrive) {
                record.path += drive;
                record.path += ':';
                if (recordFlags & ExclHasPath) record.path += '\\';
            }
            if (recordFlags & ExclHasPath) record.path += folder;
            record.hasPath = (recordFlags & (ExclHasDrive | ExclHasPath)) != 0;
            if (pattern) {
                record.hasPattern = true;
                record.pattern = *pattern;
            }
            records_.push_front(std::move(record));
            added = true;
        };

        if (patterns) {
            std::string list = *patterns;
            chars_.toUpper(&list);
            flags &= static_cast<std::uint8_t>(~(ExclDirectory | ExclFilePattern | ExclVolume | ExclWildcards));
            std::size_t start = 0;
            for (bool last = false; !last;) {
                std::size_t end = start;
                while (end < list.size() && list[end] != '|') end += chars_.charLength(list, end);
                last = end >= list.size();
                const std::string piece = list.substr(start, end - start);
                start = end + 1;
                if (piece == "*") {
                    add(flags | (n > 0 ? ExclDirectory : ExclVolume), nullptr);
                    break;
                }
                if (piece.empty() || piece.size() + n + 4 > kMaxExclusionPath) continue;
                add(flags | ExclFilePattern | (HasWildcards(piece, chars_) ? ExclWildcards : 0), &piece);
            }
        } else {
            flags = static_cast<std::uint8_t>((flags & ~ExclDirectory) | (n > 0 ? ExclDirectory : 0));
            if (n == 0 && !(flags & ExclHasDrive)) return 1;
            if (n == 0) flags |= ExclVolume;
            add(flags, nullptr);
        }
        return added ? 0 : 1;
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
}

bool ExclusionList::pathMatches(const ExclusionRecord& record, const std::string& folder) const {
    std::size_t start = 0;
    if ((record.flags & ExclHasPath) && !(record.flags & ExclHasDrive))
        start = folder.size() == 2 ? 2 : std::min<std::size_t>(3, folder.size());  // relative to the root
    const std::string& prefix = record.path;
    if (folder.size() - start < prefix.size() || folder.compare(start, prefix.size(), prefix) != 0) return false;
    const std::size_t end = start + prefix.size();
    if (end == folder.size()) return true;
    return folder[end] == '\\' && (record.flags & (ExclDirectory | ExclRecursive));
}

std::int32_t ExclusionList::directoryTest(const char* directory, const char* name) const {
    if (records_.empty()) return kListEmpty;
    if (!directory) return kBadArgument;
    if (std::strlen(directory) + (name ? std::strlen(name) : 0) > kMaxExclusionPath) return kBadArgument;
    std::string folder = directory;
    chars_.toUpper(&folder);
    if (!StartsWithDrive(folder)) return kBadArgument;
    for (const ExclusionRecord& r : records_) {
        if (r.flags & ExclVolume) {
            // A volume record without any path (an "every folder" entry whose
            // patterns are just "*") names no drive: it excludes nothing.
            if (r.hasPath && !r.path.empty() && r.path[0] == folder[0]) return kExcluded;
        } else if (r.flags & ExclDirectory) {
            if ((r.flags & ExclHasDrive) && r.path[0] != folder[0]) continue;
            if (pathMatches(r, folder)) return kExcluded;
        }
    }
    return name ? fileTest(name, directory) : kNotExcluded;
}

std::int32_t ExclusionList::fileTest(const char* name, const char* directory) const {
    if (records_.empty()) return kListEmpty;
    if (!name || !*name) return kBadArgument;
    if (std::strlen(name) + (directory ? std::strlen(directory) : 0) > kMaxExclusionPath) return kBadArgument;
    std::string folder;
    if (directory) {
        folder = directory;
        chars_.toUpper(&folder);
        if (!StartsWithDrive(folder)) return kBadArgument;
    }
    std::string file = name;
    chars_.toUpper(&file);
    for (const ExclusionRecord& r : records_) {
        if (!(r.flags & ExclFilePattern)) continue;
        if ((r.flags & ExclHasDrive) && (!directory || folder[0] != r.path[0])) continue;
        if ((r.flags & ExclHasPath) && (!directory || !pathMatches(r, folder))) continue;
        if (NameMatches(file, r.pattern, (r.flags & ExclWildcards) != 0, chars_)) return kExcluded;
    }
    return kNotExcluded;
}

}  // namespace raredaro
