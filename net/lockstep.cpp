#include "net/lockstep.h"

namespace net {

namespace {

// Before b in the agreed order; equal keys keep their arrival order.
bool before(const Stamped& a, const Stamped& b) {
    if (a.atMs != b.atMs)
        return a.atMs < b.atMs;
    return a.player < b.player;
}

void insert(Lockstep& ls, const Stamped& s) {
    if (s.atMs < ls.lastHandedMs)
        ls.stale = true;  // cannot be put right: the game has moved on
    auto at = ls.queue.end();
    while (at != ls.queue.begin() && before(s, *(at - 1)))
        --at;
    ls.queue.insert(at, s);
}

}  // namespace

void lockstepStart(Lockstep& ls, std::uint8_t localPlayer, std::uint32_t delayMs, std::uint32_t startMs) {
    ls = Lockstep();
    ls.localPlayer = localPlayer;
    ls.delayMs = delayMs;
    for (std::uint32_t& k : ls.knownThroughMs)
        k = startMs + delayMs;
    ls.lastHandedMs = startMs;
}

Message lockstepLocal(Lockstep& ls, std::uint32_t nowMs, const InputEvent& e) {
    return lockstepLocalAt(ls, nowMs + ls.delayMs, e);
}

Message lockstepLocalAt(Lockstep& ls, std::uint32_t atMs, const InputEvent& e) {
    Stamped s;
    s.player = ls.localPlayer;
    // Never before what was promised: the other machine may have played it.
    const std::uint32_t promised = ls.localPlayer < kPlayers ? ls.knownThroughMs[ls.localPlayer] : 0;
    s.atMs = atMs > promised ? atMs : promised;
    s.event = e;
    insert(ls, s);
    return inputMessage(s.player, s.atMs, e);
}

bool lockstepAdvanceLocal(Lockstep& ls, std::uint32_t nowMs, Message& out) {
    return lockstepAdvanceThrough(ls, nowMs + ls.delayMs, out);
}

bool lockstepAdvanceThrough(Lockstep& ls, std::uint32_t through, Message& out) {
    if (ls.localPlayer >= kPlayers)
        return false;
    if (through <= ls.knownThroughMs[ls.localPlayer])
        return false;
    ls.knownThroughMs[ls.localPlayer] = through;
    out = Message();
    out.kind = Kind::Advance;
    out.advance.player = ls.localPlayer;
    out.advance.throughMs = through;
    return true;
}

void lockstepReceive(Lockstep& ls, const Message& m) {
    if (m.kind == Kind::Input && m.input.player != ls.localPlayer) {
        Stamped s;
        s.player = m.input.player;
        s.atMs = m.input.atMs;
        s.event = m.input.event;
        insert(ls, s);
    } else if (m.kind == Kind::Advance && m.advance.player != ls.localPlayer) {
        std::uint32_t& k = ls.knownThroughMs[m.advance.player];
        if (m.advance.throughMs > k)
            k = m.advance.throughMs;
    }
}

bool lockstepReady(const Lockstep& ls, std::uint32_t t) {
    for (std::uint32_t k : ls.knownThroughMs)
        if (k <= t)
            return false;
    return true;
}

bool lockstepNext(Lockstep& ls, std::uint32_t t, Stamped& out) {
    if (ls.queue.empty() || ls.queue.front().atMs > t || !lockstepReady(ls, ls.queue.front().atMs))
        return false;
    out = ls.queue.front();
    ls.queue.pop_front();
    ls.lastHandedMs = out.atMs;
    return true;
}

}  // namespace net
