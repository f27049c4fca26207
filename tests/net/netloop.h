// Drives a host and its clients in one thread on the real clock until a
// condition holds or a generous deadline passes.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "net/client.h"
#include "net/host.h"

namespace nettest {

std::uint32_t realMs();

// An identity both ends agree on unless a test changes it.
net::Identity testIdentity();

// Steps the host (if any) and every client, 1 ms poll each, until done()
// says yes; false if deadlineMs (real ms) passed first.
bool stepUntil(net::Host* host, const std::vector<net::Client*>& clients, const std::function<bool()>& done,
               std::uint32_t deadlineMs = 20000);

// A blocking loopback socket connected to port (for hand-made clients).
int rawConnect(std::uint16_t port);
// Reads exactly n bytes, stepping the host between tries; false at EOF or deadline.
bool rawReadWhileStepping(int fd, net::Host& host, std::uint8_t* buf, std::size_t n);
// Reads until the peer closes, stepping the host; what was read.
std::vector<std::uint8_t> rawReadToEnd(int fd, net::Host& host);

}  // namespace nettest
