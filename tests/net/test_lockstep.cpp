// Lockstep without sockets: two machines' queues fed through a pretend
// wire hand their games the same events at the same virtual times.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "net/lockstep.h"

using namespace net;

namespace {

InputEvent key(std::uint16_t sym) {
    return InputEvent{EventType::KeyDown, sym, 0, 0, 0};
}

struct Handed {
    std::uint32_t nowMs;
    std::uint8_t player;
    std::uint32_t atMs;
    std::uint16_t sym;
    bool operator==(const Handed& o) const {
        return nowMs == o.nowMs && player == o.player && atMs == o.atMs && sym == o.sym;
    }
};

// Two machines stepping 1 ms at a time; a message sent at real step r
// arrives at step r + latency. Each machine advances only when ready.
std::vector<Handed> play(std::uint8_t who, std::uint32_t delayMs, std::uint32_t latency,
                         const std::vector<std::pair<std::uint32_t, std::uint16_t>> (&presses)[2],
                         std::vector<Handed>& other, std::uint32_t& heldSteps) {
    Lockstep ls[2];
    std::uint32_t now[2] = {1000, 1000};
    for (std::uint8_t p = 0; p < 2; ++p)
        lockstepStart(ls[p], p, delayMs, 1000);
    struct InFlight {
        std::uint32_t arrives;
        Message m;
    };
    std::vector<InFlight> wire[2];  // to machine p
    std::vector<Handed> handed[2];
    std::size_t nextPress[2] = {0, 0};
    heldSteps = 0;
    for (std::uint32_t step = 0; step < 20000; ++step) {
        for (std::uint8_t p = 0; p < 2; ++p) {
            for (auto it = wire[p].begin(); it != wire[p].end();)
                if (it->arrives <= step) {
                    lockstepReceive(ls[p], it->m);
                    it = wire[p].erase(it);
                } else {
                    ++it;
                }
            Message adv;
            if (lockstepAdvanceLocal(ls[p], now[p], adv))
                wire[1 - p].push_back({step + latency, adv});
            if (!lockstepReady(ls[p], now[p])) {
                ++heldSteps;
                continue;
            }
            while (nextPress[p] < presses[p].size() && presses[p][nextPress[p]].first <= now[p]) {
                wire[1 - p].push_back({step + latency, lockstepLocal(ls[p], now[p], key(presses[p][nextPress[p]].second))});
                ++nextPress[p];
            }
            Stamped s;
            while (lockstepNext(ls[p], now[p], s))
                handed[p].push_back({now[p], s.player, s.atMs, s.event.sym});
            EXPECT_FALSE(ls[p].stale);
            ++now[p];
        }
    }
    other = handed[1 - who];
    return handed[who];
}

}  // namespace

TEST(NetLockstep, BothMachinesHandOutTheSameEventsAtTheSameTimes) {
    const std::vector<std::pair<std::uint32_t, std::uint16_t>> presses[2] = {
        {{1010, 100}, {1010, 101}, {1500, 102}, {1500, 103}, {2000, 104}},
        {{1010, 200}, {1300, 201}, {1500, 202}, {1999, 203}},
    };
    for (std::uint32_t delay : {20u, 50u, 80u})
        for (std::uint32_t latency : {0u, 10u, 30u, 60u, 120u}) {
            std::vector<Handed> guest;
            std::uint32_t held = 0;
            const std::vector<Handed> host = play(0, delay, latency, presses, guest, held);
            ASSERT_EQ(host.size(), 9u) << "D " << delay << ", latency " << latency;
            EXPECT_TRUE(host == guest) << "D " << delay << ", latency " << latency;
            // Every event is handed out exactly at its stamp: D after the press.
            for (const Handed& h : host)
                EXPECT_EQ(h.nowMs, h.atMs);
            EXPECT_EQ(host[0].atMs, 1010 + delay);
            // Same time: player 0 first, then each player's own order.
            EXPECT_EQ(host[0].sym, 100);
            EXPECT_EQ(host[1].sym, 101);
            EXPECT_EQ(host[2].sym, 200);
            // A one-way time within D never holds a machine; a longer one does.
            if (latency < delay)
                EXPECT_EQ(held, 0u) << "D " << delay << ", latency " << latency;
            else
                EXPECT_GT(held, 0u) << "D " << delay << ", latency " << latency;
        }
}

TEST(NetLockstep, NothingIsHandedOutBeforeBothPlayersAreKnown) {
    Lockstep ls;
    lockstepStart(ls, 0, 30, 1000);
    EXPECT_TRUE(lockstepReady(ls, 1029));
    EXPECT_FALSE(lockstepReady(ls, 1030));
    lockstepLocal(ls, 1010, key(5));  // stamped 1040
    Message adv;
    ASSERT_TRUE(lockstepAdvanceLocal(ls, 1010, adv));
    EXPECT_EQ(adv.advance.throughMs, 1040u);
    EXPECT_FALSE(lockstepAdvanceLocal(ls, 1010, adv));  // said already
    Stamped s;
    EXPECT_FALSE(lockstepNext(ls, 1040, s));  // player 1 unknown at 1040
    Message peer;
    peer.kind = Kind::Advance;
    peer.advance.player = 1;
    peer.advance.throughMs = 1041;
    lockstepReceive(ls, peer);
    EXPECT_FALSE(lockstepNext(ls, 1039, s));  // not due yet
    // Still a local event could be stamped 1040 (one made at 1010).
    EXPECT_FALSE(lockstepNext(ls, 1040, s));
    ASSERT_TRUE(lockstepAdvanceLocal(ls, 1011, adv));
    ASSERT_TRUE(lockstepNext(ls, 1040, s));
    EXPECT_EQ(s.atMs, 1040u);
    EXPECT_EQ(s.event.sym, 5);
    // A late event for a time already played is a fault, never reordered silently.
    lockstepReceive(ls, inputMessage(1, 1039, key(6)));
    EXPECT_TRUE(ls.stale);
    // Our own stream is not taken back from the wire.
    Lockstep mine;
    lockstepStart(mine, 1, 30, 1000);
    lockstepReceive(mine, inputMessage(1, 2000, key(7)));
    EXPECT_TRUE(mine.queue.empty());
}

TEST(NetLockstep, AWatcherTakesBothPlayersAndSendsNothing) {
    Lockstep w;
    lockstepStart(w, kNoLocalPlayer, 40, 1000);
    Message adv;
    EXPECT_FALSE(lockstepAdvanceLocal(w, 5000, adv));
    lockstepReceive(w, inputMessage(1, 1100, key(2)));
    lockstepReceive(w, inputMessage(0, 1100, key(1)));
    for (std::uint8_t p = 0; p < 2; ++p) {
        Message a;
        a.kind = Kind::Advance;
        a.advance.player = p;
        a.advance.throughMs = 1200;
        lockstepReceive(w, a);
    }
    Stamped s;
    ASSERT_TRUE(lockstepNext(w, 1150, s));
    EXPECT_EQ(s.player, 0);  // player 0 first at the same time, whatever the arrival
    ASSERT_TRUE(lockstepNext(w, 1150, s));
    EXPECT_EQ(s.player, 1);
    EXPECT_FALSE(lockstepNext(w, 1150, s));
}
