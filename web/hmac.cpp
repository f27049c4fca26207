#include "web/hmac.h"

#include <cstring>

#include "web/sha256.h"

namespace {

constexpr std::size_t kBlock = 64;   // SHA-256's block, bytes
constexpr std::size_t kDigest = 32;  // bytes

}  // namespace

void hmacSha256(const std::uint8_t* key, std::size_t keySize, const std::uint8_t* const* parts,
                const std::size_t* sizes, std::size_t count, std::uint8_t (&out)[32]) {
    std::uint8_t block[kBlock] = {};
    if (keySize > kBlock) {
        Sha256 s;
        sha256Init(s);
        sha256Update(s, key, keySize);
        std::uint8_t digest[kDigest];
        sha256Digest(s, digest);
        std::memcpy(block, digest, kDigest);
    } else if (keySize > 0) {
        std::memcpy(block, key, keySize);
    }
    std::uint8_t pad[kBlock];
    for (std::size_t i = 0; i < kBlock; ++i)
        pad[i] = block[i] ^ 0x36;
    Sha256 inner;
    sha256Init(inner);
    sha256Update(inner, pad, kBlock);
    for (std::size_t i = 0; i < count; ++i)
        sha256Update(inner, parts[i], sizes[i]);
    std::uint8_t innerDigest[kDigest];
    sha256Digest(inner, innerDigest);
    for (std::size_t i = 0; i < kBlock; ++i)
        pad[i] = block[i] ^ 0x5c;
    Sha256 outer;
    sha256Init(outer);
    sha256Update(outer, pad, kBlock);
    sha256Update(outer, innerDigest, kDigest);
    sha256Digest(outer, out);
}

void pbkdf2HmacSha256(const std::uint8_t* password, std::size_t passwordSize, const std::uint8_t* salt,
                      std::size_t saltSize, unsigned rounds, std::uint8_t* out, std::size_t outSize) {
    for (std::uint32_t blockIndex = 1; outSize > 0; ++blockIndex) {
        const std::uint8_t index[4] = {std::uint8_t(blockIndex >> 24), std::uint8_t(blockIndex >> 16),
                                       std::uint8_t(blockIndex >> 8), std::uint8_t(blockIndex)};
        const std::uint8_t* first[2] = {salt, index};
        const std::size_t firstSizes[2] = {saltSize, sizeof index};
        std::uint8_t u[kDigest];
        hmacSha256(password, passwordSize, first, firstSizes, 2, u);
        std::uint8_t t[kDigest];
        std::memcpy(t, u, kDigest);
        for (unsigned r = 1; r < rounds; ++r) {
            const std::uint8_t* part[1] = {u};
            const std::size_t size[1] = {kDigest};
            hmacSha256(password, passwordSize, part, size, 1, u);
            for (std::size_t i = 0; i < kDigest; ++i)
                t[i] ^= u[i];
        }
        const std::size_t n = outSize < kDigest ? outSize : kDigest;
        std::memcpy(out, t, n);
        out += n;
        outSize -= n;
    }
}
