// The browser's way in: an HTTP GET asking for a WebSocket upgrade on the
// game's own port. The reply is built here; the frames after it belong to
// wslay (see conn.cpp).
#pragma once

#include <cstddef>
#include <string>

namespace net {

constexpr std::size_t kMaxUpgradeBytes = 4096;  // the whole request head, bytes

// Sec-WebSocket-Accept for a client's Sec-WebSocket-Key.
std::string websocketAccept(const std::string& key);

// The request head (up to and including the blank line): the 101 reply in
// response, or false and a short cause (the caller answers 400).
bool answerUpgrade(const std::string& head, std::string& response, std::string& error);

}  // namespace net
