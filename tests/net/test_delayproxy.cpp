// The round trip measured through the delay proxy, and the input delay D
// both ends then agree on. The proxy guarantees the lower bounds; the upper
// bounds leave room for a busy machine.
#include <string>

#include <gtest/gtest.h>

#include "delayproxy.h"
#include "net/delay.h"
#include "netloop.h"

using namespace net;

namespace {

struct Measured {
    std::uint16_t rttMs = 0;
    std::uint16_t delayMs = 0;
    std::uint16_t guestDelayMs = 0;
    std::vector<std::uint32_t> samplesMs;
};

Measured measureThrough(const DelayProxyOptions& options) {
    Measured out;
    Host h;
    std::string error;
    EXPECT_TRUE(hostOpen(h, "127.0.0.1", 0, nettest::testIdentity(), nettest::realMs, error)) << error;
    DelayProxy proxy;
    EXPECT_TRUE(startDelayProxy(proxy, h.port, options));
    Client c;
    EXPECT_TRUE(clientOpen(c, "127.0.0.1", proxy.port, nettest::testIdentity(), Role::Player, nettest::realMs, error))
        << error;
    const bool ok = nettest::stepUntil(&h, {&c}, [&] { return h.started && c.session.phase == Phase::Running; });
    EXPECT_TRUE(ok) << c.session.endText;
    if (ok) {
        out.rttMs = h.rttMs;
        out.delayMs = h.delayMs;
        out.guestDelayMs = c.session.delayMs;
        for (const HostPeer& p : h.peers)
            if (p.session.role == Role::Player)
                out.samplesMs = p.session.roundTripsMs;
    }
    clientClose(c, Reason::Quit, "");
    nettest::stepUntil(&h, {&c}, [&] { return clientDone(c); });
    hostClose(h, Reason::Quit, "");
    stopDelayProxy(proxy);
    return out;
}

}  // namespace

TEST(NetDelayProxy, RoundTripsOf0_60_120MsGiveTheirDelays) {
    struct Row {
        std::uint32_t oneWayMs, jitterMs;
    };
    for (const Row& r : {Row{0, 0}, Row{30, 5}, Row{60, 10}}) {
        DelayProxyOptions o;
        o.oneWayMs = r.oneWayMs;
        o.jitterMs = r.jitterMs;
        const Measured m = measureThrough(o);
        const std::uint32_t floor = 2 * r.oneWayMs;
        ASSERT_EQ(m.samplesMs.size(), std::size_t(kPingRounds)) << "one way " << r.oneWayMs;
        // Each end reads the clock right after its wait, before the bytes
        // are read: a stamp can precede an arrival by microseconds, which
        // whole milliseconds turn into at most 1 ms.
        for (std::uint32_t s : m.samplesMs)
            EXPECT_GE(s + 1, floor) << "one way " << r.oneWayMs << " " << ::testing::PrintToString(m.samplesMs);
        EXPECT_GE(m.rttMs + 1u, floor);
        EXPECT_EQ(m.rttMs, plannedRoundTrip(m.samplesMs));
        EXPECT_EQ(m.delayMs, chooseInputDelay(m.rttMs));
        EXPECT_EQ(m.guestDelayMs, m.delayMs);
        EXPECT_GE(m.delayMs, chooseInputDelay(floor));
        std::printf("[ feel ] one way %u ms, jitter %u ms: round trip %u ms, D %u ms\n", r.oneWayMs, r.jitterMs,
                    unsigned(m.rttMs), unsigned(m.delayMs));
    }
}

TEST(NetDelayProxy, OneStalledRoundTripDoesNotRaiseTheDelay) {
    DelayProxyOptions o;
    o.oneWayMs = 30;
    o.jitterMs = 5;
    o.pauseAtChunk = 5;  // a ping in the middle of the measurement
    o.pauseForMs = 400;
    const Measured m = measureThrough(o);
    ASSERT_EQ(m.samplesMs.size(), std::size_t(kPingRounds));
    std::uint32_t worst = 0;
    for (std::uint32_t s : m.samplesMs)
        worst = std::max(worst, s);
    EXPECT_GE(worst, 400u + 30);  // the pause was measured...
    EXPECT_LT(m.rttMs, worst);    // ...and left out
    EXPECT_EQ(m.rttMs, plannedRoundTrip(m.samplesMs));
    EXPECT_EQ(m.delayMs, chooseInputDelay(m.rttMs));
}
