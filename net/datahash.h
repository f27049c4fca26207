// The data files' fingerprint that both ends of a network game compare.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "net/protocol.h"

namespace net {

// SHA-256 over each file's name (without its folder), length and bytes, in
// the order given; false and the cause when a file cannot be read.
bool hashDataFiles(const std::vector<std::string>& paths, std::uint8_t (&out)[kDataHashBytes], std::string& error);

}  // namespace net
