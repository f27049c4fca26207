#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "SDL_mixer.h"
#include "game/media/assets.h"
#include "game/media/media.h"
#include "settings/settings.h"
#include "support/media_fixture.h"

namespace {

TEST(MediaStart, WindowedDisplayIs800x600x32WithCaptionAndNoCursor)
{
    ASSERT_TRUE(startTestMedia());
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen, SDL_GetVideoSurface());
    EXPECT_EQ(screen->w, 800);
    EXPECT_EQ(screen->h, 600);
    EXPECT_EQ(screen->format->BitsPerPixel, 32);
    EXPECT_EQ(screen->flags & SDL_FULLSCREEN, 0u);

    char* title = nullptr;
    char* icon = nullptr;
    SDL_WM_GetCaption(&title, &icon);
    ASSERT_NE(title, nullptr);
    EXPECT_STREQ(title, "VOLTARI");
    EXPECT_TRUE(icon == nullptr || icon[0] == '\0');
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), 0);

    shutdownMedia();
}

TEST(MediaStart, MixerRunsAt22050MonoWithFiveChannels)
{
    ASSERT_TRUE(startTestMedia());
    int rate = 0, channels = 0;
    Uint16 format = 0;
    ASSERT_NE(Mix_QuerySpec(&rate, &format, &channels), 0);
    EXPECT_EQ(rate, 22050);
    EXPECT_EQ(format, AUDIO_S16SYS);
    EXPECT_EQ(channels, 1);
    EXPECT_EQ(Mix_AllocateChannels(-1), 5);
    shutdownMedia();
}

TEST(MediaStart, FullScreenSettingAsksForFullScreenDoubleBuffer)
{
    settings.fullscreen = 1;
    ASSERT_TRUE(startMedia());
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->w, 800);
    EXPECT_EQ(screen->h, 600);
    EXPECT_NE(screen->flags & SDL_FULLSCREEN, 0u);
    shutdownMedia();
}

TEST(MediaStartDeathTest, FailedSdlInitPrintsReasonAndExitsOne)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            setenv("SDL_VIDEODRIVER", "nonexistent", 1);
            startMedia();
            std::exit(7);  // not reached when SDL_Init fails
        },
        ::testing::ExitedWithCode(1), "^Unable to init SDL: .+\n");
}

// The shutdown hands the display surface to SDL_FreeSurface; our SDL must
// leave it alone (it is released by SDL_Quit).
TEST(MediaShutdown, FreeingTheDisplaySurfaceLeavesItUsable)
{
    ASSERT_TRUE(startTestMedia());
    int refs = screen->refcount;
    SDL_FreeSurface(SDL_GetVideoSurface());
    EXPECT_EQ(SDL_GetVideoSurface(), screen);
    EXPECT_EQ(screen->refcount, refs);
    fillRgb(screen, 0, 0, 800, 600, 0x123456);
    EXPECT_EQ(rgbAt(screen, 799, 599), 0x123456u);
    EXPECT_EQ(SDL_Flip(screen), 0);
    shutdownMedia();
}

TEST(MediaShutdown, CompletesWithNullJoysticksAndPartlyFilledSlots)
{
    ASSERT_TRUE(startTestMedia());
    ballImage = makeImage(20, 20, 0xFF0000);
    sheet = makeImage(631, 143, 0x00FF00);
    ScratchDir dir;
    writeToneWav("hit.wav");
    hitSound = Mix_LoadWAV_RW(SDL_RWFromFile("hit.wav", "rb"), 1);
    ASSERT_NE(hitSound, nullptr);
    joystick0 = nullptr;
    joystick1 = nullptr;

    shutdownMedia();

    EXPECT_EQ(screen, nullptr);
    EXPECT_EQ(ballImage, nullptr);
    EXPECT_EQ(sheet, nullptr);
    EXPECT_EQ(hitSound, nullptr);
    EXPECT_EQ(music, nullptr);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_EVERYTHING), 0u);
    int rate = 0, channels = 0;
    Uint16 format = 0;
    EXPECT_EQ(Mix_QuerySpec(&rate, &format, &channels), 0);  // mixer closed
}

TEST(MediaShutdown, CompletesWithEverySlotFilled)
{
    ASSERT_TRUE(startTestMedia());
    ScratchDir dir;
    writeStartupFiles({}, true);
    ASSERT_TRUE(loadAssets());
    menuPage = makeImage(800, 600, 0x000080);
    ASSERT_NE(music, nullptr);
    shutdownMedia();
    for (SDL_Surface* s : {courtStrip, ballImage, paddleImage1, paddleImage2, playerLabels, logo, background,
                           hitSparkStrip, sheet, menuBackdrop, fadeStrip, menuPage})
        EXPECT_EQ(s, nullptr);
    EXPECT_EQ(ufoSound, nullptr);
    EXPECT_EQ(crackSound, nullptr);
    EXPECT_EQ(music, nullptr);
}

}  // namespace
