#include "httpclient/http_header.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "httpclient/blocking_socket.h"
#include "httpclient/debug_log.h"
#include "httpclient/result_codes.h"

namespace {

std::string lowerCopy(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// C atol rules (leading white space, sign, digits), held to the int range.
int decimalNumber(std::string_view text) {
    const std::string copy(text);
    errno = 0;
    const long long value = std::strtoll(copy.c_str(), nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

// Bytes still needed before the header could be complete.
int bytesToFinish(const char* buffer, int length) {
    if (length >= 2 && buffer[length - 2] == '\n' && buffer[length - 1] == '\r') return 1;
    if (length >= 1 && buffer[length - 1] == '\n') return 2;
    return 3;
}

bool finished(const char* buffer, int length) {
    return length >= 3 && buffer[length - 3] == '\n' && buffer[length - 2] == '\r';
}

}  // namespace

int ReadHttpHeader(const ReceiveFunction& receive, char* buffer, int capacity, int* length) {
    int have = 0;
    *length = 0;
    for (;;) {
        const int room = capacity - have;
        if (room <= 0) {
            DebugOutput(20, "OVHTTP::ReadHttpHeader: header does not fit in %ld bytes.\n",
                        static_cast<long>(capacity));
            return OVHTTP_ParseHeaderFailed;
        }
        const int want = std::min({2, bytesToFinish(buffer, have), room});
        int count = 0;
        const int rc = receive(buffer + have, want, &count);
        if (rc != CBlockingSocket::Socket_Success) {
            DebugOutput(20, "OVHTTP::ReadHttpHeader: socket error %ld. \"%s\"\n", static_cast<long>(rc),
                        BlockSockErrorName(rc));
            return MapBlockSockErrToOVHTTPErr(rc);
        }
        if (count <= 0) return OVHTTP_SockReadFailed;
        have += std::min(count, want);
        if (finished(buffer, have)) {
            *length = have;
            return OVHTTP_SUCCESS;
        }
    }
}

ResponseVerdict ResponseAllRight(std::string_view header, const std::string& host,
                                 const std::string& url) {
    const std::size_t space = header.find(' ');
    if (space == std::string_view::npos) {
        DebugError("OHTTP ResponseAllRight : server error %d for url \"%s\"\n", 500, url.c_str());
        return {OVHTTP_ServerError, 500, {}};
    }
    const std::size_t next = header.find(' ', space + 1);
    const std::size_t end = next == std::string_view::npos ? header.size() : next;
    const int status = decimalNumber(header.substr(space + 1, end - space - 1));

    if (status >= 100 && status <= 200) return {OVHTTP_SUCCESS, status, {}};
    if (status == 404) {
        DebugError("OHTTP ResponseAllRight : server 404 error for url \"%s\"\n", url.c_str());
        return {OVHTTP_ServerUrlNotFound, status, {}};
    }
    if (status < 300 || status > 399) {
        DebugError("OHTTP ResponseAllRight : server error %d for url \"%s\"\n", status, url.c_str());
        return {OVHTTP_ServerError, status, {}};
    }

    // A Content-Location line is not a redirect target: skip every one.
    static constexpr std::string_view kName = "location:";
    static constexpr std::size_t kValueOffset = 10;  // the name and one space
    const std::string lower = lowerCopy(header);
    std::size_t at = lower.find(kName);
    while (at != std::string::npos && at > 0 && lower[at - 1] == '-')
        at = lower.find(kName, at + kValueOffset);

    std::string location;
    if (at != std::string::npos && at + kValueOffset <= header.size()) {
        const std::string_view value = header.substr(at + kValueOffset);
        location = std::string(value.substr(0, value.find_first_of("\n\r ")));
    }
    if (location.empty()) {
        DebugError("OHTTP ResponseAllRight : unable to parse redirect response for url\"%s\", code is %d, "
                   "header is \"%s\".\n",
                   url.c_str(), status, std::string(header).c_str());
        return {OVHTTP_ServerUrlNotFound, status, {}};
    }
    if (location.compare(0, 7, "http://") != 0)
        location = "http://" + host + (location[0] == '/' ? "" : "/") + location;
    return {OVHTTP_Redirect, status, location};
}

int ParseContentLength(std::string_view header, const std::string& localFile, int* size) {
    *size = -1;
    const std::string lower = lowerCopy(header);
    const std::size_t at = lower.find("content-length:");
    if (at == std::string::npos) {
        DebugError(" OVHTTP GetDownloadFileSize : FAILED, content-length not found in server response header "
                   "for path \"%s\"\n",
                   localFile.c_str());
        return OVHTTP_Error;
    }
    const std::size_t cr = lower.find('\r', at);
    if (cr == std::string::npos) {
        DebugError("OVHTTP GetDownloadFileSize : FAILED, error parsing for CR in content-length header for "
                   "path \"%s\"\n",
                   localFile.c_str());
        return OVHTTP_Error;
    }
    const std::string_view line = std::string_view(lower).substr(at, cr - at);
    const std::size_t space = line.find(' ');
    if (space == std::string_view::npos) {
        DebugError(" OVHTTP GetDownloadFileSize : FAILED, error parsing for space in content-length header "
                   "for path \"%s\"\n",
                   localFile.c_str());
        return OVHTTP_Error;
    }
    *size = decimalNumber(line.substr(space + 1));
    return OVHTTP_SUCCESS;
}
