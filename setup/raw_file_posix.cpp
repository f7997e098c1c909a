// The native build's file access, for tests and fuzzers: POSIX calls, errno
// mapped to the Windows error numbers the callers report.
#include "raw_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::uint32_t WindowsError(int error) {
    switch (error) {
        case ENOENT: return winerror::kFileNotFound;
        case ENOTDIR: return 3;  // path not found
        case EMFILE:
        case ENFILE: return 4;   // too many open files
        case EACCES:
        case EPERM:
        case EISDIR: return winerror::kAccessDenied;
        case EROFS: return 19;   // write protected
        case ENOSPC: return 112; // disk full
        case ENAMETOOLONG: return 206;
        case EINVAL: return winerror::kInvalidParameter;
        default: return 31;      // general failure
    }
}

}  // namespace

RawFile::~RawFile() { Close(); }

bool RawFile::IsOpen() const { return handle_ >= 0; }

bool RawFile::Open(const std::string& path, Access access) {
    Close();
    const int flags = access == Access::Read ? O_RDONLY : O_WRONLY | O_CREAT | O_TRUNC;
    const int fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
    if (fd < 0) {
        error_ = WindowsError(errno);
        return false;
    }
    // Windows refuses to open a folder as a file; devices are refused too, so
    // that a name such as /dev/zero cannot make a load endless.
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error_ = winerror::kAccessDenied;
        ::close(fd);
        return false;
    }
    handle_ = fd;
    return true;
}

long RawFile::Read(void* buffer, std::size_t size) {
    for (;;) {
        const ssize_t n = ::read(static_cast<int>(handle_), buffer, size);
        if (n >= 0) return static_cast<long>(n);
        if (errno == EINTR) continue;
        error_ = WindowsError(errno);
        return -1;
    }
}

bool RawFile::Write(const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(static_cast<int>(handle_), p, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            error_ = WindowsError(errno);
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool RawFile::Close() {
    if (!IsOpen()) return true;
    const bool ok = ::close(static_cast<int>(handle_)) == 0;
    if (!ok) error_ = WindowsError(errno);
    handle_ = -1;
    return ok;
}
