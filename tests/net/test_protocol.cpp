// The message codec and the stream reader: every kind survives a round
// trip, and every malformed or impossible message is refused.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "net/netstate.h"
#include "net/protocol.h"
#include "net/stream.h"

using namespace net;

namespace {

InputEvent key(EventType t, std::uint16_t sym) {
    InputEvent e;
    e.type = t;
    e.sym = sym;
    return e;
}

InputEvent joy(EventType t, std::uint8_t which, std::uint8_t index, std::int16_t value) {
    InputEvent e;
    e.type = t;
    e.which = which;
    e.index = index;
    e.value = value;
    return e;
}

std::vector<Message> everyKind() {
    std::vector<Message> all;
    std::uint8_t hash[kDataHashBytes];
    for (std::size_t i = 0; i < kDataHashBytes; ++i)
        hash[i] = std::uint8_t(255 - i);
    all.push_back(helloMessage("2.0.0", hash, Role::Player));
    all.push_back(helloMessage(std::string(kMaxBuildIdBytes, 'x'), hash, Role::Watcher));
    Message reply;
    reply.kind = Kind::HelloReply;
    reply.reply.accepted = false;
    reply.reply.role = Role::Watcher;
    reply.reply.reason = Reason::Full;
    reply.reply.text = std::string(kMaxReasonBytes, '~');
    all.push_back(reply);
    Message ping;
    ping.kind = Kind::Ping;
    ping.ping.seq = 0xfffffffeu;
    ping.ping.sentMs = 0x80000001u;
    all.push_back(ping);
    ping.kind = Kind::Pong;
    all.push_back(ping);
    Message start;
    start.kind = Kind::Start;
    start.start.rttMs = 120;
    start.start.delayMs = 80;
    start.start.play = PlaySettings{0, 200, 20, 7};
    all.push_back(start);
    all.push_back(inputMessage(0, 9000, key(EventType::KeyDown, 273)));
    all.push_back(inputMessage(1, 0xffffffffu, key(EventType::KeyUp, kKeySymLimit - 1)));
    all.push_back(inputMessage(1, 5, joy(EventType::JoyAxis, 1, kMaxJoyAxes - 1, -32768)));
    all.push_back(inputMessage(0, 5, joy(EventType::JoyAxis, 0, 0, 32767)));
    all.push_back(inputMessage(0, 6, joy(EventType::JoyButtonDown, 1, kMaxJoyButtons - 1, 0)));
    all.push_back(inputMessage(0, 7, joy(EventType::JoyButtonUp, 0, 0, 0)));
    all.push_back(inputMessage(1, 8, joy(EventType::JoyHat, 1, kMaxJoyHats - 1, 12)));
    all.push_back(inputMessage(1, 9, InputEvent{EventType::Quit, 0, 0, 0, 0}));
    Message adv;
    adv.kind = Kind::Advance;
    adv.advance.player = 1;
    adv.advance.throughMs = 123456;
    all.push_back(adv);
    Message hash64;
    hash64.kind = Kind::StateHash;
    hash64.stateHash.atMs = 2000;
    hash64.stateHash.hash = 0x0123456789abcdefull;
    all.push_back(hash64);
    all.push_back(byeMessage(Reason::Desync, "The games went apart at 12000 ms."));
    all.push_back(byeMessage(Reason::Quit, ""));
    return all;
}

std::vector<std::uint8_t> encoded(const Message& m) {
    std::vector<std::uint8_t> out;
    EXPECT_TRUE(encodeMessage(m, out)) << kindName(m.kind);
    return out;
}

}  // namespace

TEST(NetCodec, EveryKindRoundTripsToTheSameBytes) {
    for (const Message& m : everyKind()) {
        const std::vector<std::uint8_t> bytes = encoded(m);
        ASSERT_LE(bytes.size(), kMaxMessageBytes);
        Message back;
        std::string error;
        ASSERT_TRUE(decodeMessage(bytes.data(), bytes.size(), back, error)) << kindName(m.kind) << ": " << error;
        EXPECT_EQ(back.kind, m.kind);
        EXPECT_EQ(encoded(back), bytes) << kindName(m.kind);
        // Any shorter prefix is refused, never read past.
        for (std::size_t n = 0; n < bytes.size(); ++n)
            EXPECT_FALSE(decodeMessage(bytes.data(), n, back, error)) << kindName(m.kind) << " cut at " << n;
        // So is one byte more.
        std::vector<std::uint8_t> longer = bytes;
        longer.push_back(0);
        EXPECT_FALSE(decodeMessage(longer.data(), longer.size(), back, error)) << kindName(m.kind);
        EXPECT_EQ(error, "trailing bytes");
    }
}

TEST(NetCodec, FieldsComeBackAsSent) {
    const std::vector<Message> all = everyKind();
    Message back;
    std::string error;
    std::vector<std::uint8_t> b = encoded(all[0]);
    ASSERT_TRUE(decodeMessage(b.data(), b.size(), back, error));
    EXPECT_EQ(back.hello.magic, kHelloMagic);
    EXPECT_EQ(back.hello.version, kProtocolVersion);
    EXPECT_EQ(back.hello.buildId, "2.0.0");
    EXPECT_EQ(0, std::memcmp(back.hello.dataHash, all[0].hello.dataHash, kDataHashBytes));
    b = encoded(all[8]);
    ASSERT_TRUE(decodeMessage(b.data(), b.size(), back, error));
    EXPECT_EQ(back.input.player, 1);
    EXPECT_EQ(back.input.atMs, 5u);
    EXPECT_EQ(back.input.event.type, EventType::JoyAxis);
    EXPECT_EQ(back.input.event.which, 1);
    EXPECT_EQ(back.input.event.value, -32768);
    b = encoded(all[15]);
    ASSERT_TRUE(decodeMessage(b.data(), b.size(), back, error));
    EXPECT_EQ(back.stateHash.hash, 0x0123456789abcdefull);
}

struct Refusal {
    const char* what;
    std::vector<std::uint8_t> bytes;
    const char* error;
};

TEST(NetCodec, RefusesWhatTheGameCouldNotHaveSent) {
    const std::vector<Refusal> table = {
        {"nothing", {}, "empty message"},
        {"unknown kind 0", {0}, "unknown message kind"},
        {"unknown kind 10", {10, 0, 0}, "unknown message kind"},
        {"unknown kind 255", {255}, "unknown message kind"},
        {"hello, wrong magic", {1, 'X', 'L', 'T', 'R', 0, 1, 0}, "hello without the magic"},
        {"hello, build id too long", {1, 0x56, 0x4c, 0x54, 0x52, 0, 1, 33}, "bad build id"},
        {"hello, build id not printable", {1, 0x56, 0x4c, 0x54, 0x52, 0, 1, 1, '\n'}, "bad build id"},
        {"reply, accepted 2", {2, 2, 0, 0, 0}, "bad reply"},
        {"reply, reason 11", {2, 0, 0, 11, 0}, "bad reply"},
        {"reply, role 2", {2, 1, 2, 0, 0}, "bad reply"},
        {"reply, text runs off the end", {2, 0, 0, 1, 5, 'a', 'b'}, "bad reply text"},
        {"input, player 2", {6, 2, 0, 0, 0, 0, 1, 0, 13}, "bad player"},
        {"input, event type 0", {6, 0, 0, 0, 0, 0, 0}, "unknown event type"},
        {"input, event type 8", {6, 0, 0, 0, 0, 0, 8}, "unknown event type"},
        {"input, key sym 0", {6, 0, 0, 0, 0, 0, 1, 0, 0}, "impossible event"},
        {"input, key sym past the last", {6, 0, 0, 0, 0, 0, 1, 0x01, 0x43}, "impossible event"},
        {"input, stick 2", {6, 0, 0, 0, 0, 0, 3, 2, 0, 0, 0}, "impossible event"},
        {"input, axis 16", {6, 0, 0, 0, 0, 0, 3, 0, 16, 0, 0}, "impossible event"},
        {"input, button 32", {6, 0, 0, 0, 0, 0, 4, 0, 32}, "impossible event"},
        {"input, hat up and down", {6, 0, 0, 0, 0, 0, 6, 0, 0, 0, 5}, "impossible event"},
        {"input, hat 4", {6, 0, 0, 0, 0, 0, 6, 0, 4, 0, 1}, "impossible event"},
        {"input, key cut short", {6, 0, 0, 0, 0, 0, 1, 0}, "short event"},
        {"start, xspeed 150", {5, 0, 40, 0, 40, 1, 0, 150, 0, 10}, "bad play settings"},
        {"start, 8 points to win", {5, 0, 40, 0, 40, 1, 0, 0, 0, 8}, "bad play settings"},
        {"advance, player 3", {7, 3, 0, 0, 0, 0}, "bad player"},
        {"bye, reason 11", {9, 11, 0}, "bad reason"},
        {"bye, text not printable", {9, 6, 1, 0x7f}, "bad bye text"},
        {"ping, cut short", {3, 0, 0, 0, 0, 0}, "message cut short"},
        {"state hash, trailing", {8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, "trailing bytes"},
        {"too long", std::vector<std::uint8_t>(kMaxMessageBytes + 1, 3), "message too long"},
    };
    for (const Refusal& r : table) {
        Message m;
        std::string error;
        EXPECT_FALSE(decodeMessage(r.bytes.data(), r.bytes.size(), m, error)) << r.what;
        EXPECT_EQ(error, r.error) << r.what;
    }
}

TEST(NetCodec, EncoderRefusesRecordsTheDecoderWouldRefuse) {
    std::vector<std::uint8_t> out;
    std::uint8_t hash[kDataHashBytes] = {};
    EXPECT_FALSE(encodeMessage(helloMessage(std::string(kMaxBuildIdBytes + 1, 'a'), hash, Role::Player), out));
    EXPECT_FALSE(encodeMessage(helloMessage("tab\there", hash, Role::Player), out));
    EXPECT_FALSE(encodeMessage(inputMessage(2, 0, InputEvent{EventType::KeyDown, 13, 0, 0, 0}), out));
    EXPECT_FALSE(encodeMessage(inputMessage(0, 0, InputEvent{EventType::KeyDown, kKeySymLimit, 0, 0, 0}), out));
    EXPECT_FALSE(encodeMessage(inputMessage(0, 0, InputEvent{EventType::Quit, 0, 1, 0, 0}), out));
    Message bye = byeMessage(Reason::Quit, "x");
    bye.bye.text = std::string(kMaxReasonBytes + 1, 'a');
    EXPECT_FALSE(encodeMessage(bye, out));
    // The builder cuts an over-long reason instead.
    EXPECT_TRUE(encodeMessage(byeMessage(Reason::Quit, std::string(300, 'a')), out));
}

TEST(NetStream, CutsMessagesAtAnyChunkBoundary) {
    std::vector<std::uint8_t> stream;
    appendStreamMagic(stream);
    const std::vector<Message> all = everyKind();
    for (const Message& m : all)
        ASSERT_TRUE(appendFrame(m, stream));
    for (std::size_t chunk : {std::size_t(1), std::size_t(2), std::size_t(3), std::size_t(7), std::size_t(64),
                              stream.size()}) {
        StreamReader r;
        std::vector<Message> got;
        for (std::size_t at = 0; at < stream.size(); at += chunk)
            ASSERT_TRUE(feedStream(r, stream.data() + at, std::min(chunk, stream.size() - at), got)) << r.error;
        ASSERT_EQ(got.size(), all.size()) << "chunk " << chunk;
        for (std::size_t i = 0; i < all.size(); ++i)
            EXPECT_EQ(encoded(got[i]), encoded(all[i])) << "chunk " << chunk << " message " << i;
        EXPECT_TRUE(r.partial.empty());
    }
}

TEST(NetStream, RefusesWrongMagicBadLengthsAndBadBodiesForGood) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        const char* error;
    };
    std::vector<std::uint8_t> magic(kStreamMagic, kStreamMagic + kStreamMagicBytes);
    auto after = [&](std::vector<std::uint8_t> tail) {
        std::vector<std::uint8_t> v = magic;
        v.insert(v.end(), tail.begin(), tail.end());
        return v;
    };
    const std::vector<Case> table = {
        {"another program", {'S', 'S', 'H', '-'}, "not a VOLTARI connection"},
        {"magic wrong in its last byte", after({}), ""},
        {"zero length", after({0, 0}), "frame length 0 out of bounds"},
        {"huge length", after({0xff, 0xff}), "frame length 65535 out of bounds"},
        {"one past the limit", after({0x02, 0x01}), "frame length 513 out of bounds"},
        {"unknown kind", after({0, 1, 42}), "unknown message kind"},
    };
    for (const Case& c : table) {
        std::vector<std::uint8_t> bytes = c.bytes;
        if (std::string(c.what) == "magic wrong in its last byte")
            bytes.back() = '\r';
        StreamReader r;
        std::vector<Message> got;
        EXPECT_FALSE(feedStream(r, bytes.data(), bytes.size(), got)) << c.what;
        EXPECT_TRUE(r.failed) << c.what;
        if (*c.error) {
            EXPECT_EQ(r.error, c.error) << c.what;
        }
        EXPECT_TRUE(got.empty()) << c.what;
        // Once broken, good bytes change nothing.
        std::vector<std::uint8_t> good;
        appendFrame(byeMessage(Reason::Quit, "bye"), good);
        EXPECT_FALSE(feedStream(r, good.data(), good.size(), got)) << c.what;
        EXPECT_TRUE(got.empty()) << c.what;
    }
}

// The session's state as a line for a dialog: every value comes back, and
// anything but such a line is refused, never half read.
TEST(NetStateLine, EveryValueComesBackAndOtherLinesAreRefused) {
    NetState s;
    s.phase = NetPhase::Ended;
    s.mode = NetMode::Watch;
    s.code = "K7QX-2M9P";
    s.port = 24642;
    s.rttMs = 120;
    s.delayMs = 80;
    s.reason = Reason::Seat;
    s.refused = true;
    s.greeted = true;
    const std::string line = netStateLine(s);
    EXPECT_EQ(line, "state ended watch code=K7QX-2M9P port=24642 rtt=120 delay=80 reason=10 refused=1 greeted=1");
    NetState back;
    ASSERT_TRUE(parseNetStateLine(line, back));
    EXPECT_EQ(netStateLine(back), line);
    ASSERT_TRUE(parseNetStateLine(netStateLine(NetState()), back));
    EXPECT_EQ(back.code, "");
    EXPECT_EQ(back.phase, NetPhase::Opening);
    for (const char* bad : {
             "", "Playing: round trip 40 ms, input delay 40 ms.",
             "state playing host code=K7QX-2M9P port=0 rtt=40 delay=40 reason=0 refused=0",
             "state dancing host code= port=0 rtt=0 delay=0 reason=0 refused=0 greeted=0",
             "state playing guest code= port=0 rtt=0 delay=0 reason=0 refused=0 greeted=0",
             "state playing host code=K0QX-2M9P port=0 rtt=0 delay=0 reason=0 refused=0 greeted=0",
             "state playing host code= port=70000 rtt=0 delay=0 reason=0 refused=0 greeted=0",
             "state playing host code= port=0 rtt=0 delay=0 reason=0 refused=0 greeted=0 and more",
         })
        EXPECT_FALSE(parseNetStateLine(bad, back)) << bad;
}
