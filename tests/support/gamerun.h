// Runs the real game headless in virtual time, in a temporary game folder,
// feeding it scripted events at given virtual times.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "SDL.h"

// Virtual time (ms, from the default start) by which the start-up
// sequences are over and the first menu ticks have run.
constexpr Uint32 menuReadyMs = 9000;

struct ScriptedEvent {
    Uint32 atMs;      // virtual time at which the event is pushed
    SDL_Event event;
    int seat = -1;    // a network session's event: the seat that made it (0 host, 1 guest); -1: none
};

SDL_Event keyDown(SDLKey key);
SDL_Event keyUp(SDLKey key);
SDL_Event quitEvent();
SDL_Event joyAxis(Uint8 which, Uint8 axis, Sint16 value);
SDL_Event joyButton(Uint8 type, Uint8 which, Uint8 button);
SDL_Event mouseMotion(Uint16 x = 0, Uint16 y = 0);

// Press and release of a key at a moment.
void pressKey(std::vector<ScriptedEvent>& script, Uint32 atMs, SDLKey key, Uint32 holdMs = 20);

// A fresh temporary folder holding links to every data file of the build's
// game folder except those named in omit; the process's working directory
// moves into it. Returns its path.
std::string makeGameFolder(const std::vector<std::string>& omit = {});
void writeTextFile(const std::string& name, const std::string& text);
// A windowed, joystick-free, music-on settings file.
void writeDefaultSetupIni();

struct RunOptions {
    Uint32 startMs = 1000;             // virtual clock at program start
    Uint32 deadlineMs = 20 * 60 * 1000; // from then on the window is closed at every pause
    std::function<void(Uint32 nowMs)> onPause;  // called at every pause after the script
};

// Runs runGame() on the virtual clock with the script; returns its status.
int runScripted(const std::vector<ScriptedEvent>& script, const RunOptions& options = RunOptions());

// Standard output captured around a call.
struct StdoutCapture {
    StdoutCapture();
    ~StdoutCapture();
    std::string finish();  // stops capturing and returns what was written
private:
    int savedFd;
    std::string path;
    bool done;
};

// Whether anything but black was ever put on the display surface.
bool screenTouched();

// Time spent from the start of the run to now, in virtual ms.
Uint32 virtualElapsed();
