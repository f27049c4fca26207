// Rooms on a relay: codes, the keys derived from them (nettle's and the
// page's own), envelopes and their checks, the pipes' order, and a host
// with its guests through a real nats-server on 127.0.0.1.
#include <cstring>
#include <functional>
#include <string>

#include <gtest/gtest.h>
#include <nettle/hmac.h>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "natsrelay.h"
#include "net/client.h"
#include "net/envelope.h"
#include "net/host.h"
#include "net/quickpair.h"
#include "net/relayroom.h"
#include "net/roomcode.h"
#include "net/roomkeys.h"
#include "netloop.h"
#include "web/hmac.h"

using namespace net;
using nettest::stepUntil;

namespace {

std::string hexOf(const std::uint8_t* p, std::size_t n) {
    std::string s;
    char h[3];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(h, sizeof h, "%02x", p[i]);
        s += h;
    }
    return s;
}

TEST(NetRelay, CodesAreReadInAnyCaseWithOrWithoutTheDashAndLookAlikesAreRefused) {
    struct Row {
        const char* typed;
        const char* canonical;  // null: refused
    } rows[] = {
        {"K7QX-2M9P", "K7QX2M9P"}, {"k7qx-2m9p", "K7QX2M9P"}, {"K7qx2M9p", "K7QX2M9P"},
        {"23456789", "23456789"},  {"ZZZZ-ZZZZ", "ZZZZZZZZ"},
        {"K7QX-2M9", nullptr},     {"K7QX-2M9PQ", nullptr},  {"K7Q-X2M9P", nullptr}, {"K7QX--2M9P", nullptr},
        {"K0QX-2M9P", nullptr},    {"KOQX-2M9P", nullptr},   {"K1QX-2M9P", nullptr}, {"KIQX-2M9P", nullptr},
        {"K7QX 2M9P", nullptr},    {"", nullptr},            {"K7QX-2M9P-", nullptr},
    };
    for (const Row& r : rows) {
        std::string canonical = "unchanged";
        const bool ok = parseRoomCode(r.typed, canonical);
        EXPECT_EQ(ok, r.canonical != nullptr) << r.typed;
        EXPECT_EQ(canonical, r.canonical ? r.canonical : "unchanged") << r.typed;
    }
    EXPECT_EQ(formatRoomCode("K7QX2M9P"), "K7QX-2M9P");
    EXPECT_EQ(roomCodeFromBits(0), "22222222");
    EXPECT_EQ(roomCodeFromBits((std::uint64_t(1) << 40) - 1), "ZZZZZZZZ");
    EXPECT_EQ(roomCodeFromBits(std::uint64_t(31) << 35 | 1), "Z2222223");
    std::string a, b;
    ASSERT_TRUE(drawRoomCode(a));
    ASSERT_TRUE(drawRoomCode(b));
    std::string back;
    EXPECT_TRUE(parseRoomCode(formatRoomCode(a), back));
    EXPECT_EQ(back, a);
    EXPECT_NE(a, b);  // 40 random bits twice alike: once in a trillion runs
}

TEST(NetRelay, TheRoomsKeysComeFromTheCodeAndThePageDerivesTheSame) {
    const RoomKeys k = deriveRoomKeys("K7QX2M9P");
    EXPECT_EQ(k.roomId, "76df0d8f9f30b2a307b7cb06ca814112");
    EXPECT_EQ(hexOf(k.tagKey, kRoomKeyBytes), "b5b046be3e44a700f789259c754f3235fb45aec54ac0ce7fabd0e3b477f63411");
    EXPECT_EQ(k.roomId.find("K7QX"), std::string::npos);
    EXPECT_NE(deriveRoomKeys("K7QX2M9Q").roomId, k.roomId);
    // The page's own PBKDF2 over its SHA-256 gives the same bytes.
    std::uint8_t page[kRoomIdBytes + kRoomKeyBytes];
    pbkdf2HmacSha256(reinterpret_cast<const std::uint8_t*>("K7QX2M9P"), 8,
                     reinterpret_cast<const std::uint8_t*>(kRoomKdfSalt), sizeof kRoomKdfSalt - 1, kRoomKdfRounds, page,
                     sizeof page);
    EXPECT_EQ(hexOf(page, kRoomIdBytes), k.roomId);
    EXPECT_EQ(hexOf(page + kRoomIdBytes, kRoomKeyBytes), hexOf(k.tagKey, kRoomKeyBytes));
}

TEST(NetRelay, ThePagesHmacAndPbkdf2MatchNettleAndTheStandardsVectors) {
    // RFC 4231, case 2, and RFC 7914's PBKDF2-HMAC-SHA256 vector.
    const std::uint8_t* parts[1] = {reinterpret_cast<const std::uint8_t*>("what do ya want for nothing?")};
    const std::size_t sizes[1] = {28};
    std::uint8_t mac[32];
    hmacSha256(reinterpret_cast<const std::uint8_t*>("Jefe"), 4, parts, sizes, 1, mac);
    EXPECT_EQ(hexOf(mac, 32), "5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843");
    std::uint8_t dk[64];
    pbkdf2HmacSha256(reinterpret_cast<const std::uint8_t*>("passwd"), 6, reinterpret_cast<const std::uint8_t*>("salt"),
                     4, 1, dk, sizeof dk);
    EXPECT_EQ(hexOf(dk, 64), "55ac046e56e3089fec1691c22544b605f94185216dde0465e68b9d57c20dacbc"
                             "49ca9cccf179b645991664b39d77ef317c71b845b1e30bd509112041d3a19783");
    // Keys longer than a block, and the envelope's tag as the page would make it.
    std::uint8_t longKey[100];
    for (std::size_t i = 0; i < sizeof longKey; ++i)
        longKey[i] = std::uint8_t(i * 7);
    const std::string subject = "voltari.1.abc.host";
    const std::uint8_t zero = 0, body[3] = {1, 2, 3};
    for (std::size_t keySize : {std::size_t(32), sizeof longKey}) {
        hmac_sha256_ctx ctx;
        hmac_sha256_set_key(&ctx, keySize, longKey);
        hmac_sha256_update(&ctx, subject.size(), reinterpret_cast<const std::uint8_t*>(subject.data()));
        hmac_sha256_update(&ctx, 1, &zero);
        hmac_sha256_update(&ctx, 3, body);
        std::uint8_t nettle[32];
        hmac_sha256_digest(&ctx, 32, nettle);
        const std::uint8_t* p[3] = {reinterpret_cast<const std::uint8_t*>(subject.data()), &zero, body};
        const std::size_t s[3] = {subject.size(), 1, 3};
        hmacSha256(longKey, keySize, p, s, 3, mac);
        EXPECT_EQ(hexOf(mac, 32), hexOf(nettle, 32)) << keySize;
        if (keySize == 32) {
            std::uint8_t tag[kRelayTagBytes];
            relayTag(longKey, subject, body, 3, tag);
            EXPECT_EQ(hexOf(tag, kRelayTagBytes), hexOf(mac, kRelayTagBytes));
        }
    }
}

TEST(NetRelay, AnEnvelopeOpensOnlyWholeUnchangedAndForItsSubject) {
    const RoomKeys k = deriveRoomKeys("23456789");
    const std::string subject = "voltari.1." + k.roomId + ".host";
    Envelope e;
    e.sender = 0x0102030405060708ull;
    e.seq = 7;
    e.ack = 5;
    e.bytes = {'V', 'O', 'L', 'T'};
    const std::vector<std::uint8_t> sealed = sealEnvelope(e, k.tagKey, subject);
    ASSERT_EQ(sealed.size(), kMinEnvelopeBytes + 4);
    Envelope got;
    ASSERT_EQ(openEnvelope(sealed.data(), sealed.size(), k.tagKey, subject, got), Opened::Ok);
    EXPECT_EQ(got.sender, e.sender);
    EXPECT_EQ(got.seq, 7u);
    EXPECT_EQ(got.ack, 5u);
    EXPECT_EQ(got.bytes, e.bytes);
    // Any byte changed, anywhere, breaks the tag.
    for (std::size_t i = 0; i < sealed.size(); ++i) {
        std::vector<std::uint8_t> bent = sealed;
        bent[i] ^= 0x40;
        EXPECT_EQ(openEnvelope(bent.data(), bent.size(), k.tagKey, subject, got), Opened::BadTag) << i;
    }
    EXPECT_EQ(openEnvelope(sealed.data(), sealed.size(), k.tagKey, subject + "x", got), Opened::BadTag);
    EXPECT_EQ(openEnvelope(sealed.data(), kMinEnvelopeBytes - 1, k.tagKey, subject, got), Opened::BadSize);
    e.bytes.assign(kMaxEnvelopeData + 1, 0);
    const std::vector<std::uint8_t> big = sealEnvelope(e, k.tagKey, subject);
    EXPECT_EQ(openEnvelope(big.data(), big.size(), k.tagKey, subject, got), Opened::BadSize);
    // Well tagged but not a form anyone sends: data without bytes, an ack with some.
    struct Row {
        EnvelopeKind kind;
        std::uint32_t seq;
        std::size_t bytes;
        Opened expected;
    } rows[] = {
        {EnvelopeKind::Data, 1, 0, Opened::BadForm}, {EnvelopeKind::Ack, 0, 1, Opened::BadForm},
        {EnvelopeKind::Ack, 3, 0, Opened::BadForm},  {EnvelopeKind(9), 1, 1, Opened::BadForm},
        {EnvelopeKind::Ack, 0, 0, Opened::Ok},       {EnvelopeKind::Data, 1, kMaxEnvelopeData, Opened::Ok},
        {EnvelopeKind::Cast, 0, 1, Opened::BadForm}, {EnvelopeKind::Cast, 4, 0, Opened::BadForm},
        {EnvelopeKind::Cast, 4, 1, Opened::Ok},      {EnvelopeKind::After, 2, 3, Opened::BadForm},
        {EnvelopeKind::After, 2, 4, Opened::Ok},     {EnvelopeKind::CastAck, 0, 1, Opened::BadForm},
        {EnvelopeKind::CastAck, 7, 0, Opened::Ok},
    };
    for (const Row& r : rows) {
        e.kind = r.kind;
        e.seq = r.seq;
        e.bytes.assign(r.bytes, 1);
        const std::vector<std::uint8_t> s = sealEnvelope(e, k.tagKey, subject);
        EXPECT_EQ(openEnvelope(s.data(), s.size(), k.tagKey, subject, got), r.expected) << int(r.kind) << " " << r.seq;
    }
}

TEST(NetRelay, APipeTakesOnlyTheNextEnvelopeAndForgetsWhatWasAcknowledged) {
    RelayRoom room;
    RelayPipe pipe;
    Connection c;
    startRelay(c, kPlayerQueueLimit);
    auto data = [](std::uint32_t seq, std::uint32_t ack) {
        Envelope e;
        e.seq = seq;
        e.ack = ack;
        e.bytes = {std::uint8_t(seq)};
        return e;
    };
    EXPECT_TRUE(pipeTake(room, pipe, c, data(1, 0)));
    EXPECT_FALSE(pipeTake(room, pipe, c, data(3, 0)));  // 2 went missing: 3 waits to be sent again
    EXPECT_TRUE(pipeTake(room, pipe, c, data(2, 0)));
    EXPECT_FALSE(pipeTake(room, pipe, c, data(1, 0)));  // a replay
    EXPECT_FALSE(pipeTake(room, pipe, c, data(2, 0)));
    EXPECT_TRUE(pipeTake(room, pipe, c, data(3, 0)));
    EXPECT_EQ(c.inbox, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(room.drops.early, 1u);
    EXPECT_EQ(room.drops.replayed, 2u);
    pipe.sentSeq = 3;
    for (std::uint32_t seq = 1; seq <= 3; ++seq) {
        pipe.unacked.push_back(RelayPending{seq, std::vector<std::uint8_t>(10)});
        pipe.unackedBytes += 10;
    }
    pipeTake(room, pipe, c, data(4, 9));  // an ack past what was sent is no ack
    EXPECT_EQ(pipe.unacked.size(), 3u);
    Envelope ack;
    ack.kind = EnvelopeKind::Ack;
    ack.ack = 2;
    EXPECT_FALSE(pipeTake(room, pipe, c, ack));
    ASSERT_EQ(pipe.unacked.size(), 1u);
    EXPECT_EQ(pipe.unacked.front().seq, 3u);
    EXPECT_EQ(pipe.unackedBytes, 10u);
}

TEST(NetRelay, AWatcherReadsTheCastInOrderAndItsPipesAfterDataWhereItBelongs) {
    RelayRoom room;
    RelayPipe pipe;
    Connection c;
    startRelay(c, kPlayerQueueLimit);
    auto cast = [&](std::uint32_t n) {
        Envelope e;
        e.kind = EnvelopeKind::Cast;
        e.seq = n;
        e.bytes = {std::uint8_t(n)};
        castTake(room, pipe, c, e);
    };
    auto piped = [&](EnvelopeKind kind, std::uint32_t seq, std::vector<std::uint8_t> bytes) {
        Envelope e;
        e.kind = kind;
        e.seq = seq;
        e.bytes = std::move(bytes);
        return pipeTake(room, pipe, c, e);
    };
    cast(1);  // before the host says where this watcher goes on: kept
    cast(3);
    EXPECT_TRUE(piped(EnvelopeKind::Data, 1, {0xA0}));
    EXPECT_EQ(c.inbox, (std::vector<std::uint8_t>{0xA0}));
    // The game so far reached cast 2: 1 is in it, 3 waits for 2's place.
    EXPECT_TRUE(piped(EnvelopeKind::After, 2, {0, 0, 0, 2}));
    EXPECT_EQ(c.inbox, (std::vector<std::uint8_t>{0xA0, 3}));
    EXPECT_TRUE(piped(EnvelopeKind::After, 3, {0, 0, 0, 4, 0xB0}));  // read after cast 4
    cast(5);
    EXPECT_EQ(c.inbox, (std::vector<std::uint8_t>{0xA0, 3}));
    cast(4);
    EXPECT_EQ(c.inbox, (std::vector<std::uint8_t>{0xA0, 3, 4, 0xB0, 5}));
    cast(4);  // a copy sent again, or a replayed capture
    cast(1);
    EXPECT_EQ(room.drops.replayed, 2u);
    EXPECT_EQ(pipe.castGot, 5u);
    EXPECT_TRUE(pipe.castEarly.empty());
    // A watcher that never hears from the host keeps only so many casts.
    RelayPipe idle;
    for (std::uint32_t n = 1; n <= kRelayCastEarlyMax + 10; ++n) {
        Envelope e;
        e.kind = EnvelopeKind::Cast;
        e.seq = n;
        e.bytes = {1};
        castTake(room, idle, c, e);
    }
    EXPECT_EQ(idle.castEarly.size(), kRelayCastEarlyMax);
    EXPECT_EQ(idle.castEarly.begin()->first, 11u);
}

// Play anyone: what a waiting player does with each message, by its phase.
// This player's id is 0x20; 0x10 and 0x30 are others, below and above it.
bool drawK7(std::string& code) {
    code = "K7QX2M9P";
    return true;
}

TEST(NetRelay, PlayAnyoneAnswersEachMessageByItsPhaseAndNeverPairsWithItself) {
    using P = QuickPhase;
    const std::string self = "0000000000000020", low = "0000000000000010", high = "0000000000000030";
    struct Row {
        P phase;
        std::uint64_t other;
        const char* code;  // the deal this player made, if any
        std::string got;
        P after;
        std::string saidTo;  // "" when nothing is said
        std::string said;
        const char* pairedCode;
    } rows[] = {
        {P::Free, 0, "", "offer " + self, P::Free, "", "", ""},  // its own offer, handed back
        {P::Free, 0, "", "deal " + self + " M2PQ7K9X", P::Free, "", "", ""},
        {P::Free, 0, "", "yes " + self, P::Free, "", "", ""},
        {P::Free, 0, "", "offer " + high, P::Dealing, high, "deal " + self + " K7QX2M9P", ""},
        {P::Dealing, 0x30, "K7QX2M9P", "offer " + low, P::Dealing, "", "", ""},
        {P::Free, 0, "", "deal " + high + " M2PQ7K9X", P::Guest, high, "yes " + self, "M2PQ7K9X"},
        {P::Dealing, 0x30, "K7QX2M9P", "deal " + low + " M2PQ7K9X", P::Dealing, low, "no " + self, ""},
        // Dealt to each other at once: the greater id takes the other's deal.
        {P::Dealing, 0x10, "K7QX2M9P", "deal " + low + " M2PQ7K9X", P::Guest, low, "yes " + self, "M2PQ7K9X"},
        {P::Dealing, 0x30, "K7QX2M9P", "deal " + high + " M2PQ7K9X", P::Dealing, high, "no " + self, ""},
        {P::Dealing, 0x30, "K7QX2M9P", "yes " + high, P::Host, "", "", "K7QX2M9P"},
        {P::Dealing, 0x30, "K7QX2M9P", "yes " + low, P::Dealing, "", "", ""},
        {P::Dealing, 0x30, "K7QX2M9P", "no " + high, P::Free, "", "", ""},
        {P::Free, 0x30, "K7QX2M9P", "yes " + high, P::Host, "", "", "K7QX2M9P"},  // a late yes, still free
        {P::Free, 0, "", "yes " + high, P::Free, "", "", ""},                      // a yes to no deal
        {P::Guest, 0x30, "M2PQ7K9X", "deal " + low + " K7QX2M9P", P::Guest, "", "", "M2PQ7K9X"},
        {P::Host, 0x30, "K7QX2M9P", "offer " + low, P::Host, "", "", "K7QX2M9P"},
        {P::Free, 0, "", "deal " + high + " K0QX2M9P", P::Free, "", "", ""},  // not a code
        {P::Free, 0, "", "deal " + high + " k7qx-2m9p", P::Free, "", "", ""}, // only the canonical form
        {P::Free, 0, "", "offer 30", P::Free, "", "", ""},
        {P::Free, 0, "", "offer " + high + " more", P::Free, "", "", ""},
        {P::Free, 0, "", "hello " + high, P::Free, "", "", ""},
    };
    for (const Row& row : rows) {
        QuickPair q;
        q.self = 0x20;
        q.phase = row.phase;
        q.other = row.other;
        q.code = row.code;
        q.drawCode = drawK7;
        quickTake(q, row.got, 1000);
        EXPECT_EQ(int(q.phase), int(row.after)) << row.got;
        if (row.saidTo.empty()) {
            EXPECT_TRUE(q.out.empty()) << row.got;
        } else {
            ASSERT_EQ(q.out.size(), 1u) << row.got;
            EXPECT_EQ(q.out[0].subject, "voltari.1.quick.to." + row.saidTo) << row.got;
            EXPECT_EQ(q.out[0].text, row.said) << row.got;
        }
        if (*row.pairedCode) {
            EXPECT_EQ(q.code, row.pairedCode) << row.got;
        }
    }
}

TEST(NetRelay, PlayAnyoneOffersWhileFreeAndGivesUpADealUnanswered) {
    QuickPair q;
    q.self = 0x20;
    q.drawCode = drawK7;
    quickTick(q, 1000);
    quickTick(q, 1000 + kQuickOfferEveryMs - 1);
    ASSERT_EQ(q.out.size(), 1u);
    EXPECT_EQ(q.out[0].subject, "voltari.1.quick");
    EXPECT_EQ(q.out[0].text, "offer 0000000000000020");
    quickTick(q, 1000 + kQuickOfferEveryMs);
    EXPECT_EQ(q.out.size(), 2u);
    q.out.clear();
    quickTake(q, "offer 0000000000000030", 2000);
    ASSERT_EQ(q.out.size(), 1u);
    quickTick(q, 2000 + kQuickAnswerMs - 1);  // dealing: no offers
    EXPECT_EQ(int(q.phase), int(QuickPhase::Dealing));
    EXPECT_EQ(q.out.size(), 1u);
    quickTick(q, 2000 + kQuickAnswerMs);
    EXPECT_EQ(int(q.phase), int(QuickPhase::Free));
    EXPECT_EQ(q.out.size(), 2u);
}

struct Relay {
    nettest::NatsRelay relay;
    bool up = false;
    Relay() {
        std::string error;
        up = nettest::startNatsRelay(relay, 1, error);
        if (!up)
            std::printf("skipped: %s\n", error.c_str());
    }
    ~Relay() {
        nettest::stopNatsRelay(relay);
    }
};

TEST(NetRelay, AGuestAndAWatcherPlayThroughARoomAndAWrongCodeFindsNoGame) {
    Relay r;
    if (!r.up)
        GTEST_SKIP() << "nats-server is not installed";
    const std::string url = nettest::natsUrl(r.relay);
    Host host;
    std::string error;
    ASSERT_TRUE(hostOpenRelay(host, url, "K7QX2M9P", nettest::testIdentity(), nettest::realMs, error)) << error;
    host.fixedDelayMs = 40;
    Client guest, watcher, lost;
    ASSERT_TRUE(clientOpenRelay(guest, url, "K7QX2M9P", nettest::testIdentity(), Role::Player, nettest::realMs, error));
    ASSERT_TRUE(stepUntil(&host, {&guest}, [&] { return guest.session.phase == Phase::Running; }));
    EXPECT_TRUE(host.started);
    ASSERT_TRUE(clientOpenRelay(watcher, url, "K7QX2M9P", nettest::testIdentity(), Role::Watcher, nettest::realMs,
                                error));
    ASSERT_TRUE(clientOpenRelay(lost, url, "K7QX2M9Q", nettest::testIdentity(), Role::Player, nettest::realMs, error));
    ASSERT_TRUE(stepUntil(&host, {&guest, &watcher, &lost}, [&] {
        return watcher.session.phase == Phase::Running && lost.session.phase == Phase::Closed;
    })) << int(watcher.session.phase) << " " << int(lost.session.phase) << " " << lost.session.endText << " "
        << watcher.session.endText;
    EXPECT_EQ(lost.session.endText, "No game with code K7QX-2M9Q is waiting.");
    EXPECT_FALSE(lost.session.greeted);
    // An input each way; the watcher gets both players'.
    hostSend(host, inputMessage(0, 2000, InputEvent{EventType::KeyDown, 119, 0, 0, 0}));
    clientSend(guest, inputMessage(1, 2000, InputEvent{EventType::KeyDown, 273, 0, 0, 0}));
    ASSERT_TRUE(stepUntil(&host, {&guest, &watcher}, [&] {
        return !host.delivered.empty() && !guest.delivered.empty() && watcher.delivered.size() >= 2;
    }));
    EXPECT_EQ(host.delivered[0].input.event.sym, 273);
    EXPECT_EQ(guest.delivered[0].input.event.sym, 119);
    EXPECT_EQ(hostWatchers(host), 1);
    // A second watcher, late: the game so far on its pipe, then the cast.
    Client late;
    ASSERT_TRUE(clientOpenRelay(late, url, "K7QX2M9P", nettest::testIdentity(), Role::Watcher, nettest::realMs, error));
    ASSERT_TRUE(stepUntil(&host, {&guest, &watcher, &late}, [&] { return late.delivered.size() >= 2; }));
    EXPECT_EQ(late.delivered[0].input.event.sym, 119);
    EXPECT_EQ(late.delivered[1].input.event.sym, 273);
    // One cast for both watchers.
    const std::uint32_t castsBefore = host.castSeq;
    hostSend(host, inputMessage(0, 2100, InputEvent{EventType::KeyUp, 119, 0, 0, 0}));
    ASSERT_TRUE(stepUntil(&host, {&guest, &watcher, &late}, [&] {
        return watcher.delivered.size() >= 3 && late.delivered.size() >= 3;
    }));
    EXPECT_EQ(host.castSeq, castsBefore + 1);
    EXPECT_EQ(watcher.delivered[2].input.atMs, 2100u);
    EXPECT_EQ(late.delivered[2].input.atMs, 2100u);
    EXPECT_TRUE(watcher.pipe.castReading && late.pipe.castReading);
    EXPECT_EQ(hostWatchers(host), 2);
    EXPECT_EQ(host.relay.drops.badTag + host.relay.drops.badSize, 0u);
    clientClose(guest, Reason::Quit, "bye");
    ASSERT_TRUE(stepUntil(&host, {&guest, &watcher}, [&] { return host.playerLeft && clientDone(guest); }));
}

// Steps every waiting player until done() or 10 s of real time.
bool stepQuick(const std::vector<QuickWait*>& all, const std::function<bool()>& done) {
    for (const std::uint32_t start = nettest::realMs(); nettest::realMs() - start < 10000;) {
        for (QuickWait* w : all)
            if (w->link && !quickPaired(w->pair))
                quickStep(*w, 2, nettest::realMs());
        if (done())
            return true;
    }
    return false;
}

TEST(NetRelay, PlayAnyonePairsWaitingPlayersInTwosAndALoneOneWaits) {
    Relay r;
    if (!r.up)
        GTEST_SKIP() << "nats-server is not installed";
    const std::string url = nettest::natsUrl(r.relay);
    std::string error;
    QuickWait a, b, c, d;
    // Alone, every offer comes back to the player itself, and it waits on.
    ASSERT_TRUE(quickOpen(a, url, error)) << error;
    ASSERT_TRUE(stepQuick({&a}, [&] { return a.offersBack >= 4; }));
    EXPECT_EQ(int(a.pair.phase), int(QuickPhase::Free));
    // Three: two pair, host and guest of one code; the third waits.
    ASSERT_TRUE(quickOpen(b, url, error)) << error;
    ASSERT_TRUE(quickOpen(c, url, error)) << error;
    std::vector<QuickWait*> three = {&a, &b, &c};
    auto pairedCount = [&] {
        int n = 0;
        for (QuickWait* w : three)
            n += quickPaired(w->pair);
        return n;
    };
    ASSERT_TRUE(stepQuick(three, [&] { return pairedCount() >= 2; }));
    QuickWait* host = nullptr;
    QuickWait* guest = nullptr;
    QuickWait* third = nullptr;
    for (QuickWait* w : three) {
        (w->pair.phase == QuickPhase::Host ? host : w->pair.phase == QuickPhase::Guest ? guest : third) = w;
        if (quickPaired(w->pair))
            quickClose(*w);  // as the game does: it leaves the queue
    }
    ASSERT_TRUE(host && guest && third);
    EXPECT_EQ(host->pair.other, guest->pair.self);
    EXPECT_EQ(guest->pair.other, host->pair.self);
    EXPECT_EQ(host->pair.code, guest->pair.code);
    // The third goes on waiting, its offers coming back to itself alone.
    const std::uint64_t back = third->offersBack;
    ASSERT_TRUE(stepQuick({third}, [&] { return third->offersBack >= back + 4; }));
    EXPECT_FALSE(quickPaired(third->pair));
    // A fourth comes and pairs with it.
    ASSERT_TRUE(quickOpen(d, url, error)) << error;
    ASSERT_TRUE(stepQuick({third, &d}, [&] { return quickPaired(third->pair) && quickPaired(d.pair); }));
    EXPECT_EQ(third->pair.code, d.pair.code);
    EXPECT_NE(int(third->pair.phase), int(d.pair.phase));
    for (QuickWait* w : {&a, &b, &c, &d})
        quickClose(*w);
}

TEST(NetRelay, AnUnreachableRelayIsSaidAtOnce) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);  // a port nobody listens on: bound, never listening
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    const std::string url = "nats://127.0.0.1:" + std::to_string(ntohs(a.sin_port));
    Client c;
    std::string error;
    EXPECT_FALSE(clientOpenRelay(c, url, "K7QX2M9P", nettest::testIdentity(), Role::Player, nettest::realMs, error));
    EXPECT_EQ(error.rfind("Cannot reach the relay at " + url + " (", 0), 0u) << error;
    close(fd);
}

}  // namespace
