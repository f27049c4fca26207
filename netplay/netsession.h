// A network game as one object: it opens (a port, a room on a relay, or a
// wait for anyone there), waits for the other side, plays through the
// driver (lockstep, playing ahead in a match), and ends with a reason. Its
// state is a value (NetState) that a dialog or a page reads; the lines for
// a person go to the listener beside it. What the player sees (the logo, the panels, the caption) is
// the flow's.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "SDL.h"
#include "game/base/inputseam.h"
#include "game/base/timeseam.h"
#include "net/client.h"
#include "net/host.h"
#include "net/netstate.h"
#include "net/quickpair.h"
#include "netplay/driver.h"
#include "netplay/seats.h"

using net::NetMode;
using net::NetPhase;
using net::NetState;

// Told every change of state, with a line for a person ("" when none).
struct NetListener {
    void (*news)(void* context, const NetState& state, const std::string& text) = nullptr;
    void* context = nullptr;
};

// What the session is asked for (the program's arguments); the last two are
// for tests and tools.
struct NetOptions {
    NetMode mode = NetMode::Local;
    std::string address;     // Join, Watch: the host's name or address
    std::uint16_t port = 0;  // Host: 0 lets the system pick; Join, Watch: the host's
    std::string relay;       // a relay's URL: the game goes through a room there ("" directly)
    std::string code;        // with a relay, Join, Watch: the room's code (canonical); Host draws one unless paired
    std::uint16_t fixedDelayMs = 0;  // D whatever the round trip, ms (0: chosen from it)
    bool paced = true;               // virtual time keeps to real time
};

struct NetSession {
    NetOptions options;
    NetState state;
    NetListener listener;
    net::Host host;
    net::Client client;
    NetplayDriver driver;
    net::PlaySettings play;          // both games play by the host's
    std::uint8_t seat = kHostSeat;   // kHostSeat, kGuestSeat, or net::kNoLocalPlayer watching
    HeldKeys held;                   // this machine's keys held down, as they were sent
    EventSource own;                 // this machine's own events
    // A local key that stays on this machine (the music key), given back
    // with whether a match runs.
    void (*localKey)(void* context, const SDL_Event& e, bool inMatch) = nullptr;
    void* localKeyContext = nullptr;
    net::QuickWait quick;            // Play anyone's wait on the relay
    bool quickOpen = false;          // ... while it runs
};

// What waiting came to.
enum class NetWait : std::uint8_t { Waiting, Started, Closed };

// Opens what the options ask for, with this machine's identity and play
// settings (a host's are the game's). False when it cannot: the state is
// Ended and the listener was told why.
bool netSessionOpen(NetSession& s, const net::Identity& id, const net::PlaySettings& own);
// Play anyone: one step of waiting on the relay for a partner (waitMs real
// ms at most). Once paired the options are Host or Join of the pair's room,
// and true: open it with netSessionOpen.
bool netSessionPairStep(NetSession& s, int waitMs);
// One step of waiting for the other side (waitMs real ms at most).
NetWait netSessionWaitStep(NetSession& s, int waitMs);
// The other side has come: the game runs in step from virtual time startMs.
// The driver becomes the seams' source and hook; afterPause is called after
// each pause, after the session's own work.
void netSessionPlay(NetSession& s, std::uint64_t (*stateHash)(), const PauseHook& afterPause, std::uint32_t startMs);
// This machine stops waiting (Escape, or the window closed): the other side
// is told, and the state is Ended.
void netSessionStopWaiting(NetSession& s);
// Once playing: the driver's ending, if it has one not yet taken (its
// reason and text), and the goodbye to the other side. This machine plays
// on alone; a session whose games went apart is saved and the file named.
bool netSessionTakeEnding(NetSession& s, std::string& text);
// After the game: a goodbye if none was said, a moment for it to leave,
// and the seams as they were.
void netSessionFinish(NetSession& s);
// The lines for a person a host has gathered (who came, who left).
void netSessionHostNews(NetSession& s);

// The session so far as a replay script ("" before it plays).
std::string netSessionReplayText(const NetSession& s);
// Bytes sent to the other machines so far, framing included.
std::uint64_t netSessionBytesSent(const NetSession& s);
// Through a relay, what was dropped unheard ("" directly).
std::string netSessionRelayDrops(const NetSession& s);
