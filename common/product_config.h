// kmtray's view of PCONFIG.DCF: decoded once into a temporary plain INI file,
// then read through the system's INI calls for the rest of the run.
#pragma once
#include <windows.h>

#include "config_cipher.h"

class ProductConfig {
public:
    static ProductConfig& instance();

    // Decodes the PCONFIG.DCF beside module (null: the executable) into a new
    // temporary file. False when the file is missing or unreadable, the module
    // path cannot be had, or the temporary file cannot be made or written.
    bool decodeToTempFile(HMODULE module = nullptr);

    DWORD getString(const char* key, const char* defaultValue, char* buffer, DWORD size,
                    const char* section = "All") const;
    UINT getInt(const char* key, int defaultValue, const char* section = "All") const;

    const char* configPath() const { return configPath_; }
    const char* tempPath() const { return tempPath_; }
    // Deletes the temporary file, if any; harmless when it is already gone.
    void deleteTempFile();

    const ConfigCipher& cipher() const { return cipher_; }

    ProductConfig(const ProductConfig&) = delete;
    ProductConfig& operator=(const ProductConfig&) = delete;

private:
    ProductConfig() = default;
    ~ProductConfig();

    bool writeDecoded(HANDLE source, HANDLE target) const;

    char configPath_[MAX_PATH + 1] = {};
    char tempPath_[MAX_PATH + 1] = {};
    ConfigCipher cipher_;
};
