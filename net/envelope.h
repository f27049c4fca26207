// What goes through the relay: an envelope around a piece of one end's
// byte stream. All integers big-endian:
//   kind (1): 1 data, 2 ack only, 3 cast, 4 after, 5 cast ack
//   sender (8): the sender's random peer id
//   seq (4): per sender and stream, 1 up; 0 on an ack; on a cast its number
//            in the host's cast, 1 up; on a cast ack the last cast number
//            taken in order
//   ack (4): the last seq this sender took in order from the other end
//   bytes (0..kMaxEnvelopeData): the stream; on an after, first the cast
//            number (4) the stream bytes follow
// A cast carries what every watcher gets, once for all of them: whole
// frames of the host's stream, published on the room's cast subject.
//   tag (16): HMAC-SHA256 over the subject, a zero byte and all of the above
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "net/roomkeys.h"

namespace net {

constexpr std::size_t kEnvelopeHeadBytes = 1 + 8 + 4 + 4;
constexpr std::size_t kMaxEnvelopeData = 4096;  // stream bytes in one envelope
constexpr std::size_t kMinEnvelopeBytes = kEnvelopeHeadBytes + kRelayTagBytes;
constexpr std::size_t kMaxEnvelopeBytes = kMinEnvelopeBytes + kMaxEnvelopeData;

// Data and Ack: a pipe's. Cast: the host's to all watchers. After: a pipe's
// data once its watcher takes the cast, to be read after the cast number it
// names. CastAck: a watcher's ack of both its pipe and the cast.
enum class EnvelopeKind : std::uint8_t { Data = 1, Ack = 2, Cast = 3, After = 4, CastAck = 5 };
constexpr std::size_t kCastNumberBytes = 4;  // an after's leading cast number

struct Envelope {
    EnvelopeKind kind = EnvelopeKind::Data;
    std::uint64_t sender = 0;
    std::uint32_t seq = 0;
    std::uint32_t ack = 0;
    std::vector<std::uint8_t> bytes;
};

enum class Opened : std::uint8_t { Ok, BadSize, BadForm, BadTag };

std::vector<std::uint8_t> sealEnvelope(const Envelope& e, const std::uint8_t* key, const std::string& subject);
// Checks the size, the form and the tag for this subject, then decodes.
Opened openEnvelope(const std::uint8_t* data, std::size_t size, const std::uint8_t* key, const std::string& subject,
                    Envelope& e);

}  // namespace net
