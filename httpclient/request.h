// The bytes of a request: request line, Host line, proxy authorization and
// the fixed tail, each sent by one write.
#pragma once
#include <string>

extern const char kRequestTail[];

// "GET <path> HTTP/1.0"; through a proxy the path carries "http://" and the
// host in front, and the port when it is not 80 (the proxy must know it).
std::string RequestLine(const std::string& host, int port, const std::string& path, bool viaProxy);

// "Host: <host>[:<port>]"; the port only when it is not 80.
std::string HostLine(const std::string& host, int port);

// "Proxy-Authorization: Basic " + Base64 of "user:password".
std::string ProxyAuthorizationLine(const std::string& user, const std::string& password);

// Standard Base64 with "=" padding.
std::string Base64Encode(const std::string& bytes);
