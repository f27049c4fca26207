#include "game/base/frameclock.h"

#include "game/base/timeseam.h"

namespace {
const FrameClock idleClock = {0, false, 1.0f, 0};  // created, never started
}

FrameClock frameClock = idleClock;

void resetFrameClock() { frameClock = idleClock; }

FrameClock makeFrameClock()
{
    return FrameClock{0, false, 1.0f, nowMs()};
}

void restart(FrameClock& clock)
{
    clock.running = true;
    clock.startTicks = nowMs();
}

Sint32 elapsedMs(const FrameClock& clock)
{
    if (!clock.running)
        return 0;
    // Unsigned difference: stays right across a wrap of the tick counter.
    return static_cast<Sint32>(nowMs() - clock.startTicks);
}

void restartRamp(FrameClock& clock)
{
    clock.ramp = 0.0f;
    clock.rampStart = nowMs();
}

void updateRamp(FrameClock& clock)
{
    if (clock.ramp >= 1.0f) {
        clock.ramp = 1.0f;
        return;
    }
    // Shift the start forward so the moves of this frame see about t * ramp.
    Uint32 t = nowMs() - clock.startTicks;
    double shifted = static_cast<double>(t) * (1.0 - static_cast<double>(clock.ramp))
                     + clock.startTicks;
    // Through 64 bits, so a start near the counter's wrap wraps with it.
    clock.startTicks = static_cast<Uint32>(static_cast<Uint64>(shifted));
    clock.ramp = static_cast<float>((nowMs() - clock.rampStart) * 0.001);
}
