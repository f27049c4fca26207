#include "net/envelope.h"

#include <algorithm>

namespace net {

namespace {

void put(std::uint8_t* at, std::uint64_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        *at++ = std::uint8_t(v >> (8 * i));
}

std::uint64_t get(const std::uint8_t* p, int bytes) {
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = v << 8 | p[i];
    return v;
}

}  // namespace

std::vector<std::uint8_t> sealEnvelope(const Envelope& e, const std::uint8_t* key, const std::string& subject) {
    const std::size_t body = kEnvelopeHeadBytes + e.bytes.size();
    std::vector<std::uint8_t> out(body + kRelayTagBytes);
    out[0] = std::uint8_t(e.kind);
    put(&out[1], e.sender, 8);
    put(&out[9], e.seq, 4);
    put(&out[13], e.ack, 4);
    std::copy(e.bytes.begin(), e.bytes.end(), out.begin() + kEnvelopeHeadBytes);
    relayTag(key, subject, out.data(), body, &out[body]);
    return out;
}

Opened openEnvelope(const std::uint8_t* data, std::size_t size, const std::uint8_t* key, const std::string& subject,
                    Envelope& e) {
    if (size < kMinEnvelopeBytes || size > kMaxEnvelopeBytes)
        return Opened::BadSize;
    const std::size_t body = size - kRelayTagBytes;
    std::uint8_t tag[kRelayTagBytes];
    relayTag(key, subject, data, body, tag);
    std::uint8_t diff = 0;  // every byte compared: no timing hint
    for (std::size_t i = 0; i < kRelayTagBytes; ++i)
        diff |= std::uint8_t(tag[i] ^ data[body + i]);
    if (diff != 0)
        return Opened::BadTag;
    const std::uint8_t kind = data[0];
    const std::uint32_t seq = std::uint32_t(get(data + 9, 4));
    const std::size_t bytes = body - kEnvelopeHeadBytes;
    bool fits = false;
    switch (EnvelopeKind(kind)) {
    case EnvelopeKind::Data: fits = seq != 0 && bytes > 0; break;
    case EnvelopeKind::Ack: fits = seq == 0 && bytes == 0; break;
    case EnvelopeKind::Cast: fits = seq != 0 && bytes > 0; break;
    case EnvelopeKind::After: fits = seq != 0 && bytes >= kCastNumberBytes; break;
    case EnvelopeKind::CastAck: fits = bytes == 0; break;
    }
    if (!fits)
        return Opened::BadForm;
    e.kind = EnvelopeKind(kind);
    e.sender = get(data + 1, 8);
    e.seq = seq;
    e.ack = std::uint32_t(get(data + 13, 4));
    e.bytes.assign(data + kEnvelopeHeadBytes, data + body);
    return Opened::Ok;
}

}  // namespace net
