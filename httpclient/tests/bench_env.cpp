#include "bench_env.h"

#include <winsock.h>

#include <cstdio>
#include <cstdlib>

namespace {

std::string required(const char* name) {
    const char* value = std::getenv(name);
    if (!value || !*value) {
        std::fprintf(stderr, "%s is not set: run this test through httpclient/tests/serve.py\n", name);
        std::exit(2);
    }
    return value;
}

}  // namespace

int OriginPort() { return std::atoi(required("KM_HTTP_ORIGIN_PORT").c_str()); }
int ProxyPort() { return std::atoi(required("KM_HTTP_PROXY_PORT").c_str()); }
std::string ProxyUser() { return required("KM_HTTP_PROXY_USER"); }
std::string ProxyPassword() { return required("KM_HTTP_PROXY_PASSWORD"); }

std::string OriginUrl(const std::string& path) {
    return "http://127.0.0.1:" + std::to_string(OriginPort()) + path;
}

std::string Pattern(std::size_t start, std::size_t length) {
    std::string out(length, '\0');
    for (std::size_t i = 0; i < length; ++i) out[i] = static_cast<char>(((start + i) % 251 * 31 + 7) % 251);
    return out;
}

int UnusedPort() {
    WSADATA data;
    ::WSAStartup(MAKEWORD(1, 1), &data);
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = ::inet_addr("127.0.0.1");
    ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int length = sizeof address;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    ::closesocket(s);
    ::WSACleanup();
    return ::ntohs(address.sin_port);
}
