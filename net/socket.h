// Plain non-blocking TCP sockets: nothing here waits except poll() with the
// timeout its caller gives.
#pragma once

#include <cstdint>
#include <string>

namespace net {

// The port a host listens on unless told otherwise (TCP).
constexpr std::uint16_t kDefaultPort = 24642;

// Connections the kernel holds until accept(): enough that a burst is taken
// in and sorted by the host rather than dropped by the kernel.
constexpr int kListenBacklog = 128;

// A listening socket on address:port (port 0: the kernel picks); -1 and the
// cause in error on failure. An empty address is every address of both
// families (one IPv6 socket that takes IPv4 too), or of IPv4 alone where the
// machine has no IPv6.
int listenTcp(const std::string& address, std::uint16_t port, std::string& error);
// The port a socket is bound to; 0 on failure.
std::uint16_t boundPort(int fd);

// The address families a listening socket takes connections of.
struct Families {
    bool ipv4 = false;
    bool ipv6 = false;
};
Families servedFamilies(int listenFd);
// What a host listening on every address serves on this machine (the socket
// listenTcp("") makes, opened on a spare port and closed again).
Families hostFamilies();

// An accepted connection, non-blocking, TCP_NODELAY; -1 when none waits.
// source, if given, names where it came from for the host's per-source
// bounds: the IPv4 address, or an IPv6 address's /64 (one machine's share).
int acceptTcp(int listenFd, std::string* source = nullptr);
// Starts a connection (non-blocking, TCP_NODELAY); it is up once the socket
// is writable and connectError() says 0. Resolves the name first (blocking).
int connectTcp(const std::string& host, std::uint16_t port, std::string& error);
int connectError(int fd);
// Reads away what the peer sent and was not read, so that the close is a
// plain end (FIN) and not a reset that may discard the last words, then closes.
void closeSocket(int fd);
// "HOST", "HOST:PORT" or "[V6]:PORT" into its parts; false when malformed.
bool splitHostPort(const std::string& text, std::string& host, std::uint16_t& port);

}  // namespace net
