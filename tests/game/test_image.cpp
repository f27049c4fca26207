#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>

#include "game/media/image.h"
#include "game/media/media.h"
#include "support/gamerun.h"
#include "support/media_fixture.h"

namespace {

class ImageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(startTestMedia());
        fillRgb(screen, 0, 0, 800, 600, 0x000000);
    }
    void TearDown() override { shutdownMedia(); }
    ScratchDir dir;
};

TEST_F(ImageTest, MissingFileGivesNullAndPrintsNothing)
{
    StdoutCapture out;
    SDL_Surface* s = loadImage("no-such-file.dat");
    EXPECT_EQ(out.finish(), "");
    EXPECT_EQ(s, nullptr);
}

TEST_F(ImageTest, FileThatIsNoBmpGivesNull)
{
    writeBytes("notabmp.dat", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    writeBytes("empty.dat", {});
    EXPECT_EQ(loadImage("notabmp.dat"), nullptr);
    EXPECT_EQ(loadImage("empty.dat"), nullptr);
}

TEST_F(ImageTest, ExtensionIsNeverExamined)
{
    writeSolidBmp("picture.mp3", 3, 2, 0x102030);
    SDL_Surface* s = loadImage("picture.mp3");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->w, 3);
    EXPECT_EQ(s->h, 2);
    EXPECT_EQ(s->format->BitsPerPixel, screen->format->BitsPerPixel);
    SDL_FreeSurface(s);
}

// Only the exact cyan is transparent; one step off is drawn.
TEST_F(ImageTest, ExactCyanIsTransparentNeighbourColoursAreDrawn)
{
    writeBmp("keyed.dat", 4, 1, [](int x, int) {
        static const Uint32 row[4] = {0x00FFFF, 0x01FFFF, 0x00FEFF, 0x00FFFE};
        return row[x];
    });
    SDL_Surface* s = loadImage("keyed.dat");
    ASSERT_NE(s, nullptr);
    EXPECT_NE(s->flags & SDL_SRCCOLORKEY, 0u);
    fillRgb(screen, 0, 0, 10, 10, 0x804020);
    blit(2, 3, s, screen, nullptr);
    EXPECT_EQ(rgbAt(screen, 2, 3), 0x804020u);
    EXPECT_EQ(rgbAt(screen, 3, 3), 0x01FFFFu);
    EXPECT_EQ(rgbAt(screen, 4, 3), 0x00FEFFu);
    EXPECT_EQ(rgbAt(screen, 5, 3), 0x00FFFEu);
    SDL_FreeSurface(s);
}

// A picture with no cyan at all carries no key (nothing to leave out, and
// keyed blits are slow); it draws the same, also half transparent.
TEST_F(ImageTest, PictureWithoutCyanIsUnkeyedAndDrawsTheSame)
{
    writeBmp("opaque.dat", 3, 1, [](int x, int) { return x == 1 ? 0x01FFFFu : 0x00FFFEu; });
    SDL_Surface* s = loadImage("opaque.dat");
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->flags & SDL_SRCCOLORKEY, 0u);
    fillRgb(screen, 0, 0, 10, 10, 0x804020);
    blit(0, 0, s, screen, nullptr);
    EXPECT_EQ(rgbAt(screen, 0, 0), 0x00FFFEu);
    EXPECT_EQ(rgbAt(screen, 1, 0), 0x01FFFFu);
    setSurfaceAlpha(s, 255);
    blit(0, 1, s, screen, nullptr);
    EXPECT_EQ(rgbAt(screen, 1, 1), 0x01FFFFu);
    SDL_FreeSurface(s);
}

TEST_F(ImageTest, BlitThroughRectangleLeavesTheRectangleAlone)
{
    SDL_Surface* s = makeImage(100, 100, 0x0000FF);
    fillRgb(s, 10, 20, 30, 40, 0xFF0000);
    SDL_Rect r = {10, 20, 30, 40};
    blit(-5, 590, s, screen, &r);  // clipped left and bottom
    EXPECT_EQ(r.x, 10);
    EXPECT_EQ(r.y, 20);
    EXPECT_EQ(r.w, 30u);
    EXPECT_EQ(r.h, 40u);
    EXPECT_EQ(rgbAt(screen, 0, 590), 0xFF0000u);
    EXPECT_EQ(rgbAt(screen, 24, 599), 0xFF0000u);
    EXPECT_EQ(rgbAt(screen, 25, 599), 0x000000u);
    SDL_FreeSurface(s);
}

TEST_F(ImageTest, WholeImageBlitAtNegativePositionDrawsVisiblePart)
{
    SDL_Surface* s = makeImage(111, 161, 0x00FF00);
    blit(-45, -40, s, screen, nullptr);
    EXPECT_EQ(rgbAt(screen, 0, 0), 0x00FF00u);
    EXPECT_EQ(rgbAt(screen, 65, 120), 0x00FF00u);
    EXPECT_EQ(rgbAt(screen, 66, 120), 0x000000u);
    EXPECT_EQ(rgbAt(screen, 65, 121), 0x000000u);
    SDL_FreeSurface(s);
}

TEST_F(ImageTest, NullSourceOrDestinationDrawsNothing)
{
    SDL_Surface* s = makeImage(8, 8, 0xFFFFFF);
    blit(0, 0, nullptr, screen, nullptr);
    blit(0, 0, s, nullptr, &paddleFrames[0]);
    EXPECT_EQ(countRgb(screen, 0, 0, 16, 16, 0x000000), 256);
    SDL_FreeSurface(s);
}

TEST(Atlas, RectanglesAsTheSheetsAreCut)
{
    fillAtlas();
    const int sparkX[8] = {0, 111, 222, 333, 333, 222, 111, 0};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(hitSparkFrames[i].x, sparkX[i]) << i;
        EXPECT_EQ(hitSparkFrames[i].y, 0);
        EXPECT_EQ(hitSparkFrames[i].w, 111u);
        EXPECT_EQ(hitSparkFrames[i].h, 161u);
    }
    for (int d = 0; d < 10; ++d) {
        EXPECT_EQ(digitRects[d].x, 40 * d);
        EXPECT_EQ(digitRects[d].w, 40u);
        EXPECT_EQ(digitRects[d].h, 52u);
    }
    auto same = [](const SDL_Rect& r, int x, int y, int w, int h) {
        return r.x == x && r.y == y && r.w == w && r.h == h;
    };
    EXPECT_TRUE(same(scoreSeparatorRect, 575, 0, 11, 52));
    EXPECT_TRUE(same(matchEndBannerRect, 1, 53, 300, 80));
    EXPECT_TRUE(same(joystickNoticeTitleRect, 301, 53, 330, 22));
    EXPECT_TRUE(same(oneJoystickRect, 301, 75, 330, 22));
    EXPECT_TRUE(same(twoJoysticksRect, 301, 99, 330, 22));
    EXPECT_TRUE(same(noJoystickRect, 301, 121, 330, 22));
    EXPECT_TRUE(same(humanLabelRect, 0, 0, 140, 18));
    EXPECT_TRUE(same(computerLabelRect, 0, 17, 140, 17));
    EXPECT_TRUE(same(computerLabelShortRect, 0, 17, 77, 17));
    const int fadeX[7] = {0, 40, 60, 80, 100, 120, 140};
    for (int i = 0; i < 7; ++i)
        EXPECT_TRUE(same(fadeFrames[i], fadeX[i], 0, 20, 80)) << i;
    EXPECT_TRUE(same(paddleFrames[0], 0, 0, 20, 80));
    EXPECT_TRUE(same(paddleFrames[1], 20, 0, 20, 80));
}

}  // namespace
