#include "net/stream.h"

#include <algorithm>

namespace net {

namespace {

bool broken(StreamReader& r, const std::string& why) {
    r.failed = true;
    r.error = why;
    r.partial.clear();
    return false;
}

}  // namespace

void appendStreamMagic(std::vector<std::uint8_t>& stream) {
    stream.insert(stream.end(), kStreamMagic, kStreamMagic + kStreamMagicBytes);
}

bool feedStream(StreamReader& r, const std::uint8_t* data, std::size_t size, std::vector<Message>& out) {
    if (r.failed)
        return false;
    while (size > 0 && r.magicSeen < kStreamMagicBytes) {
        if (*data != std::uint8_t(kStreamMagic[r.magicSeen]))
            return broken(r, "not a VOLTARI connection");
        ++r.magicSeen;
        ++data;
        --size;
    }
    while (size > 0) {
        // Header first, then the body; copy only what this frame still needs.
        std::size_t need = kFrameHeaderBytes;
        if (r.partial.size() >= kFrameHeaderBytes) {
            const std::size_t length = (std::size_t(r.partial[0]) << 8) | r.partial[1];
            need = kFrameHeaderBytes + length;
        }
        const std::size_t take = std::min(size, need - r.partial.size());
        r.partial.insert(r.partial.end(), data, data + take);
        data += take;
        size -= take;
        if (r.partial.size() == kFrameHeaderBytes) {
            const std::size_t length = (std::size_t(r.partial[0]) << 8) | r.partial[1];
            if (length == 0 || length > kMaxMessageBytes)
                return broken(r, "frame length " + std::to_string(length) + " out of bounds");
            continue;
        }
        if (r.partial.size() < need)
            continue;
        Message m;
        std::string error;
        if (!decodeMessage(r.partial.data() + kFrameHeaderBytes, r.partial.size() - kFrameHeaderBytes, m, error))
            return broken(r, error);
        out.push_back(m);
        r.partial.clear();
    }
    return true;
}

}  // namespace net
