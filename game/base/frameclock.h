// Millisecond stopwatch with a one-second speed ramp ('k' key).
#pragma once

#include "SDL.h"

struct FrameClock {
    Uint32 startTicks;  // ms, tick of the last restart (shifted by updateRamp)
    bool running;       // false until the first restart: elapsedMs reads 0
    float ramp;         // speed factor 0.0 .. 1.0; 1.0 = no slowing
    Uint32 rampStart;   // ms, tick at which the current ramp began
};

FrameClock makeFrameClock();
void restart(FrameClock& clock);
Sint32 elapsedMs(const FrameClock& clock);
void restartRamp(FrameClock& clock);
void updateRamp(FrameClock& clock);

extern FrameClock frameClock;  // the match loop's clock, created at start-up
void resetFrameClock();        // frameClock as the program starts
