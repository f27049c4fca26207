#include <gtest/gtest.h>

#include <vector>

#include "game/base/frameclock.h"
#include "game/base/timeseam.h"

namespace {

class FrameClockTest : public ::testing::Test {
protected:
    void SetUp() override { useVirtualClock(1000); }
    void TearDown() override { useRealClock(); }
};

TEST_F(FrameClockTest, NeverRestartedReadsZeroHoweverLong)
{
    FrameClock c = makeFrameClock();
    pauseMs(123456);
    EXPECT_EQ(elapsedMs(c), 0);
    updateRamp(c);
    EXPECT_EQ(elapsedMs(c), 0);
}

TEST_F(FrameClockTest, PlainElapsedWithoutRamp)
{
    FrameClock c = makeFrameClock();
    restart(c);
    pauseMs(17);
    updateRamp(c);
    EXPECT_EQ(elapsedMs(c), 17);
    EXPECT_FLOAT_EQ(c.ramp, 1.0f);
}

TEST_F(FrameClockTest, ElapsedAcrossTickCounterWrap)
{
    useVirtualClock(0xFFFFFFF0u);
    FrameClock c = makeFrameClock();
    restart(c);
    pauseMs(0x30);
    EXPECT_LT(nowMs(), 0x100u);  // the counter wrapped
    EXPECT_EQ(elapsedMs(c), 0x30);
}

// Frames of 10 ms after restartRamp: the first frame stands still, half a
// second in a step is about half its length, from one second on it is full.
TEST_F(FrameClockTest, RampStandsStillThenHalfThenFull)
{
    FrameClock c = makeFrameClock();
    restart(c);
    pauseMs(10);
    restartRamp(c);
    updateRamp(c);
    EXPECT_EQ(elapsedMs(c), 0);
    restart(c);

    Sint32 stepAtHalf = -1;
    Sint32 stepAtFull = -1;
    for (int frame = 1; frame <= 150; ++frame) {
        pauseMs(10);
        updateRamp(c);
        Uint32 sinceRamp = nowMs() - c.rampStart;
        if (sinceRamp == 500)
            stepAtHalf = elapsedMs(c);
        if (sinceRamp == 1200)
            stepAtFull = elapsedMs(c);
        restart(c);
    }
    EXPECT_GE(stepAtHalf, 4);
    EXPECT_LE(stepAtHalf, 6);
    EXPECT_EQ(stepAtFull, 10);
    EXPECT_FLOAT_EQ(c.ramp, 1.0f);
}

TEST_F(FrameClockTest, RampRestartDuringRampStartsOver)
{
    FrameClock c = makeFrameClock();
    restart(c);
    restartRamp(c);
    for (int i = 0; i < 60; ++i) {
        pauseMs(10);
        updateRamp(c);
        restart(c);
    }
    EXPECT_GT(c.ramp, 0.5f);
    restartRamp(c);
    pauseMs(10);
    updateRamp(c);
    EXPECT_EQ(elapsedMs(c), 0);
}

TEST_F(FrameClockTest, RampNearCounterWrapKeepsSteps)
{
    useVirtualClock(0xFFFFFF00u);
    FrameClock c = makeFrameClock();
    restart(c);
    restartRamp(c);
    for (int i = 0; i < 120; ++i) {
        pauseMs(10);
        updateRamp(c);
        Sint32 step = elapsedMs(c);
        EXPECT_GE(step, 0);
        EXPECT_LE(step, 10);
        restart(c);
    }
}

}  // namespace

namespace {
std::vector<Uint32> pacingPauses;  // virtual ms after each pause
void notePause(Uint32 now) { pacingPauses.push_back(now); }
}  // namespace

// The frame's wait: 1 ms pauses up to the frame's length, each seen by the
// pause hook; a late frame still calls in once and does not wait; across a
// wrap of the tick counter it waits the same.
TEST(FramePacing, WaitsInMillisecondStepsAndCountsEveryFrame)
{
    useVirtualClock(0xFFFFFFFEu);
    setPauseHook({[](void*, Uint32 t) { notePause(t); }, nullptr});
    paceFrame(0xFFFFFFFEu - 2, 5);
    EXPECT_EQ(pacingPauses, (std::vector<Uint32>{0xFFFFFFFFu, 0u, 1u}));
    EXPECT_EQ(framePacingCalls(), 1u);

    pacingPauses.clear();
    advanceVirtualClock(20);
    paceFrame(1, 5);  // 20 ms late
    EXPECT_TRUE(pacingPauses.empty());
    EXPECT_EQ(nowMs(), 21u);
    EXPECT_EQ(framePacingCalls(), 2u);
    EXPECT_EQ(totalPausedMs(), 3u);
    useRealClock();
}
