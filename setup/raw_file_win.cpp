#include "raw_file.h"

#include <windows.h>

namespace {

HANDLE AsHandle(std::intptr_t value) { return reinterpret_cast<HANDLE>(value); }

}  // namespace

RawFile::~RawFile() { Close(); }

bool RawFile::IsOpen() const { return AsHandle(handle_) != INVALID_HANDLE_VALUE; }

bool RawFile::Open(const std::string& path, Access access) {
    Close();
    const bool read = access == Access::Read;
    HANDLE file = ::CreateFileA(path.c_str(), read ? GENERIC_READ : GENERIC_WRITE, FILE_SHARE_READ,
                                nullptr, read ? OPEN_EXISTING : CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error_ = ::GetLastError();
        return false;
    }
    // Only disk files: a device name such as CON would make a read wait forever.
    if (::GetFileType(file) != FILE_TYPE_DISK) {
        ::CloseHandle(file);
        error_ = ERROR_ACCESS_DENIED;
        return false;
    }
    handle_ = reinterpret_cast<std::intptr_t>(file);
    return true;
}

long RawFile::Read(void* buffer, std::size_t size) {
    DWORD done = 0;
    if (!::ReadFile(AsHandle(handle_), buffer, static_cast<DWORD>(size), &done, nullptr)) {
        error_ = ::GetLastError();
        return -1;
    }
    return static_cast<long>(done);
}

bool RawFile::Write(const void* data, std::size_t size) {
    DWORD done = 0;
    if (!::WriteFile(AsHandle(handle_), data, static_cast<DWORD>(size), &done, nullptr)) {
        error_ = ::GetLastError();
        return false;
    }
    if (done != size) {  // a short write without an error: the disk is full
        error_ = ERROR_HANDLE_DISK_FULL;
        return false;
    }
    return true;
}

bool RawFile::Close() {
    if (!IsOpen()) return true;
    const bool ok = ::CloseHandle(AsHandle(handle_)) != FALSE;
    if (!ok) error_ = ::GetLastError();
    handle_ = -1;
    return ok;
}
