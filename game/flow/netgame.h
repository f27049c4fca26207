// A game with a friend on another machine: the program's arguments and the
// session around runGame. With no arguments nothing here runs and the game
// is the local game, unchanged.
//
// Once the window is open, the host waits for its second player (or the
// guest connects), both agree on the input delay and the host's play
// settings, and from then on both games run in lockstep on a virtual clock
// paced to real time (netplay/). What happens is said in the window's
// caption and, one line each, on standard error ("voltari: ..."); a page or
// a dialog may listen instead (setNetStatusListener).
#pragma once

#include <cstdint>
#include <string>

#include "game/base/inputseam.h"
#include "game/base/timeseam.h"
#include "netplay/driver.h"
#include "netplay/netsession.h"

// The session's options, and the hooks the game's tests and tools give it
// (a player's game leaves them as they are).
struct NetGameOptions : NetOptions {
    EventSource ownEvents;           // this machine's own events (none given: SDL's queue)
    PauseHook afterPause;            // called after every pause, after the session's own work
    CertainFrameHook certainFrame;   // told every match frame once it is certain
};

// Reads the program's arguments: none, "--host [PORT]", "--join HOST[:PORT]"
// or "--watch HOST[:PORT]"; through a relay "--relay URL --host", "--relay
// URL --join CODE", "--relay URL --watch CODE" or "--relay URL --quick"
// (play anyone waiting there). False, with a line for the player, otherwise.
bool parseNetArgs(int argc, char** argv, NetGameOptions& options, std::string& error);

// The next runGame plays the session these options ask for (Local: none).
void askForNetGame(const NetGameOptions& options);

// Called by runGame once the window is open and the assets are loaded:
// sets the session up and waits for it to start. -1: play on (locally, or
// in the session); otherwise the program ends with this status (0 when the
// player stopped waiting, 1 when no session came about; the reason was said).
int startNetGame();
// Before the closing sequence of a game that quits: on a guest or a
// watcher the host's quit ended the game, which is said and shown.
void netGameClosing();
// After it, while the display is still up: the session's pictures go.
void netGameClosed();
// After runGame: a goodbye to the other machines, given a moment to leave;
// the clock and the seams go back to how they were.
void endNetGame();

// The running session's driver (figures, the events played), or null.
const NetplayDriver* netGameDriver();
// The session's state, or null when none was asked for.
const NetState* netGameState();
// The session so far as a replay script (empty when none runs); a session
// whose games went apart is saved so by itself.
std::string netGameReplayText();
// The ending's panel on the screen now (a NetNotice), -1 when none.
int netGameNotice();
// Through a relay, what this machine dropped unheard: "relay drops: 3 bad
// tag, 1 bad size, 0 bad form, 40 replayed, 2 early, 5 strangers"; "" otherwise.
std::string netGameRelayDrops();
// Bytes sent to the other machines so far, framing included.
std::uint64_t netGameBytesSent();

// What the session is doing: its state as a value, and a line for a person
// ("Waiting for a player on port 24642", "Playing: round trip 40 ms, input
// delay 40 ms", the reason a session ended; "" when the state alone changed).
// The default listener sets the window caption, writes the line to standard
// error and, when VOLTARI_STATE_FD names an open descriptor (a dialog's
// pipe), the state as a line (net::netStateLine) to it.
typedef void (*NetStatusListener)(const NetState& state, const std::string& text);
void setNetStatusListener(NetStatusListener listener);
// Told a room's code ("K7QX-2M9P") once this machine has opened it through
// a relay, before anyone joins: a page shows it with a link that joins it.
typedef void (*RoomOpenedListener)(const std::string& code);
void setRoomOpenedListener(RoomOpenedListener listener);
