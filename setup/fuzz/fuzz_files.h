// A private scratch file for fuzz targets that need the file system.
#pragma once
#include <cstdio>
#include <string>
#include <unistd.h>

inline std::string FuzzScratchPath(const char* name) {
    const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(base) + "/km_" + name + "_" + std::to_string(::getpid());
}

inline void WriteFuzzFile(const std::string& path, const void* data, std::size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
}

inline std::string ReadFuzzFile(const std::string& path) {
    std::string bytes;
    if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
        char block[4096];
        std::size_t n;
        while ((n = std::fread(block, 1, sizeof block, f)) > 0) bytes.append(block, n);
        std::fclose(f);
    }
    return bytes;
}
