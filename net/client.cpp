#include "net/client.h"

#include <poll.h>

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

#include "net/roomcode.h"
#include "net/socket.h"

namespace net {

namespace {

void queueOutbox(Client& c) {
    for (const Message& m : c.outbox)
        connSend(c.conn, m);
    c.outbox.clear();
}

// What the relay brought: the host's envelopes into the connection. The
// host is whoever first answers with a valid tag on this end's own subject.
void takeFromRelay(Client& c, int waitMs) {
    std::vector<RelayMessage> got;
    relayPoll(c.relay.link, waitMs, got);
    for (const RelayMessage& m : got) {
        Envelope e;
        if (!roomOpenMessage(c.relay, m, e))
            continue;
        if (c.pipe.peer == 0 && e.kind == EnvelopeKind::Data && e.seq == 1)
            c.pipe.peer = e.sender;
        if (e.sender != c.pipe.peer || c.pipe.peer == 0) {
            ++c.relay.drops.strangers;
            continue;
        }
        if (e.kind == EnvelopeKind::Cast)
            castTake(c.relay, c.pipe, c.conn, e);
        else
            pipeTake(c.relay, c.pipe, c.conn, e);
    }
}

}  // namespace

bool clientOpenRelay(Client& c, const std::string& url, const std::string& code, const Identity& self, Role role,
                     RealClock clock, std::string& error) {
    c.clock = clock;
    if (!roomOpen(c.relay, url, code, false, role == Role::Watcher, error))
        return false;
    startRelay(c.conn, kPlayerQueueLimit);
    c.pipe.toSubject = roomHostSubject(c.relay);
    c.session = guestSession(self, role, clock(), c.outbox);
    queueOutbox(c);
    connFlush(c.conn);
    pipeSend(c.relay, c.pipe, c.conn, clock());
    return true;
}

bool clientOpen(Client& c, const std::string& host, std::uint16_t port, const Identity& self, Role role,
                RealClock clock, std::string& error) {
    c.clock = clock;
    const int fd = connectTcp(host, port, error);
    if (fd < 0)
        return false;
    startClient(c.conn, fd);
    c.session = guestSession(self, role, clock(), c.outbox);
    queueOutbox(c);
    connFlush(c.conn);
    return true;
}

void clientStep(Client& c, int waitMs) {
#ifdef __EMSCRIPTEN__
    // In a page the socket is the browser's WebSocket: poll() never waits,
    // and messages come in only while the page has handed control back.
    // (The page's relay waits so itself, and wakes when a message comes.)
    if (!c.relay.link) {
        if (waitMs > 0)
            emscripten_sleep(unsigned(waitMs));
        waitMs = 0;
    }
#endif
    pollfd p{c.conn.fd, connWants(c.conn), 0};
    if (c.relay.link) {
        takeFromRelay(c, waitMs);
        p.revents = POLLIN;
    } else if (poll(&p, 1, waitMs) < 0)
        p.revents = 0;
    const std::uint32_t nowMs = c.clock();
    std::vector<Message> got;
    if (p.revents & (POLLIN | POLLHUP | POLLERR))
        connRead(c.conn, got);
    Session& s = c.session;
    for (const Message& m : got) {
        sessionReceive(s, m, nowMs, nullptr, c.outbox);
        c.delivered.insert(c.delivered.end(), s.delivered.begin(), s.delivered.end());
        s.delivered.clear();
    }
    if (!c.conn.error.empty() && s.phase != Phase::Closed) {
        // A connection that never came up is lost, not broken.
        if (c.conn.error.compare(0, 14, "cannot connect") == 0) {
            sessionLost(s, nullptr);
            s.endText = "Could not reach the host (" + c.conn.error + ").";
        } else
            sessionBroken(s, c.conn.error, nullptr, c.outbox);
    } else if (c.conn.closed && s.phase != Phase::Closed) {
        const bool unanswered = s.phase == Phase::AwaitHello;
        sessionLost(s, nullptr);
        // Not "lost": the host took the connection and let it go unheard,
        // as a host does when too many arrive at once.
        if (unanswered)
            s.endText = "The host closed the connection before answering; it may be busy, try again in a moment.";
    }
    if (c.relay.link && s.phase == Phase::AwaitHello && c.pipe.gotSeq == 0 && nowMs - s.startedMs > kRelayNoHostMs) {
        // Nobody hosts this room (a mistyped code, or the host has gone).
        sessionLost(s, nullptr);
        s.endText = "No game with code " + formatRoomCode(c.relay.code) + " is waiting.";
    }
    sessionTick(s, nowMs, nullptr, c.outbox);
    queueOutbox(c);
    if (s.phase == Phase::Closed && !c.conn.closing)
        connCloseAfterFlush(c.conn);
    connFlush(c.conn);
    if (c.relay.link)
        pipeSend(c.relay, c.pipe, c.conn, nowMs);
}

void clientSetLocalTime(Client& c, std::uint32_t virtualMs) {
    c.session.localMs = virtualMs;
}

void clientSend(Client& c, const Message& m) {
    if (c.session.phase != Phase::Running || c.session.role != Role::Player)
        return;
    connSend(c.conn, m);
    connFlush(c.conn);
    if (c.relay.link)
        pipeSend(c.relay, c.pipe, c.conn, c.clock());
}

void clientClose(Client& c, Reason reason, const std::string& text) {
    sessionClose(c.session, reason, text, nullptr, c.outbox);
    queueOutbox(c);
    connCloseAfterFlush(c.conn);
    if (c.relay.link)
        pipeSend(c.relay, c.pipe, c.conn, c.clock());
}

bool clientDone(const Client& c) {
    return c.session.phase == Phase::Closed && c.conn.closed;
}

}  // namespace net
