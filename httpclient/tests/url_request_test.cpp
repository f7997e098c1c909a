#include <gtest/gtest.h>

#include <string>

#include "httpclient/request.h"
#include "httpclient/url.h"
#include "log_capture.h"

namespace {

TEST(ParseURL, SplitsHostPortAndPath) {
    const struct {
        const char* url;
        bool ok;
        const char* host;
        const char* path;
        int port;
    } cases[] = {
        {"http://updates.example/dir/file.exe", true, "updates.example", "/dir/file.exe", 80},
        {"http://10.0.0.1:8080/dir/file.exe", true, "10.0.0.1", "/dir/file.exe", 8080},
        {"http://host/", true, "host", "/", 80},
        // Query and fragment stay in the path, unescaped.
        {"http://host/a b?x=1&y=%41#top", true, "host", "/a b?x=1&y=%41#top", 80},
        {"http://host/next/http://other/", true, "host", "/next/http://other/", 80},
        // Refused: no path, another scheme, the scheme not leading or not as
        // written, no host, a port that is not a TCP port.
        {"http://host", false, "", "", 80},
        {"http://host:8080", false, "", "", 80},
        {"ftp://host/file", false, "", "", 80},
        {"see http://host/file", false, "", "", 80},
        {"HTTP://host/file", false, "", "", 80},
        {"http:///file", false, "", "", 80},
        {"http://:8080/file", false, "", "", 80},
        {"http://host:/file", false, "", "", 80},
        {"http://host:0/file", false, "", "", 80},
        {"http://host:65536/file", false, "", "", 80},
        {"http://host:99999999999999999999/file", false, "", "", 80},
        {"", false, "", "", 80},
    };
    for (const auto& c : cases) {
        std::string host, path;
        int port = 80;
        EXPECT_EQ(ParseURL(c.url, &host, &path, &port), c.ok) << c.url;
        EXPECT_EQ(host, c.host) << c.url;
        EXPECT_EQ(path, c.path) << c.url;
        EXPECT_EQ(port, c.port) << c.url;
    }
}

TEST(ParseURL, PortStaysUntilAnotherUrlNamesOne) {
    std::string host = "old", path = "/old";
    int port = 80;
    ASSERT_TRUE(ParseURL("http://a:8080/x", &host, &path, &port));
    ASSERT_TRUE(ParseURL("http://b/y", &host, &path, &port));
    EXPECT_EQ(host, "b");
    EXPECT_EQ(port, 8080);
    // A refused URL changes nothing.
    EXPECT_FALSE(ParseURL("http://c", &host, &path, &port));
    EXPECT_EQ(host, "b");
    EXPECT_EQ(path, "/y");
}

TEST(ParseURL, LogsWhyAUrlIsRefused) {
    const struct {
        const char* url;
        const char* line;
    } cases[] = {
        {"ftp://h/f", "OVHTTP ParseURL: cannot find http:// for URL \"ftp://h/f\"\n"},
        {"http://h", "OVHTTP ParseURL: no slash found in url path for URL \"http://h\"\n"},
        {"http://h:99999/f", "OVHTTP ParseURL: invalid port for URL \"http://h:99999/f\"\n"},
        {"http://h:81/f", "OVHTTP ParseURL: host is \"h\", port is \n"},
    };
    for (const auto& c : cases) {
        LogCapture log(20);
        std::string host, path;
        int port = 80;
        ParseURL(c.url, &host, &path, &port);
        EXPECT_EQ(log.text(), c.line);
    }
}

TEST(Request, Base64) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"", ""}, {"f", "Zg=="}, {"fo", "Zm8="}, {"foo", "Zm9v"}, {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}, {"Aladdin:open sesame", "QWxhZGRpbjpvcGVuIHNlc2FtZQ=="},
        {"\xff\xfe\xfd\x3e\x3f", "//79Pj8="},
    };
    for (const auto& c : cases) EXPECT_EQ(Base64Encode(c.in), c.out) << c.in;
}

TEST(Request, Lines) {
    EXPECT_EQ(RequestLine("h", 80, "/dir/file.exe", false), "GET /dir/file.exe HTTP/1.0\r\n");
    EXPECT_EQ(RequestLine("h", 8080, "/dir/file.exe", false), "GET /dir/file.exe HTTP/1.0\r\n");
    EXPECT_EQ(RequestLine("h", 80, "/dir/file.exe", true), "GET http://h/dir/file.exe HTTP/1.0\r\n");
    EXPECT_EQ(RequestLine("h", 8080, "/f?q", true), "GET http://h:8080/f?q HTTP/1.0\r\n");
    EXPECT_EQ(HostLine("h", 80), "Host: h\r\n");
    EXPECT_EQ(HostLine("h", 8080), "Host: h:8080\r\n");
    EXPECT_EQ(ProxyAuthorizationLine("user", ""), "Proxy-Authorization: Basic dXNlcjo=\r\n");
    EXPECT_STREQ(kRequestTail,
                 "User-Agent: Mozilla/1.22 (Windows; U; 32bit)\r\nAccept: */*\r\nAccept: image/gif\r\n"
                 "Accept: image/x-xbitmap\r\nAccept: image/jpeg\r\n\r\n");
}

}  // namespace
