// In-memory reader of PCONFIG.DCF for setup and the engine: descrambles the
// file and parses its INI text without writing a plain copy anywhere.
// Pure code: no Windows headers, built natively too.
#pragma once
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

class ConfigReader {
public:
    static constexpr std::size_t kMaxFileSize = 32768;

    // Reads and parses the whole file; false when it is missing, unreadable
    // or larger than kMaxFileSize. The path is passed to the C runtime as is.
    bool load(const char* path);
    // Parses scrambled file contents.
    bool loadBytes(const std::uint8_t* data, std::size_t size);
    // Parses plain INI text (what the scrambled bytes decode to).
    void parsePlain(std::string_view text);

    // Copies the value, or the default when the section or key is missing,
    // cut to size - 1 characters and terminated (nothing written when size is 0).
    void get(const char* section, const char* key, const char* defaultValue,
             char* buffer, std::size_t size) const;
    std::string get(const std::string& section, const std::string& key,
                    const std::string& defaultValue = std::string()) const;

    // Every entry of a section, by key; null when there is no such section.
    const std::map<std::string, std::string>* section(const std::string& name) const;

private:
    std::map<std::string, std::map<std::string, std::string>> sections_;
};
