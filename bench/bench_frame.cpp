// One match frame and one fade step, each against one full-screen blit.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

#include "bench/bench_support.h"
#include "SDL_mixer.h"
#include "game/base/frameclock.h"
#include "game/base/state.h"
#include "game/base/timeseam.h"
#include "game/flow/game.h"
#include "game/flow/matchloop.h"
#include "game/match/ball.h"
#include "game/match/computer.h"
#include "game/match/match.h"
#include "game/match/paddle.h"
#include "game/match/sphere.h"
#include "game/media/assets.h"
#include "game/media/image.h"
#include "game/media/media.h"
#include "game/media/sequences.h"
#include "game/media/sprites.h"
#include "settings/settings.h"

bool benchMediaReady()
{
    static int ready = -1;
    if (ready != -1)
        return ready == 1;
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    ready = 0;
    if (chdir(VOLTARI_GAME_DIR) != 0)
        return false;
    settings.fullscreen = 0;
    settings.sound = 0;
    buildSphereDots();
    fillAtlas();
    if (!startMedia() || !loadAssets())
        return false;
    ready = 1;
    return true;
}

void benchMediaDone()
{
    if (SDL_WasInit(SDL_INIT_EVERYTHING) != 0 || Mix_QuerySpec(nullptr, nullptr, nullptr) != 0)
        shutdownMedia();
}

namespace {

// The match the game plays, which this program watches and sets up.
Match& m = currentMatch();

void startBenchMatch()
{
    useVirtualClock(1000);
    gameType = 4;
    courtMode = 2;
    m.ball.vx = 100;
    m.ball.vy = 100;
    resetMatch(m);
    stopSparks(m);
    m.frameClock = makeFrameClock();
    restart(m.frameClock);
}

// The match frame as the game plays it: matchFrame() with its own three
// rectangles, its pacing on the virtual clock and its points with their
// sequences, computer against computer. The display takes a picture at its
// own rate, assumed 60 Hz: whenever the virtual clock has passed the next
// refresh, the pending rectangles are presented as SDL's throttle would
// (SDL_Delay presents what is pending). Presents made by the sequences'
// full updates and flips happen as they do in the game.
void BM_MatchFrame(benchmark::State& state)
{
    if (!benchMediaReady()) {
        state.SkipWithError("media did not start");
        return;
    }
    const Uint32 refreshMs = 1000 / 60;
    startBenchMatch();
    inMatch = true;
    Uint32 nextRefresh = nowMs() + refreshMs;
    Uint64 refreshes = 0;
    std::chrono::steady_clock::duration refreshTime{};
    for (auto _ : state) {
        matchFrame();
        if (!inMatch) {
            resetMatch(m);
            stopSparks(m);
            inMatch = true;
        }
        if (static_cast<Sint32>(nowMs() - nextRefresh) >= 0) {
            const auto start = std::chrono::steady_clock::now();
            SDL_Delay(0);
            refreshTime += std::chrono::steady_clock::now() - start;
            nextRefresh = nowMs() + refreshMs;
            ++refreshes;
        }
    }
    state.counters["refreshes_per_frame"] = static_cast<double>(refreshes) / state.iterations();
    state.counters["refresh_ns_per_frame"] =
        std::chrono::duration<double, std::nano>(refreshTime).count() / state.iterations();
    useRealClock();
}
BENCHMARK(BM_MatchFrame);

void BM_FullScreenBlit(benchmark::State& state)
{
    if (!benchMediaReady()) {
        state.SkipWithError("media did not start");
        return;
    }
    for (auto _ : state)
        blit(0, 0, background, screen, nullptr);
}
BENCHMARK(BM_FullScreenBlit);

// What SDL_UpdateRects costs for a frame's three rectangles (both paddles'
// and the ball's, none at an edge): sdl12-compat converts them into its
// texture's format. Its presents, when due, are counted as the game gets them.
void BM_UploadThreeRectangles(benchmark::State& state)
{
    if (!benchMediaReady()) {
        state.SkipWithError("media did not start");
        return;
    }
    SDL_Rect rects[3] = {{100, 200, 120, 180}, {600, 200, 120, 180}, {380, 280, 60, 60}};
    for (auto _ : state)
        SDL_UpdateRects(screen, 3, rects);
}
BENCHMARK(BM_UploadThreeRectangles);

// One step of the start-up's second fade: the court, the logo over it at
// the step's alpha, the flip. An iteration is a whole fade of 26 steps
// with its pauses on the virtual clock.
void BM_FadeSteps(benchmark::State& state)
{
    if (!benchMediaReady()) {
        state.SkipWithError("media did not start");
        return;
    }
    useVirtualClock(1000);
    for (auto _ : state)
        fadeImage(logo, background, fadeOut, 100, 0, 0, nullptr);
    state.SetItemsProcessed(state.iterations() * fadeStepCount);
    useRealClock();
}
BENCHMARK(BM_FadeSteps);

// The headless match loop without pacing (the virtual clock makes every
// pause free): whole frames including point sequences, per real second.
void BM_MatchLoopFrames(benchmark::State& state)
{
    if (!benchMediaReady()) {
        state.SkipWithError("media did not start");
        return;
    }
    startBenchMatch();
    inMatch = true;
    for (auto _ : state) {
        matchFrame();
        if (!inMatch) {
            resetMatch(m);
            stopSparks(m);
            inMatch = true;
        }
    }
    state.SetItemsProcessed(state.iterations());
    useRealClock();
}
BENCHMARK(BM_MatchLoopFrames);

}  // namespace
