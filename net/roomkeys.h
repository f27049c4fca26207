// A room's secrets, derived from its code by a slow one-way function, so
// that whoever lists the relay's subjects learns no code: PBKDF2 with
// HMAC-SHA256, the code as password, a salt naming the protocol. The first
// kRoomIdBytes of the output name the room's subjects, the next
// kRoomKeyBytes key the envelopes' tags. The desktop computes them with
// nettle (roomkeys.cpp); the page has its own HMAC over web/sha256.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace net {

constexpr unsigned kRoomKdfRounds = 20000;
constexpr char kRoomKdfSalt[] = "VOLTARI relay room, protocol 1";
constexpr std::size_t kRoomIdBytes = 16;   // names the subjects (as hex)
constexpr std::size_t kRoomKeyBytes = 32;  // keys the tags
constexpr std::size_t kRelayTagBytes = 16; // HMAC-SHA256, truncated

struct RoomKeys {
    std::string roomId;                   // kRoomIdBytes as lower-case hex
    std::uint8_t tagKey[kRoomKeyBytes] = {};
};

// From the canonical code (parseRoomCode's).
RoomKeys deriveRoomKeys(const std::string& canonicalCode);
// The keys in the derivation's output (kRoomIdBytes + kRoomKeyBytes bytes),
// whichever code computed it.
inline RoomKeys roomKeysFrom(const std::uint8_t* derived) {
    static const char hex[] = "0123456789abcdef";
    RoomKeys k;
    for (std::size_t i = 0; i < kRoomIdBytes; ++i) {
        k.roomId += hex[derived[i] >> 4];
        k.roomId += hex[derived[i] & 15];
    }
    for (std::size_t i = 0; i < kRoomKeyBytes; ++i)
        k.tagKey[i] = derived[kRoomIdBytes + i];
    return k;
}
// HMAC-SHA256(key, subject, a zero byte, data), its first kRelayTagBytes.
void relayTag(const std::uint8_t* key, const std::string& subject, const std::uint8_t* data, std::size_t size,
              std::uint8_t* tag);
// From the system's random source (getrandom); false when it fails.
bool randomBytes(std::uint8_t* out, std::size_t size);

}  // namespace net
