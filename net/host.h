// The host's end: one listening port, the second player and a few
// watchers, all on non-blocking sockets driven by hostStep(); or, in a room
// on a relay (hostOpenRelay), the same peers with the relay for sockets.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "net/conn.h"
#include "net/relayroom.h"
#include "net/session.h"

namespace net {

constexpr std::size_t kMaxHistoryInputs = 20000; // inputs kept for late watchers (hours of play)
// Greetings: accepted connections that have not yet delivered their hello.
// A flood of them must not keep a real guest out, whose hello comes within a
// round trip, nor run down the guest's own handshake (kHandshakeTimeoutMs).
constexpr int kMaxGreetings = 16;                  // pending greetings in all
constexpr int kMaxGreetingsPerSource = 4;          // ... from one source (acceptTcp's)
constexpr std::uint32_t kGreetingSilentMs = 1500;  // a greeting with no hello by then is dropped, real ms
constexpr std::uint32_t kGreetingGraceMs = 250;    // younger than this, a greeting keeps its place, real ms
constexpr std::uint32_t kTurnedAwayNoticeMs = 1000; // the turned-away count is told at most this often, real ms
constexpr std::uint32_t kCloseLingerMs = 1000; // a closing connection gets this long to flush, real ms
// A watcher is no player: what it gets may wait this long to go in one cast
// with what follows, which saves the host an envelope per message.
constexpr std::uint32_t kCastBatchMs = 50;     // real ms

struct HostPeer {
    Connection conn;
    Session session;
    std::vector<Message> outbox;   // the session's replies, not yet queued
    std::uint32_t closingSinceMs = 0;
    bool lingering = false;
    std::string source;            // where it came from (acceptTcp's source)
    std::uint32_t acceptedMs = 0;  // real ms
    RelayPipe pipe;                // in a room: the envelopes to and from this peer
};

// The real clock in ms, read right after each wait so that round trips are
// stamped when the bytes are there (the game passes its time seam's).
typedef std::uint32_t (*RealClock)();

struct Host {
    RealClock clock = nullptr;
    int listenFd = -1;
    std::uint16_t port = 0;
    Identity self;
    Seats seats;
    std::vector<HostPeer> peers;
    std::uint16_t fixedDelayMs = 0; // D whatever the round trip (tests comparing runs), 0 to choose
    std::uint32_t greetingGraceMs = kGreetingGraceMs; // real ms; tests lengthen it to keep every place taken
    PlaySettings play;              // the host's settings, which both games play by
    bool started = false;           // the player's session has its D
    std::uint16_t rttMs = 0;        // ms
    std::uint16_t delayMs = 0;      // D, ms
    std::uint32_t localMs = 0;      // the local game's virtual time
    std::vector<Message> history;   // every Input so far, for watchers who come late
    bool historyFull = false;       // history outgrew kMaxHistoryInputs: no more late watchers
    Message lastAdvance[kPlayers];  // each player's latest Advance (kind Advance once there is one)
    bool advanced[kPlayers] = {};
    std::vector<Message> delivered; // from the second player, for the game
    std::vector<std::string> notices; // for a person: who came, who was refused, who left
    std::uint64_t turnedAway = 0;   // connections turned away so far: too many greetings, or silent
    std::uint64_t turnedAwayTold = 0; // ... of which a notice has told
    std::uint32_t turnedAwayToldMs = 0; // when it last did, real ms
    std::uint64_t bytesSentGone = 0; // bytes sent on connections since closed
    bool playerLeft = false;        // the second player's session ended
    Reason playerEnd = Reason::None;
    std::string playerEndText;
    bool closed = false;            // hostClose was called: nobody new comes in
    RelayRoom relay;                // in a room: the link, the keys (relay.link null otherwise)
    std::vector<std::uint64_t> relayGone; // peer ids served and gone: their old envelopes start nothing
    // In a room: what all watchers get goes once, by the cast.
    std::vector<std::uint8_t> castPending; // whole frames for the next cast, bytes
    std::uint32_t castPendingSinceMs = 0;  // real ms: the oldest of them came
    std::uint32_t castSeq = 0;             // the last cast number published
    std::deque<std::pair<std::uint32_t, std::vector<std::uint8_t>>> castKept; // casts a watcher has not acked
    std::uint64_t castBytesSent = 0;       // bytes published on the cast subject
};

// Listens on address:port (port 0: the kernel picks; Host::port says which).
bool hostOpen(Host& h, const std::string& address, std::uint16_t port, const Identity& self, RealClock clock,
              std::string& error);
// Opens a room on the relay at url for the canonical code (parseRoomCode's);
// false and the cause when the relay cannot be reached.
bool hostOpenRelay(Host& h, const std::string& url, const std::string& code, const Identity& self, RealClock clock,
                   std::string& error);
// A new peer on conn, greeted with the host's hello (accept's, and the room's).
HostPeer& hostAddPeer(Host& h, Connection&& conn, const std::string& source, std::uint32_t nowMs);
// The room's part of a step (hostrelay.cpp): what arrived, to the peers (new
// ones added); what the peers have, out.
// Returns the real time read after the wait.
std::uint32_t hostRelayTake(Host& h, int waitMs);
void hostRelaySend(Host& h, std::uint32_t nowMs);
// Publishes what waits for the watchers' cast, as the next cast number.
void hostCastFlush(Host& h);

// One round: waits up to waitMs for the sockets, then accepts, reads,
// answers, forwards and writes. Never blocks on a slow peer.
void hostStep(Host& h, int waitMs);
// The local game's virtual time, for the checks on the guest's stamps.
void hostSetLocalTime(Host& h, std::uint32_t virtualMs);
// The host's own Input, Advance or StateHash: to the player and the watchers.
void hostSend(Host& h, const Message& m);
// A bye to everyone, then the port closes.
void hostClose(Host& h, Reason reason, const std::string& text);
// Lets the second player go with a bye saying why; the host plays on.
void hostLetGoPlayer(Host& h, Reason reason, const std::string& text);
int hostWatchers(const Host& h);
// Bytes sent on every connection so far, framing included.
std::uint64_t hostBytesSent(const Host& h);

}  // namespace net
