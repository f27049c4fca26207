// Golden replays: a small text script of (virtual time, event) lines played
// through the real main loop, and a record of the game's state at chosen
// moments that is compared with a checked-in expected file.
//
// Script lines ('#' starts a comment):
//   setup joy0                 one line of the run's "setup.ini" (default file if none)
//   snapshot 30000             record the state at the first pause at or after 30000 ms
//   snapshot end               record the state at every match end (won or aborted)
//   deadline 600000            from then on the window is closed at every pause
//   9000 down RETURN           key press (SDL key name without SDLK_: RETURN, UP, F1, a, ...)
//   9020 up RETURN             key release
//   9000 press RETURN [20]     press, and release after the hold (ms, default 20)
//   12000 quit                 the window's close request
//   13000 axis 0 1 -8000       joystick 0, axis 1, value
//   13000 buttondown 0 0       joystick 0, button 0 (buttonup likewise)
//   13000 hat 0 0 1            joystick 0, hat 0, SDL_HAT_* value
//   13000 motion               a mouse movement
//   13000 seat 1 down UP       an event of a network session's seat (0 host, 1 guest):
//                              applied only where that seat may touch, as in the session
//   repeat 12000 90000 900 press UP 300
//                              the event at 12000, 12900, ... below 90000
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "SDL.h"
#include "support/gamerun.h"

struct ReplayScript {
    std::vector<std::string> setupLines;   // lines of setup.ini; empty: the default file
    std::vector<ScriptedEvent> events;     // ascending virtual time (ms)
    std::vector<Uint32> snapshotTimes;     // virtual ms, ascending
    bool snapshotAtEnds = false;           // record each match end
    Uint32 deadlineMs = 20 * 60 * 1000;    // virtual ms
};

// Ordered (key, value) fields; keys carry their section, e.g. "[end 1] score1".
typedef std::vector<std::pair<std::string, std::string>> ReplayRecord;

// SDL key from its name without the SDLK_ prefix (or key<number>); SDLK_UNKNOWN if none.
SDLKey replayKey(const std::string& name);

// False with a message naming the line when the text is not a valid script.
bool parseReplay(const std::string& text, ReplayScript& out, std::string& error);

// Runs the script through the game in this process, in a fresh game folder.
// Runs may follow one another: the game resets its globals at every start.
ReplayRecord runReplay(const ReplayScript& script);

// Called after every snapshot with its section name ("at 40000", "end 1"),
// while the screen still shows that moment; null for none.
typedef void (*SnapshotObserver)(const std::string& section);
void setSnapshotObserver(SnapshotObserver observer);

// FNV-1a over the colour bits of every pixel of a surface, row by row.
Uint32 surfaceHash(SDL_Surface* s);

// The expected-file text of a record and back.
std::string formatRecord(const ReplayRecord& record, const std::string& title);
bool parseRecord(const std::string& text, ReplayRecord& out, std::string& error);

// One line per field that differs, is missing or is extra; empty when equal.
std::string diffRecords(const ReplayRecord& expected, const ReplayRecord& actual);
