#include "httpclient/socket_layer.h"

#include <winsock.h>

#include <mutex>

#include "httpclient/debug_log.h"
#include "httpclient/result_codes.h"

namespace socket_layer {

namespace {

// Deliberately never destroyed: a client may end during static destruction.
std::mutex& countLock() {
    static std::mutex* lock = new std::mutex;
    return *lock;
}
int liveClients = 0;
bool startupFailed = false;

long lastError() { return static_cast<long>(::WSAGetLastError()); }

void start() {
    WSADATA data;
    int minor = 1;
    int error = ::WSAStartup(MAKEWORD(1, 1), &data);
    if (error != 0) {
        DebugOutput(40, "OVHTTP::OVHTTP : WSAStartup (requested version=%d.%d) FAILED %d (wsalasterror=%ld).\n",
                    1, 1, error, lastError());
        minor = 0;
        error = ::WSAStartup(MAKEWORD(1, 0), &data);
        if (error != 0) {
            DebugOutput(40,
                        "OVHTTP::OVHTTP : WSAStartup (requested version=%d.%d) FAILED %d (wsalasterror=%ld).\n",
                        1, 0, error, lastError());
            startupFailed = true;
            return;
        }
    }
    DebugOutput(40, "OVHTTP::OVHTTP : WSAStartup (req=%d.%d) returns high version=%d.%d, low version=%d.%d.\n",
                1, minor, LOBYTE(data.wHighVersion), HIBYTE(data.wHighVersion), LOBYTE(data.wVersion),
                HIBYTE(data.wVersion));
}

}  // namespace

void ClientStarted() {
    std::lock_guard<std::mutex> hold(countLock());
    startupFailed = false;
    if (liveClients == 0) start();
    ++liveClients;
}

void ClientEnded() {
    std::lock_guard<std::mutex> hold(countLock());
    --liveClients;
    if (liveClients == 0 && !startupFailed && ::WSACleanup() == SOCKET_ERROR) {
        DebugError("OVHTTP::OVHTTPTerminate : WSACleanup FAILED %ld \"%s\": SOCKET_ERROR %ld\n",
                   static_cast<long>(OVHTTP_Error), OVHTTPErrorName(OVHTTP_Error), lastError());
    }
}

bool StartupFailed() { return startupFailed; }

}  // namespace socket_layer
