// The host in a room on a relay: each guest or watcher that appears on the
// host subject with a valid tag becomes a peer like an accepted socket, its
// bytes carried in envelopes on the relay.
#include "net/host.h"

#include <algorithm>
#include <cstdio>

#include "net/envelope.h"

namespace net {

bool hostOpenRelay(Host& h, const std::string& url, const std::string& code, const Identity& self, RealClock clock,
                   std::string& error) {
    h.clock = clock;
    h.self = self;
    return roomOpen(h.relay, url, code, true, false, error);
}

namespace {

HostPeer* peerOf(Host& h, std::uint64_t id) {
    for (HostPeer& p : h.peers)
        if (p.pipe.peer == id && !p.conn.closed)
            return &p;
    return nullptr;
}

int greetings(const Host& h) {
    int n = 0;
    for (const HostPeer& p : h.peers)
        n += p.session.phase == Phase::AwaitHello && !p.conn.closed;
    return n;
}

// Only a stream's first envelope opens a peer, and never one of an id
// already served: a replayed capture starts nothing.
void newcomer(Host& h, const Envelope& e, std::uint32_t nowMs) {
    RelayRoom& room = h.relay;
    const bool gone = std::find(h.relayGone.begin(), h.relayGone.end(), e.sender) != h.relayGone.end();
    if (e.kind != EnvelopeKind::Data || e.seq != 1 || gone || h.closed) {
        ++room.drops.strangers;
        return;
    }
    if (greetings(h) >= kMaxGreetings) {
        ++h.turnedAway;
        return;
    }
    Connection conn;
    startRelay(conn, kPlayerQueueLimit);
    char source[40];
    std::snprintf(source, sizeof source, "relay peer %016llx", static_cast<unsigned long long>(e.sender));
    HostPeer& p = hostAddPeer(h, std::move(conn), source, nowMs);
    p.pipe.peer = e.sender;
    p.pipe.toSubject = roomPeerSubject(room, e.sender);
    pipeTake(room, p.pipe, p.conn, e);
}

}  // namespace

std::uint32_t hostRelayTake(Host& h, int waitMs) {
    std::vector<RelayMessage> got;
    relayPoll(h.relay.link, waitMs, got);
    const std::uint32_t nowMs = h.clock();
    for (const RelayMessage& m : got) {
        Envelope e;
        if (!roomOpenMessage(h.relay, m, e))
            continue;
        if (HostPeer* p = peerOf(h, e.sender))
            pipeTake(h.relay, p->pipe, p->conn, e);
        else
            newcomer(h, e, nowMs);
    }
    return nowMs;
}

void hostCastFlush(Host& h) {
    if (h.castPending.empty())
        return;
    Envelope e;
    e.kind = EnvelopeKind::Cast;
    e.sender = h.relay.self;
    e.seq = ++h.castSeq;
    e.bytes.swap(h.castPending);
    const std::vector<std::uint8_t> sealed = sealEnvelope(e, h.relay.keys.tagKey, roomCastSubject(h.relay));
    if (relayPublish(h.relay.link, roomCastSubject(h.relay), sealed.data(), sealed.size()))
        h.castBytesSent += sealed.size();
    h.castKept.emplace_back(e.seq, std::move(e.bytes));
    for (HostPeer& p : h.peers)
        p.pipe.castAt = h.castSeq;
}

void hostRelaySend(Host& h, std::uint32_t nowMs) {
    // A watcher's pipe data goes after the casts before it: those go first.
    bool afterDue = false;
    for (const HostPeer& p : h.peers)
        afterDue = afterDue || (p.pipe.castOn && !p.conn.raw.empty());
    if (afterDue || nowMs - h.castPendingSinceMs >= kCastBatchMs)
        hostCastFlush(h);
    const std::uint32_t reconnects = relayReconnects(h.relay.link);
    std::uint32_t keepFrom = h.castSeq;  // the oldest cast number a watcher may still miss
    for (HostPeer& p : h.peers) {
        RelayPipe& pipe = p.pipe;
        if (!pipe.castOn || p.conn.closed)
            continue;
        keepFrom = std::min(keepFrom, pipe.castAcked);
        if (pipe.castAcked >= h.castSeq) {
            pipe.castResentMs = nowMs;
            continue;
        }
        // What the watcher has not acknowledged, again on its own subject;
        // and one that takes in nothing is let go, as a slow pipe is.
        const bool again = nowMs - pipe.castResentMs >= kRelayResendMs || reconnects != pipe.reconnectsSeen;
        std::size_t owed = 0;
        for (const auto& kept : h.castKept) {
            if (kept.first <= pipe.castAcked)
                continue;
            owed += kept.second.size();
            if (!again)
                continue;
            Envelope e;
            e.kind = EnvelopeKind::Cast;
            e.sender = h.relay.self;
            e.seq = kept.first;
            e.bytes = kept.second;
            const std::vector<std::uint8_t> sealed = sealEnvelope(e, h.relay.keys.tagKey, pipe.toSubject);
            if (relayPublish(h.relay.link, pipe.toSubject, sealed.data(), sealed.size()))
                p.conn.bytesSent += sealed.size();
        }
        if (again)
            pipe.castResentMs = nowMs;
        if (owed > kWatcherQueueLimit)
            p.conn.overflowed = true;
    }
    while (!h.castKept.empty() && h.castKept.front().first <= keepFrom)
        h.castKept.pop_front();
    for (HostPeer& p : h.peers)
        pipeSend(h.relay, p.pipe, p.conn, nowMs);
}

}  // namespace net
