#include "httpclient/http_header.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "httpclient/blocking_socket.h"
#include "httpclient/result_codes.h"
#include "log_capture.h"

namespace {

// A peer that sends `bytes` in pieces of at most `piece` bytes, then closes
// (or fails with `endCode`).
struct ScriptedPeer {
    std::string bytes;
    std::size_t piece = 1000000;
    int endCode = CBlockingSocket::Socket_Success;
    std::size_t position = 0;
    int largestAsk = 0;

    int receive(char* into, int size, int* count) {
        largestAsk = std::max(largestAsk, size);
        if (position == bytes.size() && endCode != CBlockingSocket::Socket_Success) {
            *count = -1;
            return endCode;
        }
        const std::size_t n = std::min({static_cast<std::size_t>(size), piece, bytes.size() - position});
        bytes.copy(into, n, position);
        position += n;
        *count = static_cast<int>(n);
        return CBlockingSocket::Socket_Success;
    }
};

struct ReadResult {
    int result;
    std::string header;
    std::string rest;  // what the reader left unread
};

ReadResult read(ScriptedPeer peer, int capacity = kHeaderBufferSize) {
    // Exactly `capacity` bytes, so that a write past the end is caught.
    std::vector<char> buffer(capacity);
    int length = -1;
    const int result = ReadHttpHeader(
        [&](char* into, int size, int* count) { return peer.receive(into, size, count); }, buffer.data(),
        capacity, &length);
    EXPECT_LE(peer.largestAsk, 2);
    return {result, std::string(buffer.data(), length > 0 ? length : 0), peer.bytes.substr(peer.position)};
}

TEST(ReadHttpHeader, StopsRightAfterTheBlankLine) {
    const std::string header = "HTTP/1.0 200 OK\r\nContent-Length: 4\r\n\r\n";
    for (const std::string& h : {header, std::string("HTTP/1.0 200 OK!\r\n\r\n"), std::string("HTTP/1.0 204\r\n\r\n")}) {
        // Every size of piece, down to one byte a receive: the end is found
        // and no body byte is taken.
        for (std::size_t piece : {1, 2, 3, 1000}) {
            ScriptedPeer peer;
            peer.bytes = h + "body";
            peer.piece = piece;
            const ReadResult r = read(peer);
            EXPECT_EQ(r.result, OVHTTP_SUCCESS) << h << piece;
            EXPECT_EQ(r.header, h);
            EXPECT_EQ(r.rest, "body");
        }
    }
}

TEST(ReadHttpHeader, Failures) {
    const struct {
        const char* name;
        std::string bytes;
        int endCode;
        int result;
    } cases[] = {
        {"closed at once", "", CBlockingSocket::Socket_Success, OVHTTP_SockReadFailed},
        {"closed mid-header", "HTTP/1.0 200 OK\r\nContent-Le", CBlockingSocket::Socket_Success,
         OVHTTP_SockReadFailed},
        // Bare line feeds are not a header end: reading goes on to the close.
        {"bare line feeds", "HTTP/1.0 200 OK\nContent-Length: 5\n\nhello", CBlockingSocket::Socket_Success,
         OVHTTP_SockReadFailed},
        {"time-out", "HTTP/1.0 200", CBlockingSocket::Socket_Timeout, OVHTTP_ServerTimeOut},
        {"network error", "", CBlockingSocket::Socket_NetworkError, OVHTTP_ServerTimeOut},
        {"socket error", "HTTP", CBlockingSocket::Socket_Error, OVHTTP_Error},
    };
    for (const auto& c : cases) {
        ScriptedPeer peer;
        peer.bytes = c.bytes;
        peer.endCode = c.endCode;
        EXPECT_EQ(read(peer).result, c.result) << c.name;
    }

    LogCapture log(20);
    ScriptedPeer peer;
    peer.endCode = CBlockingSocket::Socket_Timeout;
    read(peer);
    EXPECT_EQ(log.text(), "OVHTTP::ReadHttpHeader: socket error 1. \"CBlockingSocket::Socket_Timeout\"\n");
}

TEST(ReadHttpHeader, HeaderLargerThanTheBufferFailsCleanly) {
    const std::string head = "HTTP/1.0 200 OK\r\nX-Padding: ";
    const std::string end = "\r\n\r\n";
    // A header of exactly the buffer's size still fits.
    const std::string fits = head + std::string(kHeaderBufferSize - head.size() - end.size(), 'a') + end;
    ScriptedPeer exact;
    exact.bytes = fits + "body";
    const ReadResult r = read(exact);
    EXPECT_EQ(r.result, OVHTTP_SUCCESS);
    EXPECT_EQ(r.header.size(), static_cast<std::size_t>(kHeaderBufferSize));

    for (std::size_t padding : {kHeaderBufferSize - head.size() - end.size() + 1, std::size_t(5000),
                                std::size_t(100000)}) {
        LogCapture log(20);
        ScriptedPeer peer;
        peer.bytes = head + std::string(padding, 'a') + end + "body";
        EXPECT_EQ(read(peer).result, OVHTTP_ParseHeaderFailed) << padding;
        EXPECT_EQ(log.text(), "OVHTTP::ReadHttpHeader: header does not fit in 4096 bytes.\n");
    }
}

TEST(ResponseAllRight, JudgesTheStatusAndFindsRedirectTargets) {
    const int R = OVHTTP_Redirect;
    const struct {
        const char* header;
        int result;
        int status;
        const char* target;
    } cases[] = {
        {"HTTP/1.0 200 OK\r\n\r\n", 0, 200, ""},
        {"HTTP/1.1 200 OK\r\n\r\n", 0, 200, ""},
        {"HTTP/1.0 100 Continue\r\n\r\n", 0, 100, ""},
        {"HTTP/1.0 200\r\nServer: x\r\n\r\n", 0, 200, ""},
        {"HTTP/1.0 204 No Content\r\n\r\n", 3, 204, ""},
        {"HTTP/1.0 206 Partial\r\n\r\n", 3, 206, ""},
        {"HTTP/1.0 404 Not Found\r\n\r\n", 4, 404, ""},
        {"HTTP/1.0 500 Oops\r\n\r\n", 3, 500, ""},
        {"HTTP/1.0 99 Low\r\n\r\n", 3, 99, ""},
        {"HTTP/1.0 abc\r\n\r\n", 3, 0, ""},
        {"HTTP/1.0 99999999999 Big\r\n\r\n", 3, INT_MAX, ""},
        {"Garbage\r\n\r\n", 3, 500, ""},
        {"HTTP/1.0 302 Found\r\nLocation: http://other.example:81/new?q=1\r\n\r\n", R, 302,
         "http://other.example:81/new?q=1"},
        {"HTTP/1.0 301 Moved\r\nLocation: /dir/New.exe\r\n\r\n", R, 301, "http://host/dir/New.exe"},
        {"HTTP/1.0 307 Temp\r\nlocation: dir/file\r\n\r\n", R, 307, "http://host/dir/file"},
        {"HTTP/1.0 302 Found\r\nLOCATION: /a b\r\n\r\n", R, 302, "http://host/a"},
        {"HTTP/1.0 300 Choices\r\nLocation: /x\n\n", R, 300, "http://host/x"},
        {"HTTP/1.0 399 X\r\nLocation: /end", R, 399, "http://host/end"},
        {"HTTP/1.0 302 Found\r\nContent-Location: /trap\r\n\r\n", 4, 302, ""},
        {"HTTP/1.0 302 Found\r\nContent-Location: /a\r\nContent-Location: /b\r\nLocation: /real\r\n\r\n", R, 302,
         "http://host/real"},
        {"HTTP/1.0 302 Found\r\nLocation:\r\n\r\n", 4, 302, ""},
        {"HTTP/1.0 302 Found\r\nLocation:", 4, 302, ""},
        {"HTTP/1.0 302 Found\r\n\r\n", 4, 302, ""},
    };
    for (const auto& c : cases) {
        const ResponseVerdict v = ResponseAllRight(c.header, "host", "http://host/old");
        EXPECT_EQ(v.result, c.result) << c.header;
        EXPECT_EQ(v.statusCode, c.status) << c.header;
        EXPECT_EQ(v.redirectUrl, c.target) << c.header;
    }
}

TEST(ResponseAllRight, LogLines) {
    const struct {
        const char* header;
        const char* line;
    } cases[] = {
        {"Garbage", "OHTTP ResponseAllRight : server error 500 for url \"http://h/p\"\n"},
        {"HTTP/1.0 404 No", "OHTTP ResponseAllRight : server 404 error for url \"http://h/p\"\n"},
        {"HTTP/1.0 204 No", "OHTTP ResponseAllRight : server error 204 for url \"http://h/p\"\n"},
        {"HTTP/1.0 302 X\r\n\r\n",
         "OHTTP ResponseAllRight : unable to parse redirect response for url\"http://h/p\", code is 302, header is "
         "\"HTTP/1.0 302 X\r\n\r\n\".\n"},
    };
    for (const auto& c : cases) {
        LogCapture log(20);
        ResponseAllRight(c.header, "h", "http://h/p");
        EXPECT_EQ(log.text(), c.line);
    }
}

TEST(ParseContentLength, TakesTheNumberAfterTheSpace) {
    const struct {
        const char* header;
        int result;
        int size;
        const char* line;
    } cases[] = {
        {"HTTP/1.0 200 OK\r\nContent-Length: 1234\r\n\r\n", 0, 1234, ""},
        {"HTTP/1.0 200 OK\r\nCONTENT-LENGTH:  77\r\n\r\n", 0, 77, ""},
        {"HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n", 0, 0, ""},
        {"HTTP/1.0 200 OK\r\nContent-Length:1234\r\n\r\n", -1, -1,
         " OVHTTP GetDownloadFileSize : FAILED, error parsing for space in content-length header for path \"f\"\n"},
        {"HTTP/1.0 200 OK\r\nServer: x\r\n\r\n", -1, -1,
         " OVHTTP GetDownloadFileSize : FAILED, content-length not found in server response header for path \"f\"\n"},
        {"HTTP/1.0 200 OK\nContent-Length: 5\n\n", -1, -1,
         "OVHTTP GetDownloadFileSize : FAILED, error parsing for CR in content-length header for path \"f\"\n"},
    };
    for (const auto& c : cases) {
        LogCapture log(20);
        int size = 99;
        EXPECT_EQ(ParseContentLength(c.header, "f", &size), c.result) << c.header;
        EXPECT_EQ(size, c.size) << c.header;
        EXPECT_EQ(log.text(), c.line);
    }
}

}  // namespace
