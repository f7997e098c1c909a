// Reading and judging a response header. Plain C++: the socket is reached
// through a receive function, so the same code runs against scripted bytes.
#pragma once
#include <functional>
#include <string>
#include <string_view>

constexpr int kHeaderBufferSize = 4096;

// One receive: fills at most `size` bytes, sets the count (0: the peer has
// closed), returns a CBlockingSocket code.
using ReceiveFunction = std::function<int(char* into, int size, int* count)>;

// Reads the header into buffer (capacity bytes) and nothing past it: at most
// two bytes a time, fewer when fewer could finish the header. The header ends
// with a line feed, a carriage return and one more byte (the CR LF CR LF of a
// well-formed header). A header that does not fit fails with
// OVHTTP_ParseHeaderFailed; a closed connection with OVHTTP_SockReadFailed.
int ReadHttpHeader(const ReceiveFunction& receive, char* buffer, int capacity, int* length);

struct ResponseVerdict {
    int result;              // OVHTTP_SUCCESS, OVHTTP_Redirect or a failure code
    int statusCode;
    std::string redirectUrl;  // for OVHTTP_Redirect
};

// Judges the status line and, for 3xx, finds the redirect target. host is
// the current URL's host (for relative locations), url is for the log.
ResponseVerdict ResponseAllRight(std::string_view header, const std::string& host,
                                 const std::string& url);

// The number of the Content-Length line: 0 and the size, or -1 after the
// log line. localFile only appears in the log.
int ParseContentLength(std::string_view header, const std::string& localFile, int* size);
