#include "httpclient/request.h"

const char kRequestTail[] =
    "User-Agent: Mozilla/1.22 (Windows; U; 32bit)\r\n"
    "Accept: */*\r\n"
    "Accept: image/gif\r\n"
    "Accept: image/x-xbitmap\r\n"
    "Accept: image/jpeg\r\n"
    "\r\n";

namespace {

std::string hostAndPort(const std::string& host, int port) {
    return port == 80 ? host : host + ":" + std::to_string(port);
}

}  // namespace

std::string RequestLine(const std::string& host, int port, const std::string& path, bool viaProxy) {
    std::string line = "GET ";
    if (viaProxy) line += "http://" + hostAndPort(host, port);
    line += path;
    line += " HTTP/1.0\r\n";
    return line;
}

std::string HostLine(const std::string& host, int port) {
    return "Host: " + hostAndPort(host, port) + "\r\n";
}

std::string ProxyAuthorizationLine(const std::string& user, const std::string& password) {
    return "Proxy-Authorization: Basic " + Base64Encode(user + ":" + password) + "\r\n";
}

std::string Base64Encode(const std::string& bytes) {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const unsigned v = static_cast<unsigned char>(bytes[i]) << 16 |
                           static_cast<unsigned char>(bytes[i + 1]) << 8 |
                           static_cast<unsigned char>(bytes[i + 2]);
        out += kAlphabet[v >> 18 & 63];
        out += kAlphabet[v >> 12 & 63];
        out += kAlphabet[v >> 6 & 63];
        out += kAlphabet[v & 63];
    }
    const std::size_t left = bytes.size() - i;
    if (left > 0) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (left == 2) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += kAlphabet[v >> 18 & 63];
        out += kAlphabet[v >> 12 & 63];
        out += left == 2 ? kAlphabet[v >> 6 & 63] : '=';
        out += '=';
    }
    return out;
}
