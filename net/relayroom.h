// A room on a relay: the subjects named from its code, this end's peer id,
// and one pipe per stream carrying a Connection's bytes in envelopes.
//
// Subjects (room = the room id from the code's derivation, hex):
//   voltari.1.<room>.host         guests and watchers to the host
//   voltari.1.<room>.peer.<id>    the host to one guest or watcher (<id>: its peer id, hex)
//   voltari.1.<room>.cast         the host to all its watchers at once
// A pipe numbers its envelopes 1 up and keeps each until the other end
// acknowledges it, sending them again after kRelayResendMs or when the
// link came back: NATS delivers at most once, and a relay restarted
// mid-match loses what was in flight. The receiver takes only the next
// number, so a replayed capture, a copy sent again or one that overtook a
// lost one goes no further; a wrong tag, size or form is dropped and
// counted, never shown as a broken game.
//
// Watchers: the host publishes what all of them get once, on the cast
// subject, and the relay fans it out. A watcher's own pipe carries its
// greeting and the game so far; then one "after" envelope names the cast
// number it continues from, and what the pipe still carries (pings, the
// bye) goes in "after" envelopes, each read once the cast has reached the
// number it names. A watcher acknowledges the cast as a pipe is; the host
// sends what went missing again on the watcher's own subject.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "net/conn.h"
#include "net/envelope.h"
#include "net/relay.h"
#include "net/roomkeys.h"

namespace net {

constexpr char kRelaySubjectRoot[] = "voltari.1.";
constexpr std::uint32_t kRelayResendMs = 200;   // unacknowledged envelopes go again after, real ms
constexpr std::uint32_t kRelayAckEveryMs = 20;  // an ack alone when nothing else went, at most this often, real ms
constexpr std::uint32_t kRelayNoHostMs = 3000;  // a guest's hello unanswered this long: no such game, real ms
constexpr std::size_t kRelayCastEarlyMax = 512; // casts a watcher keeps ahead of the next it can read, envelopes

struct RelayPending {
    std::uint32_t seq = 0;
    std::vector<std::uint8_t> sealed;  // the envelope as published
};

struct RelayPipe {
    std::string toSubject;            // where this end's envelopes go
    std::uint64_t peer = 0;           // the other end's peer id (a guest learns its host's)
    std::uint32_t sentSeq = 0;        // the last seq sent
    std::uint32_t gotSeq = 0;         // the last seq taken in order
    std::uint32_t ackTold = 0;        // gotSeq as last told
    std::uint32_t ackToldMs = 0;      // real ms
    std::deque<RelayPending> unacked;
    std::size_t unackedBytes = 0;     // bytes
    std::uint32_t resentMs = 0;       // real ms of the last send of unacked
    std::uint32_t reconnectsSeen = 0; // the link's reconnects already answered by sending again
    // A watcher's pipe and the cast, at the host's end.
    bool castOn = false;              // live messages go by the cast from castFrom on
    bool castToldFrom = false;        // the first after (naming castFrom) is sent
    std::uint32_t castFrom = 0;       // cast number the watcher's catch-up reaches
    std::uint32_t castAcked = 0;      // the watcher's ack of the cast
    std::uint32_t castAt = 0;         // the host's last cast number, as of this send
    std::uint32_t castResentMs = 0;   // real ms: the cast was all acked, or last sent again
    // ... and at the watcher's end.
    bool castReading = false;         // the host named where the cast continues this pipe
    std::uint32_t castGot = 0;        // the last cast number read in order
    std::uint32_t castAckTold = 0;    // castGot as last told
    std::map<std::uint32_t, std::vector<std::uint8_t>> castEarly; // casts ahead of castGot + 1, by number
    std::deque<std::pair<std::uint32_t, std::vector<std::uint8_t>>> castHeld; // after data waiting for its cast number
};

struct RelayDrops {
    std::uint64_t badSize = 0;   // too short or too long
    std::uint64_t badTag = 0;    // not from someone with the code, or for another subject
    std::uint64_t badForm = 0;
    std::uint64_t replayed = 0;  // a seq taken before
    std::uint64_t early = 0;     // a seq past the next (one before it was lost)
    std::uint64_t strangers = 0; // a valid tag from an id this end does not serve
};

struct RelayRoom {
    RelayLink* link = nullptr;
    std::string url;
    std::string code;       // canonical
    RoomKeys keys;
    std::uint64_t self = 0; // this end's peer id
    std::string inbox;      // the subject this end listens on
    std::string castInbox;  // a watcher's: the cast subject, also listened on (empty otherwise)
    RelayDrops drops;

    RelayRoom() = default;
    RelayRoom(const RelayRoom&) = delete;
    RelayRoom& operator=(const RelayRoom&) = delete;
    RelayRoom(RelayRoom&& other) noexcept;
    RelayRoom& operator=(RelayRoom&& other) noexcept;
    ~RelayRoom();
};

std::string roomHostSubject(const RelayRoom& r);
std::string roomPeerSubject(const RelayRoom& r, std::uint64_t peer);
std::string roomCastSubject(const RelayRoom& r);

// Derives the keys, draws this end's id, connects and listens: on the host
// subject when hosting, else on this end's peer subject, and a watcher on
// the cast subject too.
bool roomOpen(RelayRoom& r, const std::string& url, const std::string& canonicalCode, bool hosting, bool watching,
              std::string& error);
// One received message: true and the envelope when it is whole and its tag
// fits this end's subject; otherwise counted and false.
bool roomOpenMessage(RelayRoom& r, const RelayMessage& m, Envelope& e);
// Takes an envelope from the pipe's other end: its ack, and its bytes into
// c.inbox when it is the next in order. False when it goes no further.
bool pipeTake(RelayRoom& r, RelayPipe& p, Connection& c, const Envelope& e);
// A watcher takes a cast (from the cast subject, or sent again on its own):
// read in order, and with the pipe's after data where it belongs.
void castTake(RelayRoom& r, RelayPipe& p, Connection& c, const Envelope& e);
// Sends what c has for the other end, again what is unacknowledged when due,
// an ack when one is due; closes c once it is closing and all is acknowledged
// (the cast too, for a watcher on it: the host sets castAt first).
void pipeSend(RelayRoom& r, RelayPipe& p, Connection& c, std::uint32_t nowMs);

}  // namespace net
