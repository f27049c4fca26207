// The input delay D from the measured round trips: two pure functions.
#include <gtest/gtest.h>

#include "net/delay.h"

using namespace net;

TEST(NetDelay, PlannedRoundTripDropsOnlyTheWorstSample) {
    struct Row {
        std::vector<std::uint32_t> samples;  // ms
        std::uint32_t planned;               // ms
    };
    const std::vector<Row> table = {
        {{}, 0},
        {{42}, 42},
        {{10, 50}, 10},
        {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 0},
        {{60, 61, 60, 62, 60, 63, 60, 60, 61, 60}, 62},
        {{60, 61, 60, 360, 60, 63, 60, 60, 61, 60}, 63},    // one retransmit stall is left out
        {{60, 361, 60, 360, 60, 63, 60, 60, 61, 60}, 360},  // two are the line's nature
        {{125, 120, 130, 121, 122, 140, 120, 119, 120, 123}, 130},
    };
    for (const Row& r : table)
        EXPECT_EQ(plannedRoundTrip(r.samples), r.planned) << r.samples.size() << " samples";
}

TEST(NetDelay, HalfTheRoundTripPlusTheMarginWithinLimits) {
    struct Row {
        std::uint32_t rtt;    // ms
        std::uint32_t delay;  // ms
    };
    const std::vector<Row> table = {
        {0, kMinDelayMs},   // one machine: the floor
        {1, 21},
        {2, 21},
        {3, 22},
        {60, 50},
        {61, 51},
        {120, 80},
        {200, 120},
        {459, 250},
        {460, kMaxDelayMs},
        {1000, kMaxDelayMs},
        {0xffffffffu, kMaxDelayMs},  // no overflow on a absurd sample
    };
    for (const Row& r : table)
        EXPECT_EQ(chooseInputDelay(r.rtt), r.delay) << "round trip " << r.rtt;
    EXPECT_EQ(kMinDelayMs, 20u);
    EXPECT_EQ(kDelayMarginMs, 20u);
    EXPECT_GE(kPingRounds, 10);
}
