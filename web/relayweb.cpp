// The relay in the page: the room's keys and tags over the page's own
// SHA-256 (web/hmac.*), the same bytes as the desktop's nettle. The
// transport itself (a NATS client over the browser's WebSocket, bridged
// through Emscripten) is still to come: until then the page says so.
#include <unistd.h>

#include <cstdio>

#include "net/relay.h"
#include "net/roomcode.h"
#include "net/roomkeys.h"
#include "web/hmac.h"

namespace net {

RelayLink* relayOpen(const std::string&, std::string& error) {
    error = "This page cannot play through a relay yet.";
    return nullptr;
}
bool relaySubscribe(RelayLink*, const std::string&, std::string& error) {
    error = "no relay";
    return false;
}
bool relaySubscribeQueue(RelayLink*, const std::string&, const std::string&, std::string& error) {
    error = "no relay";
    return false;
}
bool relayPublish(RelayLink*, const std::string&, const std::uint8_t*, std::size_t) {
    return false;
}
void relayPoll(RelayLink*, int, std::vector<RelayMessage>&) {}
RelayState relayState(const RelayLink*) {
    return RelayState::Closed;
}
std::uint32_t relayReconnects(const RelayLink*) {
    return 0;
}
void relayClose(RelayLink*) {}

RoomKeys deriveRoomKeys(const std::string& canonicalCode) {
    std::uint8_t out[kRoomIdBytes + kRoomKeyBytes];
    pbkdf2HmacSha256(reinterpret_cast<const std::uint8_t*>(canonicalCode.data()), canonicalCode.size(),
                     reinterpret_cast<const std::uint8_t*>(kRoomKdfSalt), sizeof kRoomKdfSalt - 1, kRoomKdfRounds, out,
                     sizeof out);
    RoomKeys k;
    for (std::size_t i = 0; i < kRoomIdBytes; ++i) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", out[i]);
        k.roomId += hex;
    }
    for (std::size_t i = 0; i < kRoomKeyBytes; ++i)
        k.tagKey[i] = out[kRoomIdBytes + i];
    return k;
}

void relayTag(const std::uint8_t* key, const std::string& subject, const std::uint8_t* data, std::size_t size,
              std::uint8_t* tag) {
    const std::uint8_t zero = 0;
    const std::uint8_t* parts[3] = {reinterpret_cast<const std::uint8_t*>(subject.data()), &zero, data};
    const std::size_t sizes[3] = {subject.size(), 1, size};
    std::uint8_t mac[32];
    hmacSha256(key, kRoomKeyBytes, parts, sizes, 3, mac);
    for (std::size_t i = 0; i < kRelayTagBytes; ++i)
        tag[i] = mac[i];
}

bool randomBytes(std::uint8_t* out, std::size_t size) {
    return getentropy(out, size) == 0;  // at most 256 bytes, plenty for ids
}

bool drawRoomCode(std::string& canonical) {
    std::uint8_t bytes[5];
    if (!randomBytes(bytes, sizeof bytes))
        return false;
    std::uint64_t bits = 0;
    for (std::uint8_t b : bytes)
        bits = bits << 8 | b;
    canonical = roomCodeFromBits(bits);
    return true;
}

}  // namespace net
