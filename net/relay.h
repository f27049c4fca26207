// A transport through a relay that both ends connect out to: publish bytes
// to a subject, take what arrived on the subjects subscribed to. Plain
// functions over an opaque record, bytes in and out, so that a browser build
// can give the same functions over its own client. The desktop's is
// relaynats.cpp (NATS, through libnats); the library runs its own I/O
// threads, but every call here is made from the game's one thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace net {

constexpr int kRelayConnectTimeoutMs = 3000;   // the first connection, real ms
constexpr int kRelayReconnectWaitMs = 250;     // between tries after a loss, real ms
constexpr int kRelayReconnectBufBytes = 1 << 20; // what is published while reconnecting, bytes

enum class RelayState : std::uint8_t { Connected, Reconnecting, Closed };

struct RelayMessage {
    std::string subject;
    std::vector<std::uint8_t> data;
};

struct RelayLink;  // the implementation's

// Connects to url (nats://HOST:PORT, tls://HOST:PORT, user:password@ allowed);
// null and the cause when the relay cannot be reached within
// kRelayConnectTimeoutMs. Once up, the link reconnects by itself.
RelayLink* relayOpen(const std::string& url, std::string& error);
bool relaySubscribe(RelayLink* link, const std::string& subject, std::string& error);
// As relaySubscribe, in a queue group: the relay hands each message on the
// subject to one member of the group only.
bool relaySubscribeQueue(RelayLink* link, const std::string& subject, const std::string& queue,
                         std::string& error);
// Queues the bytes for the subject; false when the link is closed.
bool relayPublish(RelayLink* link, const std::string& subject, const std::uint8_t* data, std::size_t size);
// Appends what has arrived, waiting up to waitMs for the first message on
// the first subscription when nothing waits yet.
void relayPoll(RelayLink* link, int waitMs, std::vector<RelayMessage>& got);
RelayState relayState(const RelayLink* link);
// Times the link came back after a loss (messages may have gone missing then).
std::uint32_t relayReconnects(const RelayLink* link);
void relayClose(RelayLink* link);

}  // namespace net
