#include <gtest/gtest.h>

#include <string>

#include "httpclient/blocking_socket.h"
#include "httpclient/result_codes.h"
#include "log_capture.h"

namespace {

TEST(ResultCodes, NameTexts) {
    const struct {
        int code;
        const char* name;
    } cases[] = {
        {0, "OVHTTP_SUCCESS"}, {1, "OVHTTP_SockReadFailed"}, {2, "OVHTTP_ParseHeaderFailed"},
        {3, "OVHTTP_ServerError"}, {4, "OVHTTP_ServerUrlNotFound"}, {5, "OVHTTP_ServerTimeOut"},
        {6, "OVHTTP_UserAbort"}, {7, "OVHTTP_WSAStartupError"}, {8, "OVHTTP_ParentDirNotExist"},
        {9, "OVHTTP_PermissionDenied"}, {10, "OVHTTP_NoSpaceLeft"}, {11, "OVHTTP_FileInUse"},
        {12, "OVHTTP_OutOfMemory"}, {-1, "OVHTTP_Error"}, {13, "INVALID_OVHTTPERROR"},
        {-2, "INVALID_OVHTTPERROR"},
    };
    for (const auto& c : cases) EXPECT_STREQ(OVHTTPErrorName(c.code), c.name) << c.code;

    const struct {
        int code;
        const char* name;
    } socketCases[] = {
        {0, "CBlockingSocket::Socket_Sucess"}, {1, "CBlockingSocket::Socket_Timeout"},
        {2, "CBlockingSocket::Socket_NetworkError"}, {-1, "CBlockingSocket::Socket_Error"},
        {3, "INVALID_BLOCKSOCKERROR"}, {7, "INVALID_BLOCKSOCKERROR"},
    };
    for (const auto& c : socketCases) EXPECT_STREQ(BlockSockErrorName(c.code), c.name) << c.code;
}

TEST(ResultCodes, WinsockErrorTable) {
    const int T = CBlockingSocket::Socket_Timeout, N = CBlockingSocket::Socket_NetworkError,
              I = CBlockingSocket::Socket_NotInitialised, E = CBlockingSocket::Socket_Error;
    const struct {
        long error;
        int code;
    } cases[] = {
        {10004, T}, {10014, T}, {10058, T}, {10060, T}, {10061, T}, {11001, T}, {11002, T}, {11003, T},
        {11004, T}, {10050, N}, {10051, N}, {10064, N}, {10065, N}, {10093, I}, {10013, E}, {10036, E},
        {10037, E}, {10039, E}, {10042, E}, {10043, E}, {10044, E}, {10045, E}, {10046, E}, {10047, E},
        {10048, E}, {10049, E}, {10056, E}, {10057, E},
    };
    for (const auto& c : cases) {
        LogCapture log(20);
        EXPECT_EQ(CBlockingSocket::MapWinSockErrToBlockSockErr(c.error), c.code) << c.error;
        EXPECT_EQ(log.text(), "CBlockingSocket::MapWinSockErrToBlockSockErr : winsock error " +
                                  std::to_string(c.error) + " \n");
    }

    const struct {
        long error;
        int code;
        const char* line;
    } odd[] = {
        {0, CBlockingSocket::Socket_Success, "MAPPING Winsock ERROR_SUCCESS TO SUCCESS, DID YOU USE THIS CORRECTLY?\n"},
        {10035, E, "CBlockingSocket::MapWinSockErrToBlockSockErr : unhandled winsock error 10035.\n"},
        {10052, E, "CBlockingSocket::MapWinSockErrToBlockSockErr : unhandled winsock error 10052.\n"},
    };
    for (const auto& c : odd) {
        LogCapture log(20);
        EXPECT_EQ(CBlockingSocket::MapWinSockErrToBlockSockErr(c.error), c.code) << c.error;
        EXPECT_EQ(log.text(), c.line);
    }
}

TEST(ResultCodes, SocketCodesAndErrnoMapIntoClientCodes) {
    const struct {
        int from;
        int to;
        const char* line;
    } socketCases[] = {
        {CBlockingSocket::Socket_Timeout, OVHTTP_ServerTimeOut, ""},
        {CBlockingSocket::Socket_NetworkError, OVHTTP_ServerTimeOut, ""},
        {CBlockingSocket::Socket_NotInitialised, OVHTTP_WSAStartupError, ""},
        {CBlockingSocket::Socket_Error, OVHTTP_Error, ""},
        {CBlockingSocket::Socket_Success, OVHTTP_SUCCESS,
         "MAPPING BlockSock Socket_Success TO OVHTTP_SUCCESS, DID YOU USE THIS CORRECTLY?"},
        {9, OVHTTP_Error, "MapBlockSockErrToOVHTTPErr: unhandled error 9.\n"},
    };
    for (const auto& c : socketCases) {
        LogCapture log(20);
        EXPECT_EQ(MapBlockSockErrToOVHTTPErr(c.from), c.to) << c.from;
        EXPECT_EQ(log.text(), c.line);
    }

    const struct {
        int from;
        int to;
        const char* line;
    } errnoCases[] = {
        {2, OVHTTP_ParentDirNotExist, ""},
        {12, OVHTTP_OutOfMemory, ""},
        {13, OVHTTP_PermissionDenied, ""},
        {28, OVHTTP_NoSpaceLeft, ""},
        {0, OVHTTP_SUCCESS, "MAPPING ERRNO ZERO TO SUCCESS, DID YOU USE THIS CORRECTLY?"},
        {5, OVHTTP_Error, "MapErrnoToOVHTTPResult : unhandled errno 5.\n"},
    };
    for (const auto& c : errnoCases) {
        LogCapture log(2);
        EXPECT_EQ(MapErrnoToOVHTTPResult(c.from), c.to) << c.from;
        EXPECT_EQ(log.text(), c.line);
    }
}

}  // namespace
