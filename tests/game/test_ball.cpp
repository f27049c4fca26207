#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "game/base/frameclock.h"
#include "game/base/state.h"
#include "game/base/timeseam.h"
#include "game/match/ball.h"
#include "game/match/match.h"
#include "game/match/paddle.h"
#include "game/media/sprites.h"
#include "settings/settings.h"

namespace {

// The match the game plays: what these cases set up and look at.
Match& m = currentMatch();

bool sameRect(const SDL_Rect& r, int x, int y, int w, int h)
{
    return r.x == x && r.y == y && r.w == w && r.h == h;
}

// Every frame of these tests lasts exactly 10 ms of virtual time.
class BallTest : public ::testing::Test {
protected:
    FrameClock clock{};

    void SetUp() override
    {
        useVirtualClock(1000);
        clock = makeFrameClock();
        restart(clock);
        pauseMs(10);

        settings.sound = 0;
        settings.xspeed = 0;
        m.gameType = 0;
        m.courtMode = 1;
        m.sides[leftSide].score = m.sides[rightSide].score = 0;
        m.rallyEnd = 0;
        m.hitCount = 0;
        m.sides[leftSide].hitLock = m.sides[rightSide].hitLock = m.postLock = false;
        m.sides[leftSide].smashHeld = m.sides[rightSide].smashHeld = false;
        m.contactX = 0;
        m.ball.smashBoost = 0;
        setFrame(m.sides[leftSide].hitSpark, 9);
        setFrame(m.sides[rightSide].hitSpark, 9);
        // Paddles parked in the bottom corners, out of the ball's way.
        setPaddle(leftSide, 0, 520, 0, 0);
        setPaddle(rightSide, 780, 520, 0, 0);
    }
    void TearDown() override { useRealClock(); }

    void setBall(float x, float y, float vx, float vy)
    {
        m.ball.x = x;
        m.ball.y = y;
        m.ball.vx = vx;
        m.ball.vy = vy;
        placeHitRects(m.ball);
    }
    void setPaddle(PaddleSide side, float x, float y, float vx, float vy)
    {
        Side& s = m.sides[side];
        s.paddle.x = x;
        s.paddle.y = y;
        s.paddle.vx = vx;
        s.paddle.vy = vy;
        s.vxSnapshot = vx;
        placeHitRects(s.paddle);
    }
    // The ball's move as the match frame makes it: each stroke starts its spark.
    BallStrokes strokes{0, {leftSide, leftSide}};  // of the last frame()
    void frame()
    {
        strokes = updateBall(m, elapsedMs(clock), m.sides[leftSide].paddle.hitRects, m.sides[rightSide].paddle.hitRects);
        for (int i = 0; i < strokes.count; ++i)
            m.sides[strokes.sides[i]].hitSpark.frame = 0;
    }
    float speed() const { return std::sqrt(m.ball.vx * m.ball.vx + m.ball.vy * m.ball.vy); }

    // The computer's hits smash by a draw % 10: predict the draws of
    // a known seed and compare.
    void expectComputerSmashes(bool onLeft, int type, int limit, bool draws)
    {
        const unsigned seed = 4242;
        RandGen predict = seededRandGen(seed);
        std::vector<int> r;
        for (int i = 0; i < 30; ++i)
            r.push_back(nextRand(predict) % 10);
        m.rand = seededRandGen(seed);

        for (int i = 0; i < 30; ++i) {
            SetUp();
            m.gameType = type;
            const Uint32 before = m.randDraws;
            if (onLeft) {
                m.sides[leftSide].paddle = Paddle{100, 250, {{100, 250, 20, 80}}, 0, 0};
                m.ball.x = 115;
                m.ball.vx = -300;
            } else {
                m.sides[rightSide].paddle = Paddle{700, 250, {{700, 250, 20, 80}}, 0, 0};
                m.ball.x = 681;
                m.ball.vx = 300;
            }
            m.ball.y = 270;
            m.ball.vy = 0;
            frame();
            ASSERT_EQ(m.hitCount, 1);
            if (!draws) {
                EXPECT_EQ(m.randDraws, before);
                EXPECT_EQ(m.ball.smashBoost, 0.0f);
                continue;
            }
            EXPECT_EQ(m.randDraws, before + 1);
            const bool smash = r[static_cast<size_t>(i)] <= limit;
            EXPECT_EQ(m.ball.smashBoost, smash ? 4.0f * m.ball.vx : 0.0f) << "type " << type << " draw " << i;
        }
    }
};

// --- hit shape and collision test -------------------------------------

TEST(BallShape, CreatedAtCentreAtRestWithPlacedShape)
{
    EXPECT_EQ(m.ball.x, 400.0f);
    EXPECT_EQ(m.ball.y, 300.0f);
    EXPECT_EQ(m.ball.vx, 0.0f);
    EXPECT_EQ(m.ball.vy, 0.0f);
    EXPECT_EQ(m.ball.smashBoost, 0.0f);
    EXPECT_TRUE(sameRect(m.ball.hitRects[0], 400, 300, 20, 20));
    EXPECT_TRUE(sameRect(m.ball.hitRects[10], 407, 338, 6, 1));
}

TEST(BallShape, RectsStackBelowTheSquareAndTruncateTowardZero)
{
    Ball b = m.ball;
    b.x = 100.7f;
    b.y = 200.9f;
    placeHitRects(b);
    const int xs[11] = {100, 105, 103, 102, 101, 100, 101, 102, 103, 105, 107};
    const int ys[11] = {200, 220, 221, 222, 224, 226, 232, 234, 236, 237, 238};
    const int ws[11] = {20, 10, 14, 16, 18, 20, 18, 16, 14, 10, 6};
    const int hs[11] = {20, 1, 1, 2, 2, 6, 2, 2, 1, 1, 1};
    for (int i = 0; i < 11; ++i)
        EXPECT_TRUE(sameRect(b.hitRects[i], xs[i], ys[i], ws[i], hs[i])) << "rect " << i;

    b.x = -0.5f;
    b.y = -0.9f;
    placeHitRects(b);
    EXPECT_EQ(b.hitRects[0].x, 0);  // not -1
    EXPECT_EQ(b.hitRects[0].y, 0);
    EXPECT_EQ(b.hitRects[1].y, 19);
}

TEST(BallShape, HugeOrBrokenPositionsSaturate)
{
    EXPECT_EQ(truncToPx(1.0e12f), 32767);
    EXPECT_EQ(truncToPx(-1.0e12f), -32768);
    EXPECT_EQ(truncToInt(std::nanf("")), 0);
    EXPECT_EQ(truncToInt(-2.9f), -2);
}

TEST(RectOverlap, TouchingRectsDoNotOverlapAndKeepContact)
{
    m.contactX = 77;
    SDL_Rect a = {0, 0, 10, 10};
    SDL_Rect right = {10, 0, 10, 10};
    SDL_Rect below = {0, 10, 10, 10};
    SDL_Rect left = {-10, 5, 10, 10};
    SDL_Rect above = {5, -10, 10, 10};
    EXPECT_FALSE(rectListsOverlap(&a, 1, &right, 1, m.contactX));
    EXPECT_FALSE(rectListsOverlap(&a, 1, &below, 1, m.contactX));
    EXPECT_FALSE(rectListsOverlap(&a, 1, &left, 1, m.contactX));
    EXPECT_FALSE(rectListsOverlap(&a, 1, &above, 1, m.contactX));
    EXPECT_EQ(m.contactX, 77);
}

TEST(RectOverlap, OnePixelOverlapSetsContactX)
{
    SDL_Rect a = {0, 0, 10, 10};
    SDL_Rect b = {9, 9, 20, 10};
    EXPECT_TRUE(rectListsOverlap(&a, 1, &b, 1, m.contactX));
    EXPECT_EQ(m.contactX, (0 + 10 + 9 + 29) / 4);  // 12
}

TEST(RectOverlap, ContactXTruncatesTowardZeroLeftOfTheScreen)
{
    SDL_Rect a = {-10, 0, 5, 5};
    SDL_Rect b = {-8, 0, 5, 5};
    EXPECT_TRUE(rectListsOverlap(&a, 1, &b, 1, m.contactX));
    EXPECT_EQ(m.contactX, -6);  // -26 / 4 = -6.5
}

TEST(RectOverlap, FirstOverlappingPairInListOrderWins)
{
    SDL_Rect a[2] = {{0, 0, 4, 4}, {100, 0, 4, 4}};
    SDL_Rect b[2] = {{102, 0, 4, 4}, {2, 0, 4, 4}};
    EXPECT_TRUE(rectListsOverlap(a, 2, b, 2, m.contactX));
    EXPECT_EQ(m.contactX, (0 + 4 + 2 + 6) / 4);  // a[0] with b[1]
}

TEST(RectOverlap, EmptyOrMissingListsNeverOverlap)
{
    m.contactX = 5;
    SDL_Rect a = {0, 0, 10, 10};
    EXPECT_FALSE(rectListsOverlap(&a, 1, &a, 0, m.contactX));
    EXPECT_FALSE(rectListsOverlap(&a, 0, &a, 1, m.contactX));
    EXPECT_FALSE(rectListsOverlap(&a, 1, nullptr, 1, m.contactX));
    EXPECT_EQ(m.contactX, 5);
}

// --- paddle hits --------------------------------------------------------

TEST_F(BallTest, ShadowRowsReachThirtyEightPixelsBelowTheTop)
{
    for (int below : {30, 38, 39}) {
        SetUp();
        setPaddle(leftSide, 100, 270.0f + static_cast<float>(below), 0, 0);
        setBall(110, 270, -100, 0);
        frame();
        EXPECT_EQ(m.sides[leftSide].hitLock, below <= 38) << "paddle top " << below << " px below the ball";
    }
}

TEST_F(BallTest, DownwardPaddleTurnsTheBallAndAddsTwelve)
{
    setPaddle(leftSide, 100, 250, 0, 300);
    setBall(115, 270, -300, 0);
    frame();
    EXPECT_NEAR(m.ball.vx, 273.58f, 0.01f);
    EXPECT_FLOAT_EQ(m.ball.vy, 150.0f);
    EXPECT_NEAR(speed(), 312.0f, 0.01f);
    EXPECT_FLOAT_EQ(m.ball.x, 112.0f + 21.0f);  // moved 3 px in, pushed 21 px out
    EXPECT_FLOAT_EQ(m.ball.y, 271.5f);
    EXPECT_EQ(m.contactX, (112 + 132 + 100 + 120) / 4);
    EXPECT_TRUE(m.sides[leftSide].hitLock);
    ASSERT_EQ(strokes.count, 1);
    EXPECT_EQ(strokes.sides[0], leftSide);
    EXPECT_EQ(m.sides[leftSide].hitSpark.frame, 0);
    EXPECT_EQ(m.sides[rightSide].hitSpark.frame, 9);
    EXPECT_EQ(m.hitCount, 1);
    EXPECT_EQ(m.ball.smashBoost, 0.0f);
}

TEST_F(BallTest, SteepBallIsLimitedToFourToOne)
{
    setPaddle(leftSide, 100, 250, 0, 0);
    setBall(115, 270, -30, 200);
    frame();
    EXPECT_EQ(m.ball.vx, 50.0f);
    EXPECT_EQ(m.ball.vy, 200.0f);
}

TEST_F(BallTest, SteepLimitKeepsTheReflectedDirection)
{
    setPaddle(rightSide, 700, 250, 0, 0);
    setBall(681, 270, 30, -200);
    frame();
    EXPECT_EQ(m.ball.vx, -50.0f);
}

TEST_F(BallTest, ExactlyFourToOneIsLeftAlone)
{
    setPaddle(leftSide, 100, 250, 0, 0);
    setBall(115, 270, -50.2f, 200);  // a = trunc(200.8) = 200 = b
    frame();
    EXPECT_EQ(m.ball.vx, 50.2f);
}

// A blend whose square root would have no real value leaves that component.
TEST_F(BallTest, PaddleFarFasterThanTheBallKeepsTheOtherComponent)
{
    setPaddle(leftSide, 100, 250, 0, 1000);
    setBall(115, 270, -300, 0);
    frame();
    EXPECT_EQ(m.ball.vx, 300.0f);
    EXPECT_EQ(m.ball.vy, 500.0f);

    SetUp();
    setPaddle(leftSide, 100, 250, 1000, 0);
    setBall(115, 270, -300, 0);
    frame();
    EXPECT_EQ(m.ball.vx, 650.0f);
    EXPECT_EQ(m.ball.vy, 0.0f);
}

TEST_F(BallTest, StillPaddleGivesPureReflection)
{
    setPaddle(leftSide, 100, 250, 0, 0);
    setBall(115, 270, -240, 60);
    frame();
    EXPECT_EQ(m.ball.vx, 240.0f);
    EXPECT_EQ(m.ball.vy, 60.0f);
}

TEST_F(BallTest, PaddleMovingAwayFromTheCentreAddsNoSpin)
{
    setPaddle(leftSide, 100, 250, -300, 0);
    setBall(115, 270, -240, 60);
    frame();
    EXPECT_EQ(m.ball.vx, 240.0f);
    EXPECT_EQ(m.ball.vy, 60.0f);
}

TEST_F(BallTest, DiagonalPaddleTowardTheCentreBlendsTwice)
{
    setPaddle(leftSide, 100, 250, 300, 300);
    setBall(115, 270, -300, 0);
    frame();
    EXPECT_NEAR(m.ball.vx, 286.788f, 0.01f);
    EXPECT_NEAR(m.ball.vy, 150.760f, 0.01f);
    EXPECT_NEAR(speed(), 324.0f, 0.01f);
}

TEST_F(BallTest, UpwardRightPaddleSendsTheBallUpAndLeft)
{
    setPaddle(rightSide, 700, 250, 0, -300);
    setBall(681, 270, 300, 0);
    frame();
    EXPECT_NEAR(m.ball.vx, -273.58f, 0.01f);
    EXPECT_FLOAT_EQ(m.ball.vy, -150.0f);
    EXPECT_TRUE(m.sides[rightSide].hitLock);
    ASSERT_EQ(strokes.count, 1);
    EXPECT_EQ(strokes.sides[0], rightSide);
    EXPECT_EQ(m.sides[rightSide].hitSpark.frame, 0);
    EXPECT_EQ(m.sides[leftSide].hitSpark.frame, 9);
}

TEST_F(BallTest, PushOutAddsTheLeftPaddlesTravel)
{
    setPaddle(leftSide, 100, 250, 300, 0);
    setBall(115, 270, -100, 0);
    frame();
    EXPECT_FLOAT_EQ(m.ball.x, 114.0f + 24.0f);
}

TEST_F(BallTest, PushOutSubtractsTheRightPaddlesTravel)
{
    setPaddle(rightSide, 700, 250, -300, 0);
    setBall(685, 270, 100, 0);
    frame();
    EXPECT_FLOAT_EQ(m.ball.x, 686.0f - 18.0f);
}

TEST_F(BallTest, LockedPaddleCannotHitAgainButStillSetsContact)
{
    setPaddle(leftSide, 100, 250, 0, 0);
    setBall(115, 270, -100, 0);
    m.sides[leftSide].hitLock = true;
    frame();
    EXPECT_EQ(m.ball.vx, -100.0f);
    EXPECT_EQ(m.hitCount, 0);
    EXPECT_EQ(m.contactX, (114 + 134 + 100 + 120) / 4);
}

TEST_F(BallTest, MissingPaddleRectsMeanNoPaddle)
{
    setPaddle(leftSide, 100, 250, 0, 0);
    setBall(115, 270, -100, 0);
    updateBall(m, elapsedMs(clock), nullptr, nullptr);
    EXPECT_EQ(m.ball.vx, -100.0f);
    EXPECT_FALSE(m.sides[leftSide].hitLock);
}

// --- half-court locks ---------------------------------------------------

TEST_F(BallTest, CentreLineClearsTheOtherSidesLock)
{
    setBall(400, 300, 0, 0);
    m.sides[leftSide].hitLock = m.sides[rightSide].hitLock = true;
    frame();
    EXPECT_TRUE(m.sides[leftSide].hitLock);
    EXPECT_TRUE(m.sides[rightSide].hitLock);

    setBall(400.5f, 300, 0, 0);
    frame();
    EXPECT_FALSE(m.sides[leftSide].hitLock);
    EXPECT_TRUE(m.sides[rightSide].hitLock);

    m.sides[leftSide].hitLock = true;
    setBall(399.5f, 300, 0, 0);
    frame();
    EXPECT_TRUE(m.sides[leftSide].hitLock);
    EXPECT_FALSE(m.sides[rightSide].hitLock);
}

// --- posts of court 2 ---------------------------------------------------

TEST_F(BallTest, SlowBallSlipsPastThePostAwayFromItsPlayer)
{
    m.courtMode = 2;
    setBall(395, 100, 15, 0);
    m.sides[leftSide].hitLock = true;
    frame();
    EXPECT_EQ(m.ball.vx, 20.0f);
    EXPECT_TRUE(m.postLock);
    EXPECT_FALSE(m.sides[leftSide].hitLock);
    EXPECT_EQ(m.hitCount, 0);

    SetUp();
    m.courtMode = 2;
    setBall(405, 500, -20.9f, 0);  // truncates to 20: still slow
    m.sides[rightSide].hitLock = true;
    frame();
    EXPECT_EQ(m.ball.vx, -20.0f);
    EXPECT_FALSE(m.sides[rightSide].hitLock);
}

TEST_F(BallTest, SlowUnplayedBallKeepsItsSpeedAtThePost)
{
    m.courtMode = 2;
    setBall(395, 100, 10, 0);
    frame();
    EXPECT_EQ(m.ball.vx, 10.0f);
    EXPECT_TRUE(m.postLock);
}

TEST_F(BallTest, FastBallBouncesOffThePostAndFreesBothPaddles)
{
    m.courtMode = 2;
    setBall(395, 425, 300, 0);
    m.sides[leftSide].hitLock = true;
    m.ball.smashBoost = 30;
    frame();
    EXPECT_EQ(m.ball.vx, -300.0f);
    EXPECT_EQ(m.ball.smashBoost, 0.0f);
    EXPECT_FALSE(m.sides[leftSide].hitLock);
    EXPECT_FALSE(m.sides[rightSide].hitLock);
    EXPECT_EQ(m.hitCount, 0);
    EXPECT_TRUE(m.postLock);
}

TEST_F(BallTest, NoSecondPostBounceUntilAPaddleHit)
{
    m.courtMode = 2;
    setBall(395, 150, 300, 0);
    frame();
    ASSERT_EQ(m.ball.vx, -300.0f);
    frame();  // still at the post
    EXPECT_EQ(m.ball.vx, -300.0f);

    // A paddle hit frees the posts again.
    setPaddle(leftSide, 100, 250, 0, 0);
    setBall(115, 270, -300, 0);
    frame();
    ASSERT_TRUE(m.sides[leftSide].hitLock);
    EXPECT_FALSE(m.postLock);
    setBall(395, 150, 300, 0);
    frame();
    EXPECT_EQ(m.ball.vx, -300.0f);
}

TEST_F(BallTest, PostZoneEdges)
{
    struct Case {
        float x, y;
        bool bounce;
    };
    // x after the 10 ms move: start + 3
    const Case cases[] = {{382, 100, false}, {382.5f, 100, true}, {411.5f, 100, true}, {412, 100, false},
                          {395, 75, true},   {395, 74.5f, false}, {395, 175, true},    {395, 175.5f, false},
                          {395, 425, true},  {395, 525, true},    {395, 525.5f, false}, {395, 300, false}};
    for (const Case& c : cases) {
        SetUp();
        m.courtMode = 2;
        setBall(c.x, c.y, 300, 0);
        frame();
        EXPECT_EQ(m.ball.vx < 0, c.bounce) << c.x << ", " << c.y;
    }
}

TEST_F(BallTest, OtherCourtsHaveNoPosts)
{
    for (int court : {1, 3}) {
        m.courtMode = court;
        setBall(395, 100, 300, 0);
        frame();
        EXPECT_EQ(m.ball.vx, 300.0f);
        EXPECT_FALSE(m.postLock);
    }
}

// --- edges, walls and the serve ----------------------------------------

TEST_F(BallTest, RightEdgeScoresForTheLeftPlayer)
{
    setBall(785, 300, 300, 0);
    frame();
    EXPECT_EQ(m.rallyEnd, 1);
    EXPECT_EQ(m.sides[leftSide].score, 1);
    EXPECT_EQ(m.sides[rightSide].score, 0);
    EXPECT_EQ(m.ball.vx, -305.0f);
    EXPECT_FLOAT_EQ(m.ball.x, 788.0f - 21.0f);
    EXPECT_EQ(m.hitCount, 1);

    resetMatch(m);
    EXPECT_EQ(m.ball.vx, -100.0f);  // served toward the winner
}

TEST_F(BallTest, LeftEdgeScoresForTheRightPlayer)
{
    setBall(2, 300, -300, 0);
    frame();
    EXPECT_EQ(m.rallyEnd, 2);
    EXPECT_EQ(m.sides[rightSide].score, 1);
    EXPECT_EQ(m.sides[leftSide].score, 0);
    EXPECT_EQ(m.ball.vx, 305.0f);
    EXPECT_FLOAT_EQ(m.ball.x, -1.0f + 21.0f);
    EXPECT_EQ(m.hitCount, 1);

    resetMatch(m);
    EXPECT_EQ(m.ball.vx, 100.0f);
}

TEST_F(BallTest, WallsBounceWithoutSpeedGain)
{
    setBall(300, 1, 0, -300);
    frame();
    EXPECT_EQ(m.ball.vy, 300.0f);
    EXPECT_FLOAT_EQ(m.ball.y, -2.0f + 21.0f);
    EXPECT_EQ(m.hitCount, 1);

    setBall(300, 578, 0, 300);
    frame();
    EXPECT_EQ(m.ball.vy, -300.0f);
    EXPECT_FLOAT_EQ(m.ball.y, 581.0f - 21.0f);
    EXPECT_EQ(m.hitCount, 2);
    EXPECT_EQ(m.rallyEnd, 0);
}

TEST_F(BallTest, EveryBounceOfAFrameIsCounted)
{
    setPaddle(rightSide, 780, 0, 0, 0);
    setBall(785, 585, 300, 300);  // corner: side edge and floor together
    frame();
    EXPECT_EQ(m.hitCount, 2);

    SetUp();
    setPaddle(leftSide, 100, 500, 0, 0);  // paddle hit and floor in one frame
    setBall(115, 578, -300, 300);
    frame();
    EXPECT_EQ(m.hitCount, 2);
    EXPECT_TRUE(m.sides[leftSide].hitLock);
}

// --- smashes --------------------------------------------------------------

TEST_F(BallTest, PlayerSmashIsFourTimesTheReflectedSpeedForOneFrame)
{
    m.sides[leftSide].smashHeld = true;
    setPaddle(leftSide, 100, 250, 0, 0);
    setBall(115, 270, -300, 0);
    frame();
    EXPECT_EQ(m.ball.smashBoost, 1200.0f);
    const float x = m.ball.x;
    frame();  // one frame at five times the speed, then the boost is gone
    EXPECT_FLOAT_EQ(m.ball.x, x + 15.0f);
    EXPECT_EQ(m.ball.smashBoost, 0.0f);
    frame();
    EXPECT_FLOAT_EQ(m.ball.x, x + 18.0f);
}

TEST_F(BallTest, RightSmashFadesWithDistanceThenHolds)
{
    m.sides[rightSide].smashHeld = true;
    setPaddle(rightSide, 700, 250, 0, 0);
    setBall(681, 270, 300, 0);
    frame();
    ASSERT_EQ(m.contactX, 702);
    EXPECT_FLOAT_EQ(m.ball.x, 663.0f);
    EXPECT_EQ(m.ball.smashBoost, -1200.0f);

    frame();
    EXPECT_FLOAT_EQ(m.ball.x, 648.0f);
    EXPECT_NEAR(m.ball.smashBoost, -555.556f, 0.01f);

    float previous = m.ball.smashBoost;
    int frames = 0;
    while (m.ball.smashBoost < -50.0f && frames < 200) {
        frame();
        ++frames;
        EXPECT_GT(m.ball.smashBoost, previous);  // falls off in size
        previous = m.ball.smashBoost;
    }
    ASSERT_GE(m.ball.smashBoost, -50.0f);
    EXPECT_LT(m.ball.smashBoost, -40.0f);
    EXPECT_GT(m.ball.x, 0.0f);
    const float held = m.ball.smashBoost;
    frame();
    EXPECT_EQ(m.ball.smashBoost, held);
}

TEST_F(BallTest, LeftComputerSmashesByChanceOfItsLevel)
{
    for (int type = 1; type <= 5; ++type)
        expectComputerSmashes(true, type, type + 1, true);
}

TEST_F(BallTest, PeopleOnTheLeftNeverDraw)
{
    expectComputerSmashes(true, 0, 0, false);
}

TEST_F(BallTest, RightComputerPlaysOnlyInTypeFour)
{
    expectComputerSmashes(false, 4, 5, true);
    for (int type : {0, 1, 2, 3, 5})
        expectComputerSmashes(false, type, 0, false);
}

TEST_F(BallTest, BoostEndsWhenTheBallReachesTheContactPoint)
{
    m.contactX = 110;
    setBall(100, 270, 500, 0);
    m.ball.smashBoost = 500;
    frame();
    EXPECT_EQ(m.ball.x, 110.0f);
    EXPECT_EQ(m.ball.smashBoost, 0.0f);  // no division by a zero distance
}

TEST_F(BallTest, SmallBoostIsKept)
{
    m.contactX = 500;
    setBall(100, 270, -300, 0);
    m.ball.smashBoost = -50;
    frame();
    EXPECT_EQ(m.ball.smashBoost, -50.0f);
    EXPECT_FLOAT_EQ(m.ball.x, 96.5f);
}

// --- match reset ----------------------------------------------------------

TEST_F(BallTest, ResetMatchPreparesANewMatch)
{
    settings.xspeed = 100;
    m.sides[leftSide].score = 7;
    m.sides[rightSide].score = 3;
    m.hitCount = 4;
    m.rallyAborted = true;
    m.sides[leftSide].hitLock = m.sides[rightSide].hitLock = m.postLock = true;
    m.sides[leftSide].vxSnapshot = m.sides[rightSide].vxSnapshot = 55;
    setPaddle(leftSide, 200, 100, 300, -300);
    setPaddle(rightSide, 600, 400, -300, 300);
    setBall(123, 456, -431, 0);
    m.ball.smashBoost = 99;

    resetMatch(m);

    EXPECT_EQ(m.rallySpeed, 400);
    EXPECT_FALSE(m.rallyAborted);
    EXPECT_FALSE(m.sides[leftSide].hitLock);
    EXPECT_FALSE(m.sides[rightSide].hitLock);
    EXPECT_FALSE(m.postLock);
    EXPECT_EQ(m.sides[leftSide].score, 0);
    EXPECT_EQ(m.sides[rightSide].score, 0);
    EXPECT_EQ(m.hitCount, 0);
    EXPECT_EQ(m.sides[leftSide].vxSnapshot, 0.0f);
    EXPECT_EQ(m.sides[rightSide].vxSnapshot, 0.0f);
    EXPECT_TRUE(sameRect(m.sides[leftSide].paddle.hitRects[0], 0, 260, 20, 80));
    EXPECT_TRUE(sameRect(m.sides[rightSide].paddle.hitRects[0], 779, 260, 20, 80));
    EXPECT_EQ(m.sides[leftSide].paddle.vx, 0.0f);
    EXPECT_EQ(m.sides[leftSide].paddle.vy, 0.0f);
    EXPECT_EQ(m.sides[rightSide].paddle.vx, 0.0f);
    EXPECT_EQ(m.sides[rightSide].paddle.vy, 0.0f);
    EXPECT_EQ(m.ball.x, 390.0f);
    EXPECT_EQ(m.ball.y, 290.0f);
    EXPECT_TRUE(sameRect(m.ball.hitRects[0], 390, 290, 20, 20));
    EXPECT_EQ(m.ball.vx, -100.0f);
    EXPECT_EQ(m.ball.vy, 0.0f);  // zero stays zero
    EXPECT_EQ(m.ball.smashBoost, 0.0f);
}

TEST_F(BallTest, FirstServeOfTheProgramGoesRightAndDown)
{
    settings.xspeed = 200;
    setBall(400, 300, 100, 100);
    resetMatch(m);
    EXPECT_EQ(m.rallySpeed, 500);
    EXPECT_EQ(m.ball.vx, 100.0f);
    EXPECT_EQ(m.ball.vy, 100.0f);
}

}  // namespace
