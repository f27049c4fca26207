// The WebSocket half of a connection (wslay): a host's answer to a
// browser's upgrade and the binary messages after it. conn.cpp calls these
// once a connection turns out to be a browser's; a build that never hosts
// (the page) links a stand-in that refuses the upgrade instead.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "net/conn.h"

namespace net {

// The request head ends at headEnd in c.head: answers it and frames from
// then on in WebSocket messages, or queues a 400 and closes.
void upgradeToWebSocket(Connection& c, std::size_t headEnd);
void webSocketRead(Connection& c, std::vector<Message>& got);
void webSocketFlush(Connection& c);
std::size_t webSocketQueued(const Connection& c);
// The record moved: wslay's state points at its new reader and counter.
void webSocketRebind(Connection& c);

// Shared with conn.cpp: how a connection ends.
void connLost(Connection& c);                          // the other end went away
void connFail(Connection& c, const std::string& why);  // closed at once, with the cause
void connBroken(Connection& c, const std::string& why); // deaf; a bye may still go out

}  // namespace net
