#include "game/base/timeseam.h"

#include <chrono>
#include <thread>
#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

namespace {
bool virtualMode = false;
Uint32 virtualNow = 0;     // ms
Uint64 pausedTotal = 0;    // ms
Uint64 pacingCalls = 0;
PauseHook pauseHook;

void virtualPause(Uint32 ms)
{
    pausedTotal += ms;
    virtualNow += ms;  // wraps like the 32-bit tick counter
    if (pauseHook.call)
        pauseHook.call(pauseHook.context, virtualNow);
}

// ms still to wait before the frame has lasted minFrameMs; the difference
// is unsigned so a wrap of the tick counter does not matter.
Sint32 frameMsLeft(Uint32 frameStartMs, Uint32 minFrameMs)
{
    return static_cast<Sint32>(minFrameMs) - static_cast<Sint32>(nowMs() - frameStartMs);
}
}  // namespace

Uint32 nowMs()
{
    return virtualMode ? virtualNow : SDL_GetTicks();
}

Uint32 realNowMs()
{
    return SDL_GetTicks();
}

void realPauseMs(Uint32 ms)
{
#ifdef __EMSCRIPTEN__
    emscripten_sleep(ms);
#else
    SDL_Delay(ms);
#endif
}

void pauseMs(Uint32 ms)
{
    if (!virtualMode) {
        pausedTotal += ms;
#ifdef __EMSCRIPTEN__
        // In the browser a pause hands the page back to the browser, which
        // then shows the frame and delivers input; even a pause of 0 does.
        emscripten_sleep(ms);
#else
        SDL_Delay(ms);
#endif
        return;
    }
    virtualPause(ms);
}

void paceFrame(Uint32 frameStartMs, Uint32 minFrameMs)
{
    ++pacingCalls;
    if (virtualMode) {
        while (frameMsLeft(frameStartMs, minFrameMs) > 0)
            virtualPause(1);
        return;
    }
#ifdef __EMSCRIPTEN__
    // In the browser every frame hands the page back, a late one too (a
    // sleep of 0), so a slow machine never freezes the tab.
    const Sint32 left = frameMsLeft(frameStartMs, minFrameMs);
    const Uint32 wait = left > 0 ? static_cast<Uint32>(left) : 0;
    pausedTotal += wait;
    emscripten_sleep(wait);
    return;
#endif
    // Mend: the frame waits through the OS, not SDL_Delay. SDL_Delay would
    // present the pending rectangles, which pushed the whole window to the
    // display about 200 times a second; left pending, they are presented
    // by the next frame's event poll once the display is due a picture.
    for (Sint32 left; (left = frameMsLeft(frameStartMs, minFrameMs)) > 0;) {
        pausedTotal += static_cast<Uint32>(left);
        std::this_thread::sleep_for(std::chrono::milliseconds(left));
    }
}

void useVirtualClock(Uint32 startMs)
{
    virtualMode = true;
    virtualNow = startMs;
    pausedTotal = 0;
    pacingCalls = 0;
}

void useRealClock()
{
    virtualMode = false;
    pausedTotal = 0;
    pacingCalls = 0;
    pauseHook = PauseHook();
}

void setPauseHook(const PauseHook& hook) { pauseHook = hook; }

void advanceVirtualClock(Uint32 ms) { virtualNow += ms; }

void rewindVirtualClock(Uint32 toMs) { virtualNow = toMs; }

Uint64 totalPausedMs() { return pausedTotal; }

Uint64 framePacingCalls() { return pacingCalls; }
