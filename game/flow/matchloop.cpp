#include "game/flow/matchloop.h"

#include <cstdlib>
#include <utility>
#include <vector>

#include "SDL_mixer.h"
#include "game/base/frameclock.h"
#include "game/base/inputseam.h"
#include "game/base/state.h"
#include "game/base/timeseam.h"
#include "game/flow/game.h"
#include "game/flow/redraw.h"
#include "game/match/match.h"
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

MatchStepWatcher stepWatcher;  // tests only

// This frame's events, each through the game's one event record. The
// match is left and the quit noted as soon as their event comes, as the
// event source may judge the next events by it.
std::vector<SDL_Event> pollFrameEvents()
{
    std::vector<SDL_Event> events;
    while (pollEvent(&event)) {
        events.push_back(event);
        if (abortsRally(event))
            inMatch = false;
        if (event.type == SDL_QUIT)
            quitRequested = true;
    }
    return events;
}

}  // namespace

void setMatchStepWatcher(MatchStepWatcher watcher) { stepWatcher = std::move(watcher); }

void stepMatchVolume()
{
    musicVolume -= 10;  // Kept: steps of 10 here, of 25 in the menu
    if (musicVolume < -1)
        musicVolume = 20;
    Mix_VolumeMusic(musicVolume);
}

void showHappenings(Match& m, const FrameHappenings& h)
{
    for (int i = 0; i < h.volumeKeys; ++i)
        stepMatchVolume();
    for (int i = 0; i < h.strokes.count + h.lateHits; ++i)
        playHitSound();
    // A locked paddle is drawn half-transparent.
    setSurfaceAlpha(paddleImage1, m.sides[leftSide].hitLock ? 128 : 255);
    setSurfaceAlpha(paddleImage2, m.sides[rightSide].hitLock ? 128 : 255);
}

void drawMatchFrame(Match& m)
{
    const Side& left = m.sides[leftSide];
    const Side& right = m.sides[rightSide];
    restoreCourt(m);
    drawBallImage(m.ball);
    drawBallDots(m.ball);
    drawPaddle(left.paddle, leftSide, left.smashHeld ? 1 : 0);
    drawPaddle(right.paddle, rightSide, right.smashHeld ? 1 : 0);
    drawScore(left.score, right.score);
    drawPlayerLabels();
    drawSpark(m, leftSide);
    drawSpark(m, rightSide);
}

void matchFrame()
{
    Match& m = currentMatch();
    // The boxes pushed to the display hold the movers where they start.
    placeUpdateRects(m);
    FrameHappenings h;
    const MatchStepper& stepper = matchStepper();
    if (stepper.step && inMatch && stepper.step(stepper.context, m, nowMs(), h)) {
        if (h.aborted)
            inMatch = false;
        if (h.quit)
            quitRequested = true;
    } else {
        const std::vector<SDL_Event> events = pollFrameEvents();
        const FrameInput in{events.data(), static_cast<int>(events.size()), nowMs()};
        const Match before = stepWatcher ? m : Match{};
        h = stepMatch(m, in);
        if (stepWatcher)
            stepWatcher(before, in, h, m);
    }

    showHappenings(m, h);
    drawMatchFrame(m);
    // After a correction a mover may have jumped out of its box.
    if (screen && h.corrected)
        SDL_UpdateRect(screen, 0, 0, 0, 0);
    else if (screen)
        SDL_UpdateRects(screen, 3, updateRects);

    if (h.rallyOver)
        pointHandling(m);
    if (m.sides[leftSide].score == settings.pointsToWin || m.sides[rightSide].score == settings.pointsToWin)
        inMatch = false;
    // Waits without presenting: see paceFrame.
    paceFrame(m.frameClock.startTicks, minFrameMs);
}

void pointHandling(Match& m)
{
    forgetCourt();  // the sequences and the flip below show other pictures
    if (!m.rallyAborted) {
        playEffect(crackSound);
        playEffect(ufoSound);
        ballSequence(m, ballBurst);
        ballSequence(m, ballGather);
    }
    serveBall(m);
    if (!m.rallyAborted)
        drawScene(m);
    endRally(m);
    // A display that can no longer flip ends the game at once.
    if (SDL_Flip(screen) == -1)
        std::exit(failedRun());
    restart(m.frameClock, nowMs());
}
