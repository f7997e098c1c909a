// Small helpers shared by the client's tests.
#pragma once
#include <string>

#include "bench_env.h"
#include "httpclient/ovhttp.h"

// Reads the rest of the current response's body; the client's result.
inline int ReadBody(OVHTTP& client, std::string* body) {
    body->clear();
    char buffer[4096];
    for (;;) {
        int count = 0;
        const int result = client.DoGetIntoBuffer(buffer, sizeof buffer, &count);
        if (result != OVHTTP_SUCCESS) return result;
        if (count == 0) return OVHTTP_SUCCESS;
        body->append(buffer, count);
    }
}

// How many requests for path the origin server has seen so far.
inline int RequestsSeen(const std::string& path) {
    OVHTTP client;
    std::string body;
    if (client.SetURL(OriginUrl("/count" + path).c_str()) != 0 || ReadBody(client, &body) != OVHTTP_SUCCESS)
        return -1;
    return std::stoi(body);
}
