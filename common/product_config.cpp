#include "product_config.h"

#include <cstring>

#include "win32/handle.h"

namespace {

const char kFileName[] = "pconfig.dcf";

bool IsDirectory(const char* path) {
    const DWORD attributes = ::GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

ProductConfig& ProductConfig::instance() {
    static ProductConfig config;
    return config;
}

ProductConfig::~ProductConfig() { deleteTempFile(); }

void ProductConfig::deleteTempFile() {
    if (tempPath_[0]) ::DeleteFileA(tempPath_);
}

bool ProductConfig::decodeToTempFile(HMODULE module) {
    bool ok = true;
    deleteTempFile();  // a second decode must not leave the first copy behind
    tempPath_[0] = '\0';

    char path[MAX_PATH + 1] = {};
    const DWORD n = ::GetModuleFileNameA(module, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {  // a cut path would name the wrong file
        ok = false;
        path[0] = '\0';
    }
    char* slash = std::strrchr(path, '\\');
    const size_t folderLength = slash ? static_cast<size_t>(slash - path + 1) : 0;
    if (folderLength + sizeof kFileName > sizeof configPath_) return false;
    std::memcpy(configPath_, path, folderLength);
    std::memcpy(configPath_ + folderLength, kFileName, sizeof kFileName);
    if (::GetFileAttributesA(configPath_) == INVALID_FILE_ATTRIBUTES) return false;

    // The temporary folder, or the program's own folder when there is none.
    char folder[MAX_PATH + 1] = {};
    const DWORD tempLength = ::GetTempPathA(MAX_PATH, folder);
    bool useTemp = tempLength > 0 && tempLength < MAX_PATH;
    if (useTemp) {
        char trailing = 0;
        if (tempLength > 3 && (folder[tempLength - 1] == '\\' || folder[tempLength - 1] == '/')) {
            trailing = folder[tempLength - 1];
            folder[tempLength - 1] = '\0';
        }
        useTemp = IsDirectory(folder);
        if (trailing) folder[tempLength - 1] = trailing;
    }
    if (!useTemp) {
        std::memcpy(folder, configPath_, folderLength);
        folder[folderLength] = '\0';
    }

    if (!::GetTempFileNameA(folder, "pcf", 0, tempPath_)) {
        tempPath_[0] = '\0';
        ok = false;
    }

    win::Handle target;
    if (ok) {
        target.reset(::CreateFileA(tempPath_, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!target) ok = false;
    }
    win::Handle source(::CreateFileA(configPath_, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!source) ok = false;
    if (ok) ok = writeDecoded(source.get(), target.get());
    if (!ok) {
        target.reset();
        deleteTempFile();  // a half-written copy would be read as the real thing
        tempPath_[0] = '\0';
    }
    return ok;
}

bool ProductConfig::writeDecoded(HANDLE source, HANDLE target) const {
    // Positions follow the file offset, so a short read mid-file cannot shift them.
    for (size_t offset = 0;;) {
        unsigned char block[256];
        DWORD read = 0;
        if (!::ReadFile(source, block, sizeof block, &read, nullptr)) return false;
        if (read == 0) return true;
        cipher_.decodeBlock(block, read, offset);
        offset += read;
        DWORD written = 0;
        if (!::WriteFile(target, block, read, &written, nullptr) || written != read) return false;
    }
}

DWORD ProductConfig::getString(const char* key, const char* defaultValue, char* buffer, DWORD size,
                               const char* section) const {
    return ::GetPrivateProfileStringA(section, key, defaultValue, buffer, size, tempPath_);
}

UINT ProductConfig::getInt(const char* key, int defaultValue, const char* section) const {
    return ::GetPrivateProfileIntA(section, key, defaultValue, tempPath_);
}
