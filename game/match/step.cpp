#include "game/match/step.h"

#include "game/base/frameclock.h"
#include "game/base/state.h"
#include "game/match/computer.h"
#include "game/match/court.h"
#include "game/match/match.h"
#include "game/match/motion.h"
#include "game/match/paddle.h"

namespace {

// The ball never stands still on an axis: its dots turn by its direction.
const float ballCreep = 0.001f;  // px/s
const Sint32 sparkStepMs = 60;   // ms a spark's frame shows at least
const Sint32 sparkFrames = 8;    // frames in the strip; from 8 on a spark is idle

MatchStepper stepper;

void abortRally(Match& m, FrameHappenings& h)
{
    m.rallyEnd = rallyAborting;
    m.rallyAborted = true;
    h.aborted = true;
}

void takeEvent(Match& m, const SDL_Event& e, FrameHappenings& h)
{
    handleLeftPlayerEvent(m, e);
    if (handleRightPlayerEvent(m, e))
        ++h.volumeKeys;
    if (abortsRally(e))
        abortRally(m, h);
    if (e.type == SDL_QUIT)
        h.quit = true;
}

}  // namespace

bool abortsRally(const SDL_Event& e)
{
    return ((e.type == SDL_KEYDOWN || e.type == SDL_KEYUP) && e.key.keysym.sym == SDLK_ESCAPE) || e.type == SDL_QUIT;
}

FrameHappenings stepMatch(Match& m, const FrameInput& in)
{
    FrameHappenings h{{0, {leftSide, leftSide}}, false, 0, false, false, false, 0, false};
    if (m.hitCount != 0) {
        rallySpeedUp(m);
        m.hitCount = 0;
    }
    for (int i = 0; i < in.eventCount; ++i)
        takeEvent(m, in.events[i], h);
    Side& left = m.sides[leftSide];
    Side& right = m.sides[rightSide];
    left.vxSnapshot = left.paddle.vx;
    right.vxSnapshot = right.paddle.vx;

    if (m.gameType != gameTwoPeople)
        steerLeftComputer(m, m.ball.x, m.ball.y, left.paddle.x, left.paddle.y, m.gameType);
    if (m.gameType == gameComputerBoth)
        steerRightComputer(m, m.ball.x, m.ball.y, right.paddle.x, right.paddle.y);

    if (m.rampTrigger == rampRequested) {
        m.rampTrigger = rampIdle;
        restartRamp(m.frameClock, in.nowMs);
        h.rampRestarted = true;
    }
    updateRamp(m.frameClock, in.nowMs);

    // Mend: one time for the whole frame: both paddles and the ball move by
    // the same step, read once, where each read the clock of its own.
    const Sint32 dt = elapsedMs(m.frameClock, in.nowMs);  // ms
    movePaddle(m, leftSide, dt);
    movePaddle(m, rightSide, dt);
    h.strokes = updateBall(m, dt, left.paddle.hitRects, right.paddle.hitRects);
    for (int i = 0; i < h.strokes.count; ++i)
        m.sides[h.strokes.sides[i]].hitSpark.frame = 0;
    restart(m.frameClock, in.nowMs);

    if (m.ball.vy == 0)
        m.ball.vy = ballCreep;
    if (m.ball.vx == 0)
        m.ball.vx = ballCreep;
    h.rallyOver = m.rallyEnd != rallyRunning;
    return h;
}

void serveBall(Match& m)
{
    m.ball.x = serveX;
    m.ball.y = serveY;
}

void endRally(Match& m)
{
    m.rallyEnd = rallyRunning;
    m.ball.smashBoost = 0;
    m.sides[leftSide].hitLock = false;
    m.sides[rightSide].hitLock = false;
    setMagnitude(m.ball.vx, 100);
    setMagnitude(m.ball.vy, 100);
    rallySpeedAfterPoint(m);
}

void advanceSpark(HitSpark& spark, FrameClock& sparkClock, Uint32 nowMs)
{
    if (spark.frame >= sparkFrames)
        return;
    if (spark.frame < 0)
        spark.frame = 0;
    // Kept: one clock for both sparks, so a step of one holds the other back.
    if (elapsedMs(sparkClock, nowMs) > sparkStepMs) {
        ++spark.frame;
        restart(sparkClock, nowMs);
    }
    if (spark.frame == 0) {
        spark.frame = 1;
        restart(sparkClock, nowMs);
    }
}

void advanceSparks(Match& m, Uint32 nowMs)
{
    advanceSpark(m.sides[leftSide].hitSpark, m.sparkClock, nowMs);
    advanceSpark(m.sides[rightSide].hitSpark, m.sparkClock, nowMs);
}

void setMatchStepper(const MatchStepper& s) { stepper = s; }

const MatchStepper& matchStepper() { return stepper; }
