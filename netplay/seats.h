// Who may do what in a network game. Every event a session plays carries
// the seat of the player who made it, and every machine (and a saved
// session's replay) applies it only to what that seat may touch: the host
// drives the menu, quitting and the left paddle; the guest steers the right
// paddle and its smash during a match, and nothing else. Both machines
// apply the same rule to the same events, so lockstep stays exact whatever
// a peer's program sends.
#pragma once

#include <cstdint>
#include <string>

#include "SDL.h"
#include "net/protocol.h"

constexpr std::uint8_t kHostSeat = 0;   // the left paddle, the menu, quitting
constexpr std::uint8_t kGuestSeat = 1;  // the right paddle and its smash, in a match

// Whether the game applies this event of this seat now.
bool seatMayUse(std::uint8_t seat, const SDL_Event& e, bool inMatch);

// Whether a seat's program could ever send this event. A guest that sends
// anything else is lying about its events; `what` names the deed for the
// message it is let go with ("pressed RETURN").
bool seatMaySend(std::uint8_t seat, const net::InputEvent& e, std::string& what);

// What one of this machine's own events means in a network game.
enum class OwnEventMeaning : std::uint8_t {
    Send,   // stamp it and send it (the event may have been changed to its seat's own)
    Local,  // it stays on this machine (the music key)
    Leave,  // a guest or watcher leaves the session
    Drop,   // not this seat's to do
};

// A key held down on this machine: the key it was sent as, so that its
// release goes out as the same key even across the start or end of a match.
struct HeldKeys {
    SDLKey sentAs[SDLK_LAST] = {};  // SDLK_UNKNOWN: not held, or not sent
};

// Decides, and turns a key or a stick into the seat's own paddle's in a
// match (either key set, either stick steers one's own paddle).
OwnEventMeaning ownEventMeaning(std::uint8_t seat, bool inMatch, SDL_Event& e, HeldKeys& held);
