// What goes through the relay: an envelope around a piece of one end's
// byte stream. All integers big-endian:
//   kind (1): 1 data, 2 ack only
//   sender (8): the sender's random peer id
//   seq (4): per sender and stream, 1 up; 0 on an ack
//   ack (4): the last seq this sender took in order from the other end
//   bytes (0..kMaxEnvelopeData): the stream
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

enum class EnvelopeKind : std::uint8_t { Data = 1, Ack = 2 };

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
