// A hostile server's bytes through the header reader and the judgement.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "httpclient/blocking_socket.h"
#include "httpclient/http_header.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    // The first byte picks how the bytes arrive: pieces of 1 to 4 bytes.
    const std::size_t piece = data[0] % 4 + 1;
    const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    std::size_t position = 0;
    std::vector<char> buffer(kHeaderBufferSize);
    int length = 0;
    const int result = ReadHttpHeader(
        [&](char* into, int want, int* count) {
            std::size_t n = bytes.size() - position;
            if (n > piece) n = piece;
            if (n > static_cast<std::size_t>(want)) n = want;
            bytes.copy(into, n, position);
            position += n;
            *count = static_cast<int>(n);
            return static_cast<int>(CBlockingSocket::Socket_Success);
        },
        buffer.data(), static_cast<int>(buffer.size()), &length);
    const std::string_view header = result == 0 ? std::string_view(buffer.data(), length) : std::string_view(bytes);
    ResponseAllRight(header, "host", "http://host/path");
    int contentLength = 0;
    ParseContentLength(header, "file", &contentLength);
    return 0;
}
