// What serve.py tells a test program: the ports of the origin server and of
// tinyproxy, the proxy's credentials, and the origin's test pattern.
#pragma once
#include <cstddef>
#include <string>

int OriginPort();
int ProxyPort();
std::string ProxyUser();
std::string ProxyPassword();

// "http://127.0.0.1:<origin port>" + path
std::string OriginUrl(const std::string& path);

// Bytes start..start+length of the origin's endless pattern.
std::string Pattern(std::size_t start, std::size_t length);

// A TCP port of 127.0.0.1 on which nothing listens (bound, then released).
int UnusedPort();
