// The session state machine without sockets: two ends wired back to back.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "net/delay.h"
#include "net/session.h"

using namespace net;

namespace {

Identity identity() {
    Identity id;
    id.buildId = "2.0.0";
    id.dataHash[0] = 9;
    return id;
}

// Passes messages between a host-side and a guest-side session until both
// are quiet; each round trip takes rttMs of pretend real time.
struct Wire {
    Session host;
    Session guest;
    Seats seats;
    std::vector<Message> toGuest, toHost;
    std::uint32_t nowMs = 1000;
    std::uint32_t rttMs = 0;

    Wire(const Identity& hostId, const Identity& guestId, Role role) {
        host = hostSession(hostId, nowMs, toGuest);
        guest = guestSession(guestId, role, nowMs, toHost);
    }
    void run() {
        while (!toGuest.empty() || !toHost.empty()) {
            nowMs += rttMs / 2;
            std::vector<Message> in;
            in.swap(toGuest);
            for (const Message& m : in)
                sessionReceive(guest, m, nowMs, nullptr, toHost);
            nowMs += rttMs - rttMs / 2;
            in.clear();
            in.swap(toHost);
            for (const Message& m : in)
                sessionReceive(host, m, nowMs, &seats, toGuest);
        }
    }
};

}  // namespace

TEST(NetSession, PlayerHandshakeMeasuresAndAgreesOnD) {
    for (std::uint32_t rtt : {0u, 60u, 120u, 600u}) {
        Wire w(identity(), identity(), Role::Player);
        w.rttMs = rtt;
        w.run();
        ASSERT_EQ(w.host.phase, Phase::Running) << w.host.endText;
        ASSERT_EQ(w.guest.phase, Phase::Running) << w.guest.endText;
        EXPECT_EQ(w.host.roundTripsMs.size(), std::size_t(kPingRounds));
        EXPECT_EQ(w.host.rttMs, rtt);
        EXPECT_EQ(w.guest.rttMs, rtt);
        EXPECT_EQ(w.host.delayMs, chooseInputDelay(rtt));
        EXPECT_EQ(w.guest.delayMs, w.host.delayMs);
        EXPECT_TRUE(w.seats.playerTaken);
    }
}

TEST(NetSession, DifferentVersionBuildOrDataIsRefusedWithTheSameTextOnBothEnds) {
    struct Row {
        const char* what;
        Identity guest;
        Reason reason;
        const char* text;
    };
    Identity version = identity();
    version.version = kProtocolVersion + 1;
    Identity build = identity();
    build.buildId = "2.0.1";
    Identity data = identity();
    data.dataHash[31] = 1;
    const std::vector<Row> table = {
        {"version", version, Reason::Version,
         "Network protocols differ (host 3, guest 4): both players need the same VOLTARI version."},
        {"build", build, Reason::Build,
         "Game builds differ (host 2.0.0, guest 2.0.1): both players need the same VOLTARI version."},
        {"data", data, Reason::Data,
         "Data files differ between host and guest: both players need the same VOLTARI data."},
    };
    for (const Row& r : table) {
        Wire w(identity(), r.guest, Role::Player);
        w.run();
        EXPECT_EQ(w.host.phase, Phase::Closed) << r.what;
        EXPECT_EQ(w.guest.phase, Phase::Closed) << r.what;
        EXPECT_TRUE(w.host.refused && w.guest.refused) << r.what;
        EXPECT_EQ(w.host.endReason, r.reason) << r.what;
        EXPECT_EQ(w.guest.endReason, r.reason) << r.what;
        EXPECT_EQ(w.host.endText, r.text) << r.what;
        EXPECT_EQ(w.guest.endText, r.text) << r.what;
        EXPECT_FALSE(w.seats.playerTaken) << r.what;
    }
}

TEST(NetSession, SeatsRunOutWithAMessage) {
    Seats seats;
    seats.maxWatchers = 2;
    std::vector<Message> send;
    auto join = [&](Role role) {
        std::vector<Message> out;
        Session h = hostSession(identity(), 0, out);
        std::vector<Message> hello;
        guestSession(identity(), role, 0, hello);
        sessionReceive(h, hello[0], 0, &seats, out);
        return h;
    };
    Session player = join(Role::Player);
    EXPECT_EQ(player.phase, Phase::Measuring);
    Session second = join(Role::Player);
    EXPECT_EQ(second.phase, Phase::Closed);
    EXPECT_EQ(second.endReason, Reason::Full);
    EXPECT_EQ(second.endText, "This game already has its second player; you may join as a watcher.");
    Session w1 = join(Role::Watcher), w2 = join(Role::Watcher), w3 = join(Role::Watcher);
    EXPECT_EQ(w1.phase, Phase::AwaitStart);
    EXPECT_EQ(w2.phase, Phase::AwaitStart);
    EXPECT_EQ(w3.phase, Phase::Closed);
    EXPECT_EQ(w3.endText, "This game already has 2 watchers; no more may watch.");
    EXPECT_EQ(seats.watchers, 2);
    // A seat comes free when its holder leaves.
    sessionLost(w1, &seats);
    EXPECT_EQ(seats.watchers, 1);
    EXPECT_EQ(join(Role::Watcher).phase, Phase::AwaitStart);
    sessionClose(player, Reason::Quit, "bye", &seats, send);
    EXPECT_FALSE(seats.playerTaken);
    EXPECT_EQ(join(Role::Player).phase, Phase::Measuring);
}

TEST(NetSession, RunningPeerStampsMustNotGoBackOrRunFarAhead) {
    struct Row {
        const char* what;
        std::vector<Message> sequence;  // from the guest, after the start
        bool closes;
        const char* text;               // the bye's text when it closes
    };
    InputEvent up{EventType::KeyDown, 273, 0, 0, 0};
    Message adv;
    adv.kind = Kind::Advance;
    adv.advance.player = 1;
    Message hash;
    hash.kind = Kind::StateHash;
    auto advance = [&](std::uint32_t t) { Message m = adv; m.advance.throughMs = t; return m; };
    auto stateHash = [&](std::uint32_t t) { Message m = hash; m.stateHash.atMs = t; return m; };
    const std::uint32_t local = 50000;  // the host's virtual time
    const std::vector<Row> table = {
        {"in order", {inputMessage(1, 50040, up), inputMessage(1, 50040, up), advance(50041),
                      inputMessage(1, 50041, up), stateHash(50000), stateHash(50000)}, false, ""},
        {"input backwards", {inputMessage(1, 50040, up), inputMessage(1, 50039, up)}, true,
         "The other side sent a message it should not have (input: time went backwards)."},
        {"input before its own advance", {advance(50100), inputMessage(1, 50099, up)}, true,
         "The other side sent a message it should not have (input: time went backwards)."},
        {"advance backwards", {advance(50100), advance(50099)}, true,
         "The other side sent a message it should not have (advance: time went backwards)."},
        {"input far ahead", {inputMessage(1, local + kMaxLeadMs + 1, up)}, true,
         "The other side sent a message it should not have (input: time too far ahead)."},
        {"input just within the lead", {inputMessage(1, local + kMaxLeadMs, up)}, false, ""},
        {"advance far ahead", {advance(0xffffffffu)}, true,
         "The other side sent a message it should not have (advance: time too far ahead)."},
        {"hash backwards", {stateHash(50000), stateHash(49999)}, true,
         "The other side sent a message it should not have (state hash: time went backwards)."},
        {"input for the host's paddle", {inputMessage(0, 50040, up)}, true,
         "The other side sent a message it should not have (input for the wrong player)."},
        {"a second hello", {Message()}, false, ""},  // replaced below
    };
    for (Row r : table) {
        if (std::string(r.what) == "a second hello") {
            std::vector<Message> hello;
            guestSession(identity(), Role::Player, 0, hello);
            r.sequence = hello;
            r.closes = true;
            r.text = "The other side sent a message it should not have (hello while playing).";
        }
        Wire w(identity(), identity(), Role::Player);
        w.run();
        ASSERT_EQ(w.host.phase, Phase::Running);
        w.host.localMs = local;
        std::vector<Message> out;
        for (const Message& m : r.sequence)
            sessionReceive(w.host, m, w.nowMs, &w.seats, out);
        EXPECT_EQ(w.host.phase == Phase::Closed, r.closes) << r.what;
        if (r.closes) {
            ASSERT_FALSE(out.empty()) << r.what;
            EXPECT_EQ(out.back().kind, Kind::Bye) << r.what;
            EXPECT_EQ(out.back().bye.reason, Reason::Protocol) << r.what;
            EXPECT_EQ(out.back().bye.text, r.text) << r.what;
            EXPECT_FALSE(w.seats.playerTaken) << r.what;
        } else {
            EXPECT_EQ(w.host.delivered.size(), r.sequence.size()) << r.what;
        }
    }
}

TEST(NetSession, OutOfTurnMessagesInTheHandshakeEndIt) {
    // The host expects a hello first; the guest expects the host's hello, then the reply.
    std::vector<Message> out;
    Session h = hostSession(identity(), 0, out);
    sessionReceive(h, inputMessage(1, 0, InputEvent{EventType::Quit, 0, 0, 0, 0}), 0, nullptr, out);
    EXPECT_EQ(h.phase, Phase::Closed);
    EXPECT_EQ(h.endText, "The other side sent a message it should not have (input before the hello).");

    out.clear();
    Session g = guestSession(identity(), Role::Player, 0, out);
    Message start;
    start.kind = Kind::Start;
    start.start.delayMs = 50;
    sessionReceive(g, start, 0, nullptr, out);
    EXPECT_EQ(g.phase, Phase::Closed);

    // A start with a delay beyond the limits is refused.
    Wire w(identity(), identity(), Role::Player);
    w.host.phase = Phase::Closed;  // the test plays the host itself
    std::vector<Message> toHost;
    sessionReceive(w.guest, w.toGuest[0], 0, nullptr, toHost);  // the host's hello
    Message reply;
    reply.kind = Kind::HelloReply;
    reply.reply.accepted = true;
    sessionReceive(w.guest, reply, 0, nullptr, toHost);
    ASSERT_EQ(w.guest.phase, Phase::AwaitStart);
    start.start.delayMs = std::uint16_t(kMaxDelayMs + 1);
    sessionReceive(w.guest, start, 0, nullptr, toHost);
    EXPECT_EQ(w.guest.phase, Phase::Closed);
    EXPECT_EQ(w.guest.endText, "The other side sent a message it should not have (an input delay out of bounds).");
}

TEST(NetSession, SilenceEndsTheSessionAndKeepAlivesPreventIt) {
    Wire w(identity(), identity(), Role::Player);
    w.run();
    ASSERT_EQ(w.host.phase, Phase::Running);
    std::vector<Message> out;
    // Quiet for a while: a keep-alive ping goes out, nothing ends.
    sessionTick(w.host, w.nowMs + kKeepAliveMs, &w.seats, out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].kind, Kind::Ping);
    EXPECT_EQ(w.host.phase, Phase::Running);
    out.clear();
    sessionTick(w.host, w.nowMs + kSilenceTimeoutMs + 1, &w.seats, out);
    EXPECT_EQ(w.host.phase, Phase::Closed);
    EXPECT_EQ(w.host.endReason, Reason::Timeout);
    EXPECT_EQ(w.host.endText, "Nothing heard from the other side for 10 s.");
    EXPECT_FALSE(w.seats.playerTaken);
    // A handshake that stalls ends too.
    std::vector<Message> hello;
    Session g = guestSession(identity(), Role::Player, 100, hello);
    sessionTick(g, 100 + kHandshakeTimeoutMs, nullptr, out);
    EXPECT_EQ(g.phase, Phase::AwaitHello);
    sessionTick(g, 101 + kHandshakeTimeoutMs, nullptr, out);
    EXPECT_EQ(g.phase, Phase::Closed);
    EXPECT_EQ(g.endText, "The other side did not finish the greeting within 5 s.");
}

TEST(NetSession, ByeCarriesItsReasonToTheOtherEnd) {
    Wire w(identity(), identity(), Role::Player);
    w.run();
    std::vector<Message> out;
    sessionClose(w.guest, Reason::Quit, "The second player quit.", nullptr, out);
    ASSERT_EQ(out.size(), 1u);
    sessionReceive(w.host, out[0], w.nowMs, &w.seats, out);
    EXPECT_EQ(w.host.phase, Phase::Closed);
    EXPECT_EQ(w.host.endReason, Reason::Quit);
    EXPECT_EQ(w.host.endText, "The second player quit.");
    EXPECT_FALSE(w.seats.playerTaken);
}
