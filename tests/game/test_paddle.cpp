#include <gtest/gtest.h>

#include "game/base/frameclock.h"
#include "game/base/state.h"
#include "game/base/timeseam.h"
#include "game/match/ball.h"
#include "game/match/computer.h"
#include "game/match/paddle.h"
#include "settings/settings.h"
#include "support/gamerun.h"

namespace {

SDL_Event keyEvent(Uint8 type, SDLKey key)
{
    return type == SDL_KEYDOWN ? keyDown(key) : keyUp(key);
}

// Both handlers see every event, as in the match frame.
void handle(const SDL_Event& e)
{
    handleLeftPlayerEvent(e);
    handleRightPlayerEvent(e);
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
        rallySpeed = 300;
        hitCount = 0;
        rampTrigger = 0;
        musicVolume = 10;
        leftSmashHeld = rightSmashHeld = false;
        place(leftPaddle, 0, 260, 0, 0);
        place(rightPaddle, 779, 260, 0, 0);
    }
    void TearDown() override { useRealClock(); }
};

TEST(PaddleStart, BothPaddlesStartAtRestOnTheirBaselines)
{
    EXPECT_EQ(leftPaddle.x, 0.0f);
    EXPECT_EQ(leftPaddle.y, 300.0f);
    EXPECT_EQ(rightPaddle.x, 779.0f);
    EXPECT_EQ(rightPaddle.y, 300.0f);
    EXPECT_EQ(leftPaddle.vx, 0.0f);
    EXPECT_EQ(rightPaddle.vy, 0.0f);
    EXPECT_EQ(rightPaddle.hitRects[0].x, 779);
    EXPECT_EQ(rightPaddle.hitRects[0].w, 20);
    EXPECT_EQ(rightPaddle.hitRects[0].h, 80);
}

TEST_F(PaddleTest, HitRectFollowsTheTruncatedPosition)
{
    place(leftPaddle, 12.9f, 99.99f, 0, 0);
    EXPECT_EQ(leftPaddle.hitRects[0].x, 12);
    EXPECT_EQ(leftPaddle.hitRects[0].y, 99);
    EXPECT_EQ(leftPaddle.hitRects[0].w, 20);
    EXPECT_EQ(leftPaddle.hitRects[0].h, 80);
}

// --- keyboard ---------------------------------------------------------------

TEST_F(PaddleTest, EachKeyDrivesItsOwnPaddleComponent)
{
    press(SDLK_w);
    EXPECT_EQ(leftPaddle.vy, -300.0f);
    press(SDLK_d);
    EXPECT_EQ(leftPaddle.vx, 300.0f);
    press(SDLK_LEFT);
    EXPECT_EQ(rightPaddle.vx, -300.0f);
    press(SDLK_DOWN);
    EXPECT_EQ(rightPaddle.vy, 300.0f);
    release(SDLK_w);
    release(SDLK_d);
    release(SDLK_LEFT);
    release(SDLK_DOWN);
    EXPECT_EQ(leftPaddle.vx, 0.0f);
    EXPECT_EQ(leftPaddle.vy, 0.0f);
    EXPECT_EQ(rightPaddle.vx, 0.0f);
    EXPECT_EQ(rightPaddle.vy, 0.0f);

    press(SDLK_a);
    press(SDLK_s);
    press(SDLK_UP);
    press(SDLK_RIGHT);
    EXPECT_EQ(leftPaddle.vx, -300.0f);
    EXPECT_EQ(leftPaddle.vy, 300.0f);
    EXPECT_EQ(rightPaddle.vy, -300.0f);
    EXPECT_EQ(rightPaddle.vx, 300.0f);
}

TEST_F(PaddleTest, OppositeKeysCancelAndReleaseRestarts)
{
    press(SDLK_w);
    press(SDLK_s);
    EXPECT_EQ(leftPaddle.vy, 0.0f);
    release(SDLK_w);
    EXPECT_EQ(leftPaddle.vy, 300.0f);
}

TEST_F(PaddleTest, SmashKeysHoldUntilReleased)
{
    press(SDLK_LSHIFT);
    EXPECT_TRUE(leftSmashHeld);
    EXPECT_FALSE(rightSmashHeld);
    press(SDLK_RSHIFT);
    EXPECT_TRUE(rightSmashHeld);
    release(SDLK_LSHIFT);
    EXPECT_FALSE(leftSmashHeld);
    EXPECT_TRUE(rightSmashHeld);
    release(SDLK_RSHIFT);
    EXPECT_FALSE(rightSmashHeld);
}

TEST_F(PaddleTest, KKeyAsksForTheSpeedRamp)
{
    release(SDLK_k);
    EXPECT_EQ(rampTrigger, 0);
    press(SDLK_k);
    EXPECT_EQ(rampTrigger, 2);
}

TEST_F(PaddleTest, MusicKeyCyclesTheVolume)
{
    const Sint32 expected[] = {0, 20, 10, 0};
    for (Sint32 v : expected) {
        press(SDLK_m);
        release(SDLK_m);  // the release does nothing
        EXPECT_EQ(musicVolume, v);
    }
}

TEST_F(PaddleTest, OtherEventsChangeNothing)
{
    press(SDLK_x);
    SDL_Event motion = mouseMotion();
    handle(motion);
    EXPECT_EQ(leftPaddle.vx, 0.0f);
    EXPECT_EQ(leftPaddle.vy, 0.0f);
    EXPECT_EQ(rightPaddle.vx, 0.0f);
    EXPECT_EQ(rightPaddle.vy, 0.0f);
    EXPECT_EQ(musicVolume, 10);
}

// --- joysticks ---------------------------------------------------------------

TEST_F(PaddleTest, StickMovesFromEightThousandOn)
{
    settings.joy = 1;
    handle(joyAxis(1, 0, -8000));
    EXPECT_EQ(leftPaddle.vx, -300.0f);
    handle(joyAxis(1, 0, 8000));
    EXPECT_EQ(leftPaddle.vx, 300.0f);
    handle(joyAxis(1, 0, -7999));
    EXPECT_EQ(leftPaddle.vx, 0.0f);
    handle(joyAxis(1, 1, 32767));
    EXPECT_EQ(leftPaddle.vy, 300.0f);
    handle(joyAxis(1, 1, 7999));
    EXPECT_EQ(leftPaddle.vy, 0.0f);
    EXPECT_EQ(rightPaddle.vx, 0.0f);
    EXPECT_EQ(rightPaddle.vy, 0.0f);
}

TEST_F(PaddleTest, StickZeroSteersTheRightPaddle)
{
    settings.joy = 1;
    handle(joyAxis(0, 1, -32768));
    EXPECT_EQ(rightPaddle.vy, -300.0f);
    handle(joyAxis(0, 0, 9000));
    EXPECT_EQ(rightPaddle.vx, 300.0f);
    handle(joyAxis(0, 2, -32768));  // other axes are ignored
    EXPECT_EQ(rightPaddle.vx, 300.0f);
    EXPECT_EQ(rightPaddle.vy, -300.0f);
    EXPECT_EQ(leftPaddle.vx, 0.0f);
    EXPECT_EQ(leftPaddle.vy, 0.0f);
}

TEST_F(PaddleTest, StickOverwritesWhatAKeyAdded)
{
    settings.joy = 1;
    press(SDLK_d);
    handle(joyAxis(1, 0, 0));
    EXPECT_EQ(leftPaddle.vx, 0.0f);
}

TEST_F(PaddleTest, StickButtonsSmashForBothSides)
{
    settings.joy = 1;
    handle(joyButton(SDL_JOYBUTTONDOWN, 0, 0));
    EXPECT_TRUE(rightSmashHeld);
    EXPECT_FALSE(leftSmashHeld);
    handle(joyButton(SDL_JOYBUTTONDOWN, 1, 0));
    EXPECT_TRUE(leftSmashHeld);
    handle(joyButton(SDL_JOYBUTTONUP, 0, 0));
    EXPECT_FALSE(rightSmashHeld);
    EXPECT_TRUE(leftSmashHeld);
    handle(joyButton(SDL_JOYBUTTONUP, 1, 1));  // another button: ignored
    EXPECT_TRUE(leftSmashHeld);
    handle(joyButton(SDL_JOYBUTTONUP, 1, 0));
    EXPECT_FALSE(leftSmashHeld);
}

TEST_F(PaddleTest, ButtonsArriveThroughTheRightHandlerOnly)
{
    settings.joy = 1;
    handleLeftPlayerEvent(joyButton(SDL_JOYBUTTONDOWN, 1, 0));
    EXPECT_FALSE(leftSmashHeld);
    handleRightPlayerEvent(joyButton(SDL_JOYBUTTONDOWN, 1, 0));
    EXPECT_TRUE(leftSmashHeld);
}

TEST_F(PaddleTest, SticksAreIgnoredWithJoysticksOff)
{
    settings.joy = 0;
    handle(joyAxis(1, 0, -32768));
    handle(joyAxis(0, 1, 32767));
    handle(joyButton(SDL_JOYBUTTONDOWN, 0, 0));
    handle(joyButton(SDL_JOYBUTTONDOWN, 1, 0));
    EXPECT_EQ(leftPaddle.vx, 0.0f);
    EXPECT_EQ(rightPaddle.vy, 0.0f);
    EXPECT_FALSE(leftSmashHeld);
    EXPECT_FALSE(rightSmashHeld);
}

// --- movement and zones --------------------------------------------------------

TEST_F(PaddleTest, MovesByVelocityTimesTheStep)
{
    place(leftPaddle, 100, 200, 300, -300);
    movePaddle(leftPaddle, clock);
    EXPECT_EQ(leftPaddle.x, 103.0f);
    EXPECT_EQ(leftPaddle.y, 197.0f);
    EXPECT_EQ(leftPaddle.hitRects[0].x, 103);
    EXPECT_EQ(leftPaddle.hitRects[0].y, 197);

    place(leftPaddle, 100.5f, 200, 20, 0);  // 0.2 px: the rect stays put
    movePaddle(leftPaddle, clock);
    EXPECT_FLOAT_EQ(leftPaddle.x, 100.7f);
    EXPECT_EQ(leftPaddle.hitRects[0].x, 100);
}

TEST_F(PaddleTest, BlockedHorizontalMoveIsTakenBackVerticalStillHappens)
{
    place(leftPaddle, 280, 300, 300, 300);
    movePaddle(leftPaddle, clock);
    EXPECT_EQ(leftPaddle.x, 280.0f);
    EXPECT_FLOAT_EQ(leftPaddle.y, 303.0f);
    EXPECT_EQ(leftPaddle.vx, 300.0f);  // velocity kept
    EXPECT_EQ(leftPaddle.hitRects[0].x, 280);

    place(leftPaddle, 280, 300, 100, 0);  // a 1 px step still fits: right edge 301
    movePaddle(leftPaddle, clock);
    EXPECT_FLOAT_EQ(leftPaddle.x, 281.0f);
}

TEST_F(PaddleTest, EachPaddleKeepsToItsOwnZone)
{
    place(leftPaddle, 1, 1, -300, -300);
    movePaddle(leftPaddle, clock);
    EXPECT_EQ(leftPaddle.x, 1.0f);
    EXPECT_EQ(leftPaddle.y, 1.0f);

    place(rightPaddle, 501, 519, -300, 300);
    movePaddle(rightPaddle, clock);
    EXPECT_EQ(rightPaddle.x, 501.0f);
    EXPECT_EQ(rightPaddle.y, 519.0f);

    place(rightPaddle, 779, 300, 300, 0);
    movePaddle(rightPaddle, clock);
    EXPECT_EQ(rightPaddle.x, 779.0f);

    place(rightPaddle, 505, 300, -300, 0);  // the left zone is not the right one's
    movePaddle(rightPaddle, clock);
    EXPECT_FLOAT_EQ(rightPaddle.x, 502.0f);
    movePaddle(rightPaddle, clock);
    EXPECT_FLOAT_EQ(rightPaddle.x, 502.0f);
}

TEST_F(PaddleTest, SmashHeldFreezesThePaddle)
{
    place(rightPaddle, 600, 300, -300, 300);
    press(SDLK_RSHIFT);
    movePaddle(rightPaddle, clock);
    EXPECT_EQ(rightPaddle.x, 600.0f);
    EXPECT_EQ(rightPaddle.y, 300.0f);
    release(SDLK_RSHIFT);
    movePaddle(rightPaddle, clock);
    EXPECT_FLOAT_EQ(rightPaddle.x, 597.0f);
}

TEST_F(PaddleTest, SmashHeldFreezesAComputerPaddle)
{
    gameType = 4;
    place(leftPaddle, 100, 100, 0, 0);
    place(rightPaddle, 600, 100, 0, 0);
    press(SDLK_LSHIFT);
    steerLeftComputer(200, 400, leftPaddle.x, leftPaddle.y, 4);
    steerRightComputer(600, 400, rightPaddle.x, rightPaddle.y);
    ASSERT_NE(leftPaddle.vx, 0.0f);
    ASSERT_NE(leftPaddle.vy, 0.0f);
    movePaddle(leftPaddle, clock);
    movePaddle(rightPaddle, clock);
    EXPECT_EQ(leftPaddle.x, 100.0f);
    EXPECT_EQ(leftPaddle.y, 100.0f);
    EXPECT_GT(rightPaddle.y, 100.0f);  // the other computer paddle still moves
}

// --- rally speed ladder ------------------------------------------------------

TEST_F(PaddleTest, SpeedUpMovesEveryMovingComponent)
{
    place(leftPaddle, 0, 260, -300, 300);
    place(rightPaddle, 779, 260, 0, -300);
    hitCount = 3;
    rallySpeedUp();
    EXPECT_EQ(rallySpeed, 307);
    EXPECT_EQ(leftPaddle.vx, -307.0f);
    EXPECT_EQ(leftPaddle.vy, 307.0f);
    EXPECT_EQ(rightPaddle.vx, 0.0f);
    EXPECT_EQ(rightPaddle.vy, -307.0f);
    EXPECT_EQ(hitCount, 0);
}

TEST_F(PaddleTest, HeldKeyFollowsTheLadderAndComesToRest)
{
    rallySpeed = 450;
    press(SDLK_w);
    ASSERT_EQ(leftPaddle.vy, -450.0f);
    rallySpeedAfterPoint();
    EXPECT_EQ(rallySpeed, 350);
    EXPECT_EQ(leftPaddle.vy, -350.0f);
    rallySpeedUp();
    EXPECT_EQ(rallySpeed, 357);
    EXPECT_EQ(leftPaddle.vy, -357.0f);
    release(SDLK_w);
    EXPECT_EQ(leftPaddle.vy, 0.0f);
}

TEST_F(PaddleTest, SlowRallyFallsBackToThreeHundred)
{
    rallySpeed = 400;
    place(leftPaddle, 0, 260, 400, 0);
    place(rightPaddle, 779, 260, -214.5f, 400);
    rallySpeedAfterPoint();
    EXPECT_EQ(rallySpeed, 300);
    EXPECT_EQ(leftPaddle.vx, 300.0f);
    EXPECT_EQ(leftPaddle.vy, 0.0f);
    EXPECT_EQ(rightPaddle.vx, -300.0f);
    EXPECT_EQ(rightPaddle.vy, 300.0f);
}

TEST_F(PaddleTest, FastRallyStepsDownByOneHundred)
{
    rallySpeed = 401;
    place(leftPaddle, 0, 260, 401, -401);
    place(rightPaddle, 779, 260, 0, 250);
    rallySpeedAfterPoint();
    EXPECT_EQ(rallySpeed, 301);
    EXPECT_EQ(leftPaddle.vx, 301.0f);
    EXPECT_EQ(leftPaddle.vy, -301.0f);
    EXPECT_EQ(rightPaddle.vx, 0.0f);
    EXPECT_EQ(rightPaddle.vy, 150.0f);
}

}  // namespace
