// The network decoder and both ends' session state machines on any bytes.
//
// The first byte chooses how the rest is cut into reads and which end
// listens; the rest is a received stream (the magic is put in front, so
// the fuzzer starts past it). Checks: whatever decodes encodes back to the
// same bytes; a broken stream stays broken; the seats never count below
// zero or past their limits; a closed session never opens again; the
// replies a session makes always encode. The same bytes as a relay's
// envelope: only a well-tagged one opens, and it seals back to itself.
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz_support.h"
#include "net/conn.h"
#include "net/envelope.h"
#include "net/protocol.h"
#include "net/relayroom.h"
#include "net/session.h"
#include "net/stream.h"

using namespace net;

namespace {

Identity identity() {
    Identity id;
    id.buildId = "2.0.0";
    for (std::size_t i = 0; i < kDataHashBytes; ++i)
        id.dataHash[i] = std::uint8_t(i);
    return id;
}

void checkReplies(const std::vector<Message>& send) {
    for (const Message& m : send) {
        std::vector<std::uint8_t> bytes;
        require(encodeMessage(m, bytes), "a session made a message that does not encode");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::uint8_t control = data[0];
    ++data;
    --size;

    // One message on its own: decode, and if it decodes, the same bytes back.
    {
        Message m;
        std::string error;
        if (decodeMessage(data, size, m, error)) {
            std::vector<std::uint8_t> again;
            require(encodeMessage(m, again), "a decoded message does not encode");
            require(again.size() == size && std::memcmp(again.data(), data, size) == 0,
                    "a decoded message encodes to other bytes");
        } else {
            require(!error.empty(), "a refusal without a cause");
        }
    }

    // The bytes as an envelope off the relay: all but a few stop at the tag;
    // one sealed from them always opens, to the same fields and bytes.
    {
        static const std::uint8_t key[kRoomKeyBytes] = {7};
        const std::string subject = "voltari.1.fuzz.host";
        Envelope e;
        const Opened opened = openEnvelope(data, size, key, subject, e);
        if (opened == Opened::Ok) {
            const std::vector<std::uint8_t> again = sealEnvelope(e, key, subject);
            require(again.size() == size && std::memcmp(again.data(), data, size) == 0,
                    "an opened envelope seals to other bytes");
        }
        Envelope made;
        made.kind = EnvelopeKind(1 + control % 5);
        const bool acking = made.kind == EnvelopeKind::Ack || made.kind == EnvelopeKind::CastAck;
        made.seq = made.kind == EnvelopeKind::Ack ? 0 : control;
        made.sender = size;
        if (!acking)
            made.bytes.assign(data, data + (size < kMaxEnvelopeData ? size : kMaxEnvelopeData));
        const std::vector<std::uint8_t> sealed = sealEnvelope(made, key, subject);
        Envelope back;
        const std::size_t least = made.kind == EnvelopeKind::After ? kCastNumberBytes : 1;
        const bool wellFormed = acking || (made.bytes.size() >= least && made.seq != 0);
        require((openEnvelope(sealed.data(), sealed.size(), key, subject, back) == Opened::Ok) == wellFormed,
                "a sealed envelope does not open as its form says");
        require(!wellFormed || back.bytes == made.bytes, "an envelope's bytes came out otherwise");
    }

    // The bytes as a watcher's envelopes, three bytes each (kind, number,
    // one stream byte): casts and afters in any order never outgrow the
    // watcher's bound, and none is read twice.
    {
        RelayRoom room;
        RelayPipe pipe;
        Connection c;
        startRelay(c, kWatcherQueueLimit);
        std::size_t taken = 0;
        for (std::size_t at = 0; at + 3 <= size; at += 3) {
            Envelope e;
            e.seq = 1 + data[at + 1] % 64u;
            e.bytes = {data[at + 2]};
            if (data[at] & 1) {
                e.kind = EnvelopeKind::Cast;
                castTake(room, pipe, c, e);
            } else {
                e.kind = EnvelopeKind::After;
                e.bytes = {0, 0, 0, std::uint8_t(data[at] >> 2), data[at + 2]};
                taken += pipeTake(room, pipe, c, e);
            }
            require(pipe.castEarly.size() <= kRelayCastEarlyMax, "a watcher kept casts past its bound");
            require(c.inbox.size() <= pipe.castGot + taken, "a watcher read something twice");
        }
    }

    // The stream through both ends' state machines.
    const Side side = (control & 1) ? Side::Guest : Side::Host;
    const Role role = (control & 2) ? Role::Watcher : Role::Player;
    const std::size_t chunk = 1 + (control >> 2);  // 1..64 bytes per read
    Seats seats;
    seats.maxWatchers = 2;
    seats.watchers = (control & 0x40) ? 2 : 0;  // sometimes full already
    const int watchersBefore = seats.watchers;
    std::vector<Message> send;
    Session s = side == Side::Host ? hostSession(identity(), 0, send) : guestSession(identity(), role, 0, send);
    s.localMs = 60000;
    StreamReader reader;
    std::vector<std::uint8_t> stream(kStreamMagic, kStreamMagic + kStreamMagicBytes);
    stream.insert(stream.end(), data, data + size);
    std::uint32_t nowMs = 0;
    bool wasClosed = false;
    for (std::size_t at = 0; at < stream.size(); at += chunk) {
        std::vector<Message> got;
        const std::size_t n = stream.size() - at < chunk ? stream.size() - at : chunk;
        const bool ok = feedStream(reader, stream.data() + at, n, got);
        require(ok != reader.failed, "the stream's result and its state disagree");
        require(reader.partial.size() < kFrameHeaderBytes + kMaxMessageBytes, "a frame held past its bound");
        for (const Message& m : got) {
            nowMs += 7;
            sessionReceive(s, m, nowMs, side == Side::Host ? &seats : nullptr, send);
            sessionTick(s, nowMs, side == Side::Host ? &seats : nullptr, send);
            require(!(wasClosed && s.phase != Phase::Closed), "a closed session came back");
            wasClosed = s.phase == Phase::Closed;
        }
        if (!ok) {
            sessionBroken(s, reader.error, side == Side::Host ? &seats : nullptr, send);
            require(s.phase == Phase::Closed, "a broken stream left the session open");
            std::vector<Message> more;
            std::vector<std::uint8_t> good;
            appendFrame(byeMessage(Reason::Quit, "x"), good);
            require(!feedStream(reader, good.data(), good.size(), more) && more.empty(),
                    "a broken stream read on");
            break;
        }
    }
    require(seats.watchers >= 0 && seats.watchers <= seats.maxWatchers, "watchers out of bounds");
    if (s.phase == Phase::Closed)
        require(!s.seated && seats.watchers == watchersBefore && !seats.playerTaken,
                "a closed session kept its seat");
    require(s.delayMs == 0 || (s.delayMs >= 20 && s.delayMs <= 250), "an input delay out of bounds");
    checkReplies(send);
    return 0;
}
