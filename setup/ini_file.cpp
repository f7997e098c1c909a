#include "ini_file.h"

#include <algorithm>
#include <unordered_map>

#include "setup/tchar_stream.h"

namespace {

constexpr std::size_t kFirstBufferSize = 1024;
constexpr char kBlanks[] = " \t\r\n\v\f";

const char kNoFileName[] = "The filename member of CIniFile has not been initialized.";

COvIniFileException FormatError(const char* message) {
    return COvIniFileException(COvIniFileException::kCategoryFormat, winerror::kInvalidData, message);
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

IniSection::IniSection(std::string_view name) : name_(TrimBlanks(name)) {}

void IniSection::SetName(std::string_view name) { name_ = std::string(TrimBlanks(name)); }

std::vector<IniLine>::const_iterator IniSection::FindKey(std::string_view key) const {
    const std::string_view wanted = TrimBlanks(key);
    for (auto it = lines_.begin(); it != lines_.end(); ++it)
        if (it->IsKeyLine() && TrimBlanks(it->GetKey()) == wanted) return it;
    return lines_.end();
}

bool IniSection::GetValue(std::string_view key, std::string& value) const {
    const auto it = FindKey(key);
    if (it == lines_.end()) return false;
    value = it->GetValue();
    return true;
}

void IniSection::AddKeyValue(std::string_view key, std::string_view value) {
    lines_.emplace_back(std::string(key), std::string(value));
}

void IniSection::AddLine(std::string_view text) { lines_.emplace_back(std::string(), std::string(text)); }

bool IniSection::GetLineValue(long n, std::string& text) const {
    if (n < 0 || lines_.empty()) return false;
    const std::size_t index = n == 0 ? 0 : static_cast<std::size_t>(n) - 1;
    if (index >= lines_.size()) return false;
    text = lines_[index].GetValue();
    return true;
}

bool IniSection::RemoveKey(std::string_view key) {
    const auto it = FindKey(key);
    if (it == lines_.end()) return false;
    lines_.erase(it);
    return true;
}

bool IniSection::RemoveLineAt(long i) {
    if (i < 0 || static_cast<std::size_t>(i) >= lines_.size()) return false;
    lines_.erase(lines_.begin() + i);
    return true;
}

bool CIniFile::GetSection(std::string_view name, IniSection** section) const {
    const std::string_view wanted = TrimBlanks(name);
    for (const auto& s : sections_)
        if (s->GetName() == wanted) {
            *section = s.get();
            return true;
        }
    return false;
}

bool CIniFile::GetSectionAt(long n, IniSection** section) const {
    if (n < 0 || sections_.empty()) return false;
    const std::size_t index = n == 0 ? 0 : static_cast<std::size_t>(n) - 1;
    if (index >= sections_.size()) return false;
    *section = sections_[index].get();
    return true;
}

IniSection* CIniFile::AddSection(std::string_view name) {
    sections_.push_back(std::make_unique<IniSection>(name));
    return sections_.back().get();
}

void CIniFile::SetFileName(const std::string& path) {
    fileName_ = path;
    try {
        Load();
    } catch (...) {
        fileName_.clear();
        throw;
    }
}

void CIniFile::Load() {
    sections_.clear();
    unicode_ = false;
    marker_ = 0;

    CTCharStream stream;
    std::string currentName;
    std::string text;
    long count = 0;
    try {
        if (fileName_.empty())
            throw COvIniFileException(COvIniFileException::kCategoryState, winerror::kInvalidName, kNoFileName);
        if (!stream.OpenStream(fileName_, CTCharStream::kModeRead))
            throw COvIniFileException(COvIniFileException::kCategoryFormat, stream.LastError(),
                                      "Call to CTCharStream::OpenStream( " + fileName_ + " ) failed.");
        unicode_ = stream.GetForm() == CTCharStream::kFormUnicode;

        // Lines after a repeated header join the first section of that name.
        std::unordered_map<std::string, IniSection*> byName;
        IniSection* current = AddSection(kUnnamedSection);
        byName.emplace(current->GetName(), current);
        currentName = current->GetName();

        std::vector<char> buffer(kFirstBufferSize);
        for (;;) {
            text.clear();
            long size = static_cast<long>(buffer.size());
            if (!stream.ReadLine(buffer.data(), size, marker_)) {
                if (stream.LastError() == 0 && size == -1) break;  // end of file
                if (stream.LastError() == 0 && size >= static_cast<long>(buffer.size())) {
                    buffer.resize(static_cast<std::size_t>(size) + 1);  // a long line: read it again
                    continue;
                }
                throw COvIniFileException(COvIniFileException::kCategoryFormat, stream.LastError(),
                                          "Failed to read line from file:" + fileName_);
            }
            text.assign(buffer.data(), static_cast<std::size_t>(size));

            const std::string_view line = text;
            const std::string_view lead = line.substr(std::min(line.size(), line.find_first_not_of(kBlanks)));
            if (!lead.empty() && lead.front() == '[') {
                const auto close = lead.find(']');
                if (close == std::string_view::npos || close == 1) throw FormatError("Improperly formed section name.");
                const std::string_view name = TrimBlanks(lead.substr(1, close - 1));
                // A blank name would be written as "[]", which no load accepts.
                if (name.empty()) throw FormatError("Improperly formed section name.");
                if (name.find_first_of("=[];\t") != std::string_view::npos)
                    throw FormatError("Illegal character(s) in section name.");
                IniSection* added = AddSection(name);
                current = byName.emplace(added->GetName(), added).first->second;
                currentName = added->GetName();
            } else if (!lead.empty() && lead.front() == ';') {
                current->AddLine(line);
            } else {
                const auto equals = line.find('=');
                if (equals == std::string_view::npos || equals == 0 || line.find('"') < equals) {
                    current->AddLine(line);
                } else {
                    const std::string_view key = line.substr(0, equals);
                    if (TrimBlanks(key).find_first_of("[];\t") != std::string_view::npos)
                        throw FormatError("Illegal character(s) in key name.");
                    current->AddKeyValue(key, line.substr(equals + 1));
                }
            }
            ++count;
        }
        stream.Close();
    } catch (COvIniFileException& e) {
        e.SetContext(fileName_, currentName, text, count);
        stream.Close();
        sections_.clear();
        unicode_ = false;
        marker_ = 0;
        throw;
    }
}

void CIniFile::Save() {
    CTCharStream stream;
    std::string currentName;
    std::string text;
    long count = 0;
    try {
        if (fileName_.empty())
            throw COvIniFileException(COvIniFileException::kCategoryFormat, winerror::kInvalidName, kNoFileName);
        if (!stream.OpenStream(fileName_, unicode_ ? CTCharStream::kModeWriteUnicode : CTCharStream::kModeWriteAnsi))
            throw COvIniFileException(COvIniFileException::kCategoryState, stream.LastError(),
                                      "Failed to open the output stream");
        const auto write = [&](std::string line) {
            text = std::move(line);
            if (!stream.WriteLine(text))
                throw COvIniFileException(COvIniFileException::kCategoryState, stream.LastError(),
                                          "Failed to write line to file:" + fileName_);
            ++count;
        };
        for (const auto& section : sections_) {
            currentName = section->GetName();
            if (currentName != kUnnamedSection) write("[" + currentName + "]");
            // Lines are written whole: cutting one would lose what it held.
            for (const auto& line : section->GetLines())
                write(line.IsKeyLine() ? line.GetKey() + "=" + line.GetValue() : line.GetValue());
        }
        text.clear();
        if (!stream.Close())
            throw COvIniFileException(COvIniFileException::kCategoryState, stream.LastError(),
                                      "Failed to write line to file:" + fileName_);
    } catch (COvIniFileException& e) {
        e.SetContext(fileName_, currentName, text, count);
        stream.Close();
        throw;
    }
}
