// OVHTTP: fetches one URL at a time with HTTP/1.0 GET, directly or through a
// proxy with Basic authorization; follows redirects; downloads into a buffer
// or a file with progress reports, optionally on a thread of its own.
//
// One source, two builds: the shared library ovhttp.dll (kmtray), whose texts
// at the boundary are foundation::cstring, and a static library (setup,
// OVHTTP_STATIC defined) that takes plain narrow strings. Nothing here throws;
// every operation returns a result code (result_codes.h) and logs.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "foundation/cstring.h"
#include "httpclient/blocking_socket.h"
#include "httpclient/result_codes.h"

#if defined(OVHTTP_STATIC)
#define OVHTTP_API
#elif defined(OVHTTP_BUILD_DLL)
#define OVHTTP_API __declspec(dllexport)
#else
#define OVHTTP_API __declspec(dllimport)
#endif

#if defined(OVHTTP_STATIC)
using OVHTTPText = const char*;
#else
using OVHTTPText = const foundation::cstring&;
#endif

// Only the members that other modules call are exported.
class OVHTTPProxySettings {
public:
    OVHTTP_API OVHTTPProxySettings();
    OVHTTP_API ~OVHTTPProxySettings();

    foundation::cstring proxyAddress;  // host name or dotted address
    int proxyPort;
    bool useLogin;
    foundation::cstring userName;
    foundation::cstring password;
};

// Download statuses reported to the progress callback.
enum OVHTTPDownloadStatus {
    OVHTTP_DOWNLOAD_STARTING = 100,
    OVHTTP_DOWNLOAD_TRANSFERRING = 101,
    OVHTTP_DOWNLOAD_FAILED = 102,
    OVHTTP_DOWNLOAD_STOPPED = 103,
    OVHTTP_DOWNLOAD_COMPLETE = 104,
};
// Answers of the progress callback.
enum { OVHTTP_CALLBACK_CONTINUE = 200, OVHTTP_CALLBACK_STOP = 201 };

// totalSize is -1 until known; transferRate is bytes per second, -1 until
// one second of transfer has passed; value is the caller's, passed back.
typedef int (*OVHTTPProgressCallback)(const char* localFile, int totalSize, int bytesDone, int status,
                                      int transferRate, int value);

class OVHTTP {
public:
    OVHTTP_API OVHTTP();
    OVHTTP_API ~OVHTTP();
    OVHTTP(const OVHTTP&) = delete;
    OVHTTP& operator=(const OVHTTP&) = delete;

    // 0, or (unsigned)-1 when the URL cannot be parsed. Closes any open
    // response; a request is pending afterwards.
    OVHTTP_API unsigned SetURL(OVHTTPText url);
    // Copies the settings; 0, or (unsigned)-1 for none.
    OVHTTP_API unsigned SetProxySettings(const OVHTTPProxySettings* settings);
    OVHTTP_API void UseProxyServer(bool use);
    // A full request for the current URL with the given wait in seconds:
    // true when the server answers it with an accepted status.
    OVHTTP_API bool CheckConnection(unsigned waitSeconds);
    OVHTTP_API int Close();
    // Connects, sends the request, reads and judges the header, follows
    // redirects; 0 at once when the header has already been read. depth is 0.
    OVHTTP_API int CheckReadHeader(int depth);

    // The Content-Length of the current URL (-1 unless one was parsed); the
    // connection is closed afterwards.
    OVHTTP_API int GetDownloadFileSize(int* size);
    // The next piece of body; a count of 0 means the server closed.
    OVHTTP_API int DoGetIntoBuffer(char* buffer, int size, int* count);
    // Downloads the current URL into localFile. Asynchronously it returns at
    // once and signals an auto-reset event at the end, handed out through
    // completionEvent (the caller closes it); the client must not be used
    // until then.
    OVHTTP_API int DoGetIntoFile(OVHTTPText localFile, OVHTTPProgressCallback callback, int callbackValue,
                                 int progressIntervalMs, bool asynchronous, HANDLE* completionEvent);
    OVHTTP_API int PerformFileDownload();

    int GetDownloadStatus() const { return downloadStatus_; }
    int GetDownloadResult() const { return downloadResult_; }
    int GetTransferRate() const { return transferRate_; }

private:
    // The end of a client's share of the socket layer.
    static void OVHTTPTerminate();
    static DWORD WINAPI DownloadThread(LPVOID client);

    unsigned setUrl(const std::string& url);
    int close();
    int checkReadHeader(int depth);
    int requestOnce();
    int writeText(const std::string& text);
    int readHttpHeader();
    int getDownloadFileSize(int* size);
    int doGetIntoBuffer(char* buffer, int size, int* count);
    int doGetIntoFile(const char* localFile, OVHTTPProgressCallback callback, int callbackValue,
                      int progressIntervalMs, bool asynchronous, HANDLE* completionEvent);
    int performFileDownload();
    int report(int totalSize, int bytesDone, int status);
    void waitForDownloadThread();

    std::string url_;
    std::string host_;
    std::string path_;
    int port_ = 80;
    int wait_ = 5;
    bool requestPending_ = true;
    CBlockingSocket socket_;
    bool connectionOpen_ = false;
    bool useProxy_ = false;
    OVHTTPProxySettings proxy_;

    OVHTTPProgressCallback callback_ = nullptr;
    int callbackValue_ = 0;
    int progressInterval_ = 200;
    int downloadStatus_ = OVHTTP_DOWNLOAD_STARTING;
    int downloadResult_ = OVHTTP_SUCCESS;
    HANDLE completionEvent_ = nullptr;
    HANDLE downloadThread_ = nullptr;  // kept so that destruction can wait for it
    DWORD downloadThreadId_ = 0;
    std::string localFile_;

    std::unique_ptr<char[]> header_;  // kHeaderBufferSize bytes, from the first header read on
    int headerLength_ = 0;
    int transferRate_ = -1;
};

// The host's controls of the debug log (off by default); the client's own
// name for the log file is "ovhttp.log".
extern "C" OVHTTP_API void OVHTTPSetDebugLevel(int level);
extern "C" OVHTTP_API void OVHTTPSetDebugOutputFile(const char* fileName);
