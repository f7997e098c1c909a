// CBlockingSocket: one TCP socket over Windows Sockets 1.1, one blocking
// operation per call, every send and receive bounded by a wait in seconds.
// Failures come back as five result codes and are logged at level 20.
// This header is portable (the codes and the error table build natively);
// the socket operations themselves are Windows code.
#pragma once
#include <cstdint>

struct sockaddr;

class CBlockingSocket {
public:
    enum BlockSockError {
        Socket_Success = 0,
        Socket_Timeout = 1,
        Socket_NetworkError = 2,
        Socket_NotInitialised = 3,
        Socket_Error = -1,
    };

    CBlockingSocket() = default;
    ~CBlockingSocket();  // closes a socket still held, silently
    CBlockingSocket(const CBlockingSocket&) = delete;
    CBlockingSocket& operator=(const CBlockingSocket&) = delete;

    int Create(int type);
    int Close();
    // A 16-byte IPv4 address.
    int Connect(const sockaddr* address);
    // count is -1 on failure.
    int Send(const char* data, int length, int waitSeconds, int* sent);
    int Write(const char* data, int length, int waitSeconds, int* total);
    // count is -1 on failure, 0 when the peer has closed the connection.
    int Receive(char* buffer, int size, int waitSeconds, int* received);
    int GetSockAddr(sockaddr* address);
    static int GetHostByName(const char* name, unsigned short port, sockaddr* address);

    // Maps the thread's last socket-layer error.
    static int MapWinSockErrToBlockSockErr();
    // The mapping table itself, for a given error number.
    static int MapWinSockErrToBlockSockErr(long lastError);

    bool HoldsSocket() const { return socket_ != 0; }

private:
    int transfer(bool sending, char* data, int length, int waitSeconds, int* count);

    std::uintptr_t socket_ = 0;  // 0: no socket held
    // Once connected the socket is non-blocking: a send or receive is tried
    // at once and waits only when it would block. That is the same as waiting
    // first, without a wait call for every piece when the bytes are there.
    bool tryFirst_ = false;
};

// "CBlockingSocket::Socket_Sucess" (sic) ...; "INVALID_BLOCKSOCKERROR" otherwise.
const char* BlockSockErrorName(int code);
