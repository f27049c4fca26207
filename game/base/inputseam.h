// The game's only door to input: every event the game takes comes through
// pollEvent, which fills the record exactly as SDL_PollEvent does. The game
// uses SDL_PollEvent; replays, tests, the fuzzer and the network game plug
// in a source of their own, so that on the virtual clock the whole game is
// a function of timed events.
#pragma once

#include "SDL.h"

// 1 and the next event in *event, or 0 and *event untouched when none waits.
typedef int (*EventSource)(SDL_Event* event);

int pollEvent(SDL_Event* event);
// Null puts SDL_PollEvent back.
void setEventSource(EventSource source);
