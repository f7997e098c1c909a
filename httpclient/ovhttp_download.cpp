// Bringing a body home: the announced size, one buffer-full, a whole file
// with progress reports, on the caller's thread or on a thread of its own.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <memory>
#include <new>
#include <utility>

#include "httpclient/boundary_text.h"
#include "httpclient/debug_log.h"
#include "httpclient/guard.h"
#include "httpclient/http_header.h"
#include "httpclient/ovhttp.h"
#include "httpclient/socket_layer.h"

namespace {

constexpr int kPieceSize = 4096;
constexpr std::size_t kFileBufferSize = 65536;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

int clampToInt(long long value) { return value > INT_MAX ? INT_MAX : static_cast<int>(value); }

}  // namespace

int OVHTTP::GetDownloadFileSize(int* size) {
    int ignored = -1;
    if (!size) size = &ignored;
    *size = -1;
    return Guarded([&] { return getDownloadFileSize(size); });
}

int OVHTTP::getDownloadFileSize(int* size) {
    *size = -1;
    int result = checkReadHeader(0);
    if (result != OVHTTP_SUCCESS) {
        DebugError("OVHTTP GetDownloadFileSize : Read header FAILED %ld \"%s\" for path \"%s\"\n",
                   static_cast<long>(result), OVHTTPErrorName(result), localFile_.c_str());
    } else {
        result = ParseContentLength(std::string_view(header_.get(), headerLength_), localFile_, size);
    }
    if (close() != OVHTTP_SUCCESS) DebugError(" OVHTTP::GetDownloadFileSize : Close( ) FAILED \n");
    return result;
}

int OVHTTP::DoGetIntoBuffer(char* buffer, int size, int* count) {
    int ignored = -1;
    if (!count) count = &ignored;
    *count = -1;
    return Guarded([&] { return doGetIntoBuffer(buffer, size, count); });
}

int OVHTTP::doGetIntoBuffer(char* buffer, int size, int* count) {
    *count = -1;
    int result = checkReadHeader(0);
    if (result != OVHTTP_SUCCESS) return result;
    if (!buffer || size < 1) return OVHTTP_Error;  // a count of 0 would read as the end of the body
    const int rc = socket_.Receive(buffer, size, wait_, count);
    if (rc != CBlockingSocket::Socket_Success) {
        DebugOutput(20, "OVHTTP::DoGetIntoBuffer: socket error %ld. \"%s\"\n", static_cast<long>(rc),
                    BlockSockErrorName(rc));
        result = MapBlockSockErrToOVHTTPErr(rc);
    }
    DebugOutput(40, "OVHTTP::DoGetIntoBuffer bytes received = %ld\n", static_cast<long>(*count));
    return result;
}

int OVHTTP::DoGetIntoFile(OVHTTPText localFile, OVHTTPProgressCallback callback, int callbackValue,
                          int progressIntervalMs, bool asynchronous, HANDLE* completionEvent) {
    return Guarded([&] {
        return doGetIntoFile(TextOf(localFile), callback, callbackValue, progressIntervalMs, asynchronous,
                             completionEvent);
    });
}

int OVHTTP::doGetIntoFile(const char* localFile, OVHTTPProgressCallback callback, int callbackValue,
                          int progressIntervalMs, bool asynchronous, HANDLE* completionEvent) {
    if (socket_layer::StartupFailed()) return OVHTTP_WSAStartupError;
    waitForDownloadThread();  // an earlier download has signalled; let its thread end

    localFile_ = localFile;
    callback_ = callback;
    callbackValue_ = callbackValue;
    progressInterval_ = progressIntervalMs;
    downloadStatus_ = OVHTTP_DOWNLOAD_STARTING;
    downloadResult_ = OVHTTP_SUCCESS;

    if (!asynchronous) {
        const int result = Guarded([this] { return performFileDownload(); });
        if (result == OVHTTP_SUCCESS) return result;
        downloadStatus_ = OVHTTP_DOWNLOAD_FAILED;
        downloadResult_ = result;
        return result;
    }

    HANDLE event = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!event) {
        DebugError("OVHTTP DoGetIntoFile: CreateEvent FAILED, lastError=%ld.\n", static_cast<long>(::GetLastError()));
        downloadStatus_ = OVHTTP_DOWNLOAD_FAILED;
        downloadResult_ = OVHTTP_Error;
        return OVHTTP_Error;
    }
    completionEvent_ = event;
    DWORD threadId = 0;
    HANDLE thread = ::CreateThread(nullptr, 0, &OVHTTP::DownloadThread, this, 0, &threadId);
    if (!thread) {
        DebugError("OVHTTP DoGetIntoFile: CreateThread FAILED, lastError=%ld.\n", static_cast<long>(::GetLastError()));
        downloadStatus_ = OVHTTP_DOWNLOAD_FAILED;
        completionEvent_ = nullptr;
        ::CloseHandle(event);
        downloadResult_ = OVHTTP_Error;
        return OVHTTP_Error;
    }
    downloadThread_ = thread;
    downloadThreadId_ = threadId;
    Assert(completionEvent != nullptr,
           "OVHTTP DoGetIntoFile : Asynchronous caller will not save event, it will be LEAKED.\n");
    if (completionEvent) *completionEvent = event;
    return OVHTTP_SUCCESS;
}

DWORD WINAPI OVHTTP::DownloadThread(LPVOID client) {
    OVHTTP* self = static_cast<OVHTTP*>(client);
    const int result = Guarded([self] { return self->performFileDownload(); });
    self->downloadResult_ = result;
    HANDLE event = std::exchange(self->completionEvent_, nullptr);
    // The caller may destroy the client as soon as this is signalled.
    if (event) ::SetEvent(event);
    return static_cast<DWORD>(result);
}

void OVHTTP::waitForDownloadThread() {
    if (!downloadThread_) return;
    // A callback that ends the client on the download thread must not wait
    // for itself.
    if (::GetCurrentThreadId() != downloadThreadId_) ::WaitForSingleObject(downloadThread_, INFINITE);
    ::CloseHandle(downloadThread_);
    downloadThread_ = nullptr;
    downloadThreadId_ = 0;
}

int OVHTTP::PerformFileDownload() {
    return Guarded([this] { return performFileDownload(); });
}

int OVHTTP::report(int totalSize, int bytesDone, int status) {
    downloadStatus_ = status;
    if (!callback_) return OVHTTP_CALLBACK_CONTINUE;
    return callback_(localFile_.c_str(), totalSize, bytesDone, status, transferRate_, callbackValue_);
}

int OVHTTP::performFileDownload() {
    const char* file = localFile_.c_str();
    int size = -1;
    long long done = 0;
    int result = OVHTTP_SUCCESS;
    std::unique_ptr<std::FILE, FileCloser> out;
    std::unique_ptr<char[]> piece;

    enum class End { Complete, Stopped, Failed };
    const auto writeFailed = [&](int errorNumber) {
        DebugError("OVHTTP PerformFileDownload : write to File Error (errno=%d), ABORT.\n", errorNumber);
        result = MapErrnoToOVHTTPResult(errorNumber);
        return End::Failed;
    };
    const End end = [&]() -> End {
        if (report(-1, 0, OVHTTP_DOWNLOAD_STARTING) == OVHTTP_CALLBACK_STOP) {
            DebugOutput(10, "OVHTTP PerformFileDownload: USER ABORTED DOWNLOAD (before getting size), file=\"%s\".\n",
                        file);
            result = OVHTTP_UserAbort;
            return End::Stopped;
        }
        result = getDownloadFileSize(&size);
        if (result != OVHTTP_SUCCESS) {
            DebugOutput(2, "OVHTTP PerformFileDownload: GetDownloadFileSize FAILED for path \"%s\".\n", file);
            return End::Failed;
        }
        errno = 0;
        out.reset(std::fopen(file, "wb"));
        if (!out) {
            const int error = errno;
            DebugError("OVHTTP PerformFileDownload: Open local file \"%s\" FAILED (errno=%ld).\n", file,
                       static_cast<long>(error));
            DebugError("OVHTTP PerformFileDownload : Download to File Error (errno=%d), ABORT.\n", error);
            result = MapErrnoToOVHTTPResult(error);
            return End::Failed;
        }
        // Fewer, larger writes to disk; a failure still shows, at the flush.
        std::setvbuf(out.get(), nullptr, _IOFBF, kFileBufferSize);
        piece.reset(new (std::nothrow) char[kPieceSize]);
        if (!piece) {
            DebugError("OVHTTP PerformFileDownload: OUT OF MEMORY.\n");
            result = OVHTTP_OutOfMemory;
            return End::Failed;
        }
        if (report(size, 0, OVHTTP_DOWNLOAD_STARTING) == OVHTTP_CALLBACK_STOP) {
            DebugOutput(10, "OVHTTP PerformFileDownload: USER ABORTED DOWNLOAD (before starting read), file=\"%s\".\n",
                        file);
            result = OVHTTP_UserAbort;
            return End::Stopped;
        }

        const DWORD start = ::GetTickCount();
        DWORD lastReport = start;
        const DWORD interval = progressInterval_ < 0 ? 0 : static_cast<DWORD>(progressInterval_);
        downloadStatus_ = OVHTTP_DOWNLOAD_TRANSFERRING;
        for (;;) {
            int count = 0;
            result = doGetIntoBuffer(piece.get(), kPieceSize, &count);
            if (result != OVHTTP_SUCCESS) {
                DebugError("OVHTTP PerformFileDownload: DoGetIntoBuffer FAILED %ld.\n", static_cast<long>(result));
                return End::Failed;
            }
            if (count < 1) break;  // the server closed: end of body
            errno = 0;
            const std::size_t written = std::fwrite(piece.get(), 1, static_cast<std::size_t>(count), out.get());
            if (written < static_cast<std::size_t>(count)) {
                const int error = errno;
                DebugError("OVHTTP PerformFileDownload: fwrite FAILED (requested=%ld,written=%ld,errno=%d.\n",
                           static_cast<long>(count), static_cast<long>(written), error);
                return writeFailed(error);
            }
            done += count;
            const DWORD now = ::GetTickCount();
            const DWORD elapsed = now - start;
            if (elapsed > 999) transferRate_ = clampToInt(static_cast<long long>(double(done) / elapsed * 1000.0));
            if (now - lastReport > interval) {
                lastReport = now;
                if (report(size, clampToInt(done), OVHTTP_DOWNLOAD_TRANSFERRING) == OVHTTP_CALLBACK_STOP) {
                    DebugOutput(10, "OVHTTP PerformFileDownload: USER ABORTED DOWNLOAD (during read), file=\"%s\".\n",
                                file);
                    result = OVHTTP_UserAbort;
                    return End::Stopped;
                }
            }
        }
        // Buffered bytes that cannot reach the disk are a failed write too.
        errno = 0;
        if (std::fflush(out.get()) != 0) return writeFailed(errno);
        // A connection that ends before the announced size is a broken
        // transfer, not a complete file.
        if (done < size) {
            DebugError("OVHTTP PerformFileDownload: connection closed after %ld of %ld bytes, file=\"%s\".\n",
                       static_cast<long>(clampToInt(done)), static_cast<long>(size), file);
            result = OVHTTP_SockReadFailed;
            return End::Failed;
        }
        return End::Complete;
    }();

    int status;
    switch (end) {
    case End::Complete:
        status = OVHTTP_DOWNLOAD_COMPLETE;
        report(size, clampToInt(done), status);  // its answer no longer matters
        break;
    case End::Failed:
        DebugError("OVHTTP PerformFileDownload : transfer error. file=\"%s\"\n", file);
        status = OVHTTP_DOWNLOAD_FAILED;
        report(size, clampToInt(done), status);
        break;
    default:
        status = OVHTTP_DOWNLOAD_STOPPED;
        break;
    }
    downloadStatus_ = status;
    downloadResult_ = result;
    close();
    piece.reset();
    out.reset();
    return result;
}
