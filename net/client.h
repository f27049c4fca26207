// A desktop guest's end: one connection to a host, as the second player
// or as a watcher, driven by clientStep(); directly, or through a room on a
// relay (clientOpenRelay).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "net/conn.h"
#include "net/host.h"
#include "net/relayroom.h"
#include "net/session.h"

namespace net {

struct Client {
    RealClock clock = nullptr;
    Connection conn;
    Session session;
    std::vector<Message> outbox;
    std::vector<Message> delivered;  // Input, Advance, StateHash from the host, for the game
    RelayRoom relay;                 // in a room: the link and the keys (relay.link null otherwise)
    RelayPipe pipe;                  // ... and the envelopes to and from the host
};

// Starts connecting to host:port and queues the hello; false and the cause
// when the name cannot be resolved or no socket is had.
bool clientOpen(Client& c, const std::string& host, std::uint16_t port, const Identity& self, Role role,
                RealClock clock, std::string& error);
// Joins the room of the canonical code on the relay at url and queues the
// hello; false and the cause when the relay cannot be reached. A room that
// nobody hosts ends the session within kRelayNoHostMs: "No game with code
// K7QX-2M9P is waiting."
bool clientOpenRelay(Client& c, const std::string& url, const std::string& code, const Identity& self, Role role,
                     RealClock clock, std::string& error);
// One round: waits up to waitMs for the socket, then reads, answers and writes.
void clientStep(Client& c, int waitMs);
void clientSetLocalTime(Client& c, std::uint32_t virtualMs);
// The guest's own Input, Advance or StateHash.
void clientSend(Client& c, const Message& m);
// A bye to the host; keep stepping until clientDone to let it out.
void clientClose(Client& c, Reason reason, const std::string& text);
bool clientDone(const Client& c);

}  // namespace net
