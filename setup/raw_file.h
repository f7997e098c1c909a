// Byte-level file access for the INI reader: one portable interface, one
// implementation per platform (raw_file_win.cpp, raw_file_posix.cpp), so that
// the text layer above stays free of windows.h. Failures are reported as
// Windows error numbers on both platforms.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace winerror {
constexpr std::uint32_t kFileNotFound = 2;
constexpr std::uint32_t kAccessDenied = 5;
constexpr std::uint32_t kInvalidData = 13;
constexpr std::uint32_t kInvalidParameter = 87;
constexpr std::uint32_t kInvalidName = 123;
}  // namespace winerror

class RawFile {
public:
    enum class Access { Read, Write };

    RawFile() = default;
    ~RawFile();
    RawFile(const RawFile&) = delete;
    RawFile& operator=(const RawFile&) = delete;

    // Read opens an existing file; Write creates or truncates it. The file is
    // shared for reading only. Folders and devices are refused (error 5).
    bool Open(const std::string& path, Access access);
    // Bytes read (0 at the end of the file), or -1 on failure.
    long Read(void* buffer, std::size_t size);
    bool Write(const void* data, std::size_t size);
    // False when pending data could not be written.
    bool Close();
    bool IsOpen() const;

    // The Windows error number of the last failed call.
    std::uint32_t LastError() const { return error_; }

private:
    std::intptr_t handle_ = -1;  // HANDLE on Windows, a descriptor elsewhere; -1 when closed
    std::uint32_t error_ = 0;
};
