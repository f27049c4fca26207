#include <gtest/gtest.h>

#include "game/base/frameclock.h"
#include "game/base/state.h"
#include "game/base/timeseam.h"
#include "game/match/computer.h"
#include "game/match/match.h"
#include "game/match/paddle.h"
#include "settings/settings.h"

namespace {

// The match the game plays: what these cases set up and look at.
Match& m = currentMatch();

class ComputerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        settings.sbots = 0;
        m.rallySpeed = 300;
        m.sides[leftSide].smashHeld = m.sides[rightSide].smashHeld = false;
        m.sides[leftSide].paddle.vx = m.sides[leftSide].paddle.vy = 0;
        m.sides[rightSide].paddle.vx = m.sides[rightSide].paddle.vy = 0;
    }
};

// Horizontal answer of the left computer for a ball at bx, the paddle at
// x 100 and the ball level with the paddle: +s closes in, -s retreats (then
// vy is 0), 123 means unchanged.
float leftReaction(float bx, int level)
{
    m.sides[leftSide].paddle.vx = 123;
    m.sides[leftSide].paddle.vy = 77;
    steerLeftComputer(m, bx, 140, 100, 100, level);
    return m.sides[leftSide].paddle.vx;
}

// The x at which the left computer stops closing in and starts to retreat.
void expectAttackLine(int level, int line)
{
    const float t = static_cast<float>(line);
    EXPECT_GT(leftReaction(t - 0.5f, level), 0.0f) << "level " << level;
    EXPECT_EQ(leftReaction(t, level), 123.0f) << "level " << level;
    EXPECT_EQ(m.sides[leftSide].paddle.vy, 77.0f);  // on the line nothing changes
    EXPECT_LT(leftReaction(t + 0.5f, level), 0.0f) << "level " << level;
    EXPECT_EQ(m.sides[leftSide].paddle.vy, 0.0f);
}

TEST_F(ComputerTest, SpeedIsRallySpeedOverTheLevelsDivisor)
{
    const float expected[] = {30000.0f / 140, 30000.0f / 130, 30000.0f / 120, 300, 300};
    for (int level = 1; level <= 5; ++level) {
        steerLeftComputer(m, 10, 10, 200, 200, level);
        EXPECT_FLOAT_EQ(m.sides[leftSide].paddle.vy, -expected[level - 1]) << "level " << level;
    }
    steerLeftComputer(m, 10, 10, 200, 200, 1);
    EXPECT_NEAR(m.sides[leftSide].paddle.vy, -214.3f, 0.05f);
}

TEST_F(ComputerTest, SbotsMakesEveryLevelFaster)
{
    settings.sbots = 20;
    steerLeftComputer(m, 10, 10, 200, 200, 4);
    EXPECT_FLOAT_EQ(m.sides[leftSide].paddle.vy, -375.0f);
    settings.sbots = 10;
    steerLeftComputer(m, 10, 10, 200, 200, 1);
    EXPECT_FLOAT_EQ(m.sides[leftSide].paddle.vy, -30000.0f / 130);
    steerRightComputer(m, 700, 10, 700, 300);
    EXPECT_FLOAT_EQ(m.sides[rightSide].paddle.vy, -30000.0f / 91);
}

TEST_F(ComputerTest, RightComputerDividesByOneHundredAndOne)
{
    steerRightComputer(m, 700, 10, 700, 300);
    EXPECT_NEAR(m.sides[rightSide].paddle.vy, -297.03f, 0.01f);
    m.rallySpeed = 505;
    steerRightComputer(m, 700, 10, 700, 300);
    EXPECT_FLOAT_EQ(m.sides[rightSide].paddle.vy, -50500.0f / 101);
}

TEST_F(ComputerTest, AttackLinesAtRallySpeedThreeHundred)
{
    expectAttackLine(1, 424);
    expectAttackLine(2, 428);
    expectAttackLine(3, 432);
    expectAttackLine(4, 400);
    expectAttackLine(5, 440);
}

TEST_F(ComputerTest, AttackLinesMoveBackAsTheRallySpeedsUp)
{
    m.rallySpeed = 801;
    expectAttackLine(1, 344);
    expectAttackLine(5, 360);
    expectAttackLine(4, 400);

    const int speeds[] = {400, 401, 500, 501, 600, 601, 800};
    const int lines[] = {424, 404, 404, 384, 384, 364, 364};
    for (int i = 0; i < 7; ++i) {
        m.rallySpeed = speeds[i];
        expectAttackLine(1, lines[i]);
        expectAttackLine(4, 400);
    }
}

TEST_F(ComputerTest, LeftComputerClosesInOnTheBallsX)
{
    steerLeftComputer(m, 150, 140, 100, 100, 2);
    EXPECT_GT(m.sides[leftSide].paddle.vx, 0.0f);
    steerLeftComputer(m, 50, 140, 100, 100, 2);
    EXPECT_LT(m.sides[leftSide].paddle.vx, 0.0f);
    const float before = m.sides[leftSide].paddle.vx;
    steerLeftComputer(m, 100, 140, 100, 100, 2);  // level with the ball: unchanged
    EXPECT_EQ(m.sides[leftSide].paddle.vx, before);
}

TEST_F(ComputerTest, LeftComputerKeepsItsDirectionInsideTheBand)
{
    const float s = 30000.0f / 140;
    // Band: ball top from 10 to 70 px below the paddle top (100).
    m.sides[leftSide].paddle.vy = 55;
    steerLeftComputer(m, 200, 110, 100, 100, 1);
    EXPECT_EQ(m.sides[leftSide].paddle.vy, 55.0f);
    steerLeftComputer(m, 200, 170, 100, 100, 1);
    EXPECT_EQ(m.sides[leftSide].paddle.vy, 55.0f);
    steerLeftComputer(m, 200, 109.5f, 100, 100, 1);
    EXPECT_FLOAT_EQ(m.sides[leftSide].paddle.vy, -s);
    steerLeftComputer(m, 200, 140, 100, 100, 1);
    EXPECT_FLOAT_EQ(m.sides[leftSide].paddle.vy, -s);  // still going up
    steerLeftComputer(m, 200, 170.5f, 100, 100, 1);
    EXPECT_FLOAT_EQ(m.sides[leftSide].paddle.vy, s);
    steerLeftComputer(m, 200, 110, 100, 100, 1);
    EXPECT_FLOAT_EQ(m.sides[leftSide].paddle.vy, s);  // still going down
}

TEST_F(ComputerTest, UnknownLevelsLeaveThePaddleAlone)
{
    m.sides[leftSide].paddle.vx = 12;
    m.sides[leftSide].paddle.vy = 34;
    steerLeftComputer(m, 10, 10, 200, 200, 0);
    steerLeftComputer(m, 10, 10, 200, 200, 6);
    EXPECT_EQ(m.sides[leftSide].paddle.vx, 12.0f);
    EXPECT_EQ(m.sides[leftSide].paddle.vy, 34.0f);
}

TEST_F(ComputerTest, RightComputerTurnsDownOnlyFromSeventyPixels)
{
    const float s = 30000.0f / 101;
    steerRightComputer(m, 700, 369, 700, 300);
    EXPECT_FLOAT_EQ(m.sides[rightSide].paddle.vy, -s);
    steerRightComputer(m, 700, 370, 700, 300);
    EXPECT_FLOAT_EQ(m.sides[rightSide].paddle.vy, s);
    steerRightComputer(m, 700, 200, 700, 300);
    EXPECT_FLOAT_EQ(m.sides[rightSide].paddle.vy, -s);
}

TEST_F(ComputerTest, RightComputerRetreatsWhileTheBallIsInTheFarHalf)
{
    const float s = 30000.0f / 101;
    steerRightComputer(m, 399.5f, 500, 600, 100);
    EXPECT_EQ(m.sides[rightSide].paddle.vy, 0.0f);
    EXPECT_FLOAT_EQ(m.sides[rightSide].paddle.vx, s);

    m.sides[rightSide].paddle.vx = 9;
    steerRightComputer(m, 400, 500, 600, 100);  // on the line: vx unchanged
    EXPECT_EQ(m.sides[rightSide].paddle.vx, 9.0f);
    EXPECT_FLOAT_EQ(m.sides[rightSide].paddle.vy, s);

    steerRightComputer(m, 450, 500, 600, 100);
    EXPECT_FLOAT_EQ(m.sides[rightSide].paddle.vx, -s);
    steerRightComputer(m, 700, 500, 600, 100);
    EXPECT_FLOAT_EQ(m.sides[rightSide].paddle.vx, s);
    steerRightComputer(m, 600, 500, 600, 100);
    EXPECT_FLOAT_EQ(m.sides[rightSide].paddle.vx, s);
}

// Level 4 with the ball beyond x = 400: no vertical move, back to the
// baseline, and there it stays until the ball returns.
TEST_F(ComputerTest, LevelFourRetreatsToItsBaseline)
{
    useVirtualClock(5000);
    FrameClock clock = makeFrameClock();
    restart(clock);
    pauseMs(10);

    m.sides[leftSide].paddle.x = 200;
    m.sides[leftSide].paddle.y = 100;
    placeHitRects(m.sides[leftSide].paddle);
    for (int frame = 0; frame < 100; ++frame) {
        steerLeftComputer(m, 450, 500, m.sides[leftSide].paddle.x, m.sides[leftSide].paddle.y, 4);
        EXPECT_EQ(m.sides[leftSide].paddle.vy, 0.0f);
        movePaddle(m, leftSide, elapsedMs(clock));
    }
    EXPECT_EQ(m.sides[leftSide].paddle.y, 100.0f);
    EXPECT_GE(m.sides[leftSide].paddle.x, 0.0f);
    EXPECT_LT(m.sides[leftSide].paddle.x, 3.0f);

    steerLeftComputer(m, 399, 500, m.sides[leftSide].paddle.x, m.sides[leftSide].paddle.y, 4);
    EXPECT_GT(m.sides[leftSide].paddle.vx, 0.0f);
    EXPECT_GT(m.sides[leftSide].paddle.vy, 0.0f);
    useRealClock();
}

}  // namespace
