// The Windows half of CBlockingSocket: the socket calls themselves.
#include "httpclient/blocking_socket.h"

#include <winsock.h>

#include <cstring>

#include "httpclient/debug_log.h"

namespace {

long lastError() { return static_cast<long>(::WSAGetLastError()); }

// The code of a call that failed: a last error of 0 must not turn a failure
// into a success.
int failureCode() {
    const int code = CBlockingSocket::MapWinSockErrToBlockSockErr();
    return code == CBlockingSocket::Socket_Success ? CBlockingSocket::Socket_Error : code;
}

// Waits until the one socket is readable or writable. 1: ready, 0: the wait
// expired, SOCKET_ERROR: the wait itself failed.
int waitFor(SOCKET s, bool forWriting, long long waitMs) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    if (waitMs < 0) waitMs = 0;
    timeval wait{static_cast<long>(waitMs / 1000), static_cast<long>(waitMs % 1000 * 1000)};
    return ::select(0, forWriting ? nullptr : &set, forWriting ? &set : nullptr, nullptr, &wait);
}

int once(SOCKET s, bool sending, char* data, int length) {
    return sending ? ::send(s, data, length, 0) : ::recv(s, data, length, 0);
}

}  // namespace

CBlockingSocket::~CBlockingSocket() {
    if (socket_) ::closesocket(static_cast<SOCKET>(socket_));
}

int CBlockingSocket::MapWinSockErrToBlockSockErr() { return MapWinSockErrToBlockSockErr(lastError()); }

int CBlockingSocket::Create(int type) {
    if (socket_) {
        DebugOutput(20, "CBlockingSocket::Create: socket is not null error \n");
        return Socket_Error;
    }
    const SOCKET s = ::socket(AF_INET, type, 0);
    if (s == INVALID_SOCKET) {
        const long error = lastError();
        const int code = failureCode();
        DebugOutput(20, "CBlockingSocket::Create: error %ld.\n", error);
        return code;
    }
    socket_ = static_cast<std::uintptr_t>(s);
    return Socket_Success;
}

int CBlockingSocket::Close() {
    if (!socket_) {
        DebugOutput(20, "CBlockingSocket::Close: socket is null error \n");
        return Socket_Error;
    }
    const SOCKET s = static_cast<SOCKET>(socket_);
    socket_ = 0;  // given up whether or not the close succeeds
    tryFirst_ = false;
    if (::closesocket(s) == SOCKET_ERROR) {
        const long error = lastError();
        const int code = failureCode();
        DebugOutput(20, "CBlockingSocket::Close: error %ld.\n", error);
        return code;
    }
    return Socket_Success;
}

int CBlockingSocket::Connect(const sockaddr* address) {
    if (!socket_) {
        DebugOutput(20, "CBlockingSocket::Connect: socket is null error.\n");
        return Socket_Error;
    }
    if (::connect(static_cast<SOCKET>(socket_), address, sizeof(sockaddr_in)) == SOCKET_ERROR) {
        const long error = lastError();
        const int code = failureCode();
        DebugOutput(20, "CBlockingSocket::Connect: error %ld.\n", error);
        return code;
    }
    u_long nonBlocking = 1;
    tryFirst_ = ::ioctlsocket(static_cast<SOCKET>(socket_), FIONBIO, &nonBlocking) == 0;
    return Socket_Success;
}

int CBlockingSocket::Send(const char* data, int length, int waitSeconds, int* sent) {
    *sent = -1;
    if (!socket_) {
        DebugOutput(20, "CBlockingSocket::Send: socket is null error.\n");
        return Socket_Error;
    }
    return transfer(true, const_cast<char*>(data), length, waitSeconds, sent);
}

int CBlockingSocket::Write(const char* data, int length, int waitSeconds, int* total) {
    *total = 0;
    while (*total < length) {
        int sent = 0;
        int code = Send(data + *total, length - *total, waitSeconds, &sent);
        if (code == Socket_Success && sent <= 0) code = Socket_Error;  // no progress: never spin
        if (code != Socket_Success) {
            DebugOutput(20, "CBlockingSocket::Write: error %ld.\n", lastError());
            return code;
        }
        *total += sent;
    }
    return Socket_Success;
}

int CBlockingSocket::Receive(char* buffer, int size, int waitSeconds, int* received) {
    *received = -1;
    if (!socket_) {
        DebugOutput(20, "CBlockingSocket::Receive: socket is null error.\n");
        return Socket_Error;
    }
    return transfer(false, buffer, size, waitSeconds, received);
}

// One send or receive within the wait: "waits until ready, then one call",
// or on a non-blocking socket one call that waits only if it would block.
int CBlockingSocket::transfer(bool sending, char* data, int length, int waitSeconds, int* count) {
    const char* errorLine = sending ? "CBlockingSocket::Send: error %ld.\n" : "CBlockingSocket::Receive: error %ld.\n";
    const SOCKET s = static_cast<SOCKET>(socket_);
    const long long waitMs = waitSeconds < 0 ? 0 : static_cast<long long>(waitSeconds) * 1000;
    const DWORD start = ::GetTickCount();
    int n;
    if (tryFirst_) {
        while ((n = once(s, sending, data, length)) == SOCKET_ERROR && ::WSAGetLastError() == WSAEWOULDBLOCK) {
            ::WSASetLastError(0);
            const long long left = waitMs - static_cast<long long>(::GetTickCount() - start);
            if (left <= 0 || waitFor(s, sending, left) == 0) {
                DebugOutput(20, errorLine, lastError());
                return Socket_Timeout;
            }
        }
    } else {
        if (waitFor(s, sending, waitMs) == 0) {
            DebugOutput(20, errorLine, lastError());
            return Socket_Timeout;
        }
        // A failed wait falls through: the call reports the cause.
        n = once(s, sending, data, length);
    }
    if (n == SOCKET_ERROR) {
        const long error = lastError();
        const int code = failureCode();
        DebugOutput(20, errorLine, error);
        return code;
    }
    *count = n;
    return Socket_Success;
}

int CBlockingSocket::GetSockAddr(sockaddr* address) {
    if (!socket_) {
        DebugOutput(20, "CBlockingSocket::GetSockAddr: socket is null error.\n");
        return Socket_Error;
    }
    int length = sizeof(sockaddr_in);
    if (::getsockname(static_cast<SOCKET>(socket_), address, &length) == SOCKET_ERROR) {
        const long error = lastError();
        const int code = failureCode();
        DebugOutput(20, "CBlockingSocket::GetSockAddr: error %ld.\n", error);
        return code;
    }
    return Socket_Success;
}

int CBlockingSocket::GetHostByName(const char* name, unsigned short port, sockaddr* address) {
    const hostent* host = ::gethostbyname(name);
    if (!host || host->h_addrtype != AF_INET || host->h_length != 4 || !host->h_addr_list[0]) {
        const long error = lastError();
        const int code = failureCode();
        DebugOutput(20, "CBlockingSocket::GetHostByName: error %ld.\n", error);
        return code;
    }
    sockaddr_in in;
    std::memset(&in, 0, sizeof in);
    in.sin_family = AF_INET;
    in.sin_port = ::htons(port);
    std::memcpy(&in.sin_addr, host->h_addr_list[0], 4);
    std::memcpy(address, &in, sizeof in);
    return Socket_Success;
}
