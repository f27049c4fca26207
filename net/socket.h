// Plain non-blocking TCP sockets: nothing here waits except poll() with the
// timeout its caller gives.
#pragma once

#include <cstdint>
#include <string>

namespace net {

// The port a host listens on unless told otherwise (TCP).
constexpr std::uint16_t kDefaultPort = 24642;

// A listening socket on address:port (port 0: the kernel picks); -1 and the
// cause in error on failure.
int listenTcp(const std::string& address, std::uint16_t port, std::string& error);
// The port a socket is bound to; 0 on failure.
std::uint16_t boundPort(int fd);
// An accepted connection, non-blocking, TCP_NODELAY; -1 when none waits.
int acceptTcp(int listenFd);
// Starts a connection (non-blocking, TCP_NODELAY); it is up once the socket
// is writable and connectError() says 0. Resolves the name first (blocking).
int connectTcp(const std::string& host, std::uint16_t port, std::string& error);
int connectError(int fd);
void closeSocket(int fd);
// "HOST", "HOST:PORT" or "[V6]:PORT" into its parts; false when malformed.
bool splitHostPort(const std::string& text, std::string& host, std::uint16_t& port);

}  // namespace net
