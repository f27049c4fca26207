// Whole matches through the real main loop in virtual time.
#include <gtest/gtest.h>

#include "SDL_mixer.h"
#include "game/base/state.h"
#include "game/base/timeseam.h"
#include "game/match/ball.h"
#include "game/match/match.h"
#include "game/match/paddle.h"
#include "game/media/media.h"
#include "settings/settings.h"
#include "support/gamerun.h"

namespace {

// The match the game plays: what these cases set up and look at.
Match& m = currentMatch();

// Reacts to the game's phases instead of fixed times: once a match is over
// and the menu is back, quits with Escape.
struct Watch {
    bool matchSeen = false;
    bool matchOver = false;
    bool quitSent = false;
    Uint32 overAt = 0;
    Sint32 finalScore1 = -1;
    Sint32 finalScore2 = -1;
    int pointsSeen = 0;
    Sint32 lastTotal = 0;
    Sint32 maxRallySpeed = 0;
    Uint32 lastPause = 0;
    bool bannerChecked = false;
    double bannerMatch = -1;  // share of banner pixels found on screen
};

SDL_Surface* bannerSource = nullptr;

double bannerShareOnScreen()
{
    SDL_Surface* s = SDL_GetVideoSurface();
    if (!bannerSource || !s)
        return -1;
    SDL_Surface* src = SDL_ConvertSurface(bannerSource, s->format, SDL_SWSURFACE);
    int opaque = 0;
    int same = 0;
    SDL_LockSurface(s);
    for (int y = 0; y < 80; ++y) {
        for (int x = 0; x < 300; ++x) {
            Uint32 p = reinterpret_cast<Uint32*>(static_cast<Uint8*>(src->pixels) + (53 + y) * src->pitch)[1 + x];
            Uint8 r, g, b;
            SDL_GetRGB(p, src->format, &r, &g, &b);
            if (r == 0 && g == 255 && b == 255)
                continue;
            ++opaque;
            Uint32 q = reinterpret_cast<Uint32*>(static_cast<Uint8*>(s->pixels) + (250 + y) * s->pitch)[250 + x];
            same += (q & 0xFFFFFF) == (p & 0xFFFFFF);
        }
    }
    SDL_UnlockSurface(s);
    SDL_FreeSurface(src);
    return opaque ? static_cast<double>(same) / opaque : -1;
}

void watchMatch(Watch& watch, Uint32 now)
{
    Uint32 step = now - watch.lastPause;
    watch.lastPause = now;
    if (inMatch) {
        watch.matchSeen = true;
        if (m.sides[leftSide].score + m.sides[rightSide].score != watch.lastTotal) {
            watch.lastTotal = m.sides[leftSide].score + m.sides[rightSide].score;
            ++watch.pointsSeen;
        }
        if (m.rallySpeed > watch.maxRallySpeed)
            watch.maxRallySpeed = m.rallySpeed;
    }
    if (watch.matchSeen && !inMatch && !watch.matchOver) {
        watch.matchOver = true;
        watch.overAt = now;
        watch.finalScore1 = m.sides[leftSide].score;
        watch.finalScore2 = m.sides[rightSide].score;
    }
    // The banner's fade ends with a frame at full strength; the background
    // fade of the menu follows with 10 ms steps.
    if (watch.matchOver && !watch.bannerChecked && step == 10) {
        watch.bannerChecked = true;
        watch.bannerMatch = bannerShareOnScreen();
    }
    if (watch.matchOver && !watch.quitSent && now > watch.overAt + 8000) {
        watch.quitSent = true;
        SDL_Event down = keyDown(SDLK_ESCAPE);
        SDL_Event up = keyUp(SDLK_ESCAPE);
        SDL_PushEvent(&down);
        SDL_PushEvent(&up);
    }
}

int playWatched(Watch& watch, const std::vector<ScriptedEvent>& script, Uint32 deadline = 40 * 60 * 1000)
{
    bannerSource = SDL_LoadBMP("sheet.gfx");
    RunOptions options;
    options.onPause = [&watch](Uint32 now) { watchMatch(watch, now); };
    options.deadlineMs = deadline;
    int status = runScripted(script, options);
    return status;
}

std::vector<ScriptedEvent> chooseComputerVsComputer(int court)
{
    std::vector<ScriptedEvent> script;
    for (int i = 0; i < 4; ++i)
        pressKey(script, menuReadyMs + i * 400, SDLK_DOWN);
    if (court == 2)
        pressKey(script, menuReadyMs + 1800, SDLK_RIGHT);
    pressKey(script, menuReadyMs + 2600, court == 3 ? SDLK_F2 : SDLK_RETURN);
    return script;
}

class ComputerMatch : public ::testing::TestWithParam<int> {};

TEST_P(ComputerMatch, PlaysToTheEndAndShowsTheBanner)
{
    makeGameFolder();
    writeDefaultSetupIni();
    Watch watch;
    int status = playWatched(watch, chooseComputerVsComputer(GetParam()));
    EXPECT_EQ(status, 0);
    ASSERT_TRUE(watch.matchOver);
    EXPECT_TRUE(watch.finalScore1 == 10 || watch.finalScore2 == 10)
        << watch.finalScore1 << ":" << watch.finalScore2;
    EXPECT_GE(watch.pointsSeen, 10);
    EXPECT_GT(watch.maxRallySpeed, 300);
    EXPECT_GT(watch.bannerMatch, 0.95);
}

INSTANTIATE_TEST_SUITE_P(EveryCourt, ComputerMatch, ::testing::Values(1, 2, 3));

// A person who never moves against the level-5 computer.
TEST(FlowMatch, LevelFiveBeatsAnIdlePersonToTen)
{
    makeGameFolder();
    writeDefaultSetupIni();
    std::vector<ScriptedEvent> script;
    pressKey(script, menuReadyMs, SDLK_F1);
    Watch watch;
    EXPECT_EQ(playWatched(watch, script), 0);
    ASSERT_TRUE(watch.matchOver);
    EXPECT_EQ(std::max(watch.finalScore1, watch.finalScore2), 10);
}

// The right player rocks the paddle up and down; with "littlepoints" the
// match ends at 7.
TEST(FlowMatch, LittlePointsEndAtSeven)
{
    makeGameFolder();
    writeTextFile("setup.ini", "joy0\nfullscreen0\nsound0\nlittlepoints\n");
    std::vector<ScriptedEvent> script;
    pressKey(script, menuReadyMs, SDLK_F1);
    for (Uint32 t = menuReadyMs + 3000; t < menuReadyMs + 200000; t += 900)
        pressKey(script, t, (t / 900) % 2 ? SDLK_UP : SDLK_DOWN, 300);
    Watch watch;
    EXPECT_EQ(playWatched(watch, script), 0);
    ASSERT_TRUE(watch.matchOver);
    EXPECT_EQ(std::max(watch.finalScore1, watch.finalScore2), 7);
    EXPECT_LT(std::min(watch.finalScore1, watch.finalScore2), 7);
}

TEST(FlowMatch, EscapeAbortsWithoutPointSoundsSequencesOrBanner)
{
    makeGameFolder();
    writeTextFile("setup.ini", "joy0\nfullscreen0\nsound0\n");
    std::vector<ScriptedEvent> script;
    pressKey(script, menuReadyMs, SDLK_RETURN);
    pressKey(script, menuReadyMs + 4000, SDLK_ESCAPE);
    Uint32 abortSeenAt = 0;
    int playingAfterAbort = -1;
    Watch watch;
    bannerSource = SDL_LoadBMP("sheet.gfx");
    RunOptions options;
    options.onPause = [&](Uint32 now) {
        watchMatch(watch, now);
        if (m.rallyAborted && abortSeenAt == 0) {
            abortSeenAt = now;
            playingAfterAbort = Mix_Playing(-1);
        }
    };
    EXPECT_EQ(runScripted(script, options), 0);
    ASSERT_TRUE(watch.matchOver);
    EXPECT_EQ(watch.finalScore1 + watch.finalScore2, 0);
    EXPECT_EQ(playingAfterAbort, 0);
    // The first pause after the abort belongs to the menu's 10 ms fade: no
    // burst or gather of 30 ms steps ran.
    EXPECT_LT(abortSeenAt - (menuReadyMs + 4000), 60u);
    EXPECT_TRUE(watch.bannerChecked);
    EXPECT_LT(watch.bannerMatch, 0.5);
    EXPECT_FLOAT_EQ(m.ball.x, 390.0f);
    EXPECT_FLOAT_EQ(m.ball.y, 290.0f);
}

TEST(FlowMatch, WindowCloseDuringRallyAbortsAndQuits)
{
    makeGameFolder();
    writeDefaultSetupIni();
    std::vector<ScriptedEvent> script;
    pressKey(script, menuReadyMs, SDLK_RETURN);
    script.push_back({menuReadyMs + 5000, quitEvent()});
    EXPECT_EQ(runScripted(script), 0);
    EXPECT_TRUE(quitRequested);
    EXPECT_TRUE(m.rallyAborted);
    EXPECT_EQ(m.sides[leftSide].score + m.sides[rightSide].score, 0);
}

TEST(FlowMatch, MouseMotionNeverEndsTheMatch)
{
    makeGameFolder();
    writeDefaultSetupIni();
    std::vector<ScriptedEvent> script;
    pressKey(script, menuReadyMs, SDLK_RETURN);
    const SDL_Event motion = mouseMotion();
    for (Uint32 t = menuReadyMs + 3000; t < menuReadyMs + 4000; t += 50)
        script.push_back({t, motion});
    static bool stillInMatch = false;
    static bool sampled = false;
    RunOptions options;
    options.onPause = [](Uint32 now) {
        if (now >= menuReadyMs + 4100 && !sampled) {
            sampled = true;
            stillInMatch = inMatch;
        }
    };
    options.deadlineMs = menuReadyMs + 4500;
    EXPECT_EQ(runScripted(script, options), 0);
    EXPECT_TRUE(stillInMatch);
}

// A key pressed while the match's start sequence runs is not thrown away:
// the first frame takes it, so the held key moves the paddle.
TEST(FlowMatch, KeyPressedDuringTheStartSequenceReachesTheFirstFrame)
{
    makeGameFolder();
    writeDefaultSetupIni();
    std::vector<ScriptedEvent> script;
    pressKey(script, menuReadyMs, SDLK_RETURN);
    script.push_back({menuReadyMs + 600, keyDown(SDLK_UP)});
    static float sampledVy = 0;
    static bool sampled = false;
    RunOptions options;
    options.onPause = [](Uint32 now) {
        if (now >= menuReadyMs + 3000 && inMatch && !sampled) {
            sampled = true;
            sampledVy = m.sides[rightSide].paddle.vy;
        }
    };
    options.deadlineMs = menuReadyMs + 3500;
    EXPECT_EQ(runScripted(script, options), 0);
    ASSERT_TRUE(sampled);
    EXPECT_LT(sampledVy, 0.0f);
}

// The update rectangles never reach past the screen: the left paddle stands
// at x 0, so its rectangle is cut to the 70 px that exist.
TEST(FlowMatch, UpdateRectanglesStayOnTheScreen)
{
    makeGameFolder();
    writeDefaultSetupIni();
    std::vector<ScriptedEvent> script;
    pressKey(script, menuReadyMs, SDLK_RETURN);
    static int framesSeen = 0;
    static int outside = 0;
    static bool leftCut = false;
    RunOptions options;
    options.onPause = [](Uint32) {
        if (!inMatch || updateRects[0].w == 0)
            return;
        ++framesSeen;
        for (const SDL_Rect& r : updateRects)
            outside += r.x < 0 || r.y < 0 || r.x + r.w > 800 || r.y + r.h > 600;
        leftCut = leftCut || (updateRects[0].x == 0 && updateRects[0].w == 70);
    };
    options.deadlineMs = menuReadyMs + 4000;
    EXPECT_EQ(runScripted(script, options), 0);
    EXPECT_GT(framesSeen, 0);
    EXPECT_EQ(outside, 0);
    EXPECT_TRUE(leftCut);
}

}  // namespace
