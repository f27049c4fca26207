#include "netplay/driver.h"

#include <algorithm>

#include "game/base/state.h"
#include "game/match/match.h"
#include "netplay/sdlinput.h"
#include "netplay/seats.h"

namespace {

void send(NetplayDriver& d, const net::Message& m) {
    if (d.host)
        net::hostSend(*d.host, m);
    else if (d.client)
        net::clientSend(*d.client, m);
}

void fail(NetplayDriver& d, net::Reason reason, const std::string& why) {
    if (d.failed)
        return;
    d.failed = true;
    d.failReason = reason;
    d.failure = why;
}

void compareHashes(NetplayDriver& d) {
    for (auto own = d.ownHashes.begin(); own != d.ownHashes.end();) {
        const auto peer = d.peerHashes.find(own->first);
        if (peer == d.peerHashes.end()) {
            ++own;
            continue;
        }
        if (peer->second != own->second) {
            fail(d, net::Reason::Desync, "The games went apart at " + std::to_string(own->first) + " ms.");
            d.apart = true;
            return;
        }
        ++d.hashesMatched;
        d.peerHashes.erase(peer);
        own = d.ownHashes.erase(own);
    }
}

// Reads the network once, waiting up to waitMs, and takes in what came.
void pump(NetplayDriver& d, int waitMs) {
    std::vector<net::Message>* delivered = nullptr;
    if (d.host) {
        net::hostStep(*d.host, waitMs);
        delivered = &d.host->delivered;
        if (d.host->playerLeft) {
            d.peerGone = d.host->playerEndText;
            d.peerGoneReason = d.host->playerEnd;
        }
    } else {
        net::clientStep(*d.client, waitMs);
        delivered = &d.client->delivered;
        if (d.client->session.phase == net::Phase::Closed) {
            d.peerGone = d.client->session.endText;
            d.peerGoneReason = d.client->session.endReason;
        }
    }
    for (const net::Message& m : *delivered) {
        std::string what;
        if (d.host && m.kind == net::Kind::Input && !seatMaySend(m.input.player, m.input.event, what)) {
            // A guest that lies about its events is let go; what it sent
            // before still plays, and the host plays on.
            net::hostLetGoPlayer(*d.host, net::Reason::Seat,
                                 "The host let you go: your game " + what + ", which only the host may do.");
            d.peerGone = d.host->playerEndText;
            d.peerGoneReason = net::Reason::Seat;
            break;
        }
        if (m.kind == net::Kind::StateHash)
            d.peerHashes[m.stateHash.atMs] = m.stateHash.hash;
        else
            net::lockstepReceive(d.lockstep, m);
    }
    delivered->clear();
    if (d.lockstep.stale)
        fail(d, net::Reason::Protocol, "An event arrived too late to be played.");
    compareHashes(d);
}

void setLocalTime(NetplayDriver& d, std::uint32_t nowMs) {
    if (d.host)
        net::hostSetLocalTime(*d.host, nowMs);
    else
        net::clientSetLocalTime(*d.client, nowMs);
}

std::uint32_t realClock(const NetplayDriver& d) {
    return d.host ? d.host->clock() : d.client->clock();
}

void advance(NetplayDriver& d, std::uint32_t nowMs, bool always) {
    if (!always && nowMs + d.lockstep.delayMs < d.lastAdvanceMs + kAdvanceStepMs)
        return;
    net::Message m;
    if (net::lockstepAdvanceLocal(d.lockstep, nowMs, m)) {
        d.lastAdvanceMs = m.advance.throughMs;
        send(d, m);
    }
}

// Paced: a pause has moved virtual time on; the game goes on once real time
// has caught up, reading the network meanwhile, so both machines play at
// the game's own speed.
void waitForRealTime(NetplayDriver& d, std::uint32_t nowMs, bool held) {
    // A watcher who came late runs through what the players already played.
    const net::Lockstep& ls = d.lockstep;
    if (ls.localPlayer >= net::kPlayers && !d.failed &&
        std::min(ls.knownThroughMs[0], ls.knownThroughMs[1]) > nowMs + kWatcherCatchUpMs) {
        d.startRealMs = realClock(d) - (nowMs - d.startVirtualMs);
        return;
    }
    std::uint32_t due = d.startRealMs + (nowMs - d.startVirtualMs);  // real ms
    const std::uint32_t since = realClock(d);
    const std::int32_t late = static_cast<std::int32_t>(since - due);
    if (held && late > 0) {
        // Waiting for the other machine put the game behind: it goes on at
        // the game's speed from here rather than rushing to catch up, so the
        // machine that started first settles in step with the other one.
        if (late > std::int32_t(kStallMs))
            ++d.stalls;
        d.startRealMs += std::uint32_t(late);
        due = since;
    }
    for (std::uint32_t now = since; static_cast<std::int32_t>(due - now) > 0; now = realClock(d))
        pump(d, static_cast<int>(due - now));
    d.pacedRealMs += realClock(d) - since;
}

}  // namespace

void startNetplay(NetplayDriver& d, std::uint8_t localPlayer, std::uint32_t delayMs, std::uint32_t startMs) {
    net::lockstepStart(d.lockstep, localPlayer, delayMs, startMs);
    d.lastAdvanceMs = startMs + delayMs;
    d.nextHashMs = startMs;
    d.startVirtualMs = startMs;
    d.startRealMs = realClock(d);
    setLocalTime(d, startMs);
    setEventSource({netplayPollEvent, &d});
    setPauseHook({netplayPauseHook, &d});
}

void stopNetplay() {
    setEventSource({});
    setPauseHook({});
}

int netplayPollEvent(void* driver, SDL_Event* event) {
    NetplayDriver& d = *static_cast<NetplayDriver*>(driver);
    const std::uint32_t now = nowMs();
    SDL_Event local;
    while (pollFrom(d.localSource, &local)) {
        net::InputEvent e;
        if (d.failed) {
            *event = local;  // the session is over: this machine plays alone
            return 1;
        }
        if (d.lockstep.localPlayer >= net::kPlayers) {
            if (local.type == SDL_QUIT) {
                *event = local;  // a watcher may always close the window
                return 1;
            }
            continue;
        }
        if (toInputEvent(local, e))
            send(d, net::lockstepLocal(d.lockstep, now, e));
    }
    net::Stamped next;
    while (!d.failed && net::lockstepNext(d.lockstep, now, next)) {
        d.played.push_back(next);
        const SDL_Event e = toSdlEvent(next.event);
        // Every machine applies an event only to what its seat may touch.
        if (seatMayUse(next.player, e, inMatch)) {
            *event = e;
            return 1;
        }
    }
    return 0;
}

void netplayPauseHook(void* driver, Uint32 nowMs) {
    NetplayDriver& d = *static_cast<NetplayDriver*>(driver);
    bool held = false;
    if (!d.failed) {
        setLocalTime(d, nowMs);
        const Match& match = currentMatch();
        const int points = match.sides[leftSide].score + match.sides[rightSide].score;
        const bool point = points != d.hashedPoints;
        if (d.stateHash && (nowMs >= d.nextHashMs || point) && d.lockstep.localPlayer < net::kPlayers) {
            d.hashedPoints = points;
            net::Message m;
            m.kind = net::Kind::StateHash;
            m.stateHash.atMs = nowMs;
            m.stateHash.hash = d.stateHash();
            d.ownHashes[nowMs] = m.stateHash.hash;
            send(d, m);
            if (nowMs >= d.nextHashMs)
                d.nextHashMs = nowMs - nowMs % kHashEveryMs + kHashEveryMs;
        }
        advance(d, nowMs, false);
        pump(d, 0);
        if (!net::lockstepReady(d.lockstep, nowMs)) {
            ++d.heldPauses;
            held = true;
            advance(d, nowMs, true);
            const std::uint32_t since = realClock(d);
            while (!d.failed && !net::lockstepReady(d.lockstep, nowMs)) {
                // What the other machine sent before it left is still played.
                if (!d.peerGone.empty())
                    fail(d, d.peerGoneReason, d.peerGone);
                pump(d, 1);
                if (realClock(d) - since > kHoldLimitMs)
                    fail(d, net::Reason::Timeout, "The other machine stopped sending for " + std::to_string(kHoldLimitMs / 1000) + " s.");
            }
            d.heldRealMs += realClock(d) - since;
        }
    }
    if (d.paced)
        waitForRealTime(d, nowMs, held);
    if (d.afterPause.call)
        d.afterPause.call(d.afterPause.context, nowMs);
}
