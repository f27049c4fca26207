#include "game/flow/matchloop.h"

#include <cstdlib>

#include "game/base/frameclock.h"
#include "game/base/inputseam.h"
#include "game/base/state.h"
#include "game/base/timeseam.h"
#include "game/flow/game.h"
#include "game/flow/redraw.h"
#include "game/match/ball.h"
#include "game/match/computer.h"
#include "game/match/court.h"
#include "game/match/motion.h"
#include "game/match/paddle.h"
#include "game/media/assets.h"
#include "game/media/image.h"
#include "game/media/media.h"
#include "game/media/scoreboard.h"
#include "game/media/sequences.h"
#include "game/media/spheredraw.h"
#include "game/media/sprites.h"
#include "settings/settings.h"

namespace {

const Uint32 minFrameMs = 5;  // at most 200 frames a second

void abortRally()
{
    rallyEnd = rallyAborting;
    rallyAborted = true;
    inMatch = false;
}

void pollInput()
{
    while (pollEvent(&event)) {
        handleLeftPlayerEvent(event);
        handleRightPlayerEvent(event);
        if ((event.type == SDL_KEYDOWN || event.type == SDL_KEYUP) && event.key.keysym.sym == SDLK_ESCAPE)
            abortRally();
        if (event.type == SDL_QUIT) {
            abortRally();
            quitRequested = true;
        }
    }
}

}  // namespace

void drawMatchFrame()
{
    restoreCourt();
    if (ball.vy == 0)
        ball.vy = 0.001f;
    if (ball.vx == 0)
        ball.vx = 0.001f;
    drawBallImage(ball);
    drawBallDots();
    drawPaddle(leftPaddle, leftSmashHeld ? 1 : 0);
    drawPaddle(rightPaddle, rightSmashHeld ? 1 : 0);
    drawScore(score1, score2);
    drawPlayerLabels();
    if (hitSpark1.frame < 8)
        draw(hitSpark1, static_cast<int>(leftPaddle.x), static_cast<int>(leftPaddle.y));
    if (hitSpark2.frame < 8)
        draw(hitSpark2, static_cast<int>(rightPaddle.x), static_cast<int>(rightPaddle.y));
}

void matchFrame()
{
    if (hitCount != 0) {
        rallySpeedUp();
        hitCount = 0;
    }
    pollInput();
    leftVxSnapshot = leftPaddle.vx;
    rightVxSnapshot = rightPaddle.vx;

    placeUpdateRects();

    if (gameType != gameTwoPeople)
        steerLeftComputer(ball.x, ball.y, leftPaddle.x, leftPaddle.y, gameType);
    if (gameType == gameComputerBoth)
        steerRightComputer(ball.x, ball.y, rightPaddle.x, rightPaddle.y);

    if (rampTrigger == rampRequested) {
        rampTrigger = rampIdle;
        restartRamp(frameClock);
    }
    updateRamp(frameClock);

    movePaddle(leftPaddle, frameClock);
    movePaddle(rightPaddle, frameClock);
    const BallStrokes strokes = updateBall(frameClock, leftPaddle.hitRects, rightPaddle.hitRects);
    for (int i = 0; i < strokes.count; ++i)
        showStroke(strokes.sides[i]);

    // A locked paddle is drawn half-transparent.
    setSurfaceAlpha(paddleImage1, leftHitLock ? 128 : 255);
    setSurfaceAlpha(paddleImage2, rightHitLock ? 128 : 255);
    restart(frameClock);

    drawMatchFrame();
    if (screen)
        SDL_UpdateRects(screen, 3, updateRects);

    if (rallyEnd != rallyRunning)
        pointHandling();
    if (score1 == settings.pointsToWin || score2 == settings.pointsToWin)
        inMatch = false;
    // Waits without presenting: see paceFrame.
    paceFrame(frameClock.startTicks, minFrameMs);
}

void pointHandling()
{
    forgetCourt();  // the sequences and the flip below show other pictures
    if (!rallyAborted) {
        playEffect(crackSound);
        playEffect(ufoSound);
        ballSequence(ballBurst);
        ballSequence(ballGather);
    }
    ball.x = serveX;
    ball.y = serveY;
    if (!rallyAborted)
        drawScene();
    rallyEnd = rallyRunning;
    ball.smashBoost = 0;
    leftHitLock = false;
    rightHitLock = false;
    setMagnitude(ball.vx, 100);
    setMagnitude(ball.vy, 100);
    rallySpeedAfterPoint();
    // A display that can no longer flip ends the game at once.
    if (SDL_Flip(screen) == -1)
        std::exit(failedRun());
    restart(frameClock);
}
