// What a network session is doing, as a value: for the game's own screens,
// a page, and a dialog that started the game (one line of words and numbers
// per change, never a sentence meant for a person).
#pragma once

#include <cstdint>
#include <string>

#include "net/protocol.h"

namespace net {

// Quick: through a relay, with anyone else waiting there; once paired it
// becomes Host or Join of a room.
enum class NetMode : std::uint8_t { Local, Host, Join, Watch, Quick };

enum class NetPhase : std::uint8_t {
    Opening,  // not yet listening, connected or in a room
    Pairing,  // waiting on a relay for anyone to play
    Waiting,  // for the second player (a host) or for the host's answer
    Playing,  // the games run in step (a watcher's too)
    Ended,    // this machine plays on alone, or the session never began
};

struct NetState {
    NetPhase phase = NetPhase::Opening;
    NetMode mode = NetMode::Local;  // Quick becomes Host or Join once paired
    std::string code;               // through a relay: the room's code, "K7QX-2M9P"
    std::uint16_t port = 0;         // a direct host's listening port
    std::uint16_t rttMs = 0;        // the planned round trip, ms
    std::uint16_t delayMs = 0;      // D, ms
    Reason reason = Reason::None;   // Ended: why
    bool refused = false;           // Ended: the host refused the hello
    bool greeted = false;           // Ended: the other side's hello had come
};

const char* netPhaseName(NetPhase phase);  // "opening", "pairing", "waiting", "playing", "ended"
const char* netModeName(NetMode mode);     // "local", "host", "join", "watch", "quick"

// "state playing join code=K7QX-2M9P port=0 rtt=40 delay=40 reason=0
// refused=0 greeted=1" (no newline).
std::string netStateLine(const NetState& s);
// The state in such a line; false for any other line.
bool parseNetStateLine(const std::string& line, NetState& s);

}  // namespace net
