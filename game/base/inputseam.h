// The game's only door to input: every event the game takes comes through
// pollEvent, which fills the record exactly as SDL_PollEvent does. The game
// uses SDL_PollEvent; replays, tests, the fuzzer and the network game plug
// in a source of their own, so that on the virtual clock the whole game is
// a function of timed events.
#pragma once

#include "SDL.h"

// A source of events and the state it keeps (context, handed back as it is).
// poll: 1 and the next event in *event, or 0 and *event untouched when none
// waits. A source without poll is SDL's own queue.
struct EventSource {
    int (*poll)(void* context, SDL_Event* event) = nullptr;
    void* context = nullptr;
};

int pollEvent(SDL_Event* event);
// The given source's next event (SDL_PollEvent for one without poll).
int pollFrom(const EventSource& source, SDL_Event* event);
// A source without poll puts SDL_PollEvent back.
void setEventSource(const EventSource& source);
