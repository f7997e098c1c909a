// The portable half of CBlockingSocket: code names and the error table.
#include "httpclient/blocking_socket.h"
#include "httpclient/debug_log.h"

const char* BlockSockErrorName(int code) {
    switch (code) {
    case CBlockingSocket::Socket_Success: return "CBlockingSocket::Socket_Sucess";
    case CBlockingSocket::Socket_Timeout: return "CBlockingSocket::Socket_Timeout";
    case CBlockingSocket::Socket_NetworkError: return "CBlockingSocket::Socket_NetworkError";
    case CBlockingSocket::Socket_Error: return "CBlockingSocket::Socket_Error";
    default: return "INVALID_BLOCKSOCKERROR";
    }
}

int CBlockingSocket::MapWinSockErrToBlockSockErr(long lastError) {
    int code;
    switch (lastError) {
    case 0:
        DebugOutput(20, "MAPPING Winsock ERROR_SUCCESS TO SUCCESS, DID YOU USE THIS CORRECTLY?\n");
        return Socket_Success;
    // Refused connections, resolver failures and interrupted calls count as
    // time-outs: the server may well answer a later try.
    case 10004:  // WSAEINTR
    case 10014:  // WSAEFAULT
    case 10058:  // WSAESHUTDOWN
    case 10060:  // WSAETIMEDOUT
    case 10061:  // WSAECONNREFUSED
    case 11001:  // WSAHOST_NOT_FOUND
    case 11002:  // WSATRY_AGAIN
    case 11003:  // WSANO_RECOVERY
    case 11004:  // WSANO_DATA
        code = Socket_Timeout;
        break;
    case 10050:  // WSAENETDOWN
    case 10051:  // WSAENETUNREACH
    case 10064:  // WSAEHOSTDOWN
    case 10065:  // WSAEHOSTUNREACH
        code = Socket_NetworkError;
        break;
    case 10093:  // WSANOTINITIALISED
        code = Socket_NotInitialised;
        break;
    case 10013:  // WSAEACCES
    case 10036:  // WSAEINPROGRESS
    case 10037:  // WSAEALREADY
    case 10039:  // WSAEDESTADDRREQ
    case 10042: case 10043: case 10044: case 10045:  // WSAENOPROTOOPT .. WSAEOPNOTSUPP
    case 10046: case 10047: case 10048: case 10049:  // WSAEPFNOSUPPORT .. WSAEADDRNOTAVAIL
    case 10056:  // WSAEISCONN
    case 10057:  // WSAENOTCONN
        code = Socket_Error;
        break;
    default:
        DebugOutput(20, "CBlockingSocket::MapWinSockErrToBlockSockErr : unhandled winsock error %ld.\n",
                    lastError);
        return Socket_Error;
    }
    DebugOutput(20, "CBlockingSocket::MapWinSockErrToBlockSockErr : winsock error %ld \n", lastError);
    return code;
}
