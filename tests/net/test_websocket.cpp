// A browser's way in: the upgrade request, then the same stream inside
// WebSocket binary messages. The client here is written from the WebSocket
// rules directly, not with the library the host uses.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "net/delay.h"
#include "net/host.h"
#include "net/stream.h"
#include "net/websocket.h"
#include "netloop.h"

using namespace net;

namespace {

const char kKey[] = "dGhlIHNhbXBsZSBub25jZQ==";  // the example key of RFC 6455
// Host rounds within which a connection must be shut once a Close is due:
// well under a second, and far from any of the session's timers.
constexpr int kShutRounds = 200;

std::string request(const std::string& extra = "", const std::string& key = kKey) {
    return "GET /voltari HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: keep-alive, Upgrade\r\n"
           "Sec-WebSocket-Key: " + key + "\r\nSec-WebSocket-Version: 13\r\nOrigin: http://127.0.0.1:8000\r\n" +
           extra + "\r\n";
}

// A masked client frame.
std::vector<std::uint8_t> clientFrame(std::uint8_t opcode, const std::vector<std::uint8_t>& payload) {
    std::vector<std::uint8_t> f{std::uint8_t(0x80 | opcode)};
    if (payload.size() < 126) {
        f.push_back(std::uint8_t(0x80 | payload.size()));
    } else {
        f.push_back(0x80 | 126);
        f.push_back(std::uint8_t(payload.size() >> 8));
        f.push_back(std::uint8_t(payload.size()));
    }
    const std::uint8_t mask[4] = {0x12, 0x34, 0x56, 0x78};
    f.insert(f.end(), mask, mask + 4);
    for (std::size_t i = 0; i < payload.size(); ++i)
        f.push_back(payload[i] ^ mask[i % 4]);
    return f;
}

// Reads server frames from a buffer; binary payloads go to the stream reader.
struct FrameReader {
    std::vector<std::uint8_t> buf;
    StreamReader stream;
    bool closed = false;
    int closeCode = 0;    // the status in the server's Close frame
    bool masked = false;  // a server must never mask
    void feed(const std::uint8_t* data, std::size_t n, std::vector<Message>& got) {
        buf.insert(buf.end(), data, data + n);
        for (;;) {
            if (buf.size() < 2)
                return;
            const std::uint8_t opcode = buf[0] & 0x0f;
            masked = masked || (buf[1] & 0x80);
            std::size_t len = buf[1] & 0x7f, at = 2;
            if (len == 126) {
                if (buf.size() < 4)
                    return;
                len = (std::size_t(buf[2]) << 8) | buf[3];
                at = 4;
            } else if (len == 127) {
                if (buf.size() < 10)
                    return;
                len = 0;
                for (int i = 0; i < 8; ++i)
                    len = (len << 8) | buf[2 + i];
                at = 10;
            }
            if (buf.size() < at + len)
                return;
            if (opcode == 2 || opcode == 0)
                feedStream(stream, buf.data() + at, len, got);
            if (opcode == 8) {
                closed = true;
                if (len >= 2)
                    closeCode = (buf[at] << 8) | buf[at + 1];
            }
            buf.erase(buf.begin(), buf.begin() + std::ptrdiff_t(at + len));
        }
    }
};

// Reads the HTTP answer head (through the blank line); the rest stays in extra.
std::string readHead(int fd, Host& h, std::vector<std::uint8_t>& extra) {
    std::string text;
    const std::uint32_t start = nettest::realMs();
    while (text.find("\r\n\r\n") == std::string::npos && nettest::realMs() - start < 20000) {
        hostStep(h, 1);
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 1) <= 0)
            continue;
        char buf[1024];
        const ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            break;
        text.append(buf, std::size_t(n));
    }
    const std::size_t end = text.find("\r\n\r\n");
    if (end == std::string::npos)
        return text;
    extra.assign(text.begin() + std::ptrdiff_t(end + 4), text.end());
    return text.substr(0, end + 4);
}

// Reads frames while stepping the host until the host shuts the socket; false
// if it is still open after limit rounds (each waits at most 2 ms).
bool readUntilShut(int fd, Host& h, FrameReader& frames, int limit) {
    std::vector<Message> got;
    for (int round = 0; round < limit; ++round) {
        hostStep(h, 1);
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 1) <= 0)
            continue;
        std::uint8_t buf[4096];
        const ssize_t n = recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            return true;
        frames.feed(buf, std::size_t(n), got);
    }
    return false;
}

}  // namespace

TEST(NetWebSocket, AcceptKeyIsTheOneTheStandardGives) {
    EXPECT_EQ(websocketAccept(kKey), "s3pPLMBiTxaQ9kYGzzhZRbK+xOo=");
}

TEST(NetWebSocket, UpgradeRequestsThatDoNotFitAreRefused) {
    struct Row {
        const char* what;
        std::string head;
        const char* error;
    };
    std::string noVersion = request();
    noVersion.replace(noVersion.find("Sec-WebSocket-Version: 13"), 25, "Sec-WebSocket-Version: 8");
    const std::vector<Row> table = {
        {"a POST", "POST / HTTP/1.1\r\n\r\n", "not an HTTP/1.1 GET"},
        {"HTTP/1.0", "GET / HTTP/1.0\r\nUpgrade: websocket\r\n\r\n", "not an HTTP/1.1 GET"},
        {"plain page", "GET / HTTP/1.1\r\nHost: x\r\n\r\n", "not a WebSocket upgrade"},
        {"short key", request("", "abc=="), "bad Sec-WebSocket-Key"},
        {"key with a space", request("", "dGhlIHNhbXBsZSBub25j ZQ=="), "bad Sec-WebSocket-Key"},
        {"version 8", noVersion, "WebSocket version not 13"},
        {"header without colon", request("Nonsense\r\n"), "malformed header"},
        {"too long", request(std::string("X-Pad: ") + std::string(kMaxUpgradeBytes, 'a') + "\r\n"), "request too long"},
    };
    for (const Row& r : table) {
        std::string response, error;
        EXPECT_FALSE(answerUpgrade(r.head, response, error)) << r.what;
        EXPECT_EQ(error, r.error) << r.what;
    }
    std::string response, error;
    ASSERT_TRUE(answerUpgrade(request(), response, error)) << error;
    EXPECT_EQ(response, "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
                        "Sec-WebSocket-Accept: s3pPLMBiTxaQ9kYGzzhZRbK+xOo=\r\n\r\n");
}

TEST(NetWebSocket, BrowserGuestPlaysThroughTheSamePort) {
    Host h;
    std::string error;
    ASSERT_TRUE(hostOpen(h, "127.0.0.1", 0, nettest::testIdentity(), nettest::realMs, error)) << error;
    const int fd = nettest::rawConnect(h.port);
    ASSERT_GE(fd, 0);
    // The upgrade and the first binary message in one write, as a fast client may.
    std::string hello = request();
    std::vector<std::uint8_t> stream;
    appendStreamMagic(stream);
    const Identity id = nettest::testIdentity();
    appendFrame(helloMessage(id.buildId, id.dataHash, Role::Player), stream);
    const std::vector<std::uint8_t> first = clientFrame(2, stream);
    hello.append(first.begin(), first.end());
    ASSERT_EQ(send(fd, hello.data(), hello.size(), 0), ssize_t(hello.size()));

    std::vector<std::uint8_t> extra;
    const std::string head = readHead(fd, h, extra);
    EXPECT_EQ(head.compare(0, 34, "HTTP/1.1 101 Switching Protocols\r\n"), 0) << head;
    EXPECT_NE(head.find("Sec-WebSocket-Accept: s3pPLMBiTxaQ9kYGzzhZRbK+xOo=\r\n"), std::string::npos) << head;

    // Answer every ping until the start arrives.
    FrameReader frames;
    std::vector<Message> got;
    frames.feed(extra.data(), extra.size(), got);
    std::size_t seen = 0;
    bool started = false;
    int pongs = 0;
    const std::uint32_t begin = nettest::realMs();
    while (!started && !frames.closed && nettest::realMs() - begin < 20000) {
        for (; seen < got.size(); ++seen) {
            const Message& m = got[seen];
            if (m.kind == Kind::Ping) {
                Message pong = m;
                pong.kind = Kind::Pong;
                std::vector<std::uint8_t> s;
                appendFrame(pong, s);
                const std::vector<std::uint8_t> f = clientFrame(2, s);
                ASSERT_EQ(send(fd, f.data(), f.size(), 0), ssize_t(f.size()));
                ++pongs;
            }
            started = started || m.kind == Kind::Start;
        }
        hostStep(h, 1);
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 1) > 0) {
            std::uint8_t buf[4096];
            const ssize_t n = recv(fd, buf, sizeof buf, 0);
            if (n <= 0)
                break;
            frames.feed(buf, std::size_t(n), got);
        }
    }
    ASSERT_TRUE(started) << frames.stream.error;
    EXPECT_FALSE(frames.masked);
    ASSERT_GE(got.size(), 2u);
    EXPECT_EQ(got[0].kind, Kind::Hello);
    EXPECT_EQ(got[1].kind, Kind::HelloReply);
    EXPECT_TRUE(got[1].reply.accepted);
    EXPECT_EQ(pongs, kPingRounds);
    ASSERT_TRUE(h.started);
    EXPECT_EQ(h.peers.size(), 1u);
    EXPECT_EQ(h.peers[0].conn.framing, Framing::WebSocket);

    // An event from the browser, split over two WebSocket messages, reaches the host.
    std::vector<std::uint8_t> input;
    appendFrame(inputMessage(1, 300, InputEvent{EventType::KeyDown, 276, 0, 0, 0}), input);
    const std::size_t half = input.size() / 2;
    std::vector<std::uint8_t> a = clientFrame(2, {input.begin(), input.begin() + std::ptrdiff_t(half)});
    std::vector<std::uint8_t> b = clientFrame(2, {input.begin() + std::ptrdiff_t(half), input.end()});
    a.insert(a.end(), b.begin(), b.end());
    ASSERT_EQ(send(fd, a.data(), a.size(), 0), ssize_t(a.size()));
    ASSERT_TRUE(nettest::stepUntil(&h, {}, [&] { return !h.delivered.empty(); }));
    EXPECT_EQ(h.delivered[0].input.event.sym, 276);

    // A text message is not part of the game: the host says so (1003) and closes.
    const std::vector<std::uint8_t> text = clientFrame(1, {'h', 'i'});
    ASSERT_EQ(send(fd, text.data(), text.size(), 0), ssize_t(text.size()));
    EXPECT_TRUE(readUntilShut(fd, h, frames, kShutRounds));
    EXPECT_TRUE(frames.closed);
    EXPECT_EQ(frames.closeCode, 1003);
    close(fd);
    ASSERT_TRUE(nettest::stepUntil(&h, {}, [&] { return h.playerLeft; }));
    EXPECT_EQ(h.playerEndText, "The other side sent a message it should not have (a WebSocket text message).");
    hostClose(h, Reason::Quit, "");
}

TEST(NetWebSocket, ABadUpgradeGetsA400AndTheHostGoesOn) {
    Host h;
    std::string error;
    ASSERT_TRUE(hostOpen(h, "127.0.0.1", 0, nettest::testIdentity(), nettest::realMs, error)) << error;
    const int fd = nettest::rawConnect(h.port);
    const std::string bad = "GET / HTTP/1.1\r\nHost: x\r\n\r\n";
    ASSERT_EQ(send(fd, bad.data(), bad.size(), 0), ssize_t(bad.size()));
    const std::vector<std::uint8_t> answer = nettest::rawReadToEnd(fd, h);
    close(fd);
    const std::string text(answer.begin(), answer.end());
    EXPECT_EQ(text.compare(0, 24, "HTTP/1.1 400 Bad Request"), 0) << text;
    EXPECT_EQ(text.find("VOLTARI"), std::string::npos);  // no stream bytes after a refusal
    ASSERT_TRUE(nettest::stepUntil(&h, {}, [&] { return h.peers.empty(); }));
    hostClose(h, Reason::Quit, "");
}

// Once a Close frame is due, sent or received, the connection is shut at
// once, and the Close says why in the standard's codes.
TEST(NetWebSocket, EachEndClosesTidilyWithItsCode) {
    struct Row {
        const char* what;
        std::vector<std::uint8_t> bytes;  // sent after the upgrade
        int code;
    };
    std::vector<std::uint8_t> unmasked = clientFrame(2, {1, 2, 3});
    unmasked[1] &= 0x7f;
    unmasked.erase(unmasked.begin() + 2, unmasked.begin() + 6);
    std::vector<std::uint8_t> closeNormal = clientFrame(8, {0x03, 0xe8});
    const std::vector<Row> table = {
        {"a text message", clientFrame(1, {'h', 'i'}), 1003},
        {"a message too big", clientFrame(2, std::vector<std::uint8_t>(kMaxWebSocketMessage + 1, 7)), 1009},
        {"an unmasked frame", unmasked, 1002},
        {"not the game's stream", clientFrame(2, {'N', 'O', 'T', 'V', 'O', 'L', 'T', 'A', 'R', 'I'}), 1002},
        {"the browser's own close", closeNormal, 1000},
    };
    for (const Row& r : table) {
        Host h;
        std::string error;
        ASSERT_TRUE(hostOpen(h, "127.0.0.1", 0, nettest::testIdentity(), nettest::realMs, error)) << error;
        const int fd = nettest::rawConnect(h.port);
        ASSERT_GE(fd, 0);
        const std::string head = request();
        ASSERT_EQ(send(fd, head.data(), head.size(), 0), ssize_t(head.size()));
        std::vector<std::uint8_t> extra;
        ASSERT_EQ(readHead(fd, h, extra).compare(0, 12, "HTTP/1.1 101"), 0) << r.what;
        ASSERT_EQ(send(fd, r.bytes.data(), r.bytes.size(), 0), ssize_t(r.bytes.size())) << r.what;
        FrameReader frames;
        std::vector<Message> got;
        frames.feed(extra.data(), extra.size(), got);
        EXPECT_TRUE(readUntilShut(fd, h, frames, kShutRounds)) << r.what;
        EXPECT_TRUE(frames.closed) << r.what;
        EXPECT_EQ(frames.closeCode, r.code) << r.what;
        close(fd);
        hostClose(h, Reason::Quit, "");
    }
}
