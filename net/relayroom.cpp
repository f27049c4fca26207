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
    castInbox = std::move(other.castInbox);
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

std::string roomCastSubject(const RelayRoom& r) {
    return kRelaySubjectRoot + r.keys.roomId + ".cast";
}

bool roomOpen(RelayRoom& r, const std::string& url, const std::string& canonicalCode, bool hosting, bool watching,
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
    if (!relaySubscribe(r.link, r.inbox, error))
        return false;
    // From the start: the casts that come before the host names where this
    // watcher's game continues wait for that.
    if (watching) {
        r.castInbox = roomCastSubject(r);
        return relaySubscribe(r.link, r.castInbox, error);
    }
    return true;
}

bool roomOpenMessage(RelayRoom& r, const RelayMessage& m, Envelope& e) {
    switch (openEnvelope(m.data.data(), m.data.size(), r.keys.tagKey, m.subject, e)) {
    case Opened::Ok: break;
    case Opened::BadSize: ++r.drops.badSize; return false;
    case Opened::BadForm: ++r.drops.badForm; return false;
    case Opened::BadTag: ++r.drops.badTag; return false;
    }
    // Who sends which kind: the host casts and sends afters to its watchers;
    // only a watcher acks a cast.
    const bool cast = !r.castInbox.empty() && m.subject == r.castInbox;
    const bool hosting = r.inbox == roomHostSubject(r);
    const bool castKind = e.kind == EnvelopeKind::Cast || e.kind == EnvelopeKind::After;
    const bool kindFits = hosting ? !castKind : e.kind != EnvelopeKind::CastAck && (!castKind || !r.castInbox.empty());
    if ((m.subject != r.inbox && !cast) || (cast && e.kind != EnvelopeKind::Cast) || !kindFits || e.sender == r.self) {
        ++r.drops.strangers;
        return false;
    }
    return true;
}

namespace {

// The watcher's stream in order: the pipe's after data once the cast has
// reached its number, and each next cast.
void castFlush(RelayPipe& p, Connection& c) {
    for (;;) {
        while (!p.castHeld.empty() && p.castHeld.front().first <= p.castGot) {
            const std::vector<std::uint8_t>& bytes = p.castHeld.front().second;
            c.inbox.insert(c.inbox.end(), bytes.begin(), bytes.end());
            p.castHeld.pop_front();
        }
        const auto next = p.castEarly.find(p.castGot + 1);
        if (next == p.castEarly.end())
            break;
        c.inbox.insert(c.inbox.end(), next->second.begin(), next->second.end());
        ++p.castGot;
        p.castEarly.erase(next);
    }
    p.castEarly.erase(p.castEarly.begin(), p.castEarly.upper_bound(p.castGot));
}

std::uint32_t castNumber(const std::vector<std::uint8_t>& b) {
    return std::uint32_t(b[0]) << 24 | std::uint32_t(b[1]) << 16 | std::uint32_t(b[2]) << 8 | b[3];
}

// An after's bytes begin so: the cast number they follow, big-endian.
std::vector<std::uint8_t> castNumberBytes(std::uint32_t n) {
    return {std::uint8_t(n >> 24), std::uint8_t(n >> 16), std::uint8_t(n >> 8), std::uint8_t(n)};
}

}  // namespace

void castTake(RelayRoom& r, RelayPipe& p, Connection& c, const Envelope& e) {
    if (p.castReading && e.seq <= p.castGot) {
        ++r.drops.replayed;
        return;
    }
    if (p.castEarly.size() >= kRelayCastEarlyMax && !p.castEarly.count(e.seq)) {
        // Not yet on the cast, the newest are the likeliest wanted; on it,
        // what is dropped now comes again from the host.
        if (p.castReading || e.seq < p.castEarly.begin()->first) {
            ++r.drops.early;
            return;
        }
        p.castEarly.erase(p.castEarly.begin());
    }
    p.castEarly[e.seq] = e.bytes;
    if (p.castReading)
        castFlush(p, c);
}

bool pipeTake(RelayRoom& r, RelayPipe& p, Connection& c, const Envelope& e) {
    while (!p.unacked.empty() && p.unacked.front().seq <= e.ack && e.ack <= p.sentSeq) {
        p.unackedBytes -= p.unacked.front().sealed.size();
        p.unacked.pop_front();
    }
    if (e.kind == EnvelopeKind::CastAck && p.castOn && e.seq > p.castAcked && e.seq <= p.castAt)
        p.castAcked = e.seq;
    if (e.kind == EnvelopeKind::Ack || e.kind == EnvelopeKind::CastAck || e.kind == EnvelopeKind::Cast)
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
    if (e.kind == EnvelopeKind::After) {
        const std::uint32_t after = castNumber(e.bytes);
        if (!p.castReading) {
            p.castReading = true;
            p.castGot = after;
        }
        if (e.bytes.size() > kCastNumberBytes)
            p.castHeld.emplace_back(after, std::vector<std::uint8_t>(e.bytes.begin() + kCastNumberBytes, e.bytes.end()));
        castFlush(p, c);
        return true;
    }
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
    auto data = [&](EnvelopeKind kind, std::vector<std::uint8_t> bytes) {
        Envelope e;
        e.kind = kind;
        e.sender = r.self;
        e.seq = ++p.sentSeq;
        e.ack = p.gotSeq;
        e.bytes = std::move(bytes);
        RelayPending pending{e.seq, sealEnvelope(e, r.keys.tagKey, p.toSubject)};
        publish(r, p.toSubject, pending.sealed, c);
        if (p.unacked.empty())
            p.resentMs = nowMs;
        p.unackedBytes += pending.sealed.size();
        p.unacked.push_back(std::move(pending));
        sent = true;
    };
    if (p.castOn && p.castToldFrom) {
        // Whole frames only, each envelope read as one piece after its cast
        // number: a frame cut in two could have a cast read between its halves.
        std::size_t at = 0;
        while (at < c.raw.size()) {
            std::size_t end = at;
            while (end + 2 <= c.raw.size()) {
                const std::size_t frame = 2 + (std::size_t(c.raw[end]) << 8 | c.raw[end + 1]);
                if (end + frame > c.raw.size() || (end > at && end + frame - at > kMaxEnvelopeData - kCastNumberBytes))
                    break;
                end += frame;
            }
            if (end == at)
                end = c.raw.size();  // never: connSend queues whole frames of at most kMaxMessageBytes
            std::vector<std::uint8_t> bytes = castNumberBytes(p.castAt);
            bytes.insert(bytes.end(), c.raw.begin() + std::ptrdiff_t(at), c.raw.begin() + std::ptrdiff_t(end));
            data(EnvelopeKind::After, std::move(bytes));
            at = end;
        }
    } else {
        for (std::size_t at = 0; at < c.raw.size(); at += kMaxEnvelopeData) {
            const std::size_t n = std::min(kMaxEnvelopeData, c.raw.size() - at);
            data(EnvelopeKind::Data,
                 std::vector<std::uint8_t>(c.raw.begin() + std::ptrdiff_t(at), c.raw.begin() + std::ptrdiff_t(at + n)));
        }
        if (p.castOn) {
            // The game so far is on its way: the watcher goes on from the cast.
            data(EnvelopeKind::After, castNumberBytes(p.castFrom));
            p.castToldFrom = true;
        }
    }
    c.raw.clear();
    const bool castAckDue = p.castReading && p.castGot != p.castAckTold;
    if (sent && !castAckDue) {
        p.ackTold = p.gotSeq;
        p.ackToldMs = nowMs;
    } else if ((p.gotSeq != p.ackTold || castAckDue) && (nowMs - p.ackToldMs >= kRelayAckEveryMs || c.closing)) {
        // Closing, the last ack goes at once: the other end waits for it to close too.
        Envelope e;
        e.kind = p.castReading ? EnvelopeKind::CastAck : EnvelopeKind::Ack;
        e.sender = r.self;
        e.seq = p.castReading ? p.castGot : 0;
        e.ack = p.gotSeq;
        publish(r, p.toSubject, sealEnvelope(e, r.keys.tagKey, p.toSubject), c);
        p.ackTold = p.gotSeq;
        p.castAckTold = p.castGot;
        p.ackToldMs = nowMs;
    }
    // A peer that takes nothing in is let go by its owner, as a slow socket is.
    if (p.unackedBytes > c.queueLimit)
        c.overflowed = true;
    if (c.closing && p.unacked.empty() && (!p.castOn || p.castAcked >= p.castAt))
        connShut(c);
}

}  // namespace net
