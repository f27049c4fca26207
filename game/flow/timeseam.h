// The game's only door to time: every clock read and every pause goes
// through here. Production uses SDL_GetTicks / SDL_Delay; tests and
// benchmarks switch to a virtual clock whose pauses advance time at once,
// so whole matches with all their sequences run in milliseconds.
#pragma once

#include "SDL.h"

Uint32 nowMs();              // ms since start (SDL_GetTicks or virtual)
void pauseMs(Uint32 ms);     // SDL_Delay, or advance the virtual clock

// Called after every virtual pause with the new virtual time (ms); a replay
// or a test uses it to push events at the right moment.
typedef void (*PauseHook)(Uint32 nowMs);

void useVirtualClock(Uint32 startMs);
void useRealClock();
void setPauseHook(PauseHook hook);
void advanceVirtualClock(Uint32 ms);  // moves virtual time without a pause
Uint64 totalPausedMs();               // sum of all pauses since the clock was chosen (ms)
