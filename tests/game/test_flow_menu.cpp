// The main menu's rows, driven through the real main loop.
#include <gtest/gtest.h>

#include "SDL_mixer.h"
#include "game/base/state.h"
#include "game/base/timeseam.h"
#include "game/match/paddle.h"
#include "support/gamerun.h"

namespace {

// Game type and court as seen at a moment of the run.
struct Sample {
    Uint32 atMs;
    Sint32 gameType = -1;
    Sint32 courtMode = -1;
    bool inMatch = false;
    int volume = -2;
};
std::vector<Sample> samples;

void takeSamples(Uint32 now)
{
    for (auto& s : samples) {
        if (s.gameType == -1 && now >= s.atMs) {
            s.gameType = gameType;
            s.courtMode = courtMode;
            s.inMatch = inMatch;
            s.volume = Mix_VolumeMusic(-1);
        }
    }
}

// With joysticks on, the start-up notice holds the menu back three seconds;
// the script and the samples move with it.
int runWithSamples(std::vector<ScriptedEvent> script, std::vector<Uint32> at, bool joystick = false)
{
    const Uint32 shift = joystick ? 3000 : 0;
    makeGameFolder();
    if (joystick)
        writeTextFile("setup.ini", "joy1\nfullscreen0\nsound1\n");
    else
        writeDefaultSetupIni();
    for (auto& e : script)
        e.atMs += shift;
    samples.clear();
    for (Uint32 t : at)
        samples.push_back(Sample{t + shift});
    RunOptions options;
    options.onPause = takeSamples;
    return runScripted(script, options);
}

TEST(FlowMenu, UpOnFirstEntryAndDownOnLastChangeNothing)
{
    std::vector<ScriptedEvent> script;
    pressKey(script, menuReadyMs, SDLK_UP);
    // Walk down to 4 and press down once more.
    for (int i = 0; i < 5; ++i)
        pressKey(script, menuReadyMs + 1000 + i * 500, SDLK_DOWN);
    pressKey(script, menuReadyMs + 5000, SDLK_ESCAPE);
    EXPECT_EQ(runWithSamples(script, {menuReadyMs + 400, menuReadyMs + 4500}), 0);
    EXPECT_EQ(samples[0].gameType, 0);
    EXPECT_EQ(samples[1].gameType, 4);
}

TEST(FlowMenu, UpOnFirstEntryDoesNotRedraw)
{
    // Held UP on entry 0 for a second: no page pause of 200 ms is added, so
    // the ticks keep their 30 ms rhythm.
    std::vector<ScriptedEvent> script;
    script.push_back({menuReadyMs, keyDown(SDLK_UP)});
    script.push_back({menuReadyMs + 1000, keyUp(SDLK_UP)});
    pressKey(script, menuReadyMs + 1100, SDLK_ESCAPE);
    static Uint64 pausedAtStart = 0;
    static Uint64 pausedAtEnd = 0;
    makeGameFolder();
    writeDefaultSetupIni();
    RunOptions options;
    options.onPause = [](Uint32 now) {
        if (now <= menuReadyMs + 30)
            pausedAtStart = totalPausedMs();
        if (now <= menuReadyMs + 990)
            pausedAtEnd = totalPausedMs();
    };
    EXPECT_EQ(runScripted(script, options), 0);
    EXPECT_EQ(gameType, 0);
    // Only tick pauses: the count of pauses equals the time passed.
    EXPECT_NEAR(static_cast<double>(pausedAtEnd - pausedAtStart), 960.0, 31.0);
}

TEST(FlowMenu, HeldDownRepeatsEveryTickUntilLastEntry)
{
    std::vector<ScriptedEvent> script;
    script.push_back({menuReadyMs, keyDown(SDLK_DOWN)});  // never released
    // One tick plus a 200 ms page pause per step: entry 2 after about 0.5 s.
    script.push_back({menuReadyMs + 3000, keyUp(SDLK_DOWN)});
    pressKey(script, menuReadyMs + 3100, SDLK_ESCAPE);
    EXPECT_EQ(runWithSamples(script, {menuReadyMs + 290, menuReadyMs + 2900}), 0);
    EXPECT_GE(samples[0].gameType, 1);
    EXPECT_LE(samples[0].gameType, 2);
    EXPECT_EQ(samples[1].gameType, 4);
}

TEST(FlowMenu, LeftAndRightToggleTheCourt)
{
    std::vector<ScriptedEvent> script;
    pressKey(script, menuReadyMs, SDLK_RIGHT);
    pressKey(script, menuReadyMs + 600, SDLK_LEFT);
    pressKey(script, menuReadyMs + 1200, SDLK_ESCAPE);
    EXPECT_EQ(runWithSamples(script, {menuReadyMs + 500, menuReadyMs + 1100}), 0);
    EXPECT_EQ(samples[0].courtMode, 2);
    EXPECT_EQ(samples[1].courtMode, 1);
}

TEST(FlowMenu, StickHorizontalTogglesCourtExceptOnLastEntry)
{
    std::vector<ScriptedEvent> script;
    script.push_back({menuReadyMs, joyAxis(0, 0, stickPush)});
    script.push_back({menuReadyMs + 10, joyAxis(0, 0, 0)});
    for (int i = 0; i < 4; ++i)
        pressKey(script, menuReadyMs + 600 + i * 500, SDLK_DOWN);
    script.push_back({menuReadyMs + 3000, joyAxis(1, 0, -stickPush)});
    script.push_back({menuReadyMs + 3010, joyAxis(1, 0, 0)});
    pressKey(script, menuReadyMs + 3500, SDLK_ESCAPE);
    EXPECT_EQ(runWithSamples(script, {menuReadyMs + 500, menuReadyMs + 2900, menuReadyMs + 3400}, true), 0);
    EXPECT_EQ(samples[0].courtMode, 2);
    EXPECT_EQ(samples[1].gameType, 4);
    EXPECT_EQ(samples[2].courtMode, 2);  // no toggle on entry 4
}

TEST(FlowMenu, StickIgnoredWithJoysticksOff)
{
    std::vector<ScriptedEvent> script;
    script.push_back({menuReadyMs, joyAxis(0, 1, 20000)});
    script.push_back({menuReadyMs + 300, joyButton(SDL_JOYBUTTONUP, 0, 0)});
    pressKey(script, menuReadyMs + 1000, SDLK_ESCAPE);
    EXPECT_EQ(runWithSamples(script, {menuReadyMs + 900}), 0);
    EXPECT_EQ(samples[0].gameType, 0);
    EXPECT_FALSE(samples[0].inMatch);
}

TEST(FlowMenu, StickVerticalMovesCursor)
{
    std::vector<ScriptedEvent> script;
    script.push_back({menuReadyMs, joyAxis(0, 1, stickPush)});
    script.push_back({menuReadyMs + 10, joyAxis(0, 1, 7999)});
    script.push_back({menuReadyMs + 600, joyAxis(1, 1, stickPush)});
    script.push_back({menuReadyMs + 610, joyAxis(1, 1, 0)});
    script.push_back({menuReadyMs + 1200, joyAxis(0, 1, -stickPush)});
    script.push_back({menuReadyMs + 1210, joyAxis(0, 1, 0)});
    pressKey(script, menuReadyMs + 1800, SDLK_ESCAPE);
    EXPECT_EQ(runWithSamples(script, {menuReadyMs + 500, menuReadyMs + 1100, menuReadyMs + 1700}, true), 0);
    EXPECT_EQ(samples[0].gameType, 1);
    EXPECT_EQ(samples[1].gameType, 2);
    EXPECT_EQ(samples[2].gameType, 1);
}

TEST(FlowMenu, ReleasingButtonZeroStartsAnotherButtonDoesNot)
{
    std::vector<ScriptedEvent> script;
    script.push_back({menuReadyMs, joyButton(SDL_JOYBUTTONDOWN, 0, 0)});
    script.push_back({menuReadyMs + 100, joyButton(SDL_JOYBUTTONUP, 0, 1)});
    script.push_back({menuReadyMs + 500, joyButton(SDL_JOYBUTTONUP, 1, 0)});
    pressKey(script, menuReadyMs + 6000, SDLK_ESCAPE);  // abort the match
    pressKey(script, menuReadyMs + 9000, SDLK_ESCAPE);  // quit from the menu
    EXPECT_EQ(runWithSamples(script, {menuReadyMs + 400, menuReadyMs + 3500}, true), 0);
    EXPECT_FALSE(samples[0].inMatch);
    EXPECT_TRUE(samples[1].inMatch);
}

TEST(FlowMenu, VolumeKeySteps25Then0Then25)
{
    std::vector<ScriptedEvent> script;
    pressKey(script, menuReadyMs, SDLK_m);
    pressKey(script, menuReadyMs + 200, SDLK_m);
    pressKey(script, menuReadyMs + 400, SDLK_m);
    pressKey(script, menuReadyMs + 600, SDLK_ESCAPE);
    EXPECT_EQ(runWithSamples(script, {menuReadyMs + 150, menuReadyMs + 350, menuReadyMs + 550}), 0);
    EXPECT_EQ(samples[0].volume, 25);
    EXPECT_EQ(samples[1].volume, 0);
    EXPECT_EQ(samples[2].volume, 25);
}

// F1: court 3 and the level-5 computer; F2: court 3 with the cursor's type.
// Back in the menu both come back as entry 0 and court 1.
TEST(FlowMenu, F1AndF2StartCourtThreeAndMenuComesBackPlain)
{
    std::vector<ScriptedEvent> script;
    pressKey(script, menuReadyMs, SDLK_F1);
    pressKey(script, menuReadyMs + 4000, SDLK_ESCAPE);  // abort the match
    pressKey(script, menuReadyMs + 7000, SDLK_DOWN);
    pressKey(script, menuReadyMs + 7500, SDLK_F2);
    pressKey(script, menuReadyMs + 11000, SDLK_ESCAPE);
    pressKey(script, menuReadyMs + 14000, SDLK_ESCAPE);  // quit from the menu
    EXPECT_EQ(runWithSamples(script, {menuReadyMs + 3000, menuReadyMs + 6900, menuReadyMs + 10000,
                                      menuReadyMs + 13900}),
              0);
    EXPECT_TRUE(samples[0].inMatch);
    EXPECT_EQ(samples[0].gameType, 5);
    EXPECT_EQ(samples[0].courtMode, 3);
    EXPECT_FALSE(samples[1].inMatch);
    EXPECT_EQ(samples[1].gameType, 0);
    EXPECT_EQ(samples[1].courtMode, 1);
    EXPECT_TRUE(samples[2].inMatch);
    EXPECT_EQ(samples[2].gameType, 1);
    EXPECT_EQ(samples[2].courtMode, 3);
    EXPECT_FALSE(samples[3].inMatch);
    EXPECT_EQ(samples[3].gameType, 1);
    EXPECT_EQ(samples[3].courtMode, 1);
}

TEST(FlowMenu, WindowCloseInMenuQuits)
{
    std::vector<ScriptedEvent> script;
    script.push_back({menuReadyMs, quitEvent()});
    EXPECT_EQ(runWithSamples(script, {}), 0);
    EXPECT_TRUE(quitRequested);
}

}  // namespace
