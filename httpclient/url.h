// URL handling of the client: "http://host[:port]/path", nothing more.
#pragma once
#include <string>

// Splits the URL into host, path (from the first "/" after the host) and,
// when the URL names one, port. On failure logs why and changes nothing.
bool ParseURL(const std::string& url, std::string* host, std::string* path, int* port);
