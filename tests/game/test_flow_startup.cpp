// Start-up and quitting of the real program, headless in virtual time.
#include <gtest/gtest.h>

#include <cstdio>

#include "SDL_mixer.h"
#include "game/base/state.h"
#include "game/base/timeseam.h"
#include "game/media/assets.h"
#include "game/media/media.h"
#include "settings/settings.h"
#include "support/gamerun.h"

namespace {

TEST(FlowStartup, WithoutSetupIniNoticeThenDefaultsAndQuitWithEscape)
{
    makeGameFolder();
    std::vector<ScriptedEvent> script;
    // Joysticks are on by default: the notice adds three seconds.
    pressKey(script, menuReadyMs + 3000, SDLK_ESCAPE);
    StdoutCapture out;
    int status = runScripted(script);
    std::string text = out.finish();
    EXPECT_EQ(status, 0);
    EXPECT_EQ(text.rfind("Unable to open ini-file !", 0), 0u) << text;
    EXPECT_EQ(text.find("Unable to open ini-file !\n"), std::string::npos);
    EXPECT_EQ(settings.joy, 1);
    EXPECT_EQ(settings.fullscreen, 1);
    EXPECT_EQ(settings.pointsToWin, 10);
}

TEST(FlowStartup, WithSetupIniPrintsNothingAndRunsWindowed)
{
    makeGameFolder();
    writeDefaultSetupIni();
    std::vector<ScriptedEvent> script;
    pressKey(script, menuReadyMs, SDLK_ESCAPE);
    StdoutCapture out;
    int status = runScripted(script);
    std::string text = out.finish();
    EXPECT_EQ(status, 0);
    EXPECT_EQ(text, "");
    EXPECT_EQ(settings.fullscreen, 0);
    EXPECT_EQ(settings.joy, 0);
}

// Escape in the menu: the match background is loaded and one match frame
// runs, without the opening sequence; then the logo and six grey screens.
TEST(FlowStartup, EscapeInMenuRunsOneFrameAndClosingSequence)
{
    makeGameFolder();
    writeDefaultSetupIni();
    std::vector<ScriptedEvent> script;
    pressKey(script, menuReadyMs, SDLK_ESCAPE);
    int status = runScripted(script);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(quitRequested);
    // After the Escape tick: backdrop fade out 25 x 25 ms, one frame of at
    // least 5 ms, logo fade 25 x 100 ms, six greys of 200 ms: no opening
    // sequence (it would add more than a second).
    Uint32 afterEscape = nowMs() - menuReadyMs;
    EXPECT_GE(afterEscape, 625u + 5 + 2500 + 1200);
    EXPECT_LT(afterEscape, 625u + 5 + 2500 + 1200 + 300);
}

class MissingFile : public ::testing::TestWithParam<const char*> {};

TEST_P(MissingFile, RequiredFileMissingEndsWithStatusOneBeforeDrawing)
{
    makeGameFolder({GetParam()});
    writeDefaultSetupIni();
    StdoutCapture out;
    int status = runScripted({});
    std::string text = out.finish();
    EXPECT_EQ(status, 1);
    EXPECT_EQ(totalPausedMs(), 0u);
    EXPECT_FALSE(screenTouched());
    EXPECT_EQ(text, "");
}

INSTANTIATE_TEST_SUITE_P(EveryRequiredFile, MissingFile,
                         ::testing::Values("lev_1.dat", "Vardel_06.dat", "paddle.dat", "CPUPlayer.dat",
                                           "qelvane.gfx", "sound.dat", "screen_1.gfx", "animate.dat",
                                           "sheet.gfx", "nback.gfx", "anifade.dat"));

TEST(FlowStartup, MissingPointSoundsStartNormally)
{
    makeGameFolder({"ufo.dat", "crack.dat"});
    writeDefaultSetupIni();
    std::vector<ScriptedEvent> script;
    pressKey(script, menuReadyMs, SDLK_ESCAPE);
    EXPECT_EQ(runScripted(script), 0);
}

TEST(FlowStartup, MissingMusicPrintsBothMessagesOnceAndPlaysOn)
{
    makeGameFolder({"Track01.mp3"});
    writeDefaultSetupIni();
    std::vector<ScriptedEvent> script;
    pressKey(script, menuReadyMs, SDLK_ESCAPE);
    StdoutCapture out;
    int status = runScripted(script);
    std::string text = out.finish();
    EXPECT_EQ(status, 0);
    const std::string load = "load errorMix_LoadMUS(\"Track01.mp3\"): ";
    ASSERT_EQ(text.rfind(load, 0), 0u) << text;
    EXPECT_EQ(text.find(load, 1), std::string::npos);
    // With music on, starting the missing music is reported as well.
    EXPECT_NE(text.find("\nMix_PlayMusic: "), std::string::npos) << text;
}

// The logo is let go after the opening and read again for the closing, in
// place of the backdrops the closing does not show; when it can no longer be
// read, the closing shows the greys alone.
TEST(FlowStartup, LogoIsHeldOnlyForTheOpeningAndTheClosing)
{
    for (bool removeInMenu : {false, true}) {
        SCOPED_TRACE(removeInMenu ? "logo file removed in the menu" : "logo file in place");
        makeGameFolder();
        writeDefaultSetupIni();
        bool sawMenu = false;
        bool heldInMenu = false;
        bool heldInClosing = false;
        bool backdropsInClosing = false;
        RunOptions options;
        options.onPause = [&](Uint32 now) {
            if (now >= menuReadyMs - 100 && !quitRequested) {
                sawMenu = true;
                heldInMenu = heldInMenu || logo != nullptr;
                if (removeInMenu)
                    std::remove("qelvane.gfx");
            }
            if (quitRequested && logo) {
                heldInClosing = true;
                backdropsInClosing = backdropsInClosing || background || menuBackdrop;
            }
        };
        std::vector<ScriptedEvent> script;
        pressKey(script, menuReadyMs, SDLK_ESCAPE);
        StdoutCapture out;
        EXPECT_EQ(runScripted(script, options), 0);
        EXPECT_EQ(out.finish(), "");
        EXPECT_TRUE(sawMenu);
        EXPECT_FALSE(heldInMenu);
        EXPECT_EQ(heldInClosing, !removeInMenu);
        EXPECT_FALSE(backdropsInClosing);
    }
}

TEST(FlowStartup, MusicVolumeStartsAt25)
{
    makeGameFolder();
    writeDefaultSetupIni();
    static int volumeInMenu = -2;
    RunOptions options;
    options.onPause = [](Uint32 now) {
        if (now >= menuReadyMs - 100 && volumeInMenu == -2)
            volumeInMenu = Mix_VolumeMusic(-1);
    };
    std::vector<ScriptedEvent> script;
    pressKey(script, menuReadyMs, SDLK_ESCAPE);
    EXPECT_EQ(runScripted(script, options), 0);
    EXPECT_EQ(volumeInMenu, 25);
    EXPECT_EQ(musicVolume, 10);
}

}  // namespace
