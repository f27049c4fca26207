#include "net/host.h"

#include <map>

#include <poll.h>
#include <sys/socket.h>

#include "net/socket.h"
#include "net/stream.h"

namespace net {

namespace {

bool isWatcher(const HostPeer& p) {
    return p.session.seated && p.session.role == Role::Watcher;
}

bool isPlayer(const HostPeer& p) {
    return p.session.seated && p.session.role == Role::Player;
}

void queueOutbox(HostPeer& p) {
    for (const Message& m : p.outbox)
        connSend(p.conn, m);
    p.outbox.clear();
}

// Inputs, and each player's latest advance, are kept so that a late
// watcher sees the whole session.
void toWatchers(Host& h, const Message& m) {
    if (m.kind == Kind::Input) {
        if (h.history.size() < kMaxHistoryInputs)
            h.history.push_back(m);
        else
            h.historyFull = true;
    }
    if (m.kind == Kind::Advance) {
        h.lastAdvance[m.advance.player] = m;
        h.advanced[m.advance.player] = true;
    }
    bool cast = false;
    for (HostPeer& p : h.peers)
        if (isWatcher(p) && p.session.phase == Phase::Running) {
            if (p.pipe.castOn)
                cast = cast || !p.conn.closed;
            else
                connSend(p.conn, m);
        }
    if (cast) {
        std::vector<std::uint8_t> frame;
        appendFrame(m, frame);
        if (h.castPending.size() + frame.size() > kMaxEnvelopeData)
            hostCastFlush(h);
        if (h.castPending.empty())
            h.castPendingSinceMs = h.clock();
        h.castPending.insert(h.castPending.end(), frame.begin(), frame.end());
    }
}

void startWatcher(Host& h, HostPeer& p) {
    if (h.historyFull) {
        // Watching starts from the session's start, and that is no longer kept.
        sessionClose(p.session, Reason::Full, "This game has gone on too long to watch from its start.", &h.seats,
                     p.outbox);
        queueOutbox(p);
        return;
    }
    sessionStartWatcher(p.session, h.rttMs, h.delayMs, p.outbox);
    queueOutbox(p);
    // The catch-up may exceed a watcher's usual limit once; what follows may not.
    std::vector<Message> catchUp = h.history;
    for (std::uint8_t player = 0; player < kPlayers; ++player)
        if (h.advanced[player])
            catchUp.push_back(h.lastAdvance[player]);
    std::size_t bytes = 0;
    for (const Message& m : catchUp) {
        std::vector<std::uint8_t> frame;
        appendFrame(m, frame);
        bytes += frame.size();
    }
    p.conn.queueLimit = kWatcherQueueLimit + bytes;
    for (const Message& m : catchUp)
        connSend(p.conn, m);
    if (h.relay.link) {
        // What follows goes by the cast, from the number reached now.
        hostCastFlush(h);
        p.pipe.castOn = true;
        p.pipe.castFrom = p.pipe.castAcked = p.pipe.castAt = h.castSeq;
        p.pipe.castResentMs = h.clock();
    }
}

bool greeting(const HostPeer& p) {
    return p.session.phase == Phase::AwaitHello && !p.conn.closed;
}

// Says why in the stream's own words (a desktop guest shows the text; a
// browser's upgrade simply fails), then closes.
void turnAway(int fd, Reason reason, const char* text) {
    std::vector<std::uint8_t> bytes;
    appendStreamMagic(bytes);
    appendFrame(byeMessage(reason, text), bytes);
    if (send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0) {
        // Gone already: nothing to tell.
    }
    closeSocket(fd);
}

const char kBusy[] = "The host is busy with other connections; try again in a moment.";

void dropGreeting(Host& h, HostPeer& p, Reason reason, const char* text) {
    if (p.conn.framing == Framing::Detect && p.conn.bytesSent == 0) {
        turnAway(p.conn.fd, reason, text);
        p.conn.fd = -1;
    }
    connShut(p.conn);
    sessionLost(p.session, &h.seats);
    ++h.turnedAway;
}

// Greetings that stay silent are let go well before a real guest's handshake
// would time out, so they cannot hold the places for long.
void dropSilentGreetings(Host& h, std::uint32_t nowMs) {
    for (HostPeer& p : h.peers)
        if (greeting(p) && nowMs - p.acceptedMs > kGreetingSilentMs)
            dropGreeting(h, p, Reason::Timeout, "The host heard no hello in time.");
}

// Room for one more greeting from source: there is, or the oldest greeting
// of the busiest source (the newcomer's own when that is at its bound) gives
// way once it has had time for a hello to arrive.
bool makeRoom(Host& h, const std::string& source, std::uint32_t nowMs) {
    std::map<std::string, int> bySource;
    int all = 0;
    for (const HostPeer& p : h.peers)
        if (greeting(p)) {
            ++bySource[p.source];
            ++all;
        }
    const int own = bySource[source];
    if (all < kMaxGreetings && own < kMaxGreetingsPerSource)
        return true;
    std::string busiest = source;
    if (own < kMaxGreetingsPerSource)
        for (const auto& entry : bySource)
            if (entry.second > bySource[busiest])
                busiest = entry.first;
    HostPeer* oldest = nullptr;
    for (HostPeer& p : h.peers)
        if (greeting(p) && p.source == busiest && (!oldest || nowMs - p.acceptedMs > nowMs - oldest->acceptedMs))
            oldest = &p;
    if (!oldest || nowMs - oldest->acceptedMs < h.greetingGraceMs)
        return false;
    dropGreeting(h, *oldest, Reason::Full, kBusy);
    return true;
}

void accept(Host& h, std::uint32_t nowMs) {
    for (;;) {
        std::string source;
        const int fd = acceptTcp(h.listenFd, &source);
        if (fd < 0)
            return;
        if (!makeRoom(h, source, nowMs)) {
            turnAway(fd, Reason::Full, kBusy);
            ++h.turnedAway;
            continue;
        }
        Connection conn;
        startAccepted(conn, fd, kPlayerQueueLimit);
        hostAddPeer(h, std::move(conn), source, nowMs);
    }
}

// One line for however many were turned away, at most once a second: a
// flood must not flood the log too.
void tellTurnedAway(Host& h, std::uint32_t nowMs) {
    if (h.turnedAway == h.turnedAwayTold ||
        (h.turnedAwayTold != 0 && nowMs - h.turnedAwayToldMs < kTurnedAwayNoticeMs))
        return;
    const std::uint64_t n = h.turnedAway - h.turnedAwayTold;
    h.notices.push_back("Turned away " + std::to_string(n) + (n == 1 ? " connection" : " connections") +
                        ": too many at once, or no hello in time.");
    h.turnedAwayTold = h.turnedAway;
    h.turnedAwayToldMs = nowMs;
}

void afterReceive(Host& h, HostPeer& p, Phase before) {
    Session& s = p.session;
    if (s.phase == Phase::Closed && before != Phase::Closed) {
        if (s.refused)
            h.notices.push_back("Refused a guest: " + s.endText);
        else if (before == Phase::Running || before == Phase::Measuring || before == Phase::AwaitStart)
            h.notices.push_back(std::string(s.role == Role::Player ? "The second player" : "A watcher") +
                                " left: " + s.endText);
        if (before != Phase::AwaitHello && s.role == Role::Player && !s.refused) {
            h.playerLeft = true;
            h.playerEnd = s.endReason;
            h.playerEndText = s.endText;
        }
        return;
    }
    if (before == Phase::AwaitHello && s.seated)
        h.notices.push_back(s.role == Role::Player ? "The second player joined." : "A watcher joined.");
    if (isPlayer(p) && s.phase == Phase::Running && before != Phase::Running) {
        h.started = true;
        h.rttMs = s.rttMs;
        h.delayMs = s.delayMs;
        h.notices.push_back("Round trip " + std::to_string(s.rttMs) + " ms, input delay " +
                            std::to_string(s.delayMs) + " ms.");
    }
    if (isWatcher(p) && s.phase == Phase::AwaitStart && h.started)
        startWatcher(h, p);
}

void serve(Host& h, HostPeer& p, short revents, std::uint32_t nowMs) {
    std::vector<Message> got;
    if (revents & (POLLIN | POLLHUP | POLLERR))
        connRead(p.conn, got);
    Session& s = p.session;
    s.localMs = h.localMs;
    for (const Message& m : got) {
        const Phase before = s.phase;
        sessionReceive(s, m, nowMs, &h.seats, p.outbox);
        afterReceive(h, p, before);
        for (const Message& d : s.delivered) {
            h.delivered.push_back(d);
            if (d.kind != Kind::StateHash)
                toWatchers(h, d);
        }
        s.delivered.clear();
    }
    const Phase before = s.phase;
    if (!p.conn.error.empty() && s.phase != Phase::Closed)
        sessionBroken(s, p.conn.error, &h.seats, p.outbox);
    else if (p.conn.closed && s.phase != Phase::Closed)
        sessionLost(s, &h.seats);
    sessionTick(s, nowMs, &h.seats, p.outbox);
    afterReceive(h, p, before);
}

void settle(Host& h, HostPeer& p, std::uint32_t nowMs) {
    queueOutbox(p);
    Session& s = p.session;
    if (p.conn.overflowed && s.phase != Phase::Closed) {
        // A peer that stops reading is let go, never waited for.
        const Phase before = s.phase;
        if (s.role == Role::Watcher) {
            sessionLost(s, &h.seats);
            s.endReason = Reason::Slow;
            s.endText = "The watcher fell too far behind and was let go.";
        } else {
            sessionLost(s, &h.seats);
            s.endReason = Reason::Slow;
            s.endText = "The second player did not keep up with the game.";
        }
        afterReceive(h, p, before);
        connShut(p.conn);
    }
    if (s.phase == Phase::Closed && !p.conn.closed) {
        if (!p.lingering) {
            p.lingering = true;
            p.closingSinceMs = nowMs;
            connCloseAfterFlush(p.conn);
        } else if (nowMs - p.closingSinceMs > kCloseLingerMs) {
            connShut(p.conn);
        }
    }
    connFlush(p.conn);
}

}  // namespace

bool hostOpen(Host& h, const std::string& address, std::uint16_t port, const Identity& self, RealClock clock,
              std::string& error) {
    h.clock = clock;
    h.listenFd = listenTcp(address, port, error);
    if (h.listenFd < 0)
        return false;
    h.port = boundPort(h.listenFd);
    h.self = self;
    return true;
}

HostPeer& hostAddPeer(Host& h, Connection&& conn, const std::string& source, std::uint32_t nowMs) {
    h.peers.emplace_back();
    HostPeer& p = h.peers.back();
    p.source = source;
    p.acceptedMs = nowMs;
    p.conn = std::move(conn);
    p.session = hostSession(h.self, nowMs, p.outbox);
    p.session.fixedDelayMs = h.fixedDelayMs;
    p.session.play = h.play;
    queueOutbox(p);
    return p;
}

void hostStep(Host& h, int waitMs) {
    std::vector<pollfd> fds;
    fds.push_back(pollfd{h.listenFd, POLLIN, 0});
    for (const HostPeer& p : h.peers)
        fds.push_back(pollfd{p.conn.fd, connWants(p.conn), 0});
    std::uint32_t nowMs = 0;
    if (h.relay.link) {
        // In a room every peer's bytes come through the relay: read them all.
        nowMs = hostRelayTake(h, waitMs);
        fds.assign(h.peers.size() + 1, pollfd{-1, 0, POLLIN});
    } else {
        if (poll(fds.data(), fds.size(), waitMs) < 0)
            fds.assign(fds.size(), pollfd{-1, 0, 0});
        nowMs = h.clock();
    }
    const std::size_t known = h.peers.size();
    for (std::size_t i = 0; i < known; ++i)
        serve(h, h.peers[i], fds[i + 1].revents, nowMs);
    dropSilentGreetings(h, nowMs);
    if (h.listenFd >= 0 && (fds[0].revents & POLLIN))
        accept(h, nowMs);
    for (HostPeer& p : h.peers)
        settle(h, p, nowMs);
    if (h.relay.link)
        hostRelaySend(h, nowMs);
    for (std::size_t i = h.peers.size(); i-- > 0;)
        if (h.peers[i].conn.closed) {
            if (h.relay.link)
                h.relayGone.push_back(h.peers[i].pipe.peer);
            h.bytesSentGone += h.peers[i].conn.bytesSent;
            h.peers.erase(h.peers.begin() + std::ptrdiff_t(i));
        }
    tellTurnedAway(h, nowMs);
}

void hostSetLocalTime(Host& h, std::uint32_t virtualMs) {
    h.localMs = virtualMs;
}

void hostSend(Host& h, const Message& m) {
    for (HostPeer& p : h.peers)
        if (isPlayer(p) && p.session.phase == Phase::Running)
            connSend(p.conn, m);
    if (m.kind != Kind::StateHash)
        toWatchers(h, m);
    for (HostPeer& p : h.peers)
        connFlush(p.conn);
    if (h.relay.link)
        hostRelaySend(h, h.clock());
}

void hostClose(Host& h, Reason reason, const std::string& text) {
    for (HostPeer& p : h.peers) {
        sessionClose(p.session, reason, text, &h.seats, p.outbox);
        queueOutbox(p);
        connCloseAfterFlush(p.conn);
    }
    closeSocket(h.listenFd);
    h.listenFd = -1;
    h.closed = true;
}

void hostLetGoPlayer(Host& h, Reason reason, const std::string& text) {
    for (HostPeer& p : h.peers) {
        if (!isPlayer(p) || p.session.phase == Phase::Closed)
            continue;
        const Phase before = p.session.phase;
        sessionClose(p.session, reason, text, &h.seats, p.outbox);
        afterReceive(h, p, before);
        queueOutbox(p);
        connCloseAfterFlush(p.conn);
    }
}

int hostWatchers(const Host& h) {
    return h.seats.watchers;
}

std::uint64_t hostBytesSent(const Host& h) {
    std::uint64_t n = h.bytesSentGone + h.castBytesSent;
    for (const HostPeer& p : h.peers)
        n += p.conn.bytesSent;
    return n;
}

}  // namespace net
