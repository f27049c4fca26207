// One connection carrying the game's stream: TCP directly (desktop), inside
// WebSocket binary messages (browser), told apart by its first bytes, or
// through a relay, whose room moves the bytes (relayroom.*). Reads and writes never wait; what cannot be written yet waits in a
// bounded queue, and a connection whose queue would pass its limit is
// marked overflowed for its owner to drop.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "net/protocol.h"
#include "net/stream.h"

namespace net {

constexpr std::size_t kReadChunk = 4096;          // bytes per read() call
constexpr std::size_t kMaxReadPerCall = 65536;    // bytes read per connRead, so one peer cannot hog a step
constexpr std::size_t kMaxWebSocketMessage = 16384; // one received WebSocket message, bytes
constexpr std::size_t kPlayerQueueLimit = 1 << 20;  // unsent bytes to a player
constexpr std::size_t kWatcherQueueLimit = 64 * 1024; // unsent bytes to a watcher

enum class Framing : std::uint8_t { Detect, Binary, WebSocket, Relay };

struct WebSocketIo;  // wslay's context and its callbacks' state (connws.cpp)
struct WebSocketIoFree {
    void operator()(WebSocketIo* io) const;
};

struct Connection {
    int fd = -1;
    Framing framing = Framing::Detect;
    bool connecting = false;         // a client's connect() still under way
    std::vector<std::uint8_t> head;  // Detect: the first bytes, until the framing is known
    std::vector<std::uint8_t> out;   // stream bytes not yet framed for the socket
    std::vector<std::uint8_t> raw;   // bytes for the socket (or the relay) as they are
    std::vector<std::uint8_t> inbox; // Relay: stream bytes received, not yet read
    std::size_t queueLimit = kPlayerQueueLimit;  // bytes
    StreamReader reader;
    std::unique_ptr<WebSocketIo, WebSocketIoFree> ws;
    bool overflowed = false;         // a send would have passed queueLimit
    bool deaf = false;               // the stream broke: nothing more is read, the answer may still go out
    bool closing = false;            // close once everything queued is written
    bool closed = false;             // the socket is gone
    std::string error;               // why it failed, if it did
    std::uint64_t bytesSent = 0;     // bytes handed to the socket, framing included

    Connection();
    Connection(Connection&&) noexcept;
    Connection& operator=(Connection&&) noexcept;
    ~Connection();
};

// A host's accepted socket: the framing is found from the first bytes.
void startAccepted(Connection& c, int fd, std::size_t queueLimit);
// A desktop client's socket (connect() under way).
void startClient(Connection& c, int fd);

// A connection through a relay: no socket; the room takes raw and fills inbox.
void startRelay(Connection& c, std::size_t queueLimit);

// Queues one message; false (and overflowed) when the queue is full.
bool connSend(Connection& c, const Message& m);
// Reads what is there; whole messages are appended to got. A broken stream
// sets error and stops reading (a Bye saying why may still be sent); the
// peer closing sets closed.
void connRead(Connection& c, std::vector<Message>& got);
// Writes what the socket takes now.
void connFlush(Connection& c);
// poll() events the connection waits for.
short connWants(const Connection& c);
// Unsent bytes, however they are held.
std::size_t connQueued(const Connection& c);
// Stops at once: the socket is closed and nothing more is sent.
void connShut(Connection& c);
// Flushes, sends a WebSocket close if it is one, then closes.
void connCloseAfterFlush(Connection& c);

}  // namespace net
