// HMAC-SHA256 and PBKDF2-HMAC-SHA256 over the page's own SHA-256, for a
// relay room's keys and envelope tags (net/roomkeys.h): the same bytes the
// desktop computes with nettle, held equal by a test.
#pragma once

#include <cstddef>
#include <cstdint>

// out: the 32-byte MAC over the parts, one after another.
void hmacSha256(const std::uint8_t* key, std::size_t keySize, const std::uint8_t* const* parts,
                const std::size_t* sizes, std::size_t count, std::uint8_t (&out)[32]);
void pbkdf2HmacSha256(const std::uint8_t* password, std::size_t passwordSize, const std::uint8_t* salt,
                      std::size_t saltSize, unsigned rounds, std::uint8_t* out, std::size_t outSize);
