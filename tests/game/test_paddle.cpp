#include <gtest/gtest.h>

#include "game/base/frameclock.h"
#include "game/base/state.h"
#include "game/base/timeseam.h"
#include "game/flow/matchloop.h"
#include "game/match/ball.h"
#include "game/match/computer.h"
#include "game/match/match.h"
#include "game/match/paddle.h"
#include "settings/settings.h"
#include "support/gamerun.h"

namespace {

// The match the game plays: what these cases set up and look at.
Match& m = currentMatch();

SDL_Event keyEvent(Uint8 type, SDLKey key)
{
    return type == SDL_KEYDOWN ? keyDown(key) : keyUp(key);
}

// Both handlers see every event, as in the match frame.
void handle(const SDL_Event& e)
{
    handleLeftPlayerEvent(m, e);
    handleRightPlayerEvent(m, e);
}

void press(SDLKey key) { handle(keyEvent(SDL_KEYDOWN, key)); }
void release(SDLKey key) { handle(keyEvent(SDL_KEYUP, key)); }

void place(Paddle& p, float x, float y, float vx, float vy)
{
    p.x = x;
    p.y = y;
    p.vx = vx;
    p.vy = vy;
    placeHitRects(p);
}

// Frames of exactly 10 ms of virtual time.
class PaddleTest : public ::testing::Test {
protected:
    FrameClock clock{};

    void SetUp() override
    {
        useVirtualClock(1000);
        clock = makeFrameClock();
        restart(clock);
        pauseMs(10);
        settings.joy = 0;
        settings.sbots = 0;
        m.rallySpeed = 300;
        m.hitCount = 0;
        m.rampTrigger = 0;
        musicVolume = 10;
        m.sides[leftSide].smashHeld = m.sides[rightSide].smashHeld = false;
        place(m.sides[leftSide].paddle, 0, 260, 0, 0);
        place(m.sides[rightSide].paddle, 779, 260, 0, 0);
    }
    void TearDown() override { useRealClock(); }
};

TEST(PaddleStart, BothPaddlesStartAtRestOnTheirBaselines)
{
    const Match start = startingMatch(0);
    EXPECT_EQ(start.sides[leftSide].paddle.x, 0.0f);
    EXPECT_EQ(start.sides[leftSide].paddle.y, 300.0f);
    EXPECT_EQ(start.sides[rightSide].paddle.x, 779.0f);
    EXPECT_EQ(start.sides[rightSide].paddle.y, 300.0f);
    EXPECT_EQ(start.sides[leftSide].paddle.vx, 0.0f);
    EXPECT_EQ(start.sides[rightSide].paddle.vy, 0.0f);
    EXPECT_EQ(start.sides[rightSide].paddle.hitRects[0].x, 779);
    EXPECT_EQ(start.sides[rightSide].paddle.hitRects[0].w, 20);
    EXPECT_EQ(start.sides[rightSide].paddle.hitRects[0].h, 80);
}

TEST_F(PaddleTest, HitRectFollowsTheTruncatedPosition)
{
    place(m.sides[leftSide].paddle, 12.9f, 99.99f, 0, 0);
    EXPECT_EQ(m.sides[leftSide].paddle.hitRects[0].x, 12);
    EXPECT_EQ(m.sides[leftSide].paddle.hitRects[0].y, 99);
    EXPECT_EQ(m.sides[leftSide].paddle.hitRects[0].w, 20);
    EXPECT_EQ(m.sides[leftSide].paddle.hitRects[0].h, 80);
}

// --- keyboard ---------------------------------------------------------------

TEST_F(PaddleTest, EachKeyDrivesItsOwnPaddleComponent)
{
    press(SDLK_w);
    EXPECT_EQ(m.sides[leftSide].paddle.vy, -300.0f);
    press(SDLK_d);
    EXPECT_EQ(m.sides[leftSide].paddle.vx, 300.0f);
    press(SDLK_LEFT);
    EXPECT_EQ(m.sides[rightSide].paddle.vx, -300.0f);
    press(SDLK_DOWN);
    EXPECT_EQ(m.sides[rightSide].paddle.vy, 300.0f);
    release(SDLK_w);
    release(SDLK_d);
    release(SDLK_LEFT);
    release(SDLK_DOWN);
    EXPECT_EQ(m.sides[leftSide].paddle.vx, 0.0f);
    EXPECT_EQ(m.sides[leftSide].paddle.vy, 0.0f);
    EXPECT_EQ(m.sides[rightSide].paddle.vx, 0.0f);
    EXPECT_EQ(m.sides[rightSide].paddle.vy, 0.0f);

    press(SDLK_a);
    press(SDLK_s);
    press(SDLK_UP);
    press(SDLK_RIGHT);
    EXPECT_EQ(m.sides[leftSide].paddle.vx, -300.0f);
    EXPECT_EQ(m.sides[leftSide].paddle.vy, 300.0f);
    EXPECT_EQ(m.sides[rightSide].paddle.vy, -300.0f);
    EXPECT_EQ(m.sides[rightSide].paddle.vx, 300.0f);
}

TEST_F(PaddleTest, OppositeKeysCancelAndReleaseRestarts)
{
    press(SDLK_w);
    press(SDLK_s);
    EXPECT_EQ(m.sides[leftSide].paddle.vy, 0.0f);
    release(SDLK_w);
    EXPECT_EQ(m.sides[leftSide].paddle.vy, 300.0f);
}

TEST_F(PaddleTest, SmashKeysHoldUntilReleased)
{
    press(SDLK_LSHIFT);
    EXPECT_TRUE(m.sides[leftSide].smashHeld);
    EXPECT_FALSE(m.sides[rightSide].smashHeld);
    press(SDLK_RSHIFT);
    EXPECT_TRUE(m.sides[rightSide].smashHeld);
    release(SDLK_LSHIFT);
    EXPECT_FALSE(m.sides[leftSide].smashHeld);
    EXPECT_TRUE(m.sides[rightSide].smashHeld);
    release(SDLK_RSHIFT);
    EXPECT_FALSE(m.sides[rightSide].smashHeld);
}

TEST_F(PaddleTest, KKeyAsksForTheSpeedRamp)
{
    release(SDLK_k);
    EXPECT_EQ(m.rampTrigger, 0);
    press(SDLK_k);
    EXPECT_EQ(m.rampTrigger, 2);
}

// The match only reports the volume key's press; the match frame steps
// the volume, which is each machine's own.
TEST_F(PaddleTest, MusicKeyCyclesTheVolume)
{
    const Sint32 expected[] = {0, 20, 10, 0};
    for (Sint32 v : expected) {
        EXPECT_TRUE(handleRightPlayerEvent(m, keyDown(SDLK_m)));
        stepMatchVolume();
        EXPECT_FALSE(handleRightPlayerEvent(m, keyUp(SDLK_m)));  // the release does nothing
        EXPECT_EQ(musicVolume, v);
    }
}

TEST_F(PaddleTest, OtherEventsChangeNothing)
{
    press(SDLK_x);
    SDL_Event motion = mouseMotion();
    handle(motion);
    EXPECT_EQ(m.sides[leftSide].paddle.vx, 0.0f);
    EXPECT_EQ(m.sides[leftSide].paddle.vy, 0.0f);
    EXPECT_EQ(m.sides[rightSide].paddle.vx, 0.0f);
    EXPECT_EQ(m.sides[rightSide].paddle.vy, 0.0f);
    EXPECT_EQ(musicVolume, 10);
}

// --- joysticks ---------------------------------------------------------------

TEST_F(PaddleTest, StickMovesFromEightThousandOn)
{
    settings.joy = 1;
    handle(joyAxis(1, 0, -8000));
    EXPECT_EQ(m.sides[leftSide].paddle.vx, -300.0f);
    handle(joyAxis(1, 0, 8000));
    EXPECT_EQ(m.sides[leftSide].paddle.vx, 300.0f);
    handle(joyAxis(1, 0, -7999));
    EXPECT_EQ(m.sides[leftSide].paddle.vx, 0.0f);
    handle(joyAxis(1, 1, 32767));
    EXPECT_EQ(m.sides[leftSide].paddle.vy, 300.0f);
    handle(joyAxis(1, 1, 7999));
    EXPECT_EQ(m.sides[leftSide].paddle.vy, 0.0f);
    EXPECT_EQ(m.sides[rightSide].paddle.vx, 0.0f);
    EXPECT_EQ(m.sides[rightSide].paddle.vy, 0.0f);
}

TEST_F(PaddleTest, StickZeroSteersTheRightPaddle)
{
    settings.joy = 1;
    handle(joyAxis(0, 1, -32768));
    EXPECT_EQ(m.sides[rightSide].paddle.vy, -300.0f);
    handle(joyAxis(0, 0, 9000));
    EXPECT_EQ(m.sides[rightSide].paddle.vx, 300.0f);
    handle(joyAxis(0, 2, -32768));  // other axes are ignored
    EXPECT_EQ(m.sides[rightSide].paddle.vx, 300.0f);
    EXPECT_EQ(m.sides[rightSide].paddle.vy, -300.0f);
    EXPECT_EQ(m.sides[leftSide].paddle.vx, 0.0f);
    EXPECT_EQ(m.sides[leftSide].paddle.vy, 0.0f);
}

TEST_F(PaddleTest, StickOverwritesWhatAKeyAdded)
{
    settings.joy = 1;
    press(SDLK_d);
    handle(joyAxis(1, 0, 0));
    EXPECT_EQ(m.sides[leftSide].paddle.vx, 0.0f);
}

TEST_F(PaddleTest, StickButtonsSmashForBothSides)
{
    settings.joy = 1;
    handle(joyButton(SDL_JOYBUTTONDOWN, 0, 0));
    EXPECT_TRUE(m.sides[rightSide].smashHeld);
    EXPECT_FALSE(m.sides[leftSide].smashHeld);
    handle(joyButton(SDL_JOYBUTTONDOWN, 1, 0));
    EXPECT_TRUE(m.sides[leftSide].smashHeld);
    handle(joyButton(SDL_JOYBUTTONUP, 0, 0));
    EXPECT_FALSE(m.sides[rightSide].smashHeld);
    EXPECT_TRUE(m.sides[leftSide].smashHeld);
    handle(joyButton(SDL_JOYBUTTONUP, 1, 1));  // another button: ignored
    EXPECT_TRUE(m.sides[leftSide].smashHeld);
    handle(joyButton(SDL_JOYBUTTONUP, 1, 0));
    EXPECT_FALSE(m.sides[leftSide].smashHeld);
}

TEST_F(PaddleTest, ButtonsArriveThroughTheRightHandlerOnly)
{
    settings.joy = 1;
    handleLeftPlayerEvent(m, joyButton(SDL_JOYBUTTONDOWN, 1, 0));
    EXPECT_FALSE(m.sides[leftSide].smashHeld);
    handleRightPlayerEvent(m, joyButton(SDL_JOYBUTTONDOWN, 1, 0));
    EXPECT_TRUE(m.sides[leftSide].smashHeld);
}

TEST_F(PaddleTest, SticksAreIgnoredWithJoysticksOff)
{
    settings.joy = 0;
    handle(joyAxis(1, 0, -32768));
    handle(joyAxis(0, 1, 32767));
    handle(joyButton(SDL_JOYBUTTONDOWN, 0, 0));
    handle(joyButton(SDL_JOYBUTTONDOWN, 1, 0));
    EXPECT_EQ(m.sides[leftSide].paddle.vx, 0.0f);
    EXPECT_EQ(m.sides[rightSide].paddle.vy, 0.0f);
    EXPECT_FALSE(m.sides[leftSide].smashHeld);
    EXPECT_FALSE(m.sides[rightSide].smashHeld);
}

// --- movement and zones --------------------------------------------------------

TEST_F(PaddleTest, MovesByVelocityTimesTheStep)
{
    place(m.sides[leftSide].paddle, 100, 200, 300, -300);
    movePaddle(m, leftSide, elapsedMs(clock));
    EXPECT_EQ(m.sides[leftSide].paddle.x, 103.0f);
    EXPECT_EQ(m.sides[leftSide].paddle.y, 197.0f);
    EXPECT_EQ(m.sides[leftSide].paddle.hitRects[0].x, 103);
    EXPECT_EQ(m.sides[leftSide].paddle.hitRects[0].y, 197);

    place(m.sides[leftSide].paddle, 100.5f, 200, 20, 0);  // 0.2 px: the rect stays put
    movePaddle(m, leftSide, elapsedMs(clock));
    EXPECT_FLOAT_EQ(m.sides[leftSide].paddle.x, 100.7f);
    EXPECT_EQ(m.sides[leftSide].paddle.hitRects[0].x, 100);
}

TEST_F(PaddleTest, BlockedHorizontalMoveIsTakenBackVerticalStillHappens)
{
    place(m.sides[leftSide].paddle, 280, 300, 300, 300);
    movePaddle(m, leftSide, elapsedMs(clock));
    EXPECT_EQ(m.sides[leftSide].paddle.x, 280.0f);
    EXPECT_FLOAT_EQ(m.sides[leftSide].paddle.y, 303.0f);
    EXPECT_EQ(m.sides[leftSide].paddle.vx, 300.0f);  // velocity kept
    EXPECT_EQ(m.sides[leftSide].paddle.hitRects[0].x, 280);

    place(m.sides[leftSide].paddle, 280, 300, 100, 0);  // a 1 px step still fits: right edge 301
    movePaddle(m, leftSide, elapsedMs(clock));
    EXPECT_FLOAT_EQ(m.sides[leftSide].paddle.x, 281.0f);
}

TEST_F(PaddleTest, EachPaddleKeepsToItsOwnZone)
{
    place(m.sides[leftSide].paddle, 1, 1, -300, -300);
    movePaddle(m, leftSide, elapsedMs(clock));
    EXPECT_EQ(m.sides[leftSide].paddle.x, 1.0f);
    EXPECT_EQ(m.sides[leftSide].paddle.y, 1.0f);

    place(m.sides[rightSide].paddle, 501, 519, -300, 300);
    movePaddle(m, rightSide, elapsedMs(clock));
    EXPECT_EQ(m.sides[rightSide].paddle.x, 501.0f);
    EXPECT_EQ(m.sides[rightSide].paddle.y, 519.0f);

    place(m.sides[rightSide].paddle, 779, 300, 300, 0);
    movePaddle(m, rightSide, elapsedMs(clock));
    EXPECT_EQ(m.sides[rightSide].paddle.x, 779.0f);

    place(m.sides[rightSide].paddle, 505, 300, -300, 0);  // the left zone is not the right one's
    movePaddle(m, rightSide, elapsedMs(clock));
    EXPECT_FLOAT_EQ(m.sides[rightSide].paddle.x, 502.0f);
    movePaddle(m, rightSide, elapsedMs(clock));
    EXPECT_FLOAT_EQ(m.sides[rightSide].paddle.x, 502.0f);
}

TEST_F(PaddleTest, SmashHeldFreezesThePaddle)
{
    place(m.sides[rightSide].paddle, 600, 300, -300, 300);
    press(SDLK_RSHIFT);
    movePaddle(m, rightSide, elapsedMs(clock));
    EXPECT_EQ(m.sides[rightSide].paddle.x, 600.0f);
    EXPECT_EQ(m.sides[rightSide].paddle.y, 300.0f);
    release(SDLK_RSHIFT);
    movePaddle(m, rightSide, elapsedMs(clock));
    EXPECT_FLOAT_EQ(m.sides[rightSide].paddle.x, 597.0f);
}

TEST_F(PaddleTest, SmashHeldFreezesAComputerPaddle)
{
    m.gameType = 4;
    place(m.sides[leftSide].paddle, 100, 100, 0, 0);
    place(m.sides[rightSide].paddle, 600, 100, 0, 0);
    press(SDLK_LSHIFT);
    steerLeftComputer(m, 200, 400, m.sides[leftSide].paddle.x, m.sides[leftSide].paddle.y, 4);
    steerRightComputer(m, 600, 400, m.sides[rightSide].paddle.x, m.sides[rightSide].paddle.y);
    ASSERT_NE(m.sides[leftSide].paddle.vx, 0.0f);
    ASSERT_NE(m.sides[leftSide].paddle.vy, 0.0f);
    movePaddle(m, leftSide, elapsedMs(clock));
    movePaddle(m, rightSide, elapsedMs(clock));
    EXPECT_EQ(m.sides[leftSide].paddle.x, 100.0f);
    EXPECT_EQ(m.sides[leftSide].paddle.y, 100.0f);
    EXPECT_GT(m.sides[rightSide].paddle.y, 100.0f);  // the other computer paddle still moves
}

// --- rally speed ladder ------------------------------------------------------

TEST_F(PaddleTest, SpeedUpMovesEveryMovingComponent)
{
    place(m.sides[leftSide].paddle, 0, 260, -300, 300);
    place(m.sides[rightSide].paddle, 779, 260, 0, -300);
    m.hitCount = 3;
    rallySpeedUp(m);
    EXPECT_EQ(m.rallySpeed, 307);
    EXPECT_EQ(m.sides[leftSide].paddle.vx, -307.0f);
    EXPECT_EQ(m.sides[leftSide].paddle.vy, 307.0f);
    EXPECT_EQ(m.sides[rightSide].paddle.vx, 0.0f);
    EXPECT_EQ(m.sides[rightSide].paddle.vy, -307.0f);
    EXPECT_EQ(m.hitCount, 0);
}

TEST_F(PaddleTest, HeldKeyFollowsTheLadderAndComesToRest)
{
    m.rallySpeed = 450;
    press(SDLK_w);
    ASSERT_EQ(m.sides[leftSide].paddle.vy, -450.0f);
    rallySpeedAfterPoint(m);
    EXPECT_EQ(m.rallySpeed, 350);
    EXPECT_EQ(m.sides[leftSide].paddle.vy, -350.0f);
    rallySpeedUp(m);
    EXPECT_EQ(m.rallySpeed, 357);
    EXPECT_EQ(m.sides[leftSide].paddle.vy, -357.0f);
    release(SDLK_w);
    EXPECT_EQ(m.sides[leftSide].paddle.vy, 0.0f);
}

TEST_F(PaddleTest, SlowRallyFallsBackToThreeHundred)
{
    m.rallySpeed = 400;
    place(m.sides[leftSide].paddle, 0, 260, 400, 0);
    place(m.sides[rightSide].paddle, 779, 260, -214.5f, 400);
    rallySpeedAfterPoint(m);
    EXPECT_EQ(m.rallySpeed, 300);
    EXPECT_EQ(m.sides[leftSide].paddle.vx, 300.0f);
    EXPECT_EQ(m.sides[leftSide].paddle.vy, 0.0f);
    EXPECT_EQ(m.sides[rightSide].paddle.vx, -300.0f);
    EXPECT_EQ(m.sides[rightSide].paddle.vy, 300.0f);
}

TEST_F(PaddleTest, FastRallyStepsDownByOneHundred)
{
    m.rallySpeed = 401;
    place(m.sides[leftSide].paddle, 0, 260, 401, -401);
    place(m.sides[rightSide].paddle, 779, 260, 0, 250);
    rallySpeedAfterPoint(m);
    EXPECT_EQ(m.rallySpeed, 301);
    EXPECT_EQ(m.sides[leftSide].paddle.vx, 301.0f);
    EXPECT_EQ(m.sides[leftSide].paddle.vy, -301.0f);
    EXPECT_EQ(m.sides[rightSide].paddle.vx, 0.0f);
    EXPECT_EQ(m.sides[rightSide].paddle.vy, 150.0f);
}

}  // namespace
