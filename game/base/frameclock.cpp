#include "game/base/frameclock.h"

#include "game/base/timeseam.h"

const FrameClock idleFrameClock = {0, false, 1.0f, 0};

FrameClock makeFrameClock(Uint32 now)
{
    return FrameClock{0, false, 1.0f, now};
}

void restart(FrameClock& clock, Uint32 now)
{
    clock.running = true;
    clock.startTicks = now;
}

Sint32 elapsedMs(const FrameClock& clock, Uint32 now)
{
    if (!clock.running)
        return 0;
    // Unsigned difference: stays right across a wrap of the tick counter.
    return static_cast<Sint32>(now - clock.startTicks);
}

void restartRamp(FrameClock& clock, Uint32 now)
{
    clock.ramp = 0.0f;
    clock.rampStart = now;
}

void updateRamp(FrameClock& clock, Uint32 now)
{
    if (clock.ramp >= 1.0f) {
        clock.ramp = 1.0f;
        return;
    }
    // Shift the start forward so the moves of this frame see about t * ramp.
    Uint32 t = now - clock.startTicks;
    double shifted = static_cast<double>(t) * (1.0 - static_cast<double>(clock.ramp))
                     + clock.startTicks;
    // Through 64 bits, so a start near the counter's wrap wraps with it.
    clock.startTicks = static_cast<Uint32>(static_cast<Uint64>(shifted));
    clock.ramp = static_cast<float>((now - clock.rampStart) * 0.001);
}

FrameClock makeFrameClock() { return makeFrameClock(nowMs()); }
void restart(FrameClock& clock) { restart(clock, nowMs()); }
Sint32 elapsedMs(const FrameClock& clock) { return elapsedMs(clock, nowMs()); }
void restartRamp(FrameClock& clock) { restartRamp(clock, nowMs()); }
void updateRamp(FrameClock& clock) { updateRamp(clock, nowMs()); }
