// SHA-256 for the page, which has no nettle: the data files' fingerprint in
// a network game must be the very one the desktop computes with nettle.
#pragma once

#include <cstddef>
#include <cstdint>

struct Sha256 {
    std::uint32_t state[8];
    std::uint8_t block[64];   // bytes not yet compressed
    std::size_t blockBytes;   // how many of block are filled
    std::uint64_t totalBytes;
};

void sha256Init(Sha256& s);
void sha256Update(Sha256& s, const std::uint8_t* data, std::size_t length);
void sha256Digest(Sha256& s, std::uint8_t (&out)[32]);
