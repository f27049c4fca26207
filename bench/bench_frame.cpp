// One match frame (moves and drawing) against one full-screen blit.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>

#include "bench/bench_support.h"
#include "game/flow/frameclock.h"
#include "game/flow/game.h"
#include "game/flow/state.h"
#include "game/flow/timeseam.h"
#include "game/match/ball.h"
#include "game/match/computer.h"
#include "game/match/paddle.h"
#include "game/match/sphere.h"
#include "game/media/assets.h"
#include "game/media/image.h"
#include "game/media/media.h"
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

namespace {

void startBenchMatch()
{
    useVirtualClock(1000);
    gameType = 4;
    courtMode = 2;
    ball.vx = 100;
    ball.vy = 100;
    resetMatch();
    frameClock = makeFrameClock();
    restart(frameClock);
}

// Computer against computer; each iteration is a 5 ms frame of moves and
// drawing. Points only put the ball back: the sequences are not a frame.
void BM_MatchFrame(benchmark::State& state)
{
    if (!benchMediaReady()) {
        state.SkipWithError("media did not start");
        return;
    }
    startBenchMatch();
    for (auto _ : state) {
        advanceVirtualClock(5);
        leftVxSnapshot = leftPaddle.vx;
        rightVxSnapshot = rightPaddle.vx;
        steerLeftComputer(ball.x, ball.y, leftPaddle.x, leftPaddle.y, gameType);
        steerRightComputer(ball.x, ball.y, rightPaddle.x, rightPaddle.y);
        updateRamp(frameClock);
        movePaddle(leftPaddle, frameClock);
        movePaddle(rightPaddle, frameClock);
        updateBall(frameClock, leftPaddle.hitRects, rightPaddle.hitRects);
        restart(frameClock);
        drawMatchFrame();
        SDL_UpdateRects(screen, 3, updateRects);
        if (rallyEnd != 0) {
            rallyEnd = 0;
            ball.x = 390;
            ball.y = 290;
            rallySpeedAfterPoint();
        }
        if (hitCount != 0) {
            rallySpeedUp();
            hitCount = 0;
        }
    }
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
            resetMatch();
            inMatch = true;
        }
    }
    state.SetItemsProcessed(state.iterations());
    useRealClock();
}
BENCHMARK(BM_MatchLoopFrames);

}  // namespace
