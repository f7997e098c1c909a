#include "test_files.h"

#include <cstdio>
#include <random>

ScratchFolder::ScratchFolder() {
    std::random_device random;
    root_ = std::filesystem::temp_directory_path() / ("km_setup_" + std::to_string(random()));
    std::filesystem::create_directories(root_);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

std::string ScratchFolder::Folder() const {
    return root_.string() + static_cast<char>(std::filesystem::path::preferred_separator);
}

std::string ScratchFolder::Write(const std::string& name, const std::string& bytes) const {
    const std::string path = Path(name);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    return path;
}

std::string ScratchFolder::Read(const std::string& name) const {
    std::string bytes;
    if (std::FILE* f = std::fopen(Path(name).c_str(), "rb")) {
        char block[4096];
        std::size_t n;
        while ((n = std::fread(block, 1, sizeof block, f)) > 0) bytes.append(block, n);
        std::fclose(f);
    }
    return bytes;
}

std::string Utf16(const std::string& ascii, bool withMark) {
    std::string bytes = withMark ? std::string("\xFF\xFE", 2) : std::string();
    for (char c : ascii) {
        bytes += c;
        bytes += '\0';
    }
    return bytes;
}
