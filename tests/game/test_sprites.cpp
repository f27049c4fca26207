#include <gtest/gtest.h>

#include "game/base/timeseam.h"
#include "game/match/ball.h"
#include "game/match/match.h"
#include "game/match/paddle.h"
#include "game/media/assets.h"
#include "game/media/image.h"
#include "game/media/media.h"
#include "game/media/sprites.h"
#include "support/media_fixture.h"

namespace {

// The match the game plays: what these cases set up and look at.
Match& m = currentMatch();

// The four spark pictures in pure, easily told colours.
const Uint32 sparkColour[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00};

class SpriteTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        useVirtualClock(1000);
        ASSERT_TRUE(startTestMedia());
        fillAtlas();
        m.sparkClock = makeFrameClock();
        hitSparkStrip = makeImage(444, 161, 0);
        for (int i = 0; i < 4; ++i)
            fillRgb(hitSparkStrip, 111 * i, 0, 111, 161, sparkColour[i]);
        clearScreen();
    }
    void TearDown() override
    {
        shutdownMedia();
        useRealClock();
    }
    static void clearScreen() { fillRgb(screen, 0, 0, 800, 600, 0); }

    // Which spark picture shows at (x, y) on black, drawn at full or half
    // strength; -1 for none.
    static int pictureAt(int x, int y)
    {
        Uint32 c = rgbAt(screen, x, y);
        int r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
        auto on = [](int v) { return v >= 0x70; };
        auto off = [](int v) { return v <= 0x10; };
        if (on(r) && off(g) && off(b)) return 0;
        if (off(r) && on(g) && off(b)) return 1;
        if (off(r) && off(g) && on(b)) return 2;
        if (on(r) && on(g) && off(b)) return 3;
        return -1;
    }
};

TEST_F(SpriteTest, SparkShowsFrameZeroOnceThenStepsEvery60MsToIdle)
{
    HitSpark s = {99};
    setFrame(s, 0);
    EXPECT_EQ(s.frame, 0);

    draw(s, m.sparkClock, 400, 300);
    EXPECT_EQ(s.frame, 1);
    EXPECT_EQ(rgbAt(screen, 355, 260), sparkColour[0]);  // first draw: still opaque
    EXPECT_EQ(rgbAt(screen, 465, 420), sparkColour[0]);  // 111 x 161 about the paddle
    EXPECT_EQ(rgbAt(screen, 354, 260), 0u);
    EXPECT_NE(hitSparkStrip->flags & SDL_SRCALPHA, 0u);
    EXPECT_EQ(hitSparkStrip->format->alpha, 128);

    clearScreen();
    draw(s, m.sparkClock, 400, 300);  // no time passed: frame 1 shows and stays
    EXPECT_EQ(s.frame, 1);
    EXPECT_EQ(pictureAt(400, 300), 1);
    Uint32 half = rgbAt(screen, 400, 300);
    EXPECT_NEAR(static_cast<int>((half >> 8) & 0xFF), 128, 2);

    pauseMs(60);  // exactly 60 is not more than 60
    draw(s, m.sparkClock, 400, 300);
    EXPECT_EQ(s.frame, 1);

    const int expectedPicture[8] = {0, 1, 2, 3, 3, 2, 1, 0};
    Uint32 start = nowMs() - 60;
    for (int frame = 2; frame <= 8; ++frame) {
        pauseMs(frame == 2 ? 1 : 61);
        clearScreen();
        draw(s, m.sparkClock, 400, 300);
        EXPECT_EQ(pictureAt(400, 300), expectedPicture[frame - 1]) << frame;
        EXPECT_EQ(s.frame, frame);
    }
    EXPECT_EQ(nowMs() - start, 7u * 61u);  // a little over 7 x 60 ms

    clearScreen();
    pauseMs(500);
    draw(s, m.sparkClock, 400, 300);  // idle: nothing more
    EXPECT_EQ(s.frame, 8);
    EXPECT_EQ(countRgb(screen, 340, 250, 130, 180, 0), 130 * 180);
}

TEST_F(SpriteTest, SparkAtTenDrawsNothingAndNeverChanges)
{
    HitSpark s = {0};
    setFrame(s, 10);
    restart(m.sparkClock);
    for (int i = 0; i < 20; ++i) {
        pauseMs(100);
        draw(s, m.sparkClock, 20, 300);
    }
    EXPECT_EQ(s.frame, 10);
    EXPECT_EQ(countRgb(screen, 0, 250, 200, 200, 0), 200 * 200);
    EXPECT_EQ(elapsedMs(m.sparkClock), 2000);  // the clock was not touched
    EXPECT_EQ(hitSparkStrip->flags & SDL_SRCALPHA, 0u);
}

TEST_F(SpriteTest, SharedClockHoldsTheSecondSparkWhileTheFirstRuns)
{
    HitSpark left = {0}, right = {0};
    draw(left, m.sparkClock, 0, 300);
    draw(right, m.sparkClock, 779, 300);
    EXPECT_EQ(left.frame, 1);
    EXPECT_EQ(right.frame, 1);
    pauseMs(61);
    draw(left, m.sparkClock, 0, 300);
    draw(right, m.sparkClock, 779, 300);
    EXPECT_EQ(left.frame, 2);
    EXPECT_EQ(right.frame, 1);  // the left spark's step restarted the clock
}

TEST_F(SpriteTest, SparkNearTheLeftEdgeDrawsItsVisiblePart)
{
    HitSpark s = {0};
    draw(s, m.sparkClock, 0, 300);
    EXPECT_EQ(rgbAt(screen, 0, 260), sparkColour[0]);
    EXPECT_EQ(rgbAt(screen, 65, 420), sparkColour[0]);
    EXPECT_EQ(rgbAt(screen, 66, 420), 0u);
}

TEST_F(SpriteTest, NegativeFrameStartsAsAFreshStrike)
{
    HitSpark s = {-3};
    draw(s, m.sparkClock, 400, 300);
    EXPECT_EQ(s.frame, 1);
    EXPECT_EQ(rgbAt(screen, 400, 300), sparkColour[0]);
}

TEST_F(SpriteTest, PaddlesDrawFromTheirOwnImageAndFrame)
{
    paddleImage1 = makeImage(40, 80, 0x102030);
    fillRgb(paddleImage1, 20, 0, 20, 80, 0x405060);
    paddleImage2 = makeImage(40, 80, 0x708090);
    fillRgb(paddleImage2, 20, 0, 20, 80, 0xA0B0C0);

    m.sides[leftSide].paddle.x = 10.9f;
    m.sides[leftSide].paddle.y = 100.7f;
    m.sides[rightSide].paddle.x = 700.2f;
    m.sides[rightSide].paddle.y = 400.99f;
    drawPaddle(m.sides[leftSide].paddle, leftSide, 0);
    drawPaddle(m.sides[rightSide].paddle, rightSide, 1);
    EXPECT_EQ(rgbAt(screen, 10, 100), 0x102030u);
    EXPECT_EQ(rgbAt(screen, 29, 179), 0x102030u);
    EXPECT_EQ(rgbAt(screen, 30, 100), 0u);
    EXPECT_EQ(rgbAt(screen, 9, 100), 0u);
    EXPECT_EQ(rgbAt(screen, 10, 99), 0u);
    EXPECT_EQ(rgbAt(screen, 700, 400), 0xA0B0C0u);
    EXPECT_EQ(rgbAt(screen, 719, 479), 0xA0B0C0u);
    EXPECT_EQ(rgbAt(screen, 720, 400), 0u);

    clearScreen();
    drawPaddle(m.sides[leftSide].paddle, leftSide, 1);
    EXPECT_EQ(rgbAt(screen, 10, 100), 0x405060u);

    clearScreen();
    drawPaddle(m.sides[leftSide].paddle, leftSide, 2);  // no such look
    EXPECT_EQ(countRgb(screen, 0, 90, 60, 100, 0), 60 * 100);
}

TEST_F(SpriteTest, BallPictureAtTruncatedPosition)
{
    ballImage = makeImage(20, 20, 0xC02020);
    fillRgb(ballImage, 0, 0, 1, 1, 0x00FFFF);  // transparent corner
    m.ball.x = 33.9f;
    m.ball.y = 44.2f;
    drawBallImage(m.ball);
    EXPECT_EQ(rgbAt(screen, 33, 44), 0u);
    EXPECT_EQ(rgbAt(screen, 34, 44), 0xC02020u);
    EXPECT_EQ(rgbAt(screen, 52, 63), 0xC02020u);
    EXPECT_EQ(rgbAt(screen, 53, 63), 0u);
}

}  // namespace
