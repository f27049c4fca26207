#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "game/base/state.h"
#include "game/base/timeseam.h"
#include "game/match/ball.h"
#include "game/match/match.h"
#include "game/match/paddle.h"
#include "game/match/sphere.h"
#include "game/media/assets.h"
#include "game/media/image.h"
#include "game/media/media.h"
#include "game/media/sequences.h"
#include "game/media/sprites.h"
#include "settings/settings.h"
#include "support/media_fixture.h"

namespace {

// The match the game plays: what these cases set up and look at.
Match& m = currentMatch();

const Uint32 grey = 0x303030;        // background
const Uint32 ballRed = 0xC02020;     // ball picture
const Uint32 white = 0xFFFFFF;       // outer dots
const Uint32 leftLook0 = 0x20A020;   // left paddle, frame 0
const Uint32 rightLook0 = 0x2020A0;  // right paddle, frame 0
const Uint32 rightLook1 = 0xA0A020;  // right paddle, frame 1
const Uint32 digit0 = 0x8040F0;      // the digit 0 of the sheet
const Uint32 titleColour = 0xF0F0A0;
const Uint32 noStickColour = 0xA0F0F0;
Uint32 fadeColour(int column) { return 0x400000u + 0x200000u * static_cast<Uint32>(column / 2) + static_cast<Uint32>(column); }

// Everything the pause hook saw: one entry per pause.
std::vector<Uint32> pauseTimes;
std::function<void()> atPause;
void recordPause(Uint32 now)
{
    pauseTimes.push_back(now);
    if (atPause)
        atPause();
}

struct Box {
    int minX = 800, minY = 600, maxX = -1, maxY = -1, count = 0;
};

Box boxOf(Uint32 rgb)
{
    Box b;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            if (rgbAt(screen, x, y) == rgb) {
                b.minX = std::min(b.minX, x);
                b.maxX = std::max(b.maxX, x);
                b.minY = std::min(b.minY, y);
                b.maxY = std::max(b.maxY, y);
                ++b.count;
            }
    return b;
}

class SequenceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        useVirtualClock(5000);
        pauseTimes.clear();
        atPause = nullptr;
        setPauseHook({[](void*, Uint32 t) { recordPause(t); }, nullptr});
        ASSERT_TRUE(startTestMedia());
        fillAtlas();
        buildSphereDots();
        m.sparkClock = makeFrameClock();
        m.sides[leftSide].hitSpark.frame = 10;
        m.sides[rightSide].hitSpark.frame = 10;
        m.sides[leftSide].score = 0;
        m.sides[rightSide].score = 0;
        gameType = 0;

        background = makeImage(800, 600, grey);
        ballImage = makeImage(111, 161, 0x00FFFF);  // only the ball's corner is opaque
        fillRgb(ballImage, 0, 0, 20, 20, ballRed);
        paddleImage1 = makeImage(40, 80, leftLook0);
        paddleImage2 = makeImage(40, 80, rightLook0);
        fillRgb(paddleImage2, 20, 0, 20, 80, rightLook1);
        sheet = makeImage(631, 143, 0x000040);
        fillRgb(sheet, 0, 0, 40, 52, digit0);
        fillRgb(sheet, 301, 53, 330, 22, titleColour);
        fillRgb(sheet, 301, 121, 330, 22, noStickColour);
        fadeStrip = makeImage(160, 80, 0);
        for (int column = 0; column < 8; ++column)
            fillRgb(fadeStrip, 20 * column, 0, 20, 80, fadeColour(column));
        playerLabels = makeImage(140, 34, 0xE0E0E0);
        hitSparkStrip = makeImage(444, 161, 0xF08000);

        m.sides[leftSide].paddle.x = 0;
        m.sides[leftSide].paddle.y = 300;
        m.sides[rightSide].paddle.x = 779;
        m.sides[rightSide].paddle.y = 300;
        m.ball.x = 123.6f;
        m.ball.y = 456.3f;
        m.ball.vx = 0;
        m.ball.vy = 0;
        fillRgb(screen, 0, 0, 800, 600, 0);
    }
    void TearDown() override
    {
        atPause = nullptr;
        shutdownMedia();
        useRealClock();
    }
};

// --- fades ---------------------------------------------------------------

TEST_F(SequenceTest, FadeInOverBackgroundTakes25StepsOf100MsAndEndsOpaque)
{
    SDL_Surface* image = makeImage(200, 100, 0xFF0000);
    fillRgb(image, 100, 0, 100, 100, 0x0000FF);
    SDL_Rect leftHalf = {0, 0, 100, 100};
    std::vector<int> red;
    atPause = [&red] { red.push_back(static_cast<int>(rgbAt(screen, 260, 260) >> 16)); };

    fadeImage(image, background, fadeIn, 100, 250, 250, &leftHalf);

    EXPECT_EQ(pauseTimes.size(), 25u);
    EXPECT_EQ(totalPausedMs(), 2500u);
    ASSERT_EQ(red.size(), 25u);
    EXPECT_EQ(red.front(), 0x30);  // alpha 0: background only
    for (size_t i = 1; i < red.size(); ++i)
        EXPECT_GT(red[i], red[i - 1]) << i;
    EXPECT_NEAR(red.back(), 0x30 + (0xFF - 0x30) * 240 / 255, 3);
    EXPECT_EQ(rgbAt(screen, 260, 260), 0xFF0000u);  // closing frame at 255
    EXPECT_EQ(rgbAt(screen, 349, 349), 0xFF0000u);
    EXPECT_EQ(rgbAt(screen, 350, 300), grey);      // the source rectangle only
    EXPECT_EQ(rgbAt(screen, 10, 10), grey);
    // At full alpha the picture is an opaque copy again: no blending left on.
    EXPECT_EQ(image->flags & SDL_SRCALPHA, 0u);
    EXPECT_EQ(image->format->alpha, 255);
    EXPECT_EQ(leftHalf.w, 100u);
    SDL_FreeSurface(image);
}

TEST_F(SequenceTest, FadeOutLeavesTheImageAtAlphaZero)
{
    SDL_Surface* image = makeImage(100, 100, 0xFF0000);
    std::vector<int> red;
    atPause = [&red] { red.push_back(static_cast<int>(rgbAt(screen, 50, 50) >> 16)); };

    fadeImage(image, background, fadeOut, 25, 0, 0, nullptr);

    EXPECT_EQ(totalPausedMs(), 625u);
    ASSERT_EQ(red.size(), 25u);
    EXPECT_NEAR(red.front(), 0x30 + (0xFF - 0x30) * 250 / 255, 3);
    for (size_t i = 1; i < red.size(); ++i)
        EXPECT_LT(red[i], red[i - 1]) << i;
    EXPECT_EQ(rgbAt(screen, 50, 50), grey);
    EXPECT_EQ(image->format->alpha, 0);

    // Drawn again later without a fade, it stays invisible.
    fillRgb(screen, 0, 0, 800, 600, 0);
    blit(0, 0, image, screen, nullptr);
    EXPECT_EQ(rgbAt(screen, 50, 50), 0u);
    SDL_FreeSurface(image);
}

TEST_F(SequenceTest, FadeWithoutBackgroundBuildsOnWhatTheScreenHolds)
{
    SDL_Surface* image = makeImage(100, 100, 0xFF0000);
    std::vector<int> red;
    atPause = [&red] { red.push_back(static_cast<int>(rgbAt(screen, 50, 50) >> 16)); };
    fadeImage(image, nullptr, fadeIn, 150, 0, 0, nullptr);
    EXPECT_EQ(totalPausedMs(), 3750u);
    ASSERT_EQ(red.size(), 25u);
    // At the step of alpha 100 the blended layers are far past 100.
    EXPECT_GT(red[10], 200);
    EXPECT_EQ(rgbAt(screen, 150, 150), 0u);  // nothing drawn outside the image
    SDL_FreeSurface(image);
}

TEST_F(SequenceTest, FadeInAnyOtherDirectionDoesNothing)
{
    SDL_Surface* image = makeImage(100, 100, 0xFF0000);
    fadeImage(image, background, 2, 100, 0, 0, nullptr);
    fadeImage(image, background, -1, 100, 0, 0, nullptr);
    EXPECT_EQ(totalPausedMs(), 0u);
    EXPECT_EQ(rgbAt(screen, 50, 50), 0u);
    EXPECT_EQ(image->flags & SDL_SRCALPHA, 0u);
    SDL_FreeSurface(image);
}

TEST_F(SequenceTest, FadeOfAMissingImageStillPacesAndDrawsTheBackground)
{
    fadeImage(nullptr, background, fadeIn, 10, 0, 0, nullptr);
    EXPECT_EQ(totalPausedMs(), 250u);
    EXPECT_EQ(rgbAt(screen, 400, 300), grey);
}

// --- joystick notice -----------------------------------------------------

TEST_F(SequenceTest, JoystickNoticeOffDrawsNothingAndDoesNotWait)
{
    settings.joy = 0;
    showJoystickNotice();
    EXPECT_EQ(totalPausedMs(), 0u);
    EXPECT_EQ(countRgb(screen, 0, 0, 800, 600, 0), 800 * 600);
}

TEST_F(SequenceTest, JoystickNoticeShowsTitleThenTheLineForNoStick)
{
    ASSERT_EQ(SDL_NumJoysticks(), 0);  // the dummy driver has none
    settings.joy = 1;
    std::vector<int> titles, lines;
    atPause = [&] {
        titles.push_back(countRgb(screen, 230, 270, 330, 22, titleColour));
        lines.push_back(countRgb(screen, 225, 300, 330, 22, noStickColour));
    };
    showJoystickNotice();
    ASSERT_EQ(pauseTimes.size(), 2u);
    EXPECT_EQ(pauseTimes[0], 7000u);
    EXPECT_EQ(pauseTimes[1], 8000u);
    EXPECT_EQ(titles[0], 330 * 22);
    EXPECT_EQ(lines[0], 0);
    EXPECT_EQ(titles[1], 330 * 22);  // the line joins the title
    EXPECT_EQ(lines[1], 330 * 22);
    EXPECT_EQ(rgbAt(screen, 10, 10), grey);
}

// --- paddles appearing ---------------------------------------------------

TEST_F(SequenceTest, PaddlesAppearInSevenFramesOf150Ms)
{
    m.sides[leftSide].score = 0;
    m.sides[rightSide].score = 0;
    std::vector<Uint32> left, right;
    std::vector<int> digits;
    atPause = [&] {
        left.push_back(rgbAt(screen, 5, 300));
        right.push_back(rgbAt(screen, 784, 379));
        digits.push_back(countRgb(screen, 343, 5, 40, 52, digit0) + countRgb(screen, 418, 5, 40, 52, digit0));
    };
    paddlesAppear(m);  // the paddles at (0, 300) and (779, 300)
    EXPECT_EQ(totalPausedMs(), 7u * 150u);
    const int column[7] = {0, 2, 3, 4, 5, 6, 7};  // the second frame sits at x 40
    ASSERT_EQ(left.size(), 7u);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(left[i], fadeColour(column[i])) << i;
        EXPECT_EQ(right[i], fadeColour(column[i])) << i;
        EXPECT_EQ(digits[i], 2 * 40 * 52) << i;
    }
    EXPECT_EQ(rgbAt(screen, 20, 300), grey);
    EXPECT_EQ(boxOf(leftLook0).count, 0);  // no paddle proper
}

// --- ball sequences ------------------------------------------------------

TEST_F(SequenceTest, AppearClosesAHugeSphereOnTheBallWithoutItsPicture)
{
    std::vector<Box> spheres;
    atPause = [&spheres] { spheres.push_back(boxOf(white)); };
    ballSequence(m, ballAppear);
    EXPECT_EQ(totalPausedMs(), 26u * 30u);
    ASSERT_EQ(spheres.size(), 26u);
    EXPECT_GT(spheres.front().maxX - spheres.front().minX, 400);
    const Box& last = spheres.back();
    EXPECT_NEAR((last.minX + last.maxX) / 2.0, 133.0, 2.0);  // ball + (10, 10)
    EXPECT_NEAR((last.minY + last.maxY) / 2.0, 466.0, 2.0);
    EXPECT_LE(last.maxX - last.minX, 44);
    EXPECT_EQ(boxOf(ballRed).count, 0);
    EXPECT_NE(boxOf(leftLook0).count, 0);
    EXPECT_NE(boxOf(rightLook0).count, 0);
    EXPECT_EQ(ballImage->format->alpha, 255);
}

TEST_F(SequenceTest, BurstStartsAtTheBallAndFadesItsPictureOut)
{
    Uint32 firstCorner = 0, firstOutside = 0;
    Box firstSphere;
    int step = 0;
    atPause = [&] {
        if (step++ == 0) {
            firstCorner = rgbAt(screen, 123, 456);
            firstOutside = rgbAt(screen, 122, 456);
            firstSphere = boxOf(white);
        }
    };
    ballSequence(m, ballBurst);
    EXPECT_EQ(totalPausedMs(), 780u);
    EXPECT_NE(firstCorner, grey);  // picture at alpha 50 over the court
    EXPECT_GT(firstCorner >> 16, grey >> 16);
    EXPECT_EQ(firstOutside, grey);
    EXPECT_NEAR((firstSphere.minX + firstSphere.maxX) / 2.0, 133.0, 2.0);
    EXPECT_NEAR((firstSphere.minY + firstSphere.maxY) / 2.0, 466.0, 2.0);
    EXPECT_EQ(m.ball.x, 123.6f);  // the sequence does not move the ball
    EXPECT_EQ(m.ball.y, 456.3f);
    EXPECT_EQ(ballImage->format->alpha, 255);
}

TEST_F(SequenceTest, GatherEndsWithPictureAt390And290AndSphereAtTheCentre)
{
    // The last pair is far off court, where plain float steps from the
    // ball towards the centre would stop a pixel short of it.
    const float where[][2] = {{123.6f, 0.3f}, {0.1f, 579.7f}, {779.9f, 0.3f}, {-117.959991f, -272.886261f}};
    for (const auto& b : where) {
        const float bx = b[0];
        m.ball.x = bx;
        m.ball.y = b[1];
        Box sphere;
        Uint32 corner = 0;
        atPause = [&] {
            sphere = boxOf(white);
            corner = rgbAt(screen, 390, 290);
        };
        ballSequence(m, ballGather);
        ASSERT_NE(corner, grey) << bx;
        Box picture = boxOf(corner);
        EXPECT_EQ(picture.minX, 390) << bx;
        EXPECT_EQ(picture.minY, 290) << bx;
        EXPECT_EQ(picture.maxX, 409) << bx;
        EXPECT_EQ(picture.maxY, 309) << bx;
        EXPECT_NEAR((sphere.minX + sphere.maxX) / 2.0, 400.0, 2.0) << bx;
        EXPECT_NEAR((sphere.minY + sphere.maxY) / 2.0, 300.0, 2.0) << bx;
        EXPECT_LE(sphere.maxX - sphere.minX, 44) << bx;
        EXPECT_EQ(ballImage->format->alpha, 255);
    }
}

TEST_F(SequenceTest, RunningSparksPlayOnDuringTheSequence)
{
    m.sides[leftSide].hitSpark.frame = 0;
    Uint32 sparkPixel = 0;
    int step = 0;
    atPause = [&] {
        if (step++ == 0)
            sparkPixel = rgbAt(screen, 50, 280);  // right of the left paddle, inside the spark
    };
    ballSequence(m, ballBurst);
    EXPECT_EQ(sparkPixel, 0xF08000u);
    EXPECT_EQ(m.sides[leftSide].hitSpark.frame, 8);
    EXPECT_EQ(m.sides[rightSide].hitSpark.frame, 10);
}

TEST_F(SequenceTest, StillBallDoesNotRollItsDots)
{
    Dot before[41];
    std::memcpy(before, sphereDots, sizeof before);
    ballSequence(m, ballAppear);
    ballSequence(m, ballBurst);
    ballSequence(m, ballGather);
    drawScene(m);
    EXPECT_EQ(std::memcmp(before, sphereDots, sizeof before), 0);
}

TEST_F(SequenceTest, UnknownKindDoesNothing)
{
    ballSequence(m, 3);
    EXPECT_EQ(totalPausedMs(), 0u);
    EXPECT_EQ(countRgb(screen, 0, 0, 800, 600, 0), 800 * 600);
}

// --- the still court and the chains ------------------------------------

TEST_F(SequenceTest, SceneDrawsCourtDotsPaddlesScoresAndLabelsButNoPictureOrSpark)
{
    m.sides[leftSide].hitSpark.frame = 3;
    m.sides[rightSide].smashHeld = true;
    m.sides[leftSide].smashHeld = false;
    drawScene(m);
    EXPECT_EQ(totalPausedMs(), 0u);
    EXPECT_EQ(rgbAt(screen, 400, 590), grey);
    EXPECT_EQ(boxOf(ballRed).count, 0);
    EXPECT_EQ(boxOf(0xF08000).count, 0);
    EXPECT_EQ(boxOf(leftLook0).count, 20 * 80);
    EXPECT_EQ(boxOf(rightLook1).count, 20 * 80);
    EXPECT_EQ(boxOf(digit0).count, 2 * 40 * 52);
    EXPECT_EQ(countRgb(screen, 0, 0, 140, 18, 0xE0E0E0), 140 * 18);
    EXPECT_NE(boxOf(white).count, 0);
    EXPECT_EQ(m.sides[leftSide].hitSpark.frame, 3);
}

TEST_F(SequenceTest, MatchStartChainTakesAbout1point9Seconds)
{
    paddlesAppear(m);  // the paddles at (0, 300) and (779, 300)
    ballSequence(m, ballAppear);
    drawScene(m);
    EXPECT_EQ(totalPausedMs(), 1050u + 780u);
}

TEST_F(SequenceTest, PointChainTakesAbout1point6Seconds)
{
    ballSequence(m, ballBurst);
    ballSequence(m, ballGather);
    EXPECT_EQ(totalPausedMs(), 2u * 780u);
    EXPECT_EQ(pauseTimes.size(), 52u);
    EXPECT_EQ(ballImage->format->alpha, 255);
}

}  // namespace
