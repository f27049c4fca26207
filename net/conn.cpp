#include "net/conn.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <wslay/wslay.h>

#include "net/socket.h"
#include "net/websocket.h"

namespace net {

// Lives on the heap so wslay's user pointer stays put when the record moves.
struct WebSocketIo {
    wslay_event_context_ptr ctx = nullptr;
    int fd = -1;
    std::uint64_t* bytesSent = nullptr;  // the connection's count
    std::vector<std::uint8_t> pending;  // read past the upgrade head, fed first
    std::size_t readBudget = 0;         // bytes this connRead may still take
    StreamReader* reader = nullptr;
    std::vector<Message>* got = nullptr;
    bool eof = false;
    bool textSeen = false;
    ~WebSocketIo() {
        if (ctx)
            wslay_event_context_free(ctx);
    }
};

namespace {

ssize_t wsRecv(wslay_event_context_ptr ctx, std::uint8_t* buf, std::size_t len, int, void* user) {
    WebSocketIo& io = *static_cast<WebSocketIo*>(user);
    if (!io.pending.empty()) {
        const std::size_t n = len < io.pending.size() ? len : io.pending.size();
        std::memcpy(buf, io.pending.data(), n);
        io.pending.erase(io.pending.begin(), io.pending.begin() + n);
        return ssize_t(n);
    }
    if (io.readBudget == 0) {
        wslay_event_set_error(ctx, WSLAY_ERR_WOULDBLOCK);
        return -1;
    }
    if (len > io.readBudget)
        len = io.readBudget;
    const ssize_t n = recv(io.fd, buf, len, 0);
    if (n > 0) {
        io.readBudget -= std::size_t(n);
        return n;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
        wslay_event_set_error(ctx, WSLAY_ERR_WOULDBLOCK);
    } else {
        io.eof = true;
        wslay_event_set_error(ctx, WSLAY_ERR_CALLBACK_FAILURE);
    }
    return -1;
}

ssize_t wsSend(wslay_event_context_ptr ctx, const std::uint8_t* data, std::size_t len, int, void* user) {
    WebSocketIo& io = *static_cast<WebSocketIo*>(user);
    const ssize_t n = send(io.fd, data, len, MSG_NOSIGNAL);
    if (n >= 0) {
        *io.bytesSent += std::uint64_t(n);
        return n;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
        wslay_event_set_error(ctx, WSLAY_ERR_WOULDBLOCK);
    else
        wslay_event_set_error(ctx, WSLAY_ERR_CALLBACK_FAILURE);
    return -1;
}

void wsMessage(wslay_event_context_ptr, const wslay_event_on_msg_recv_arg* arg, void* user) {
    WebSocketIo& io = *static_cast<WebSocketIo*>(user);
    if (io.textSeen || io.reader->failed)
        return;  // the stream is already broken; the rest is not listened to
    if (arg->opcode == WSLAY_BINARY_FRAME) {
        if (io.got)
            feedStream(*io.reader, arg->msg, arg->msg_length, *io.got);
    } else if (arg->opcode == WSLAY_TEXT_FRAME) {
        io.textSeen = true;
    }
    // Close, ping and pong are wslay's own business.
}

// The other end went away (reset, broken pipe): lost, not misbehaving.
void lost(Connection& c) {
    c.closed = true;
    connShut(c);
}

void fail(Connection& c, const std::string& why) {
    if (c.error.empty())
        c.error = why;
    connShut(c);
}

// The peer sent what it should not have: stop listening, but let the
// owner say why before the connection closes.
void broken(Connection& c, const std::string& why) {
    if (c.error.empty())
        c.error = why;
    c.deaf = true;
}

void startWebSocket(Connection& c, std::size_t headEnd) {
    c.ws.reset(new WebSocketIo);
    WebSocketIo& io = *c.ws;
    io.fd = c.fd;
    io.reader = &c.reader;
    io.bytesSent = &c.bytesSent;
    io.pending.assign(c.head.begin() + std::ptrdiff_t(headEnd), c.head.end());
    c.head.clear();
    static const wslay_event_callbacks callbacks = {wsRecv, wsSend, nullptr, nullptr, nullptr, nullptr, wsMessage};
    if (wslay_event_context_server_init(&io.ctx, &callbacks, &io) != 0) {
        io.ctx = nullptr;
        return fail(c, "out of memory");
    }
    wslay_event_config_set_max_recv_msg_length(io.ctx, kMaxWebSocketMessage);
    c.framing = Framing::WebSocket;
}

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
            broken(c, c.reader.error);
        return;
    }
    if (!maybeGet)
        return fail(c, "not a VOLTARI connection");
    const std::string text(c.head.begin(), c.head.end());
    const std::size_t end = text.find("\r\n\r\n");
    if (end == std::string::npos) {
        if (c.head.size() > kMaxUpgradeBytes)
            fail(c, "WebSocket request too long");
        return;
    }
    std::string response, why;
    if (!answerUpgrade(text.substr(0, end + 4), response, why)) {
        // Say so in HTTP, then close: a browser shows nothing better anyway.
        c.raw.clear();
        const std::string bad = "HTTP/1.1 400 Bad Request\r\nConnection: close\r\nContent-Length: 0\r\n\r\n";
        c.raw.assign(bad.begin(), bad.end());
        c.out.clear();
        c.error = "bad WebSocket request: " + why;
        c.closing = true;
        c.framing = Framing::Binary;  // the 400 goes out as it is
        return;
    }
    c.raw.insert(c.raw.begin(), response.begin(), response.end());
    startWebSocket(c, end + 4);
}

void readWebSocket(Connection& c, std::vector<Message>& got) {
    WebSocketIo& io = *c.ws;
    io.got = &got;
    io.readBudget = kMaxReadPerCall;
    const int rc = wslay_event_recv(io.ctx);
    io.got = nullptr;
    if (c.reader.failed)
        return broken(c, c.reader.error);
    if (io.textSeen)
        return broken(c, "a WebSocket text message");
    if (io.eof) {
        c.closed = true;
        return connShut(c);
    }
    if (rc != 0)
        return fail(c, "broken WebSocket framing");
    if (wslay_event_get_close_received(io.ctx))
        c.closing = true;
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
    queueLimit = other.queueLimit;
    reader = std::move(other.reader);
    ws = std::move(other.ws);
    if (ws) {
        ws->reader = &reader;
        ws->bytesSent = &bytesSent;
    }
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

std::size_t connQueued(const Connection& c) {
    std::size_t n = c.out.size() + c.raw.size();
    if (c.ws && c.ws->ctx)
        n += wslay_event_get_queued_msg_length(c.ws->ctx);
    return n;
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
        return readWebSocket(c, got);
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
            return lost(c);
        }
        total += std::size_t(n);
        if (c.closing)
            continue;  // the reply is said; the rest is not listened to
        if (c.framing == Framing::Detect) {
            c.head.insert(c.head.end(), buf, buf + n);
            detect(c, got);
            if (c.framing == Framing::WebSocket)
                return readWebSocket(c, got);
            if (c.deaf)
                return;
            continue;
        }
        if (!feedStream(c.reader, buf, std::size_t(n), got))
            return broken(c, c.reader.error);
    }
}

void connFlush(Connection& c) {
    if (c.closed)
        return;
    if (c.connecting) {
        const int err = connectError(c.fd);
        pollfd p{c.fd, POLLOUT, 0};
        if (err != 0)
            return fail(c, std::string("cannot connect: ") + std::strerror(err));
        if (poll(&p, 1, 0) <= 0 || !(p.revents & POLLOUT))
            return;
        c.connecting = false;
    }
    if (c.framing == Framing::Detect)
        return;  // not yet known how to frame what waits
    if (c.framing == Framing::Binary && !c.out.empty()) {
        c.raw.insert(c.raw.end(), c.out.begin(), c.out.end());
        c.out.clear();
    }
    while (!c.raw.empty()) {
        const ssize_t n = send(c.fd, c.raw.data(), c.raw.size(), MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
                return;
            return lost(c);
        }
        c.raw.erase(c.raw.begin(), c.raw.begin() + n);
        c.bytesSent += std::uint64_t(n);
    }
    if (c.framing == Framing::WebSocket && c.ws && c.ws->ctx) {
        wslay_event_context_ptr ctx = c.ws->ctx;
        if (!c.out.empty() && !wslay_event_get_close_sent(ctx)) {
            wslay_event_msg msg{WSLAY_BINARY_FRAME, c.out.data(), c.out.size()};
            if (wslay_event_queue_msg(ctx, &msg) != 0)
                return fail(c, "cannot queue a WebSocket message");
            c.out.clear();
        }
        if (c.closing && !wslay_event_get_close_sent(ctx))
            wslay_event_queue_close(ctx, 1000, nullptr, 0);
        if (wslay_event_want_write(ctx) && wslay_event_send(ctx) != 0)
            return lost(c);
        if (c.closing && wslay_event_get_queued_msg_count(ctx) == 0)
            connShut(c);
        return;
    }
    if (c.closing && c.out.empty())
        connShut(c);
}

short connWants(const Connection& c) {
    if (c.closed)
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
