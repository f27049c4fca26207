// The game's only door to time: every clock read and every pause goes
// through here. Production uses SDL_GetTicks and SDL_Delay; tests and
// benchmarks switch to a virtual clock whose pauses advance time at once,
// so whole matches with all their sequences run in milliseconds.
//
// Two kinds of pause:
// - pauseMs is a pause that shows something (a fade step, a sequence step,
//   a menu tick, a closing grey). SDL_Delay presents any screen update
//   still pending before it sleeps, and these pauses rely on that.
// - paceFrame is the match frame's wait. It must not present: the frame's
//   rectangles reach the display through SDL's own throttle, at the
//   display's rate, instead of the whole window once per frame.
#pragma once

#include "SDL.h"

Uint32 nowMs();              // ms since start (SDL_GetTicks or virtual)
void pauseMs(Uint32 ms);     // SDL_Delay, or advance the virtual clock

// Ends a match frame: waits until at least minFrameMs have passed since
// frameStartMs (both ms on nowMs's clock), without presenting the screen.
// Called exactly once per frame, also when the frame is already late, so a
// host that needs control back once a frame (a browser's main loop) has
// one place to take it. On the virtual clock it advances in 1 ms pauses,
// each followed by the pause hook, as the frame has always waited.
void paceFrame(Uint32 frameStartMs, Uint32 minFrameMs);

// The wall clock and a wall-clock pause whichever clock the game runs on:
// for a network game, whose virtual clock keeps pace with real time and
// whose messages come in real time. The pause presents what is pending and,
// in the browser, hands the page back so that messages can arrive.
Uint32 realNowMs();
void realPauseMs(Uint32 ms);

// Called after every virtual pause with the new virtual time (ms); a replay
// or a test uses it to push events at the right moment.
// call may be null (no hook); context is handed back as it is.
struct PauseHook {
    void (*call)(void* context, Uint32 nowMs) = nullptr;
    void* context = nullptr;
};

void useVirtualClock(Uint32 startMs);
void useRealClock();
void setPauseHook(const PauseHook& hook);
void advanceVirtualClock(Uint32 ms);  // moves virtual time without a pause
// Sets virtual time back to an earlier moment (ms), without a pause: a
// network game whose rally turns out to have ended in a frame already
// shown goes on from that frame's time, as the other machine does.
void rewindVirtualClock(Uint32 toMs);
Uint64 totalPausedMs();               // sum of all pauses since the clock was chosen (ms)
Uint64 framePacingCalls();            // paceFrame calls since the clock was chosen
