// Lockstep: both machines run the same frames with the same inputs. Each
// player's own events take effect D ms after they happen (stamped now + D)
// on both machines; a machine lets its game run at virtual time t only once
// both players' events up to t are known, and hands them to the game in one
// order both machines agree on: by time, then player 0 before player 1,
// then as each player sent them. No SDL, no sockets: the driver carries the
// messages.
#pragma once

#include <cstdint>
#include <deque>

#include "net/protocol.h"

namespace net {

constexpr std::uint8_t kNoLocalPlayer = 0xff;  // a watcher plays no paddle

struct Stamped {
    std::uint8_t player = 0;
    std::uint32_t atMs = 0;    // virtual ms
    InputEvent event;
};

struct Lockstep {
    std::uint8_t localPlayer = 0;      // 0 host, 1 guest, kNoLocalPlayer when watching
    std::uint32_t delayMs = 0;         // D
    std::deque<Stamped> queue;         // not yet handed to the game, in the agreed order
    std::uint32_t knownThroughMs[kPlayers] = {};  // every event of the player before it is here
    std::uint32_t lastHandedMs = 0;    // the time of the last event handed to the game
    bool stale = false;                // an event arrived for a time the game had passed (a fault)
};

// Both machines start at the same virtual time; nobody's events can come
// before startMs + D, so that much is known from the start.
void lockstepStart(Lockstep& ls, std::uint8_t localPlayer, std::uint32_t delayMs, std::uint32_t startMs);
// One of the local player's events at virtual time now: kept, and the
// message to send to the other machine.
Message lockstepLocal(Lockstep& ls, std::uint32_t nowMs, const InputEvent& e);
// The same stamped for atMs, or for the time already promised when that is
// later: a player who plays ahead of the other's events (a rally) stamps
// its events for the frame that takes them.
Message lockstepLocalAt(Lockstep& ls, std::uint32_t atMs, const InputEvent& e);
// Tells the other machine that no more local events come before now + D;
// false when that was already said.
bool lockstepAdvanceLocal(Lockstep& ls, std::uint32_t nowMs, Message& out);
// The same for a time of one's own (ms): no more local events before it.
bool lockstepAdvanceThrough(Lockstep& ls, std::uint32_t throughMs, Message& out);
// The other machine's (or, for a watcher, either player's) Input or Advance.
void lockstepReceive(Lockstep& ls, const Message& m);
// Whether every event of both players at or before t is known here.
bool lockstepReady(const Lockstep& ls, std::uint32_t t);
// The next event due at or before t, once lockstepReady(t); false when none.
bool lockstepNext(Lockstep& ls, std::uint32_t t, Stamped& out);

}  // namespace net
