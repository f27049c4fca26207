// Host and desktop guests over real loopback sockets (127.0.0.1, ports the
// kernel picks): handshakes, refusals, events to players and watchers, the
// watcher limit, a watcher that stops reading, and forged input.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "net/delay.h"
#include "net/socket.h"
#include "net/stream.h"
#include "netloop.h"

using namespace net;
using nettest::stepUntil;

namespace {

struct Hosted {
    Host host;
    Hosted() {
        std::string error;
        EXPECT_TRUE(hostOpen(host, "127.0.0.1", 0, nettest::testIdentity(), nettest::realMs, error)) << error;
        EXPECT_NE(host.port, 0);
    }
    ~Hosted() {
        hostClose(host, Reason::Quit, "The host quit.");
    }
};

void open(Client& c, Host& h, Role role, const Identity& id = nettest::testIdentity()) {
    std::string error;
    ASSERT_TRUE(clientOpen(c, "127.0.0.1", h.port, id, role, nettest::realMs, error)) << error;
}

bool running(const Client& c) {
    return c.session.phase == Phase::Running;
}

bool hasNotice(const Host& h, const std::string& text) {
    return std::find(h.notices.begin(), h.notices.end(), text) != h.notices.end();
}

InputEvent keyEvent(std::uint16_t sym) {
    return InputEvent{EventType::KeyDown, sym, 0, 0, 0};
}

bool hasIpv6Loopback() {
    std::string error;
    const int fd = listenTcp("::1", 0, error);
    closeSocket(fd);
    return fd >= 0;
}

int greetings(const Host& h) {
    return int(std::count_if(h.peers.begin(), h.peers.end(), [](const HostPeer& p) {
        return p.session.phase == Phase::AwaitHello && !p.conn.closed;
    }));
}

// n connections from source (a loopback address) that say nothing and stay
// open on this side; returns once the host has taken in or turned away each.
std::vector<int> flood(Host& h, const char* source, int n) {
    std::vector<int> fds;
    sockaddr_in from{}, to{};
    from.sin_family = to.sin_family = AF_INET;
    inet_pton(AF_INET, source, &from.sin_addr);
    inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
    to.sin_port = htons(h.port);
    const std::uint64_t before = h.turnedAway;
    for (int i = 0; i < n; ++i) {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from), 0) << source;
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to);
        fds.push_back(fd);
        if (i % 32 == 31)
            hostStep(h, 0);  // as a host at work would, between arrivals
    }
    EXPECT_TRUE(stepUntil(&h, {}, [&] { return h.turnedAway - before + std::uint64_t(greetings(h)) >= std::uint64_t(n); }));
    return fds;
}

// The count in each "Turned away N ..." notice; -1 for one that has none.
std::vector<long> turnedAwayCounts(const Host& h) {
    std::vector<long> counts;
    for (const std::string& n : h.notices)
        if (n.compare(0, 12, "Turned away ") == 0)
            counts.push_back(n.find(": too many at once, or no hello in time.") == std::string::npos
                                 ? -1
                                 : std::strtol(n.c_str() + 12, nullptr, 10));
    return counts;
}

}  // namespace

TEST(NetTransport, GuestJoinsAndBothAgreeOnTheDelay) {
    Hosted h;
    Client c;
    open(c, h.host, Role::Player);
    ASSERT_TRUE(stepUntil(&h.host, {&c}, [&] { return running(c) && h.host.started; })) << c.session.endText;
    EXPECT_EQ(c.session.delayMs, h.host.delayMs);
    EXPECT_EQ(c.session.rttMs, h.host.rttMs);
    EXPECT_GE(c.session.delayMs, kMinDelayMs);
    EXPECT_TRUE(hasNotice(h.host, "The second player joined."));
    EXPECT_EQ(c.conn.framing, Framing::Binary);
}

TEST(NetTransport, DifferentVersionBuildOrDataIsRefusedOnBothSides) {
    struct Row {
        const char* what;
        Identity guest;
        const char* text;
    };
    Identity version = nettest::testIdentity();
    version.version = 7;
    Identity build = nettest::testIdentity();
    build.buildId = "1.9.9";
    Identity data = nettest::testIdentity();
    data.dataHash[3] ^= 1;
    const std::vector<Row> table = {
        {"version", version, "Network protocols differ (host 3, guest 7): both players need the same VOLTARI version."},
        {"build", build, "Game builds differ (host 2.0.0-test, guest 1.9.9): both players need the same VOLTARI version."},
        {"data", data, "Data files differ between host and guest: both players need the same VOLTARI data."},
    };
    Hosted h;
    for (const Row& r : table) {
        Client c;
        open(c, h.host, Role::Player, r.guest);
        ASSERT_TRUE(stepUntil(&h.host, {&c}, [&] { return clientDone(c) && h.host.peers.empty(); })) << r.what;
        EXPECT_TRUE(c.session.refused) << r.what;
        EXPECT_EQ(c.session.endText, r.text) << r.what;
        EXPECT_TRUE(hasNotice(h.host, std::string("Refused a guest: ") + r.text)) << r.what;
        EXPECT_FALSE(h.host.seats.playerTaken) << r.what;
    }
    // The seat is still free for a matching guest.
    Client good;
    open(good, h.host, Role::Player);
    EXPECT_TRUE(stepUntil(&h.host, {&good}, [&] { return running(good); }));
}

TEST(NetTransport, EventsReachThePlayerAndEveryWatcherInOrder) {
    Hosted h;
    Client player, early;
    open(player, h.host, Role::Player);
    open(early, h.host, Role::Watcher);
    ASSERT_TRUE(stepUntil(&h.host, {&player, &early}, [&] { return running(player) && running(early); }));
    EXPECT_EQ(early.session.delayMs, player.session.delayMs);

    // Host stamps for player 0, the guest for player 1.
    for (std::uint32_t t = 100; t <= 500; t += 100) {
        hostSend(h.host, inputMessage(0, t, keyEvent(273)));
        clientSend(player, inputMessage(1, t + 1, keyEvent(274)));
    }
    Message adv;
    adv.kind = Kind::Advance;
    adv.advance.player = 0;
    adv.advance.throughMs = 600;
    hostSend(h.host, adv);
    adv.advance.player = 1;
    clientSend(player, adv);
    ASSERT_TRUE(stepUntil(&h.host, {&player, &early}, [&] {
        return player.delivered.size() == 6 && h.host.delivered.size() == 6 && early.delivered.size() == 12;
    }));
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(player.delivered[i].input.player, 0);
        EXPECT_EQ(player.delivered[i].input.atMs, 100 * (i + 1));
        EXPECT_EQ(h.host.delivered[i].input.player, 1);
        EXPECT_EQ(h.host.delivered[i].input.event.sym, 274);
    }
    // A watcher who comes late is sent the whole session so far.
    Client late;
    open(late, h.host, Role::Watcher);
    ASSERT_TRUE(stepUntil(&h.host, {&player, &early, &late}, [&] { return late.delivered.size() == 12; }));
    // Each player's stream in the same order (the two streams may interleave differently).
    for (std::uint8_t p = 0; p < kPlayers; ++p) {
        auto stream = [p](const std::vector<Message>& all) {
            std::vector<std::vector<std::uint8_t>> frames;
            for (const Message& m : all)
                if ((m.kind == Kind::Input && m.input.player == p) || (m.kind == Kind::Advance && m.advance.player == p)) {
                    frames.emplace_back();
                    appendFrame(m, frames.back());
                }
            return frames;
        };
        EXPECT_EQ(stream(early.delivered), stream(late.delivered)) << int(p);
        EXPECT_EQ(stream(late.delivered).size(), 6u) << int(p);
    }
    EXPECT_EQ(hostWatchers(h.host), 2);

    // Once the session outgrew what is kept, a late watcher is told so.
    h.host.historyFull = true;
    Client tooLate;
    open(tooLate, h.host, Role::Watcher);
    ASSERT_TRUE(stepUntil(&h.host, {&player, &early, &tooLate}, [&] { return tooLate.session.phase == Phase::Closed; }));
    EXPECT_EQ(tooLate.session.endText, "This game has gone on too long to watch from its start.");
    EXPECT_EQ(hostWatchers(h.host), 2);
}

TEST(NetTransport, WatchersBeyondTheLimitAreRefusedWithAMessage) {
    Hosted h;
    std::vector<Client> watchers(kMaxWatchers + 1);
    std::vector<Client*> all;
    for (Client& w : watchers) {
        open(w, h.host, Role::Watcher);
        all.push_back(&w);
        // One at a time, so which one is extra is known.
        ASSERT_TRUE(stepUntil(&h.host, all, [&] { return w.session.phase != Phase::AwaitHello &&
                                                     w.session.phase != Phase::AwaitReply; }));
    }
    for (int i = 0; i < kMaxWatchers; ++i)
        EXPECT_EQ(watchers[i].session.phase, Phase::AwaitStart) << i << ": " << watchers[i].session.endText;
    Client& extra = watchers.back();
    EXPECT_EQ(extra.session.phase, Phase::Closed);
    EXPECT_EQ(extra.session.endReason, Reason::Full);
    EXPECT_EQ(extra.session.endText, "This game already has 4 watchers; no more may watch.");
    EXPECT_EQ(hostWatchers(h.host), kMaxWatchers);
}

TEST(NetTransport, AWatcherThatStopsReadingIsDroppedAndThePlayerGetsEverything) {
    Hosted h;
    Client player;
    open(player, h.host, Role::Player);
    ASSERT_TRUE(stepUntil(&h.host, {&player}, [&] { return running(player); }));
    // The slow watcher: a small receive buffer, and after the greeting it
    // never reads again.
    Client slow;
    open(slow, h.host, Role::Watcher);
    const int small = 2048;
    setsockopt(slow.conn.fd, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    ASSERT_TRUE(stepUntil(&h.host, {&player, &slow}, [&] { return running(slow); }));
    ASSERT_EQ(hostWatchers(h.host), 1);

    // Until the watcher is let go (its queue and the kernel's buffers hold a
    // few MB at most), then a little more.
    const std::uint32_t cap = 4000000;
    std::uint32_t sent = 0, droppedAt = 0;
    std::size_t playerGot = 0;
    std::uint32_t lastSeen = 0;
    bool ordered = true;
    const std::uint32_t start = nettest::realMs();
    while (nettest::realMs() - start < 60000) {
        const bool dropped = hostWatchers(h.host) == 0;
        if (dropped && droppedAt == 0)
            droppedAt = sent;
        const std::uint32_t until = dropped ? droppedAt + 1000 : cap;
        if (dropped && sent >= until && playerGot == sent)
            break;
        for (int i = 0; i < 200 && sent < until; ++i, ++sent) {
            Message adv;
            adv.kind = Kind::Advance;
            adv.advance.player = 0;
            adv.advance.throughMs = sent;
            hostSend(h.host, adv);
        }
        clientSetLocalTime(player, sent);  // the guest's game keeps up
        hostStep(h.host, 0);
        clientStep(player, 0);
        for (const Message& m : player.delivered) {
            ordered = ordered && m.advance.throughMs == lastSeen + (playerGot ? 1 : 0);
            lastSeen = m.advance.throughMs;
            ++playerGot;
        }
        player.delivered.clear();
    }
    std::printf("[ slow watcher ] let go after %u messages (%u bytes)\n", droppedAt, droppedAt * 8);
    EXPECT_GT(droppedAt, 0u);
    EXPECT_EQ(playerGot, sent);
    EXPECT_TRUE(ordered);
    EXPECT_EQ(hostWatchers(h.host), 0);
    EXPECT_TRUE(hasNotice(h.host, "A watcher left: The watcher fell too far behind and was let go."));
    EXPECT_EQ(player.session.phase, Phase::Running);
}

TEST(NetTransport, AGuestThatVanishesEndsTheSessionOnTheHost) {
    Hosted h;
    Client c;
    open(c, h.host, Role::Player);
    ASSERT_TRUE(stepUntil(&h.host, {&c}, [&] { return running(c); }));
    connShut(c.conn);  // as a killed process would
    ASSERT_TRUE(stepUntil(&h.host, {}, [&] { return h.host.playerLeft; }));
    EXPECT_EQ(h.host.playerEnd, Reason::None);
    EXPECT_EQ(h.host.playerEndText, "The connection to the other side was lost.");
    EXPECT_FALSE(h.host.seats.playerTaken);
    EXPECT_TRUE(h.host.peers.empty());
}

TEST(NetTransport, AGuestThatQuitsSaysSo) {
    Hosted h;
    Client c;
    open(c, h.host, Role::Player);
    ASSERT_TRUE(stepUntil(&h.host, {&c}, [&] { return running(c); }));
    clientClose(c, Reason::Quit, "The second player quit.");
    ASSERT_TRUE(stepUntil(&h.host, {&c}, [&] { return h.host.playerLeft && clientDone(c); }));
    EXPECT_EQ(h.host.playerEnd, Reason::Quit);
    EXPECT_EQ(h.host.playerEndText, "The second player quit.");
}

TEST(NetTransport, ForgedMessagesEndTheConnectionWithTheCause) {
    Hosted h;
    // A time far in the future from a seated player.
    Client c;
    open(c, h.host, Role::Player);
    ASSERT_TRUE(stepUntil(&h.host, {&c}, [&] { return running(c); }));
    clientSend(c, inputMessage(1, 0x7fffffffu, keyEvent(32)));
    ASSERT_TRUE(stepUntil(&h.host, {&c}, [&] { return clientDone(c); }));
    EXPECT_EQ(c.session.endReason, Reason::Protocol);
    EXPECT_EQ(c.session.endText, "The other side sent a message it should not have (input: time too far ahead).");
    EXPECT_TRUE(h.host.playerLeft);

    // A huge length from a hand-made client: the host says why and closes.
    const int fd = nettest::rawConnect(h.host.port);
    ASSERT_GE(fd, 0);
    std::vector<std::uint8_t> forged;
    appendStreamMagic(forged);
    forged.push_back(0xff);
    forged.push_back(0xff);
    ASSERT_EQ(send(fd, forged.data(), forged.size(), 0), ssize_t(forged.size()));
    const std::vector<std::uint8_t> answer = nettest::rawReadToEnd(fd, h.host);
    close(fd);
    StreamReader r;
    std::vector<Message> got;
    ASSERT_TRUE(feedStream(r, answer.data(), answer.size(), got)) << r.error;
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].kind, Kind::Hello);
    EXPECT_EQ(got[1].kind, Kind::Bye);
    EXPECT_EQ(got[1].bye.text, "The other side sent a message it should not have (frame length 65535 out of bounds).");

    // Another program altogether is closed without a word of ours.
    const int other = nettest::rawConnect(h.host.port);
    const char ssh[] = "SSH-2.0-OpenSSH\r\n";
    ASSERT_EQ(send(other, ssh, sizeof ssh - 1, 0), ssize_t(sizeof ssh - 1));
    EXPECT_TRUE(nettest::rawReadToEnd(other, h.host).empty());
    close(other);
    ASSERT_TRUE(stepUntil(&h.host, {}, [&] { return h.host.peers.empty(); }));
}

TEST(NetTransport, NoHostMeansAClearMessage) {
    // A port nobody listens on: bind one, note it, close it.
    std::string error;
    const int fd = listenTcp("127.0.0.1", 0, error);
    ASSERT_GE(fd, 0) << error;
    const std::uint16_t port = boundPort(fd);
    closeSocket(fd);
    Client c;
    ASSERT_TRUE(clientOpen(c, "127.0.0.1", port, nettest::testIdentity(), Role::Player, nettest::realMs, error));
    ASSERT_TRUE(stepUntil(nullptr, {&c}, [&] { return clientDone(c); }));
    EXPECT_EQ(c.session.endText, "Could not reach the host (cannot connect: Connection refused).");
}

// A host on every address (as the game's) serves both families: a guest
// joins by IPv4, by a bracketed IPv6 address and by a name.
TEST(NetTransport, AHostOnEveryAddressTakesBothFamilies) {
    const bool six = hasIpv6Loopback();
    if (!six)
        std::printf("No ::1 on this machine: the IPv6 rows are skipped.\n");
    for (const char* typed : {"127.0.0.1", "[::1]", "localhost"}) {
        if (!six && typed[0] == '[')
            continue;
        Host h;
        std::string error;
        ASSERT_TRUE(hostOpen(h, "", 0, nettest::testIdentity(), nettest::realMs, error)) << error;
        EXPECT_TRUE(servedFamilies(h.listenFd).ipv4);
        EXPECT_EQ(servedFamilies(h.listenFd).ipv6, six);
        std::string host;
        std::uint16_t port = 0;
        ASSERT_TRUE(splitHostPort(std::string(typed) + ":" + std::to_string(h.port), host, port)) << typed;
        Client c;
        ASSERT_TRUE(clientOpen(c, host, port, nettest::testIdentity(), Role::Player, nettest::realMs, error)) << error;
        EXPECT_TRUE(stepUntil(&h, {&c}, [&] { return running(c) && h.started; })) << typed << ": " << c.session.endText;
        hostClose(h, Reason::Quit, "");
    }
}

// Hundreds of connections held open and silent, from another loopback
// address or from the guest's own, keep nobody out: the greetings are
// bounded per source and in all, a newcomer takes the place of one that has
// had its time, and the log says how many were turned away in a line or two.
TEST(NetTransport, AFloodOfSilentConnectionsLocksNobodyOut) {
    constexpr int kFlood = 300;
    for (const char* source : {"127.0.0.2", "127.0.0.1"}) {
        Hosted h;
        const std::uint32_t start = nettest::realMs();
        const std::vector<int> held = flood(h.host, source, kFlood);
        EXPECT_LE(greetings(h.host), kMaxGreetingsPerSource) << source;
        EXPECT_GE(h.host.turnedAway, std::uint64_t(kFlood - kMaxGreetingsPerSource)) << source;
        // The guest comes once the flood's greetings have had their time for a
        // hello (as one arriving any later would): a hello within a round trip.
        const std::uint32_t floodIn = nettest::realMs();
        stepUntil(&h.host, {}, [&] { return nettest::realMs() - floodIn > kGreetingGraceMs; });
        Client c;
        const std::uint32_t guestAt = nettest::realMs();
        open(c, h.host, Role::Player);
        EXPECT_TRUE(stepUntil(&h.host, {&c}, [&] { return running(c) && h.host.started; }))
            << source << ": " << c.session.endText;
        std::printf("[ flood ] from %s: %d held, the guest playing after %u ms\n", source, kFlood,
                    unsigned(nettest::realMs() - guestAt));
        ASSERT_TRUE(stepUntil(&h.host, {}, [&] { return h.host.turnedAwayTold == h.host.turnedAway; }));
        const std::vector<long> counts = turnedAwayCounts(h.host);
        long sum = 0;
        for (long n : counts) {
            EXPECT_GT(n, 0) << source;
            sum += n;
        }
        EXPECT_EQ(std::uint64_t(sum), h.host.turnedAway) << source;
        // At most one line a second, never one a connection.
        EXPECT_LE(counts.size(), 1 + (nettest::realMs() - start) / kTurnedAwayNoticeMs) << source;
        for (int fd : held)
            close(fd);
    }
}

// A desktop guest turned away learns why; so does one whose host closes
// without a word.
TEST(NetTransport, AGuestTurnedAwaySaysWhy) {
    Hosted h;
    h.host.greetingGraceMs = 3600000;  // every place stays taken
    const std::vector<int> held = flood(h.host, "127.0.0.1", kMaxGreetingsPerSource);
    Client c;
    open(c, h.host, Role::Player);
    ASSERT_TRUE(stepUntil(&h.host, {&c}, [&] { return clientDone(c); }));
    EXPECT_EQ(c.session.endText, "The host is busy with other connections; try again in a moment.");
    for (int fd : held)
        close(fd);

    std::string error;
    const int listener = listenTcp("127.0.0.1", 0, error);
    ASSERT_GE(listener, 0) << error;
    Client d;
    ASSERT_TRUE(clientOpen(d, "127.0.0.1", boundPort(listener), nettest::testIdentity(), Role::Player,
                           nettest::realMs, error));
    int taken = -1;
    ASSERT_TRUE(stepUntil(nullptr, {&d}, [&] { return (taken = acceptTcp(listener)) >= 0; }));
    closeSocket(taken);
    ASSERT_TRUE(stepUntil(nullptr, {&d}, [&] { return clientDone(d); }));
    EXPECT_EQ(d.session.endText, "The host closed the connection before answering; it may be busy, try again in a moment.");
    closeSocket(listener);
}

TEST(NetAddress, HostAndPortFromWhatAPersonTypes) {
    struct Row {
        const char* text;
        bool ok;
        const char* host;
        std::uint16_t port;
    };
    const std::vector<Row> table = {
        {"192.168.1.20", true, "192.168.1.20", kDefaultPort},
        {"192.168.1.20:5000", true, "192.168.1.20", 5000},
        {"example.org:65535", true, "example.org", 65535},
        {"[::1]:7000", true, "::1", 7000},
        {"[::1]", true, "::1", kDefaultPort},
        {"fe80::1", true, "fe80::1", kDefaultPort},
        {"host:0", false, "", 0},
        {"host:65536", false, "", 0},
        {"host:", false, "", 0},
        {"host:12a", false, "", 0},
        {":5000", false, "", 0},
        {"", false, "", 0},
        {"[::1", false, "", 0},
        {"[::1]x", false, "", 0},
    };
    for (const Row& r : table) {
        std::string host;
        std::uint16_t port = 0;
        EXPECT_EQ(splitHostPort(r.text, host, port), r.ok) << r.text;
        if (r.ok) {
            EXPECT_EQ(host, r.host) << r.text;
            EXPECT_EQ(port, r.port) << r.text;
        }
    }
    EXPECT_EQ(kDefaultPort, 24642);
}
