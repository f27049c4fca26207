#include "net/protocol.h"

#include <cstring>

namespace net {

namespace {

// Big-endian writer and a bounds-checked reader over one message body.
struct Writer {
    std::vector<std::uint8_t>& out;
    void u8(std::uint8_t v) { out.push_back(v); }
    void u16(std::uint16_t v) { u8(std::uint8_t(v >> 8)); u8(std::uint8_t(v)); }
    void u32(std::uint32_t v) { u16(std::uint16_t(v >> 16)); u16(std::uint16_t(v)); }
    void u64(std::uint64_t v) { u32(std::uint32_t(v >> 32)); u32(std::uint32_t(v)); }
    void text(const std::string& s) { u8(std::uint8_t(s.size())); out.insert(out.end(), s.begin(), s.end()); }
};

struct Reader {
    const std::uint8_t* p;
    std::size_t left;
    bool ok = true;
    std::uint8_t u8() {
        if (left < 1) { ok = false; return 0; }
        --left;
        return *p++;
    }
    std::uint16_t u16() { std::uint16_t hi = u8(); return std::uint16_t((hi << 8) | u8()); }
    std::uint32_t u32() { std::uint32_t hi = u16(); return (hi << 16) | u16(); }
    std::uint64_t u64() { std::uint64_t hi = u32(); return (hi << 32) | u32(); }
    bool bytes(std::uint8_t* dst, std::size_t n) {
        if (left < n) { ok = false; return false; }
        std::memcpy(dst, p, n);
        p += n;
        left -= n;
        return true;
    }
    bool text(std::string& s, std::size_t maxBytes) {
        const std::size_t n = u8();
        if (!ok || n > maxBytes || left < n) { ok = false; return false; }
        s.assign(reinterpret_cast<const char*>(p), n);
        p += n;
        left -= n;
        return validText(s, maxBytes);
    }
};

bool validHat(std::int16_t v) {
    // Centred, the four directions and the four diagonals of SDL_HAT_*.
    switch (v) {
    case 0: case 1: case 2: case 4: case 8: case 3: case 6: case 12: case 9: return true;
    default: return false;
    }
}

bool fail(std::string& error, const char* what) {
    error = what;
    return false;
}

}  // namespace

bool validText(const std::string& s, std::size_t maxBytes) {
    if (s.size() > maxBytes)
        return false;
    for (unsigned char c : s)
        if (c < 0x20 || c > 0x7e)
            return false;
    return true;
}

bool validPlaySettings(const PlaySettings& p) {
    return p.joy <= 1 && (p.xspeed == 0 || p.xspeed == 100 || p.xspeed == 200) &&
           (p.sbots == 0 || p.sbots == 10 || p.sbots == 20) && (p.pointsToWin == 7 || p.pointsToWin == 10);
}

bool validEvent(const InputEvent& e) {
    switch (e.type) {
    case EventType::KeyDown:
    case EventType::KeyUp:
        return e.sym > 0 && e.sym < kKeySymLimit && e.which == 0 && e.index == 0 && e.value == 0;
    case EventType::JoyAxis:
        return e.sym == 0 && e.which < kMaxJoysticks && e.index < kMaxJoyAxes;
    case EventType::JoyButtonDown:
    case EventType::JoyButtonUp:
        return e.sym == 0 && e.which < kMaxJoysticks && e.index < kMaxJoyButtons && e.value == 0;
    case EventType::JoyHat:
        return e.sym == 0 && e.which < kMaxJoysticks && e.index < kMaxJoyHats && validHat(e.value);
    case EventType::Quit:
        return e.sym == 0 && e.which == 0 && e.index == 0 && e.value == 0;
    }
    return false;
}

bool encodeMessage(const Message& m, std::vector<std::uint8_t>& out) {
    out.clear();
    Writer w{out};
    w.u8(std::uint8_t(m.kind));
    switch (m.kind) {
    case Kind::Hello:
        if (!validText(m.hello.buildId, kMaxBuildIdBytes) || std::uint8_t(m.hello.role) > 1)
            return false;
        w.u32(m.hello.magic);
        w.u16(m.hello.version);
        w.text(m.hello.buildId);
        out.insert(out.end(), m.hello.dataHash, m.hello.dataHash + kDataHashBytes);
        w.u8(std::uint8_t(m.hello.role));
        break;
    case Kind::HelloReply:
        if (!validText(m.reply.text, kMaxReasonBytes) || std::uint8_t(m.reply.role) > 1 ||
            std::uint8_t(m.reply.reason) >= kReasonLimit)
            return false;
        w.u8(m.reply.accepted ? 1 : 0);
        w.u8(std::uint8_t(m.reply.role));
        w.u8(std::uint8_t(m.reply.reason));
        w.text(m.reply.text);
        break;
    case Kind::Ping:
    case Kind::Pong:
        w.u32(m.ping.seq);
        w.u32(m.ping.sentMs);
        break;
    case Kind::Start:
        if (!validPlaySettings(m.start.play))
            return false;
        w.u16(m.start.rttMs);
        w.u16(m.start.delayMs);
        w.u8(m.start.play.joy);
        w.u16(m.start.play.xspeed);
        w.u8(m.start.play.sbots);
        w.u8(m.start.play.pointsToWin);
        break;
    case Kind::Input:
        if (m.input.player >= kPlayers || !validEvent(m.input.event))
            return false;
        w.u8(m.input.player);
        w.u32(m.input.atMs);
        w.u8(std::uint8_t(m.input.event.type));
        switch (m.input.event.type) {
        case EventType::KeyDown:
        case EventType::KeyUp:
            w.u16(m.input.event.sym);
            break;
        case EventType::JoyAxis:
        case EventType::JoyHat:
            w.u8(m.input.event.which);
            w.u8(m.input.event.index);
            w.u16(std::uint16_t(m.input.event.value));
            break;
        case EventType::JoyButtonDown:
        case EventType::JoyButtonUp:
            w.u8(m.input.event.which);
            w.u8(m.input.event.index);
            break;
        case EventType::Quit:
            break;
        }
        break;
    case Kind::Advance:
        if (m.advance.player >= kPlayers)
            return false;
        w.u8(m.advance.player);
        w.u32(m.advance.throughMs);
        break;
    case Kind::StateHash:
        w.u32(m.stateHash.atMs);
        w.u64(m.stateHash.hash);
        break;
    case Kind::Bye:
        if (!validText(m.bye.text, kMaxReasonBytes) || std::uint8_t(m.bye.reason) >= kReasonLimit)
            return false;
        w.u8(std::uint8_t(m.bye.reason));
        w.text(m.bye.text);
        break;
    default:
        return false;
    }
    return out.size() <= kMaxMessageBytes;
}

bool decodeMessage(const std::uint8_t* data, std::size_t size, Message& out, std::string& error) {
    if (size == 0)
        return fail(error, "empty message");
    if (size > kMaxMessageBytes)
        return fail(error, "message too long");
    Reader r{data, size};
    const std::uint8_t kind = r.u8();
    out = Message();
    out.kind = Kind(kind);
    switch (out.kind) {
    case Kind::Hello: {
        out.hello.magic = r.u32();
        out.hello.version = r.u16();
        if (!r.ok || out.hello.magic != kHelloMagic)
            return fail(error, "hello without the magic");
        if (!r.text(out.hello.buildId, kMaxBuildIdBytes))
            return fail(error, "bad build id");
        if (!r.bytes(out.hello.dataHash, kDataHashBytes))
            return fail(error, "short data hash");
        const std::uint8_t role = r.u8();
        if (!r.ok || role > 1)
            return fail(error, "bad role");
        out.hello.role = Role(role);
        break;
    }
    case Kind::HelloReply: {
        const std::uint8_t accepted = r.u8();
        const std::uint8_t role = r.u8();
        const std::uint8_t reason = r.u8();
        if (!r.ok || accepted > 1 || role > 1 || reason >= kReasonLimit)
            return fail(error, "bad reply");
        out.reply.accepted = accepted == 1;
        out.reply.role = Role(role);
        out.reply.reason = Reason(reason);
        if (!r.text(out.reply.text, kMaxReasonBytes))
            return fail(error, "bad reply text");
        break;
    }
    case Kind::Ping:
    case Kind::Pong:
        out.ping.seq = r.u32();
        out.ping.sentMs = r.u32();
        break;
    case Kind::Start:
        out.start.rttMs = r.u16();
        out.start.delayMs = r.u16();
        out.start.play.joy = r.u8();
        out.start.play.xspeed = r.u16();
        out.start.play.sbots = r.u8();
        out.start.play.pointsToWin = r.u8();
        if (r.ok && !validPlaySettings(out.start.play))
            return fail(error, "bad play settings");
        break;
    case Kind::Input: {
        out.input.player = r.u8();
        out.input.atMs = r.u32();
        const std::uint8_t type = r.u8();
        if (!r.ok || out.input.player >= kPlayers)
            return fail(error, "bad player");
        InputEvent& e = out.input.event;
        e.type = EventType(type);
        switch (e.type) {
        case EventType::KeyDown:
        case EventType::KeyUp:
            e.sym = r.u16();
            break;
        case EventType::JoyAxis:
        case EventType::JoyHat:
            e.which = r.u8();
            e.index = r.u8();
            e.value = std::int16_t(r.u16());
            break;
        case EventType::JoyButtonDown:
        case EventType::JoyButtonUp:
            e.which = r.u8();
            e.index = r.u8();
            break;
        case EventType::Quit:
            break;
        default:
            return fail(error, "unknown event type");
        }
        if (!r.ok)
            return fail(error, "short event");
        if (!validEvent(e))
            return fail(error, "impossible event");
        break;
    }
    case Kind::Advance:
        out.advance.player = r.u8();
        out.advance.throughMs = r.u32();
        if (r.ok && out.advance.player >= kPlayers)
            return fail(error, "bad player");
        break;
    case Kind::StateHash:
        out.stateHash.atMs = r.u32();
        out.stateHash.hash = r.u64();
        break;
    case Kind::Bye: {
        const std::uint8_t reason = r.u8();
        if (!r.ok || reason >= kReasonLimit)
            return fail(error, "bad reason");
        out.bye.reason = Reason(reason);
        if (!r.text(out.bye.text, kMaxReasonBytes))
            return fail(error, "bad bye text");
        break;
    }
    default:
        return fail(error, "unknown message kind");
    }
    if (!r.ok)
        return fail(error, "message cut short");
    if (r.left != 0)
        return fail(error, "trailing bytes");
    return true;
}

bool appendFrame(const Message& m, std::vector<std::uint8_t>& stream) {
    std::vector<std::uint8_t> body;
    if (!encodeMessage(m, body))
        return false;
    stream.push_back(std::uint8_t(body.size() >> 8));
    stream.push_back(std::uint8_t(body.size()));
    stream.insert(stream.end(), body.begin(), body.end());
    return true;
}

Message helloMessage(const std::string& buildId, const std::uint8_t (&dataHash)[kDataHashBytes], Role role) {
    Message m;
    m.kind = Kind::Hello;
    m.hello.buildId = buildId;
    std::memcpy(m.hello.dataHash, dataHash, kDataHashBytes);
    m.hello.role = role;
    return m;
}

Message byeMessage(Reason reason, const std::string& text) {
    Message m;
    m.kind = Kind::Bye;
    m.bye.reason = reason;
    m.bye.text = text.substr(0, kMaxReasonBytes);
    return m;
}

Message inputMessage(std::uint8_t player, std::uint32_t atMs, const InputEvent& e) {
    Message m;
    m.kind = Kind::Input;
    m.input.player = player;
    m.input.atMs = atMs;
    m.input.event = e;
    return m;
}

const char* kindName(Kind k) {
    switch (k) {
    case Kind::Hello: return "hello";
    case Kind::HelloReply: return "hello reply";
    case Kind::Ping: return "ping";
    case Kind::Pong: return "pong";
    case Kind::Start: return "start";
    case Kind::Input: return "input";
    case Kind::Advance: return "advance";
    case Kind::StateHash: return "state hash";
    case Kind::Bye: return "bye";
    }
    return "unknown";
}

}  // namespace net
