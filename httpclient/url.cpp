#include "httpclient/url.h"

#include <cerrno>
#include <cstdlib>

#include "httpclient/debug_log.h"

namespace {

constexpr char kScheme[] = "http://";
constexpr std::size_t kSchemeLength = sizeof kScheme - 1;

// The decimal number at the start of text, C atoi style; false unless it is
// a usable TCP port.
bool portNumber(const std::string& text, int* port) {
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || errno == ERANGE || value < 1 || value > 65535) return false;
    *port = static_cast<int>(value);
    return true;
}

}  // namespace

bool ParseURL(const std::string& url, std::string* host, std::string* path, int* port) {
    // The scheme must lead: a URL that merely contains it somewhere would
    // otherwise be cut at the wrong place and name a wrong host.
    if (url.compare(0, kSchemeLength, kScheme) != 0) {
        DebugError("OVHTTP ParseURL: cannot find http:// for URL \"%s\"\n", url.c_str());
        return false;
    }
    const std::string rest = url.substr(kSchemeLength);
    const std::size_t slash = rest.find('/');
    if (slash == std::string::npos) {
        DebugError("OVHTTP ParseURL: no slash found in url path for URL \"%s\"\n", url.c_str());
        return false;
    }
    std::string newHost = rest.substr(0, slash);
    int newPort = *port;
    const std::size_t colon = newHost.find(':');
    if (colon != std::string::npos) {
        if (!portNumber(newHost.substr(colon + 1), &newPort)) {
            DebugError("OVHTTP ParseURL: invalid port for URL \"%s\"\n", url.c_str());
            return false;
        }
        newHost.erase(colon);
    }
    if (newHost.empty()) {
        DebugError("OVHTTP ParseURL: no host in URL \"%s\"\n", url.c_str());
        return false;
    }
    if (colon != std::string::npos)
        DebugOutput(20, "OVHTTP ParseURL: host is \"%s\", port is \n", newHost.c_str());
    *host = newHost;
    *path = rest.substr(slash);
    *port = newPort;
    return true;
}
