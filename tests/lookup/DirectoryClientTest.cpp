#include "phonebook/DirectoryClient.h"

#include "tests/support/HttpFixtureServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using testing_support::HttpFixtureServer;
using namespace std::chrono_literals;
using namespace std::string_literals;

namespace {

// Only stops a hang; the time-outs themselves are a few seconds at most.
constexpr auto kHangLimit = 30s;

directory::Endpoint Local(const HttpFixtureServer& server) {
    return {"127.0.0.1", server.Port(), true};
}

TEST(DirectoryClientTest, RequestAndEndpointFollowTheOverride) {
    EXPECT_EQ(directory::BuildRequest("GET /r?tel=", "0441234567", "dir.example"),
              "GET /r?tel=0441234567 HTTP/1.1\r\nUser-agent: Mozilla/4.0\r\nAccept: */*\r\n"
              "Connection: Close\r\nHost: dir.example\r\n\r\n");

    unsetenv("TINTOREL_DIRECTORY");
    auto e = directory::DirectoryEndpoint("tel.example.ch");
    EXPECT_EQ(e.host, "tel.example.ch");
    EXPECT_EQ(e.port, 80);
    EXPECT_TRUE(e.valid);
    EXPECT_EQ(directory::HostHeader(e), "tel.example.ch");

    struct Case {
        const char* value;
        const char* host;
        int port;
        bool valid;
        const char* header;
    };
    const Case cases[] = {
        {"127.0.0.1:8080", "127.0.0.1", 8080, true, "127.0.0.1:8080"},
        {"moved.example", "moved.example", 80, true, "moved.example"},
        {"moved.example:80", "moved.example", 80, true, "moved.example"},
        {"[::1]:81", "::1", 81, true, "[::1]:81"},
        {"[::1]", "::1", 80, true, "[::1]"},
        {"::1", "::1", 80, true, "[::1]"},
        {"host:", "host", 80, false, nullptr},
        {"host:http", "host", 80, false, nullptr},
        {"host:0", "host", 80, false, nullptr},
        {"host:65536", "host", 80, false, nullptr},
        {":8080", "", 8080, false, nullptr},
        {"[::1", "tel.example.ch", 80, false, nullptr},
    };
    for (const auto& c : cases) {
        setenv("TINTOREL_DIRECTORY", c.value, 1);
        e = directory::DirectoryEndpoint("tel.example.ch");
        EXPECT_EQ(e.valid, c.valid) << c.value;
        if (c.valid) {
            EXPECT_EQ(e.host, c.host) << c.value;
            EXPECT_EQ(e.port, c.port) << c.value;
            EXPECT_EQ(directory::HostHeader(e), c.header) << c.value;
        }
    }
    setenv("TINTOREL_DIRECTORY", "host:0", 1);
    std::string reply = "stale";
    EXPECT_EQ(directory::FetchReply(directory::DirectoryEndpoint("x"), "GET /", reply),
              directory::FetchStatus::ConnectFailed);
    EXPECT_EQ(reply, "");
    unsetenv("TINTOREL_DIRECTORY");
}

TEST(DirectoryClientTest, ReplyIsReadRawUntilTheServerCloses) {
    HttpFixtureServer server;
    const std::string page = HttpFixtureServer::HttpResponse("<p>caf\xe9\r\n\0</p>"s);
    server.Serve("/r?tel=1", page);
    const std::string request = "GET /r?tel=1 HTTP/1.1\r\nHost: x\r\n\r\n";
    std::string reply;
    ASSERT_EQ(directory::FetchReply(Local(server), request, reply), directory::FetchStatus::Ok);
    EXPECT_EQ(reply, page);
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0], request);

    // A reply of exactly 32768 bytes, and one a byte longer: the rest is not read.
    std::string exact = std::string(directory::kMaxReply - 1, 'a') + "Z";
    server.Serve("/exact", exact);
    ASSERT_EQ(directory::FetchReply(Local(server), "GET /exact HTTP/1.1\r\n\r\n", reply),
              directory::FetchStatus::Ok);
    EXPECT_EQ(reply, exact);
    server.Serve("/longer", exact + "!");
    ASSERT_EQ(directory::FetchReply(Local(server), "GET /longer HTTP/1.1\r\n\r\n", reply),
              directory::FetchStatus::Ok);
    EXPECT_EQ(reply, exact);
}

TEST(DirectoryClientTest, HostileDirectoriesEndWithinTheTimeOuts) {
    std::string reply;
    // Connection refused: a port that was just free.
    int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ASSERT_EQ(bind(probe, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(getsockname(probe, reinterpret_cast<sockaddr*>(&addr), &len), 0);
    close(probe);
    EXPECT_EQ(directory::FetchReply({"127.0.0.1", ntohs(addr.sin_port), true}, "GET /", reply),
              directory::FetchStatus::ConnectFailed);

    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(directory::FetchReply({"no-such-host.invalid", 80, true}, "GET /", reply),
              directory::FetchStatus::ConnectFailed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, kHangLimit);

    HttpFixtureServer server;
    server.SetMode(HttpFixtureServer::Mode::Silent);
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(directory::FetchReply(Local(server), "GET / HTTP/1.1\r\n\r\n", reply, 300ms),
              directory::FetchStatus::IoFailed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, kHangLimit);
    EXPECT_EQ(reply, "");

    server.SetMode(HttpFixtureServer::Mode::Huge);
    EXPECT_EQ(directory::FetchReply(Local(server), "GET / HTTP/1.1\r\n\r\n", reply),
              directory::FetchStatus::Ok);
    EXPECT_EQ(reply.size(), directory::kMaxReply);
    EXPECT_EQ(reply.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);

    server.SetMode(HttpFixtureServer::Mode::Noise);
    EXPECT_EQ(directory::FetchReply(Local(server), "GET / HTTP/1.1\r\n\r\n", reply),
              directory::FetchStatus::Ok);
    EXPECT_EQ(reply.size(), directory::kMaxReply);

    // Closed at once: an empty reply, or a failed send or receive; never a hang.
    server.SetMode(HttpFixtureServer::Mode::CloseAtOnce);
    auto status = directory::FetchReply(Local(server), "GET / HTTP/1.1\r\n\r\n", reply);
    EXPECT_TRUE(status == directory::FetchStatus::IoFailed ||
                (status == directory::FetchStatus::Ok && reply.empty()));
}

} // namespace
