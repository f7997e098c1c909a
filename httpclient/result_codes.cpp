#include "httpclient/result_codes.h"

#include "httpclient/blocking_socket.h"
#include "httpclient/debug_log.h"

const char* OVHTTPErrorName(int code) {
    switch (code) {
    case OVHTTP_SUCCESS: return "OVHTTP_SUCCESS";
    case OVHTTP_SockReadFailed: return "OVHTTP_SockReadFailed";
    case OVHTTP_ParseHeaderFailed: return "OVHTTP_ParseHeaderFailed";
    case OVHTTP_ServerError: return "OVHTTP_ServerError";
    case OVHTTP_ServerUrlNotFound: return "OVHTTP_ServerUrlNotFound";
    case OVHTTP_ServerTimeOut: return "OVHTTP_ServerTimeOut";
    case OVHTTP_UserAbort: return "OVHTTP_UserAbort";
    case OVHTTP_WSAStartupError: return "OVHTTP_WSAStartupError";
    case OVHTTP_ParentDirNotExist: return "OVHTTP_ParentDirNotExist";
    case OVHTTP_PermissionDenied: return "OVHTTP_PermissionDenied";
    case OVHTTP_NoSpaceLeft: return "OVHTTP_NoSpaceLeft";
    case OVHTTP_FileInUse: return "OVHTTP_FileInUse";
    case OVHTTP_OutOfMemory: return "OVHTTP_OutOfMemory";
    case OVHTTP_Error: return "OVHTTP_Error";
    default: return "INVALID_OVHTTPERROR";
    }
}

int MapBlockSockErrToOVHTTPErr(int socketCode) {
    switch (socketCode) {
    case CBlockingSocket::Socket_Success:
        DebugOutput(20, "MAPPING BlockSock Socket_Success TO OVHTTP_SUCCESS, DID YOU USE THIS CORRECTLY?");
        return OVHTTP_SUCCESS;
    case CBlockingSocket::Socket_Timeout:
    case CBlockingSocket::Socket_NetworkError: return OVHTTP_ServerTimeOut;
    case CBlockingSocket::Socket_NotInitialised: return OVHTTP_WSAStartupError;
    case CBlockingSocket::Socket_Error: return OVHTTP_Error;
    default:
        DebugOutput(20, "MapBlockSockErrToOVHTTPErr: unhandled error %ld.\n", static_cast<long>(socketCode));
        return OVHTTP_Error;
    }
}

int MapErrnoToOVHTTPResult(int errorNumber) {
    // The numbers of the Windows C runtime, written out so that the table is
    // the same on every build.
    switch (errorNumber) {
    case 0:
        DebugOutput(2, "MAPPING ERRNO ZERO TO SUCCESS, DID YOU USE THIS CORRECTLY?");
        return OVHTTP_SUCCESS;
    case 2: return OVHTTP_ParentDirNotExist;  // ENOENT
    case 12: return OVHTTP_OutOfMemory;       // ENOMEM
    case 13: return OVHTTP_PermissionDenied;  // EACCES
    case 28: return OVHTTP_NoSpaceLeft;       // ENOSPC
    default:
        DebugError("MapErrnoToOVHTTPResult : unhandled errno %ld.\n", static_cast<long>(errorNumber));
        return OVHTTP_Error;
    }
}
