#include "config_reader.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "config_cipher.h"

namespace {

std::string_view trimSpaces(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    return s;
}

// A line holding '[' and, after it, ']' names a section.
bool sectionName(std::string_view line, std::string_view* name) {
    const auto open = line.find('[');
    if (open == std::string_view::npos) return false;
    const auto close = line.find(']', open + 1);
    if (close == std::string_view::npos) return false;
    *name = line.substr(open + 1, close - open - 1);
    return true;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

bool ConfigReader::load(const char* path) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
    if (!file) return false;
    std::vector<std::uint8_t> data;
    std::uint8_t block[256];
    for (;;) {
        const std::size_t n = std::fread(block, 1, sizeof block, file.get());
        if (n == 0) break;
        if (data.size() + n > kMaxFileSize) return false;
        data.insert(data.end(), block, block + n);
    }
    if (std::ferror(file.get())) return false;
    return loadBytes(data.data(), data.size());
}

bool ConfigReader::loadBytes(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxFileSize) return false;
    std::string text(reinterpret_cast<const char*>(data), size);
    ConfigCipher().decodeBlock(reinterpret_cast<std::uint8_t*>(text.data()), text.size());
    parsePlain(text);
    return true;
}

void ConfigReader::parsePlain(std::string_view text) {
    sections_.clear();
    std::map<std::string, std::string>* current = nullptr;
    std::size_t pos = 0;
    while (pos < text.size()) {
        // A CR ends a line; it and the character after it are dropped.
        std::size_t end = text.find('\r', pos);
        std::string_view line;
        if (end == std::string_view::npos) {
            line = text.substr(pos);
            pos = text.size();
        } else {
            line = text.substr(pos, end - pos);
            pos = end + 2 <= text.size() ? end + 2 : text.size();
        }

        std::string_view name;
        if (sectionName(line, &name)) {
            current = &sections_[std::string(name)];
        } else if (line.empty()) {
            current = nullptr;  // an empty line ends the section's entries
        } else if (current) {
            const auto eq = line.find('=');
            std::string_view key = trimSpaces(line.substr(0, eq));
            std::string_view value =
                eq == std::string_view::npos ? std::string_view() : trimSpaces(line.substr(eq + 1));
            (*current)[std::string(key)] = std::string(value);
        }
    }
}

void ConfigReader::get(const char* section, const char* key, const char* defaultValue,
                       char* buffer, std::size_t size) const {
    if (size == 0) return;
    const std::string value = get(std::string(section ? section : ""), std::string(key ? key : ""),
                                  std::string(defaultValue ? defaultValue : ""));
    const std::size_t n = value.size() < size - 1 ? value.size() : size - 1;
    std::memcpy(buffer, value.data(), n);
    buffer[n] = '\0';
}

std::string ConfigReader::get(const std::string& section, const std::string& key,
                              const std::string& defaultValue) const {
    const auto s = sections_.find(section);
    if (s == sections_.end()) return defaultValue;
    const auto k = s->second.find(key);
    return k == s->second.end() ? defaultValue : k->second;
}

const std::map<std::string, std::string>* ConfigReader::section(const std::string& name) const {
    const auto s = sections_.find(name);
    return s == sections_.end() ? nullptr : &s->second;
}
