// CBlockingSocket against the bench's origin server on 127.0.0.1.
#include "httpclient/blocking_socket.h"

#include <winsock.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "bench_env.h"
#include "log_capture.h"

namespace {

class BlockingSocket : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        WSADATA data;
        ASSERT_EQ(::WSAStartup(MAKEWORD(1, 1), &data), 0);
    }
    static void TearDownTestSuite() { ::WSACleanup(); }

    static sockaddr_in address(int port) {
        sockaddr_in a;
        EXPECT_EQ(CBlockingSocket::GetHostByName("127.0.0.1", static_cast<unsigned short>(port),
                                                 reinterpret_cast<sockaddr*>(&a)),
                  CBlockingSocket::Socket_Success);
        return a;
    }

    // A connected socket that has sent the request for path.
    void connectAndAsk(CBlockingSocket& s, const std::string& path) {
        ASSERT_EQ(s.Create(SOCK_STREAM), CBlockingSocket::Socket_Success);
        const sockaddr_in a = address(OriginPort());
        ASSERT_EQ(s.Connect(reinterpret_cast<const sockaddr*>(&a)), CBlockingSocket::Socket_Success);
        const std::string request = "GET " + path + " HTTP/1.0\r\n\r\n";
        int total = 0;
        ASSERT_EQ(s.Write(request.data(), static_cast<int>(request.size()), 5, &total),
                  CBlockingSocket::Socket_Success);
        EXPECT_EQ(total, static_cast<int>(request.size()));
    }

    LogCapture log_{20};
};

TEST_F(BlockingSocket, ResolvesADottedAddress) {
    const sockaddr_in a = address(8080);
    EXPECT_EQ(a.sin_family, AF_INET);
    EXPECT_EQ(a.sin_port, ::htons(8080));
    EXPECT_EQ(a.sin_addr.s_addr, ::inet_addr("127.0.0.1"));
    EXPECT_EQ(std::string(a.sin_zero, 8), std::string(8, '\0'));
}

TEST_F(BlockingSocket, ExchangesBytesUntilThePeerCloses) {
    CBlockingSocket s;
    connectAndAsk(s, "/blob/100000");
    sockaddr_in local;
    ASSERT_EQ(s.GetSockAddr(reinterpret_cast<sockaddr*>(&local)), CBlockingSocket::Socket_Success);
    EXPECT_EQ(local.sin_addr.s_addr, ::inet_addr("127.0.0.1"));

    std::string received;
    char buffer[4096];
    int count = -1;
    while (s.Receive(buffer, sizeof buffer, 5, &count) == CBlockingSocket::Socket_Success && count > 0)
        received.append(buffer, count);
    EXPECT_EQ(count, 0);  // closed by the peer: success with no bytes
    const std::size_t body = received.find("\r\n\r\n") + 4;
    EXPECT_EQ(received.substr(body), Pattern(0, 100000));
    EXPECT_EQ(s.Close(), CBlockingSocket::Socket_Success);
    EXPECT_FALSE(s.HoldsSocket());
    EXPECT_EQ(log_.text(), "");
}

TEST_F(BlockingSocket, SilentServerTimesOut) {
    CBlockingSocket s;
    connectAndAsk(s, "/silent");
    char buffer[16];
    int count = 0;
    EXPECT_EQ(s.Receive(buffer, sizeof buffer, 1, &count), CBlockingSocket::Socket_Timeout);
    EXPECT_EQ(count, -1);
    EXPECT_TRUE(log_.contains("CBlockingSocket::Receive: error ")) << log_.text();
}

TEST_F(BlockingSocket, RefusedConnectionCountsAsTimeout) {
    CBlockingSocket s;
    ASSERT_EQ(s.Create(SOCK_STREAM), CBlockingSocket::Socket_Success);
    const sockaddr_in a = address(UnusedPort());
    EXPECT_EQ(s.Connect(reinterpret_cast<const sockaddr*>(&a)), CBlockingSocket::Socket_Timeout);
    EXPECT_EQ(log_.text(),
              "CBlockingSocket::MapWinSockErrToBlockSockErr : winsock error 10061 \n"
              "CBlockingSocket::Connect: error 10061.\n");
}

TEST_F(BlockingSocket, EveryOperationNeedsASocket) {
    CBlockingSocket s;
    ASSERT_EQ(s.Create(SOCK_STREAM), CBlockingSocket::Socket_Success);
    EXPECT_EQ(s.Create(SOCK_STREAM), CBlockingSocket::Socket_Error);  // the held socket stays
    EXPECT_TRUE(s.HoldsSocket());
    EXPECT_EQ(log_.text(), "CBlockingSocket::Create: socket is not null error \n");
    ASSERT_EQ(s.Close(), CBlockingSocket::Socket_Success);

    char buffer[4] = {};
    int count = 0;
    sockaddr_in a = address(80);
    const struct {
        std::function<int()> call;
        const char* line;
        int count;  // what the call leaves in count
    } cases[] = {
        {[&] { return s.Close(); }, "CBlockingSocket::Close: socket is null error \n", 0},
        {[&] { return s.Connect(reinterpret_cast<sockaddr*>(&a)); }, "CBlockingSocket::Connect: socket is null error.\n", 0},
        {[&] { return s.Send(buffer, 4, 1, &count); }, "CBlockingSocket::Send: socket is null error.\n", -1},
        {[&] { return s.Receive(buffer, 4, 1, &count); }, "CBlockingSocket::Receive: socket is null error.\n", -1},
        {[&] { return s.GetSockAddr(reinterpret_cast<sockaddr*>(&a)); },
         "CBlockingSocket::GetSockAddr: socket is null error.\n", 0},
    };
    for (const auto& c : cases) {
        log_.clear();
        count = 0;
        EXPECT_EQ(c.call(), CBlockingSocket::Socket_Error) << c.line;
        EXPECT_EQ(log_.text(), c.line);
        EXPECT_EQ(count, c.count) << c.line;
    }

    log_.clear();
    int total = 5;
    EXPECT_EQ(s.Write(buffer, 4, 1, &total), CBlockingSocket::Socket_Error);
    EXPECT_EQ(total, 0);
    EXPECT_TRUE(log_.contains("CBlockingSocket::Send: socket is null error.\nCBlockingSocket::Write: error "));
}

TEST_F(BlockingSocket, MapsTheLastSocketError) {
    const struct {
        int error;
        int code;
    } cases[] = {
        {10061, CBlockingSocket::Socket_Timeout},        {11001, CBlockingSocket::Socket_Timeout},
        {10051, CBlockingSocket::Socket_NetworkError},   {10093, CBlockingSocket::Socket_NotInitialised},
        {10048, CBlockingSocket::Socket_Error},          {0, CBlockingSocket::Socket_Success},
    };
    for (const auto& c : cases) {
        ::WSASetLastError(c.error);
        EXPECT_EQ(CBlockingSocket::MapWinSockErrToBlockSockErr(), c.code) << c.error;
    }
}

}  // namespace
