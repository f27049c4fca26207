// Cuts a received byte stream (kStreamMagic, then length-prefixed frames)
// into messages. Holds at most one unfinished frame; any fault is final.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "net/protocol.h"

namespace net {

struct StreamReader {
    std::size_t magicSeen = 0;          // bytes of kStreamMagic matched so far
    std::vector<std::uint8_t> partial;  // an unfinished frame, < kFrameHeaderBytes + kMaxMessageBytes
    bool failed = false;
    std::string error;                  // why, once failed
};

// Appends every whole message in the bytes to out; false once the stream is
// broken (wrong magic, a zero or oversize length, an undecodable message).
bool feedStream(StreamReader& r, const std::uint8_t* data, std::size_t size, std::vector<Message>& out);

// The bytes a sender starts its stream with.
void appendStreamMagic(std::vector<std::uint8_t>& stream);

}  // namespace net
