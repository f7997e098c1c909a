// Result codes of the HTTP client and the mappings into them. Plain C++.
#pragma once

enum OVHTTPError {
    OVHTTP_SUCCESS = 0,
    OVHTTP_SockReadFailed = 1,
    OVHTTP_ParseHeaderFailed = 2,
    OVHTTP_ServerError = 3,
    OVHTTP_ServerUrlNotFound = 4,
    OVHTTP_ServerTimeOut = 5,
    OVHTTP_UserAbort = 6,
    OVHTTP_WSAStartupError = 7,
    OVHTTP_ParentDirNotExist = 8,
    OVHTTP_PermissionDenied = 9,
    OVHTTP_NoSpaceLeft = 10,
    OVHTTP_FileInUse = 11,
    OVHTTP_OutOfMemory = 12,
    OVHTTP_Redirect = 13,  // internal: the URL was changed, request again
    OVHTTP_Error = -1,
};

// "OVHTTP_SUCCESS" ...; "INVALID_OVHTTPERROR" for anything else (13 included).
const char* OVHTTPErrorName(int code);

// CBlockingSocket result code -> client result code.
int MapBlockSockErrToOVHTTPErr(int socketCode);

// C runtime error number of a local file operation -> client result code.
int MapErrnoToOVHTTPResult(int errorNumber);
