// One end of one connection, as a state machine over messages: the
// handshake, the round-trip measurement and the checks on everything a
// running session receives. No sockets and no clock of its own: the caller
// passes the real time in ms and sends what the machine puts in `send`.
//
//   guest                              host
//   Hello(role)          ------>
//                        <------      Hello (the host's own identity)
//                        <------      HelloReply (accepted as player / watcher, or refused)
//   Pong (x kPingRounds) <------>     Ping
//                        <------      Start(rtt, D)
//   Input, Advance, StateHash, Ping/Pong both ways; Bye ends it.
//
// Both ends check the other's hello with the same function, so a refusal
// shows the same text on both screens.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "net/protocol.h"

namespace net {

constexpr std::uint32_t kHandshakeTimeoutMs = 5000;  // hello to start, real ms
constexpr std::uint32_t kSilenceTimeoutMs = 10000;   // a running peer heard nothing from, real ms
constexpr std::uint32_t kKeepAliveMs = 1000;         // a ping when nothing else was sent, real ms
constexpr std::uint32_t kMaxLeadMs = 2 * 250 + 4500; // how far a peer's stamps may run ahead of ours, virtual ms
constexpr int kMaxWatchers = 4;

enum class Side : std::uint8_t { Host, Guest };
enum class Phase : std::uint8_t {
    AwaitHello,   // waiting for the other end's hello
    AwaitReply,   // guest: hello seen, waiting for the host's decision
    Measuring,    // pings going back and forth
    AwaitStart,   // guest: waiting for the round trip and D
    Running,
    Closed,
};

struct Identity {
    std::uint16_t version = kProtocolVersion;
    std::string buildId;                        // the game's version text
    std::uint8_t dataHash[kDataHashBytes] = {}; // over the data files
};

// The host's seats, shared by all its connections.
struct Seats {
    bool playerTaken = false;
    int watchers = 0;
    int maxWatchers = kMaxWatchers;
};

struct Session {
    Side side = Side::Host;
    Role role = Role::Player;      // this connection's seat (guest: the one asked for)
    Phase phase = Phase::AwaitHello;
    Identity self;
    bool seated = false;           // host: holds a seat in Seats
    // Measurement (host side of a player connection).
    std::uint32_t pingSeq = 0;
    std::uint32_t pingSentMs = 0;  // real ms
    std::vector<std::uint32_t> roundTripsMs;
    std::uint16_t rttMs = 0;       // the planned round trip, ms
    std::uint16_t delayMs = 0;     // D, ms
    std::uint16_t fixedDelayMs = 0; // host: D to use whatever the round trip (tests), 0 to choose
    PlaySettings play;             // host: its own, sent in Start; guest: the host's, from Start
    // Liveness, real ms.
    std::uint32_t startedMs = 0;
    std::uint32_t lastHeardMs = 0;
    std::uint32_t lastSentMs = 0;
    // Checks on a running peer's stamps, virtual ms.
    std::uint32_t localMs = 0;     // the local game's virtual time, set by the driver
    std::uint32_t lastInputMs[kPlayers] = {};
    std::uint32_t advancedMs[kPlayers] = {};
    std::uint32_t lastHashMs = 0;
    // What arrived for the game: Input, Advance, StateHash, in order.
    std::vector<Message> delivered;
    // Why it closed, for a person (both ends show it).
    Reason endReason = Reason::None;
    std::string endText;
    bool refused = false;          // closed in the handshake
    bool greeted = false;          // the other end's hello came
};

// The text both ends show when a hello does not fit; empty when it fits.
Reason checkHello(const Hello& host, const Hello& guest, std::string& text);

// Puts the host's own hello in send.
Session hostSession(const Identity& self, std::uint32_t nowMs, std::vector<Message>& send);
// Puts the guest's hello in send.
Session guestSession(const Identity& self, Role wanted, std::uint32_t nowMs, std::vector<Message>& send);

// Handles one received message; replies go to send. Once Closed the session
// ignores everything. seats is the host's (null on a guest).
void sessionReceive(Session& s, const Message& m, std::uint32_t nowMs, Seats* seats, std::vector<Message>& send);
// A stream fault (broken framing, undecodable bytes) on this connection.
void sessionBroken(Session& s, const std::string& why, Seats* seats, std::vector<Message>& send);
// Timers: pings, timeouts. Call often.
void sessionTick(Session& s, std::uint32_t nowMs, Seats* seats, std::vector<Message>& send);
// Ends the session with a bye to the other end.
void sessionClose(Session& s, Reason reason, const std::string& text, Seats* seats, std::vector<Message>& send);
// The connection went away without a bye.
void sessionLost(Session& s, Seats* seats);
// Host, watcher connection: the players' session started with this D.
void sessionStartWatcher(Session& s, std::uint16_t rttMs, std::uint16_t delayMs, std::vector<Message>& send);

const char* reasonText(Reason r);

}  // namespace net
