// An INI file held in memory and written back in the layout it was read:
// section order, comments, blank lines and the spacing around keys and values
// survive a load and a save unchanged. Failures throw COvIniFileException (by
// value).
#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "setup/ini_exception.h"

// A key line keeps its key and value exactly as written on either side of the
// first "="; a free line (comment, blank, text without "=") has an empty key
// and the whole line as its value.
class IniLine {
public:
    IniLine(std::string key, std::string value) : key_(std::move(key)), value_(std::move(value)) {}
    const std::string& GetKey() const { return key_; }
    const std::string& GetValue() const { return value_; }
    bool IsKeyLine() const { return !key_.empty(); }

private:
    std::string key_;
    std::string value_;
};

class IniSection {
public:
    explicit IniSection(std::string_view name);

    const std::string& GetName() const { return name_; }
    void SetName(std::string_view name);

    // The value of the first line whose trimmed key equals the trimmed key
    // given, untrimmed; false when there is none.
    bool GetValue(std::string_view key, std::string& value) const;
    void AddKeyValue(std::string_view key, std::string_view value);
    void AddLine(std::string_view text);
    // The n-th line's value, counting from 1 (0 gives the first as well);
    // false, text unchanged, for a negative n or beyond the end.
    bool GetLineValue(long n, std::string& text) const;
    // Removes the first line with that key; false when there is none.
    bool RemoveKey(std::string_view key);
    // Removes the line at index i, counting from 0; false when out of range.
    bool RemoveLineAt(long i);
    void RemoveAll() { lines_.clear(); }
    const std::vector<IniLine>& GetLines() const { return lines_; }

private:
    std::vector<IniLine>::const_iterator FindKey(std::string_view key) const;

    std::string name_;
    std::vector<IniLine> lines_;
};

class CIniFile {
public:
    // Holds the lines before the first header; never written with a header.
    static constexpr const char* kUnnamedSection = "$$$unnamed$$$";

    // Stores the path and loads the file. When loading throws, the path is
    // cleared, nothing stays loaded, and the exception passes on.
    void SetFileName(const std::string& path);
    const std::string& GetFileName() const { return fileName_; }

    // Writes every section to the file, in UTF-16 when the file read was.
    void Save();

    // Exact (case-sensitive) lookup of the first section of that name.
    bool GetSection(std::string_view name, IniSection** section) const;
    // The n-th section in file order, counting from 1 (0 also gives the first,
    // the unnamed one); false for a negative n or beyond the end.
    bool GetSectionAt(long n, IniSection** section) const;
    std::size_t GetSectionCount() const { return sections_.size(); }
    IniSection* AddSection(std::string_view name);
    void RemoveAll() { sections_.clear(); }

    bool IsUnicode() const { return unicode_; }
    // The number from the last line beginning with ";~^#", 0 when none.
    unsigned long GetMarkerNumber() const { return marker_; }

private:
    void Load();

    std::string fileName_;
    std::vector<std::unique_ptr<IniSection>> sections_;
    bool unicode_ = false;
    unsigned long marker_ = 0;
};

// Trims blanks (space, tab, CR, LF, vertical tab, form feed) at both ends.
std::string_view TrimBlanks(std::string_view text);
