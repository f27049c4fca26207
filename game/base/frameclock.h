// Millisecond stopwatch with a one-second speed ramp ('k' key).
#pragma once

#include "SDL.h"

struct FrameClock {
    Uint32 startTicks;  // ms, tick of the last restart (shifted by updateRamp)
    bool running;       // false until the first restart: elapsedMs reads 0
    float ramp;         // speed factor 0.0 .. 1.0; 1.0 = no slowing
    Uint32 rampStart;   // ms, tick at which the current ramp began
};

// Each takes the time (ms on nowMs's clock) as a value, so a match step
// reads no clock of its own; the short forms read nowMs() once.
FrameClock makeFrameClock(Uint32 now);
void restart(FrameClock& clock, Uint32 now);
Sint32 elapsedMs(const FrameClock& clock, Uint32 now);
void restartRamp(FrameClock& clock, Uint32 now);
void updateRamp(FrameClock& clock, Uint32 now);

FrameClock makeFrameClock();
void restart(FrameClock& clock);
Sint32 elapsedMs(const FrameClock& clock);
void restartRamp(FrameClock& clock);
void updateRamp(FrameClock& clock);

extern const FrameClock idleFrameClock;  // created, never started: the match's clock as the program starts
