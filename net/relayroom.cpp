#include "net/relayroom.h"

#include <utility>

#include "net/roomcode.h"

namespace net {

namespace {

void publish(RelayRoom& r, const std::string& subject, const std::vector<std::uint8_t>& sealed, Connection& c) {
    if (relayPublish(r.link, subject, sealed.data(), sealed.size()))
        c.bytesSent += sealed.size();
}

}  // namespace

RelayRoom::RelayRoom(RelayRoom&& other) noexcept {
    *this = std::move(other);
}

RelayRoom& RelayRoom::operator=(RelayRoom&& other) noexcept {
    if (this == &other)
        return *this;
    relayClose(link);
    link = other.link;
    other.link = nullptr;
    url = std::move(other.url);
    code = std::move(other.code);
    keys = other.keys;
    self = other.self;
    inbox = std::move(other.inbox);
    drops = other.drops;
    return *this;
}

RelayRoom::~RelayRoom() {
    relayClose(link);
}

std::string roomHostSubject(const RelayRoom& r) {
    return kRelaySubjectRoot + r.keys.roomId + ".host";
}

std::string roomPeerSubject(const RelayRoom& r, std::uint64_t peer) {
    return kRelaySubjectRoot + r.keys.roomId + ".peer." + peerIdHex(peer);
}

bool roomOpen(RelayRoom& r, const std::string& url, const std::string& canonicalCode, bool hosting,
              std::string& error) {
    r.url = url;
    r.code = canonicalCode;
    r.keys = deriveRoomKeys(canonicalCode);
    std::uint8_t id[8];
    if (!randomBytes(id, sizeof id)) {
        error = "The system gave no random numbers.";
        return false;
    }
    r.self = 0;
    for (std::uint8_t b : id)
        r.self = r.self << 8 | b;
    r.link = relayOpen(url, error);
    if (!r.link)
        return false;
    r.inbox = hosting ? roomHostSubject(r) : roomPeerSubject(r, r.self);
    return relaySubscribe(r.link, r.inbox, error);
}

bool roomOpenMessage(RelayRoom& r, const RelayMessage& m, Envelope& e) {
    switch (openEnvelope(m.data.data(), m.data.size(), r.keys.tagKey, m.subject, e)) {
    case Opened::Ok: break;
    case Opened::BadSize: ++r.drops.badSize; return false;
    case Opened::BadForm: ++r.drops.badForm; return false;
    case Opened::BadTag: ++r.drops.badTag; return false;
    }
    if (m.subject != r.inbox || e.sender == r.self) {
        ++r.drops.strangers;
        return false;
    }
    return true;
}

bool pipeTake(RelayRoom& r, RelayPipe& p, Connection& c, const Envelope& e) {
    while (!p.unacked.empty() && p.unacked.front().seq <= e.ack && e.ack <= p.sentSeq) {
        p.unackedBytes -= p.unacked.front().sealed.size();
        p.unacked.pop_front();
    }
    if (e.kind == EnvelopeKind::Ack)
        return false;
    if (e.seq <= p.gotSeq) {
        ++r.drops.replayed;
        return false;
    }
    if (e.seq != p.gotSeq + 1) {
        ++r.drops.early;
        return false;
    }
    p.gotSeq = e.seq;
    c.inbox.insert(c.inbox.end(), e.bytes.begin(), e.bytes.end());
    return true;
}

void pipeSend(RelayRoom& r, RelayPipe& p, Connection& c, std::uint32_t nowMs) {
    if (c.closed)
        return;
    const std::uint32_t reconnects = relayReconnects(r.link);
    const bool again = !p.unacked.empty() && (nowMs - p.resentMs >= kRelayResendMs || reconnects != p.reconnectsSeen);
    p.reconnectsSeen = reconnects;
    if (again) {
        for (const RelayPending& pending : p.unacked)
            publish(r, p.toSubject, pending.sealed, c);
        p.resentMs = nowMs;
    }
    bool sent = false;
    for (std::size_t at = 0; at < c.raw.size(); at += kMaxEnvelopeData) {
        Envelope e;
        e.kind = EnvelopeKind::Data;
        e.sender = r.self;
        e.seq = ++p.sentSeq;
        e.ack = p.gotSeq;
        const std::size_t n = std::min(kMaxEnvelopeData, c.raw.size() - at);
        e.bytes.assign(c.raw.begin() + std::ptrdiff_t(at), c.raw.begin() + std::ptrdiff_t(at + n));
        RelayPending pending{e.seq, sealEnvelope(e, r.keys.tagKey, p.toSubject)};
        publish(r, p.toSubject, pending.sealed, c);
        if (p.unacked.empty())
            p.resentMs = nowMs;
        p.unackedBytes += pending.sealed.size();
        p.unacked.push_back(std::move(pending));
        sent = true;
    }
    c.raw.clear();
    if (sent) {
        p.ackTold = p.gotSeq;
        p.ackToldMs = nowMs;
    } else if (p.gotSeq != p.ackTold && (nowMs - p.ackToldMs >= kRelayAckEveryMs || c.closing)) {
        // Closing, the last ack goes at once: the other end waits for it to close too.
        Envelope e;
        e.kind = EnvelopeKind::Ack;
        e.sender = r.self;
        e.ack = p.gotSeq;
        publish(r, p.toSubject, sealEnvelope(e, r.keys.tagKey, p.toSubject), c);
        p.ackTold = p.gotSeq;
        p.ackToldMs = nowMs;
    }
    // A peer that takes nothing in is let go by its owner, as a slow socket is.
    if (p.unackedBytes > c.queueLimit)
        c.overflowed = true;
    if (c.closing && p.unacked.empty())
        connShut(c);
}

}  // namespace net
