#include "netplay/driver.h"

#include <algorithm>

#include "game/base/state.h"
#include "game/base/timeseam.h"
#include "game/match/match.h"
#include "netplay/sdlinput.h"
#include "netplay/seats.h"
#include "netplay/statehash.h"

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
        if (m.kind == net::Kind::StateHash) {
            d.peerHashes[m.stateHash.atMs] = m.stateHash.hash;
            continue;
        }
        net::lockstepReceive(d.lockstep, m);
        if (m.kind == net::Kind::Input && m.input.player != d.lockstep.localPlayer)
            d.rollback.changedFromMs = std::min(d.rollback.changedFromMs, m.input.atMs);
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

// Promises the other machine no more local events before throughMs.
void advanceThrough(NetplayDriver& d, std::uint32_t throughMs, bool always) {
    if (!always && throughMs < d.lastAdvanceMs + kAdvanceStepMs)
        return;
    net::Message m;
    if (net::lockstepAdvanceThrough(d.lockstep, throughMs, m)) {
        d.lastAdvanceMs = m.advance.throughMs;
        send(d, m);
    }
}

void advance(NetplayDriver& d, std::uint32_t nowMs, bool always) {
    advanceThrough(d, nowMs + d.lockstep.delayMs, always);
}

// This machine's own events waiting now, stamped for atMs (or what was
// already promised, if later) and sent.
void sendOwnEvents(NetplayDriver& d, std::uint32_t atMs) {
    SDL_Event local;
    net::InputEvent e;
    while (pollFrom(d.localSource, &local))
        if (toInputEvent(local, e))
            send(d, net::lockstepLocalAt(d.lockstep, atMs, e));
}

// Waits, reading the network, until ready() or the session ends.
template <class Ready>
void holdUntil(NetplayDriver& d, Ready ready) {
    if (d.failed || ready())
        return;
    ++d.heldPauses;
    d.holdPending = true;
    const std::uint32_t since = realClock(d);
    while (!d.failed && !ready()) {
        // What the other machine sent before it left is still played.
        if (!d.peerGone.empty())
            fail(d, d.peerGoneReason, d.peerGone);
        pump(d, 1);
        if (realClock(d) - since > kHoldLimitMs)
            fail(d, net::Reason::Timeout, "The other machine stopped sending for " + std::to_string(kHoldLimitMs / 1000) + " s.");
    }
    d.heldRealMs += realClock(d) - since;
}

void sendHash(NetplayDriver& d, std::uint32_t atMs, std::uint64_t hash) {
    net::Message m;
    m.kind = net::Kind::StateHash;
    m.stateHash.atMs = atMs;
    m.stateHash.hash = hash;
    d.ownHashes[atMs] = hash;
    send(d, m);
}

// The events up to atMs have all been played: they join the session's replay.
// The game's event record is left as polling them would have left it (the
// menu after a match reads it again).
void handThrough(NetplayDriver& d, std::uint32_t atMs) {
    net::Lockstep& ls = d.lockstep;
    const std::vector<SDL_Event> took = frameEvents(ls, true, 0, atMs);
    if (!took.empty())
        event = took.back();
    while (!ls.queue.empty() && ls.queue.front().atMs <= atMs) {
        d.played.push_back(ls.queue.front());
        ls.queue.pop_front();
    }
    ls.lastHandedMs = atMs;
}

// A frame played ahead is certain: its events join the replay, and its
// record is hashed (every kHashEveryMs) and told to the tests as the pause
// after it would show it.
void certain(NetplayDriver& d, std::uint32_t atMs, const Match& after) {
    handThrough(d, atMs);
    const std::uint32_t pauseMs = atMs + 1;
    if (!d.failed && d.stateHash && pauseMs >= d.nextHashMs) {
        sendHash(d, pauseMs, matchStateHash(after));
        d.nextHashMs = pauseMs - pauseMs % kHashEveryMs + kHashEveryMs;
    }
    if (d.certainFrame.call)
        d.certainFrame.call(d.certainFrame.context, pauseMs, after);
}

std::uint8_t otherPlayer(const NetplayDriver& d) { return std::uint8_t(1 - d.lockstep.localPlayer); }

// The frames shown that every event up to is known: m is the record after
// the newest, as shown.
void settleCertainFrames(NetplayDriver& d, const Match& m) {
    Rollback& rb = d.rollback;
    while (!rb.frames.empty() && (d.failed || d.lockstep.knownThroughMs[otherPlayer(d)] > rb.frames.front().atMs)) {
        const Match* after = rb.frames.size() > 1 ? &rb.frames[1].before : rb.frames[0].shown ? &m : nullptr;
        if (!after)
            return;
        certain(d, rb.frames.front().atMs, *after);
        rb.frames.pop_front();
    }
    while (!rb.heard.empty() && (rb.frames.empty() || rb.heard.front().atMs + kSameHitMs < rb.frames.front().atMs))
        rb.heard.erase(rb.heard.begin());
}

// The rally ended in the newest frame kept: wait until every event up to it
// is known and step again what they change. It may end earlier, or not at
// all (out says which). An end for certain leaves the frames kept empty and
// the clock at the end's frame.
void settleRallyEnd(NetplayDriver& d, Match& m, std::uint32_t nowMs, FrameHappenings& out) {
    Rollback& rb = d.rollback;
    for (;;) {
        const std::uint32_t endMs = rb.frames.back().atMs;
        holdUntil(d, [&] { return d.lockstep.knownThroughMs[otherPlayer(d)] > endMs; });
        if (d.failed)
            break;  // this machine plays on alone, from its own end
        FrameHappenings again{};
        rollbackCorrect(rb, d.lockstep, m, otherPlayer(d), again);
        out.lateHits += again.lateHits;
        out.corrected = out.corrected || again.corrected;
        if (!again.corrected)
            break;  // the end stands
        out.rallyOver = again.rallyOver;
        out.aborted = again.aborted;
        out.quit = again.quit;
        if (!again.rallyOver)
            return;  // the ball was reached after all: the rally goes on
    }
    const std::uint32_t endMs = rb.frames.back().atMs;
    for (std::size_t k = 0; k + 1 < rb.frames.size(); ++k)
        certain(d, rb.frames[k].atMs, rb.frames[k + 1].before);
    handThrough(d, endMs);  // the end's own frame: the point follows it
    rb.frames.clear();
    rb.heard.clear();
    if (endMs != nowMs && !d.failed) {
        rewindVirtualClock(endMs);
        setLocalTime(d, endMs);
    }
    d.holdPending = true;
}

bool playsAhead(const NetplayDriver& d) {
    return !d.failed && d.lockstep.localPlayer < net::kPlayers && inMatch;
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

bool netplayAhead(const NetplayDriver& d) { return !d.rollback.frames.empty(); }

bool netplayStepFrame(void* driver, Match& m, Uint32 nowMs, FrameHappenings& out) {
    NetplayDriver& d = *static_cast<NetplayDriver*>(driver);
    Rollback& rb = d.rollback;
    for (PlayedFrame& f : rb.frames)
        f.shown = true;
    if (d.failed) {
        settleCertainFrames(d, m);  // this machine's own from here
        return false;
    }
    sendOwnEvents(d, nowMs);  // this frame takes them at once
    advanceThrough(d, nowMs + 1, true);
    pump(d, 0);
    holdUntil(d, [&] { return d.lockstep.knownThroughMs[otherPlayer(d)] + kRollbackWindowMs > nowMs; });
    out = FrameHappenings{};
    rollbackCorrect(rb, d.lockstep, m, otherPlayer(d), out);
    if (!out.rallyOver) {
        settleCertainFrames(d, m);
        FrameHappenings step = rollbackStep(rb, d.lockstep, m, nowMs);
        step.lateHits = out.lateHits;
        step.corrected = out.corrected;
        out = step;
    }
    if (out.rallyOver)
        settleRallyEnd(d, m, nowMs, out);
    return true;
}

void startNetplay(NetplayDriver& d, std::uint8_t localPlayer, std::uint32_t delayMs, std::uint32_t startMs) {
    net::lockstepStart(d.lockstep, localPlayer, delayMs, startMs);
    d.lastAdvanceMs = startMs + delayMs;
    d.nextHashMs = startMs;
    d.startVirtualMs = startMs;
    d.startRealMs = realClock(d);
    setLocalTime(d, startMs);
    setEventSource({netplayPollEvent, &d});
    setPauseHook({netplayPauseHook, &d});
    if (localPlayer < net::kPlayers)
        setMatchStepper({netplayStepFrame, &d});
}

void stopNetplay() {
    setEventSource({});
    setPauseHook({});
    setMatchStepper({});
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
    if (!d.failed) {
        setLocalTime(d, nowMs);
        const Match& match = currentMatch();
        const int points = match.sides[leftSide].score + match.sides[rightSide].score;
        const bool point = points != d.hashedPoints;
        // Only a certain record is hashed: frames played ahead are hashed as they become certain.
        if (d.stateHash && !netplayAhead(d) && (nowMs >= d.nextHashMs || point) &&
            d.lockstep.localPlayer < net::kPlayers) {
            d.hashedPoints = points;
            sendHash(d, nowMs, d.stateHash());
            if (nowMs >= d.nextHashMs)
                d.nextHashMs = nowMs - nowMs % kHashEveryMs + kHashEveryMs;
        }
        if (playsAhead(d)) {
            // Nothing waits here in a match: its frames do, when they must.
            advanceThrough(d, nowMs, false);
            pump(d, 0);
        } else {
            // A player's own events go out as they happen, not when the game
            // next polls: a release polled only as the menu drains its queue
            // would come D too late for it, and the menu would take the held
            // Escape that left the match for one that quits the game.
            if (d.lockstep.localPlayer < net::kPlayers)
                sendOwnEvents(d, nowMs + d.lockstep.delayMs);
            advance(d, nowMs, false);
            pump(d, 0);
            if (!net::lockstepReady(d.lockstep, nowMs)) {
                advance(d, nowMs, true);
                holdUntil(d, [&] { return net::lockstepReady(d.lockstep, nowMs); });
            }
        }
    }
    const bool held = d.holdPending;
    d.holdPending = false;
    if (d.paced)
        waitForRealTime(d, nowMs, held);
    if (d.afterPause.call)
        d.afterPause.call(d.afterPause.context, nowMs);
}
