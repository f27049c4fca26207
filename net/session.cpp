#include "net/session.h"

#include <cstring>

#include "net/delay.h"

namespace net {

namespace {

Message selfHello(const Session& s) {
    Message m = helloMessage(s.self.buildId, s.self.dataHash, s.role);
    m.hello.version = s.self.version;
    return m;
}

void releaseSeat(Session& s, Seats* seats) {
    if (!s.seated || !seats)
        return;
    if (s.role == Role::Player)
        seats->playerTaken = false;
    else if (seats->watchers > 0)
        --seats->watchers;
    s.seated = false;
}

void closeQuietly(Session& s, Reason reason, const std::string& text, Seats* seats) {
    s.phase = Phase::Closed;
    s.endReason = reason;
    s.endText = text;
    releaseSeat(s, seats);
}

void refuse(Session& s, Reason reason, const std::string& text, Seats* seats, std::vector<Message>& send) {
    Message m;
    m.kind = Kind::HelloReply;
    m.reply.accepted = false;
    m.reply.role = s.role;
    m.reply.reason = reason;
    m.reply.text = text.substr(0, kMaxReasonBytes);
    send.push_back(m);
    closeQuietly(s, reason, m.reply.text, seats);
    s.refused = true;
}

void violation(Session& s, const std::string& what, Seats* seats, std::vector<Message>& send) {
    sessionClose(s, Reason::Protocol, "The other side sent a message it should not have (" + what + ").",
                 seats, send);
}

void sendPing(Session& s, std::uint32_t nowMs, std::vector<Message>& send) {
    Message m;
    m.kind = Kind::Ping;
    m.ping.seq = s.pingSeq;
    m.ping.sentMs = nowMs;
    s.pingSentMs = nowMs;
    s.lastSentMs = nowMs;
    send.push_back(m);
}

Message startMessage(std::uint16_t rttMs, std::uint16_t delayMs, const PlaySettings& play) {
    Message m;
    m.kind = Kind::Start;
    m.start.rttMs = rttMs;
    m.start.delayMs = delayMs;
    m.start.play = play;
    return m;
}

// The peer's stamps: never backwards, never far beyond our own virtual time.
bool stampFits(const Session& s, std::uint32_t atMs, std::uint32_t notBefore, std::string& why) {
    if (atMs < notBefore) {
        why = "time went backwards";
        return false;
    }
    // A watcher may join late and catch up, so only the players' stamps are
    // held to our own clock.
    const bool watching = s.side == Side::Guest && s.role == Role::Watcher;
    if (!watching && std::uint64_t(atMs) > std::uint64_t(s.localMs) + kMaxLeadMs) {
        why = "time too far ahead";
        return false;
    }
    return true;
}

// Which player's stream the other end may send on this connection.
bool maySendFor(const Session& s, std::uint8_t player) {
    if (s.side == Side::Host)
        return s.role == Role::Player && player == 1;
    return s.role == Role::Watcher || player == 0;
}

void receiveRunning(Session& s, const Message& m, std::uint32_t nowMs, Seats* seats, std::vector<Message>& send) {
    std::string why;
    switch (m.kind) {
    case Kind::Input: {
        const std::uint8_t p = m.input.player;
        if (!maySendFor(s, p))
            return violation(s, "input for the wrong player", seats, send);
        const std::uint32_t floor = s.lastInputMs[p] > s.advancedMs[p] ? s.lastInputMs[p] : s.advancedMs[p];
        if (!stampFits(s, m.input.atMs, floor, why))
            return violation(s, "input: " + why, seats, send);
        s.lastInputMs[p] = m.input.atMs;
        s.delivered.push_back(m);
        return;
    }
    case Kind::Advance: {
        const std::uint8_t p = m.advance.player;
        if (!maySendFor(s, p))
            return violation(s, "advance for the wrong player", seats, send);
        if (!stampFits(s, m.advance.throughMs, s.advancedMs[p], why))
            return violation(s, "advance: " + why, seats, send);
        s.advancedMs[p] = m.advance.throughMs;
        s.delivered.push_back(m);
        return;
    }
    case Kind::StateHash:
        if (s.side == Side::Host && s.role == Role::Watcher)
            return violation(s, "a state hash from a watcher", seats, send);
        if (!stampFits(s, m.stateHash.atMs, s.lastHashMs, why))
            return violation(s, "state hash: " + why, seats, send);
        s.lastHashMs = m.stateHash.atMs;
        s.delivered.push_back(m);
        return;
    case Kind::Ping: {
        Message pong = m;
        pong.kind = Kind::Pong;
        send.push_back(pong);
        s.lastSentMs = nowMs;
        return;
    }
    case Kind::Pong:
        return;
    default:
        return violation(s, std::string(kindName(m.kind)) + " while playing", seats, send);
    }
}

void receiveHost(Session& s, const Message& m, std::uint32_t nowMs, Seats* seats, std::vector<Message>& send) {
    switch (s.phase) {
    case Phase::AwaitHello: {
        if (m.kind != Kind::Hello)
            return violation(s, std::string(kindName(m.kind)) + " before the hello", seats, send);
        s.role = m.hello.role;
        std::string text;
        const Reason r = checkHello(selfHello(s).hello, m.hello, text);
        if (r != Reason::None)
            return refuse(s, r, text, seats, send);
        Seats none;
        Seats& seat = seats ? *seats : none;
        if (s.role == Role::Player && seat.playerTaken)
            return refuse(s, Reason::Full,
                          "This game already has its second player; you may join as a watcher.", seats, send);
        if (s.role == Role::Watcher && seat.watchers >= seat.maxWatchers)
            return refuse(s, Reason::Full,
                          "This game already has " + std::to_string(seat.maxWatchers) +
                              " watchers; no more may watch.", seats, send);
        if (s.role == Role::Player)
            seat.playerTaken = true;
        else
            ++seat.watchers;
        s.seated = seats != nullptr;
        Message reply;
        reply.kind = Kind::HelloReply;
        reply.reply.accepted = true;
        reply.reply.role = s.role;
        reply.reply.text = s.role == Role::Player ? "Welcome: you play the right paddle." : "Welcome: you watch.";
        send.push_back(reply);
        if (s.role == Role::Player) {
            s.phase = Phase::Measuring;
            sendPing(s, nowMs, send);
        } else {
            s.phase = Phase::AwaitStart;
        }
        return;
    }
    case Phase::Measuring: {
        if (m.kind != Kind::Pong || m.ping.seq != s.pingSeq || m.ping.sentMs != s.pingSentMs)
            return violation(s, std::string(kindName(m.kind)) + " while measuring", seats, send);
        s.roundTripsMs.push_back(nowMs - s.pingSentMs);
        ++s.pingSeq;
        if (int(s.roundTripsMs.size()) < kPingRounds)
            return sendPing(s, nowMs, send);
        const std::uint32_t rtt = plannedRoundTrip(s.roundTripsMs);
        s.rttMs = std::uint16_t(rtt > 0xffff ? 0xffff : rtt);
        s.delayMs = std::uint16_t(s.fixedDelayMs ? s.fixedDelayMs : chooseInputDelay(rtt));
        send.push_back(startMessage(s.rttMs, s.delayMs, s.play));
        s.phase = Phase::Running;
        return;
    }
    case Phase::AwaitStart:  // a watcher waiting for the players
        if (m.kind == Kind::Pong)
            return;
        return violation(s, std::string(kindName(m.kind)) + " from a watcher", seats, send);
    case Phase::Running:
        return receiveRunning(s, m, nowMs, seats, send);
    default:
        return;
    }
}

void receiveGuest(Session& s, const Message& m, std::uint32_t nowMs, Seats* seats, std::vector<Message>& send) {
    switch (s.phase) {
    case Phase::AwaitHello: {
        if (m.kind != Kind::Hello)
            return violation(s, std::string(kindName(m.kind)) + " before the hello", seats, send);
        std::string text;
        const Reason r = checkHello(m.hello, selfHello(s).hello, text);
        if (r != Reason::None) {
            sessionClose(s, r, text, seats, send);
            s.refused = true;
            return;
        }
        s.phase = Phase::AwaitReply;
        return;
    }
    case Phase::AwaitReply:
        if (m.kind != Kind::HelloReply)
            return violation(s, std::string(kindName(m.kind)) + " before the reply", seats, send);
        if (!m.reply.accepted) {
            closeQuietly(s, m.reply.reason, m.reply.text, seats);
            s.refused = true;
            return;
        }
        if (m.reply.role != s.role)
            return violation(s, "a seat that was not asked for", seats, send);
        s.phase = Phase::AwaitStart;
        return;
    case Phase::AwaitStart:
        if (m.kind == Kind::Ping) {
            Message pong = m;
            pong.kind = Kind::Pong;
            send.push_back(pong);
            return;
        }
        if (m.kind != Kind::Start)
            return violation(s, std::string(kindName(m.kind)) + " before the start", seats, send);
        if (m.start.delayMs < kMinDelayMs || m.start.delayMs > kMaxDelayMs)
            return violation(s, "an input delay out of bounds", seats, send);
        s.rttMs = m.start.rttMs;
        s.delayMs = m.start.delayMs;
        s.play = m.start.play;
        s.phase = Phase::Running;
        return;
    case Phase::Running:
        return receiveRunning(s, m, nowMs, seats, send);
    default:
        return;
    }
}

}  // namespace

const char* reasonText(Reason r) {
    switch (r) {
    case Reason::None: return "no reason";
    case Reason::Version: return "a different network protocol";
    case Reason::Build: return "a different game build";
    case Reason::Data: return "different data files";
    case Reason::Full: return "no seat left";
    case Reason::Protocol: return "a broken message";
    case Reason::Quit: return "the other player quit";
    case Reason::Timeout: return "the other side stopped answering";
    case Reason::Slow: return "the other side did not keep up";
    case Reason::Desync: return "the games went apart";
    case Reason::Seat: return "an event that was not the other side's to make";
    }
    return "unknown";
}

Reason checkHello(const Hello& host, const Hello& guest, std::string& text) {
    text.clear();
    if (host.version != guest.version) {
        text = "Network protocols differ (host " + std::to_string(host.version) + ", guest " +
               std::to_string(guest.version) + "): both players need the same VOLTARI version.";
        return Reason::Version;
    }
    if (host.buildId != guest.buildId) {
        text = "Game builds differ (host " + host.buildId + ", guest " + guest.buildId +
               "): both players need the same VOLTARI version.";
        return Reason::Build;
    }
    if (std::memcmp(host.dataHash, guest.dataHash, kDataHashBytes) != 0) {
        text = "Data files differ between host and guest: both players need the same VOLTARI data.";
        return Reason::Data;
    }
    return Reason::None;
}

Session hostSession(const Identity& self, std::uint32_t nowMs, std::vector<Message>& send) {
    Session s;
    s.side = Side::Host;
    s.self = self;
    s.startedMs = s.lastHeardMs = s.lastSentMs = nowMs;
    send.push_back(selfHello(s));
    return s;
}

Session guestSession(const Identity& self, Role wanted, std::uint32_t nowMs, std::vector<Message>& send) {
    Session s;
    s.side = Side::Guest;
    s.role = wanted;
    s.self = self;
    s.startedMs = s.lastHeardMs = s.lastSentMs = nowMs;
    send.push_back(selfHello(s));
    return s;
}

void sessionReceive(Session& s, const Message& m, std::uint32_t nowMs, Seats* seats, std::vector<Message>& send) {
    if (s.phase == Phase::Closed)
        return;
    s.lastHeardMs = nowMs;
    if (m.kind == Kind::Hello)
        s.greeted = true;
    if (m.kind == Kind::Bye) {
        closeQuietly(s, m.bye.reason, m.bye.text.empty() ? reasonText(m.bye.reason) : m.bye.text, seats);
        return;
    }
    if (s.side == Side::Host)
        receiveHost(s, m, nowMs, seats, send);
    else
        receiveGuest(s, m, nowMs, seats, send);
}

void sessionBroken(Session& s, const std::string& why, Seats* seats, std::vector<Message>& send) {
    if (s.phase == Phase::Closed)
        return;
    violation(s, why, seats, send);
}

void sessionTick(Session& s, std::uint32_t nowMs, Seats* seats, std::vector<Message>& send) {
    switch (s.phase) {
    case Phase::Closed:
        return;
    case Phase::Running:
        if (nowMs - s.lastHeardMs > kSilenceTimeoutMs)
            return sessionClose(s, Reason::Timeout, "Nothing heard from the other side for " +
                                std::to_string(kSilenceTimeoutMs / 1000) + " s.", seats, send);
        if (nowMs - s.lastSentMs >= kKeepAliveMs)
            sendPing(s, nowMs, send);
        return;
    case Phase::AwaitStart:
        // A seated watcher waits for the players as long as it keeps answering.
        if (s.side == Side::Host && s.role == Role::Watcher) {
            if (nowMs - s.lastHeardMs > kSilenceTimeoutMs)
                return sessionClose(s, Reason::Timeout, "The watcher stopped answering.", seats, send);
            if (nowMs - s.lastSentMs >= kKeepAliveMs)
                sendPing(s, nowMs, send);
            return;
        }
        if (s.side == Side::Guest && s.role == Role::Watcher)
            return;  // the host keeps a waiting watcher alive
        break;
    default:
        break;
    }
    if (nowMs - s.startedMs > kHandshakeTimeoutMs)
        sessionClose(s, Reason::Timeout, "The other side did not finish the greeting within " +
                     std::to_string(kHandshakeTimeoutMs / 1000) + " s.", seats, send);
}

void sessionClose(Session& s, Reason reason, const std::string& text, Seats* seats, std::vector<Message>& send) {
    if (s.phase == Phase::Closed)
        return;
    send.push_back(byeMessage(reason, text));
    closeQuietly(s, reason, text.substr(0, kMaxReasonBytes), seats);
}

void sessionLost(Session& s, Seats* seats) {
    if (s.phase == Phase::Closed)
        return;
    // No goodbye and no reason: the connection just went.
    closeQuietly(s, Reason::None, "The connection to the other side was lost.", seats);
}

void sessionStartWatcher(Session& s, std::uint16_t rttMs, std::uint16_t delayMs, std::vector<Message>& send) {
    if (s.side != Side::Host || s.role != Role::Watcher || s.phase != Phase::AwaitStart)
        return;
    s.rttMs = rttMs;
    s.delayMs = delayMs;
    send.push_back(startMessage(rttMs, delayMs, s.play));
    s.phase = Phase::Running;
}

}  // namespace net
