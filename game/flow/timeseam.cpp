#include "game/flow/timeseam.h"

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

namespace {
bool virtualMode = false;
Uint32 virtualNow = 0;     // ms
Uint64 pausedTotal = 0;    // ms
PauseHook pauseHook = nullptr;
}

Uint32 nowMs()
{
    return virtualMode ? virtualNow : SDL_GetTicks();
}

void pauseMs(Uint32 ms)
{
    pausedTotal += ms;
    if (!virtualMode) {
#ifdef __EMSCRIPTEN__
        // In the browser a pause hands the page back to the browser, which
        // then shows the frame and delivers input; even a pause of 0 does.
        emscripten_sleep(ms);
#else
        SDL_Delay(ms);
#endif
        return;
    }
    virtualNow += ms;  // wraps like the 32-bit tick counter
    if (pauseHook)
        pauseHook(virtualNow);
}

void useVirtualClock(Uint32 startMs)
{
    virtualMode = true;
    virtualNow = startMs;
    pausedTotal = 0;
}

void useRealClock()
{
    virtualMode = false;
    pausedTotal = 0;
    pauseHook = nullptr;
}

void setPauseHook(PauseHook hook) { pauseHook = hook; }

void advanceVirtualClock(Uint32 ms) { virtualNow += ms; }

Uint64 totalPausedMs() { return pausedTotal; }
