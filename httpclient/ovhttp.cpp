// The client object, its requests, the header and the redirects.
#include "httpclient/ovhttp.h"

#include <winsock.h>

#include <climits>
#include <new>

#include "httpclient/boundary_text.h"
#include "httpclient/debug_log.h"
#include "httpclient/guard.h"
#include "httpclient/http_header.h"
#include "httpclient/request.h"
#include "httpclient/socket_layer.h"
#include "httpclient/url.h"

namespace {

constexpr int kMaxRedirects = 100;

}  // namespace

OVHTTPProxySettings::OVHTTPProxySettings() : proxyPort(80), useLogin(false) {}

OVHTTPProxySettings::~OVHTTPProxySettings() = default;

OVHTTP::OVHTTP() { socket_layer::ClientStarted(); }

OVHTTP::~OVHTTP() {
    waitForDownloadThread();
    if (close() != OVHTTP_SUCCESS) DebugError("OVHTTP::~OVHTTP : Close( ) \n");
    header_.reset();
    OVHTTPTerminate();
}

void OVHTTP::OVHTTPTerminate() { socket_layer::ClientEnded(); }

unsigned OVHTTP::SetURL(OVHTTPText url) {
    return static_cast<unsigned>(Guarded([&] { return static_cast<int>(setUrl(TextOf(url))); }));
}

unsigned OVHTTP::setUrl(const std::string& url) {
    url_ = url;
    if (socket_layer::StartupFailed()) {
        DebugError("OVHTTP SetURL : WSAStartupError %ld \"%s\" for URL \"%s\"\n",
                   static_cast<long>(OVHTTP_WSAStartupError), OVHTTPErrorName(OVHTTP_WSAStartupError),
                   url_.c_str());
    }
    int result = OVHTTP_SUCCESS;
    bool parsed;
    if (socket_layer::StartupFailed()) {
        DebugError("OVHTTP ParseURL: WSAStartupError: for URL \"%s\"\n", url_.c_str());
        parsed = false;
    } else {
        parsed = ParseURL(url_, &host_, &path_, &port_);
    }
    if (!parsed) {
        DebugError("OVHTTP SetURL : ParseURL FAILED %ld \"%s\" for URL \"%s\"\n", static_cast<long>(OVHTTP_Error),
                   OVHTTPErrorName(OVHTTP_Error), url_.c_str());
        result = OVHTTP_Error;
    }
    transferRate_ = -1;
    const int closed = close();
    if (closed != OVHTTP_SUCCESS)
        DebugError("OVHTTP SetURL : Close() FAILED %ld for URL \"%s\"\n", static_cast<long>(closed), url_.c_str());
    return static_cast<unsigned>(result);
}

unsigned OVHTTP::SetProxySettings(const OVHTTPProxySettings* settings) {
    return static_cast<unsigned>(Guarded([&] {
        if (!settings) return static_cast<int>(OVHTTP_Error);
        proxy_ = *settings;
        return static_cast<int>(OVHTTP_SUCCESS);
    }));
}

void OVHTTP::UseProxyServer(bool use) { useProxy_ = use; }

bool OVHTTP::CheckConnection(unsigned waitSeconds) {
    return Guarded([&] {
               const int saved = wait_;
               wait_ = waitSeconds > INT_MAX ? INT_MAX : static_cast<int>(waitSeconds);
               const int result = checkReadHeader(0);
               close();
               wait_ = saved;
               return result;
           }) == OVHTTP_SUCCESS;
}

int OVHTTP::Close() {
    return Guarded([&] { return close(); });
}

int OVHTTP::close() {
    requestPending_ = true;
    headerLength_ = 0;
    if (!connectionOpen_) return OVHTTP_SUCCESS;
    connectionOpen_ = false;
    const int rc = socket_.Close();
    if (rc != CBlockingSocket::Socket_Success) {
        DebugOutput(20, "OVHTTP::Close: socket error %ld. \"%s\"\n", static_cast<long>(rc), BlockSockErrorName(rc));
        return MapBlockSockErrToOVHTTPErr(rc);
    }
    return OVHTTP_SUCCESS;
}

int OVHTTP::CheckReadHeader(int depth) {
    return Guarded([&] { return checkReadHeader(depth); });
}

// Each redirect asks again at one level deeper; at most kMaxRedirects are
// followed.
int OVHTTP::checkReadHeader(int depth) {
    for (;;) {
        if (!requestPending_) return OVHTTP_SUCCESS;
        const int result = requestOnce();
        if (result != OVHTTP_Redirect) return result;
        if (depth >= kMaxRedirects) {
            DebugError("OVHTTP CheckReadHeader: TOO MANY REDIRECTS for url \"%s\"\n", url_.c_str());
            return OVHTTP_Error;
        }
        ++depth;
    }
}

int OVHTTP::writeText(const std::string& text) {
    int total = 0;
    const int rc = socket_.Write(text.data(), static_cast<int>(text.size()), wait_, &total);
    if (rc != CBlockingSocket::Socket_Success) {
        DebugOutput(20, "OVHTTP::CheckReadHeader: socket write error %ld. \"%s\" \n", static_cast<long>(rc),
                    BlockSockErrorName(rc));
        return MapBlockSockErrToOVHTTPErr(rc);
    }
    return OVHTTP_SUCCESS;
}

int OVHTTP::readHttpHeader() {
    if (!header_) {
        header_.reset(new (std::nothrow) char[kHeaderBufferSize]());
        if (!header_) return OVHTTP_OutOfMemory;
    }
    headerLength_ = 0;
    int length = 0;
    const int result = ReadHttpHeader(
        [this](char* into, int size, int* count) { return socket_.Receive(into, size, wait_, count); },
        header_.get(), kHeaderBufferSize, &length);
    if (result == OVHTTP_SUCCESS) headerLength_ = length;
    return result;
}

// One request: connect, send, read and judge the header. On success the
// connection stays open for the body; on failure it is closed.
int OVHTTP::requestOnce() {
    int rc = socket_.Create(SOCK_STREAM);
    if (rc != CBlockingSocket::Socket_Success) {
        DebugOutput(20, "OVHTTP::CheckReadHeader: socket create error %ld. \"%s\"\n", static_cast<long>(rc),
                    BlockSockErrorName(rc));
        return MapBlockSockErrToOVHTTPErr(rc);
    }
    connectionOpen_ = true;

    const int result = Guarded([&]() -> int {
        sockaddr_in server;
        const char* name = useProxy_ ? proxy_.proxyAddress.c_str() : host_.c_str();
        const int port = useProxy_ ? proxy_.proxyPort : port_;
        rc = CBlockingSocket::GetHostByName(name, static_cast<unsigned short>(port),
                                            reinterpret_cast<sockaddr*>(&server));
        if (rc != CBlockingSocket::Socket_Success) {
            DebugOutput(20, "OVHTTP::CheckReadHeader: socket gethostbyname error %ld.\"%s\" \n",
                        static_cast<long>(rc), BlockSockErrorName(rc));
            return MapBlockSockErrToOVHTTPErr(rc);
        }
        rc = socket_.Connect(reinterpret_cast<const sockaddr*>(&server));
        if (rc != CBlockingSocket::Socket_Success) {
            DebugOutput(20, "OVHTTP::CheckReadHeader: socket connect error %ld. \"%s\" \n", static_cast<long>(rc),
                        BlockSockErrorName(rc));
            return MapBlockSockErrToOVHTTPErr(rc);
        }
        sockaddr_in local;
        rc = socket_.GetSockAddr(reinterpret_cast<sockaddr*>(&local));
        if (rc != CBlockingSocket::Socket_Success) {
            DebugOutput(20, "OVHTTP::CheckReadHeader: socket GetSockAddr error %ld. \"%s\" \n",
                        static_cast<long>(rc), BlockSockErrorName(rc));
            return MapBlockSockErrToOVHTTPErr(rc);
        }
        DebugOutput(40, "SOCK CLIENT: GetSockAddr = %s, %d\n", ::inet_ntoa(local.sin_addr), ::ntohs(local.sin_port));

        int step = writeText(RequestLine(host_, port_, path_, useProxy_));
        // Without a Host line a server that hosts several sites answers for
        // the wrong one.
        if (step == OVHTTP_SUCCESS) step = writeText(HostLine(host_, port_));
        if (step == OVHTTP_SUCCESS && proxy_.useLogin)
            step = writeText(ProxyAuthorizationLine(proxy_.userName.c_str(), proxy_.password.c_str()));
        if (step == OVHTTP_SUCCESS) step = writeText(kRequestTail);
        if (step == OVHTTP_SUCCESS) step = readHttpHeader();
        if (step != OVHTTP_SUCCESS) return step;

        const ResponseVerdict verdict =
            ResponseAllRight(std::string_view(header_.get(), headerLength_), host_, url_);
        switch (verdict.result) {
        case OVHTTP_SUCCESS:
            requestPending_ = false;
            break;
        case OVHTTP_Redirect:
            setUrl(verdict.redirectUrl);
            DebugOutput(20, "OHTTP ResponseAllRight : response code %ld, attempting to redirect to url \"%s\".\n",
                        static_cast<long>(verdict.statusCode), url_.c_str());
            break;
        case OVHTTP_ServerUrlNotFound:
            DebugError("OVHTTP CheckReadHeader: server 404 error %ld \"%s\" for url \"%s\"\n",
                       static_cast<long>(verdict.result), OVHTTPErrorName(verdict.result), url_.c_str());
            break;
        default:
            DebugError("OVHTTP CheckReadHeader: server error: %ld \"%s\" for url \"%s\"\n",
                       static_cast<long>(verdict.result), OVHTTPErrorName(verdict.result), url_.c_str());
            break;
        }
        return verdict.result;
    });
    if (result == OVHTTP_SUCCESS) return result;

    if (connectionOpen_) {
        connectionOpen_ = false;
        rc = socket_.Close();
        if (rc != CBlockingSocket::Socket_Success)
            DebugOutput(20, "OVHTTP::CheckReadHeader: socket close error %ld. \"%s\" \n", static_cast<long>(rc),
                        BlockSockErrorName(rc));
    }
    return result;
}

extern "C" void OVHTTPSetDebugLevel(int level) { DebugMgr::SetDebugLevel(level); }

extern "C" void OVHTTPSetDebugOutputFile(const char* fileName) { DebugMgr::SetOutputFileName(fileName); }
