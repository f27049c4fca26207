#include "net/connws.h"

#include <cerrno>
#include <cstring>

#include <sys/socket.h>
#include <wslay/wslay.h>

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
    std::uint16_t closeCode = WSLAY_CODE_NORMAL_CLOSURE;  // what our Close frame will say
    ~WebSocketIo() {
        if (ctx)
            wslay_event_context_free(ctx);
    }
};

void WebSocketIoFree::operator()(WebSocketIo* io) const {
    delete io;
}

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
        io.closeCode = WSLAY_CODE_UNSUPPORTED_DATA;
    }
    // Close, ping and pong are wslay's own business.
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
        return connFail(c, "out of memory");
    }
    wslay_event_config_set_max_recv_msg_length(io.ctx, kMaxWebSocketMessage);
    c.framing = Framing::WebSocket;
}

}  // namespace

void upgradeToWebSocket(Connection& c, std::size_t headEnd) {
    const std::string head(c.head.begin(), c.head.begin() + std::ptrdiff_t(headEnd));
    std::string response, why;
    if (!answerUpgrade(head, response, why)) {
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
    startWebSocket(c, headEnd);
}

void webSocketRead(Connection& c, std::vector<Message>& got) {
    WebSocketIo& io = *c.ws;
    io.got = &got;
    io.readBudget = kMaxReadPerCall;
    const int rc = wslay_event_recv(io.ctx);
    io.got = nullptr;
    if (c.reader.failed) {
        io.closeCode = WSLAY_CODE_PROTOCOL_ERROR;
        return connBroken(c, c.reader.error);
    }
    if (io.textSeen)
        return connBroken(c, "a WebSocket text message");
    if (io.eof) {
        c.closed = true;
        return connShut(c);
    }
    if (rc != 0)
        return connFail(c, "broken WebSocket framing");
    if (wslay_event_get_close_received(io.ctx)) {
        c.closing = true;
    } else if (!wslay_event_get_read_enabled(io.ctx)) {
        // wslay found a fault in the framing and queued its own Close (1009
        // for a message too big, 1002 otherwise): nothing more may be said.
        if (wslay_event_send(io.ctx) != 0)
            return connLost(c);
        const bool tooBig = wslay_event_get_status_code_sent(io.ctx) == WSLAY_CODE_MESSAGE_TOO_BIG;
        connBroken(c, tooBig ? "a WebSocket message too big" : "broken WebSocket framing");
        c.closing = true;
    }
}

void webSocketFlush(Connection& c) {
    if (!c.ws || !c.ws->ctx)
        return;
    wslay_event_context_ptr ctx = c.ws->ctx;
    if (!c.out.empty()) {
        wslay_event_msg msg{WSLAY_BINARY_FRAME, c.out.data(), c.out.size()};
        const int rc = wslay_event_queue_msg(ctx, &msg);
        if (rc != 0 && rc != WSLAY_ERR_NO_MORE_MSG)
            return connFail(c, "cannot queue a WebSocket message");
        c.out.clear();  // queued, or a Close is already on its way and nothing more may follow it
    }
    if (wslay_event_want_write(ctx) && wslay_event_send(ctx) != 0)
        return connLost(c);
    // The Close only after the last words: wslay sends control frames first.
    if (c.closing && wslay_event_get_queued_msg_count(ctx) == 0 &&
        wslay_event_queue_close(ctx, c.ws->closeCode, nullptr, 0) == 0 && wslay_event_send(ctx) != 0)
        return connLost(c);
    // Once a Close is out the connection is over: the peer's answer is not
    // waited for, so a peer that never answers holds nothing open.
    if (wslay_event_get_close_sent(ctx))
        connShut(c);
}

std::size_t webSocketQueued(const Connection& c) {
    if (c.ws && c.ws->ctx)
        return wslay_event_get_queued_msg_length(c.ws->ctx);
    return 0;
}

void webSocketRebind(Connection& c) {
    if (c.ws) {
        c.ws->reader = &c.reader;
        c.ws->bytesSent = &c.bytesSent;
    }
}

}  // namespace net
