// The data files' fingerprint that both ends of a network game compare.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "net/protocol.h"

namespace net {

// Adds bytes to a digest being made.
typedef void (*DigestAdd)(void* digest, const std::uint8_t* bytes, std::size_t n);

// Feeds each file's name (without its folder) and its terminating zero, its
// bytes and its length (8 bytes, big-endian) to add, in the order given;
// false and the cause when a file cannot be read.
bool digestDataFiles(const std::vector<std::string>& paths, DigestAdd add, void* digest, std::string& error);

// SHA-256 over digestDataFiles: nettle's on the desktop (datahashsha.cpp),
// the page's own in the browser (web/netweb.cpp).
bool hashDataFiles(const std::vector<std::string>& paths, std::uint8_t (&out)[kDataHashBytes], std::string& error);

}  // namespace net
