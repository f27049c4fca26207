#include "net/conn.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "net/socket.h"
#include "net/connws.h"
#include "net/websocket.h"

namespace net {

// The other end went away (reset, broken pipe): lost, not misbehaving.
void connLost(Connection& c) {
    c.closed = true;
    connShut(c);
}

void connFail(Connection& c, const std::string& why) {
    if (c.error.empty())
        c.error = why;
    connShut(c);
}

// The peer sent what it should not have: stop listening, but let the
// owner say why before the connection closes.
void connBroken(Connection& c, const std::string& why) {
    if (c.error.empty())
        c.error = why;
    c.deaf = true;
}

namespace {

// Detect: a desktop client starts with the stream magic, a browser with GET.
void detect(Connection& c, std::vector<Message>& got) {
    static const char kGet[] = "GET ";
    const std::size_t n = c.head.size();
    const bool maybeGet = std::memcmp(c.head.data(), kGet, n < 4 ? n : 4) == 0;
    const bool maybeMagic = std::memcmp(c.head.data(), kStreamMagic, n < kStreamMagicBytes ? n : kStreamMagicBytes) == 0;
    if (maybeMagic && !maybeGet) {
        c.framing = Framing::Binary;
        std::vector<std::uint8_t> bytes;
        bytes.swap(c.head);
        if (!feedStream(c.reader, bytes.data(), bytes.size(), got))
            connBroken(c, c.reader.error);
        return;
    }
    if (!maybeGet)
        return connFail(c, "not a VOLTARI connection");
    const std::string text(c.head.begin(), c.head.end());
    const std::size_t end = text.find("\r\n\r\n");
    if (end == std::string::npos) {
        if (c.head.size() > kMaxUpgradeBytes)
            connFail(c, "WebSocket request too long");
        return;
    }
    upgradeToWebSocket(c, end + 4);
}

}  // namespace

Connection::Connection() = default;
// A moved-from record must not close the socket it handed on.
Connection::Connection(Connection&& other) noexcept {
    *this = std::move(other);
}

Connection& Connection::operator=(Connection&& other) noexcept {
    if (this == &other)
        return *this;
    connShut(*this);
    fd = other.fd;
    framing = other.framing;
    connecting = other.connecting;
    head = std::move(other.head);
    out = std::move(other.out);
    raw = std::move(other.raw);
    inbox = std::move(other.inbox);
    queueLimit = other.queueLimit;
    reader = std::move(other.reader);
    ws = std::move(other.ws);
    webSocketRebind(*this);
    overflowed = other.overflowed;
    deaf = other.deaf;
    closing = other.closing;
    closed = other.closed;
    error = std::move(other.error);
    bytesSent = other.bytesSent;
    other.fd = -1;
    other.closed = true;
    return *this;
}
Connection::~Connection() {
    connShut(*this);
}

void startAccepted(Connection& c, int fd, std::size_t queueLimit) {
    c.fd = fd;
    c.framing = Framing::Detect;
    c.queueLimit = queueLimit;
    appendStreamMagic(c.out);
}

void startClient(Connection& c, int fd) {
    c.fd = fd;
    c.framing = Framing::Binary;
    c.connecting = true;
    appendStreamMagic(c.out);
}

void startRelay(Connection& c, std::size_t queueLimit) {
    c.framing = Framing::Relay;
    c.queueLimit = queueLimit;
    appendStreamMagic(c.out);
}

std::size_t connQueued(const Connection& c) {
    return c.out.size() + c.raw.size() + webSocketQueued(c);
}

bool connSend(Connection& c, const Message& m) {
    if (c.closed || c.closing || c.overflowed)
        return false;
    std::vector<std::uint8_t> frame;
    if (!appendFrame(m, frame))
        return false;
    if (connQueued(c) + frame.size() > c.queueLimit) {
        c.overflowed = true;
        return false;
    }
    c.out.insert(c.out.end(), frame.begin(), frame.end());
    return true;
}

void connRead(Connection& c, std::vector<Message>& got) {
    if (c.closed || c.connecting || c.deaf)
        return;
    if (c.framing == Framing::WebSocket)
        return webSocketRead(c, got);
    if (c.framing == Framing::Relay) {
        std::vector<std::uint8_t> bytes;
        bytes.swap(c.inbox);
        if (!c.closing && !feedStream(c.reader, bytes.data(), bytes.size(), got))
            connBroken(c, c.reader.error);
        return;
    }
    std::uint8_t buf[kReadChunk];
    std::size_t total = 0;
    while (!c.closed && total < kMaxReadPerCall) {
        const ssize_t n = recv(c.fd, buf, sizeof buf, 0);
        if (n == 0) {
            c.closed = true;
            connShut(c);
            return;
        }
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
                return;
            return connLost(c);
        }
        total += std::size_t(n);
        if (c.closing)
            continue;  // the reply is said; the rest is not listened to
        if (c.framing == Framing::Detect) {
            c.head.insert(c.head.end(), buf, buf + n);
            detect(c, got);
            if (c.framing == Framing::WebSocket)
                return webSocketRead(c, got);
            if (c.deaf)
                return;
            continue;
        }
        if (!feedStream(c.reader, buf, std::size_t(n), got))
            return connBroken(c, c.reader.error);
    }
}

void connFlush(Connection& c) {
    if (c.closed)
        return;
    if (c.connecting) {
        const int err = connectError(c.fd);
        pollfd p{c.fd, POLLOUT, 0};
        if (err != 0)
            return connFail(c, std::string("cannot connect: ") + std::strerror(err));
        if (poll(&p, 1, 0) <= 0 || !(p.revents & POLLOUT))
            return;
        c.connecting = false;
    }
    if (c.framing == Framing::Detect)
        return;  // not yet known how to frame what waits
    if (c.framing != Framing::WebSocket && !c.out.empty()) {
        c.raw.insert(c.raw.end(), c.out.begin(), c.out.end());
        c.out.clear();
    }
    if (c.framing == Framing::Relay)
        return;  // the room sends raw, and closes once the other end has it all
    while (!c.raw.empty()) {
        const ssize_t n = send(c.fd, c.raw.data(), c.raw.size(), MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
                return;
            return connLost(c);
        }
        c.raw.erase(c.raw.begin(), c.raw.begin() + n);
        c.bytesSent += std::uint64_t(n);
    }
    if (c.framing == Framing::WebSocket)
        return webSocketFlush(c);
    if (c.closing && c.out.empty())
        connShut(c);
}

short connWants(const Connection& c) {
    if (c.closed || c.framing == Framing::Relay)
        return 0;
    if (c.connecting)
        return POLLOUT;
    short events = c.deaf ? 0 : POLLIN;
    if (c.framing != Framing::Detect && connQueued(c) > 0)
        events |= POLLOUT;
    if (c.closing)
        events |= POLLOUT;
    return events;
}

void connShut(Connection& c) {
    c.ws.reset();
    if (c.fd >= 0)
        closeSocket(c.fd);
    c.fd = -1;
    c.closed = true;
}

void connCloseAfterFlush(Connection& c) {
    c.closing = true;
    connFlush(c);
}

}  // namespace net
