// A room on a relay: the subjects named from its code, this end's peer id,
// and one pipe per stream carrying a Connection's bytes in envelopes.
//
// Subjects (room = the room id from the code's derivation, hex):
//   voltari.1.<room>.host         guests and watchers to the host
//   voltari.1.<room>.peer.<id>    the host to one guest or watcher (<id>: its peer id, hex)
// A pipe numbers its envelopes 1 up and keeps each until the other end
// acknowledges it, sending them again after kRelayResendMs or when the
// link came back: NATS delivers at most once, and a relay restarted
// mid-match loses what was in flight. The receiver takes only the next
// number, so a replayed capture, a copy sent again or one that overtook a
// lost one goes no further; a wrong tag, size or form is dropped and
// counted, never shown as a broken game.
#pragma once

#include <cstdint>
#include <deque>
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

// Derives the keys, draws this end's id, connects and listens: on the host
// subject when hosting, else on this end's peer subject.
bool roomOpen(RelayRoom& r, const std::string& url, const std::string& canonicalCode, bool hosting,
              std::string& error);
// One received message: true and the envelope when it is whole and its tag
// fits this end's subject; otherwise counted and false.
bool roomOpenMessage(RelayRoom& r, const RelayMessage& m, Envelope& e);
// Takes an envelope from the pipe's other end: its ack, and its bytes into
// c.inbox when it is the next in order. False when it goes no further.
bool pipeTake(RelayRoom& r, RelayPipe& p, Connection& c, const Envelope& e);
// Sends what c has for the other end, again what is unacknowledged when due,
// an ack when one is due; closes c once it is closing and all is acknowledged.
void pipeSend(RelayRoom& r, RelayPipe& p, Connection& c, std::uint32_t nowMs);

}  // namespace net
