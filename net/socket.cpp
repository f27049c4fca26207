#include "net/socket.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace net {

namespace {

bool prepare(int fd) {
    const int flags = fcntl(fd, F_GETFL, 0);
    if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0)
        return false;
    fcntl(fd, F_SETFD, FD_CLOEXEC);
    // Small messages go out at once: every event is on the players' clock.
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return true;
}

}  // namespace

int listenTcp(const std::string& address, std::uint16_t port, std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    const int rc = getaddrinfo(address.empty() ? nullptr : address.c_str(), service.c_str(), &hints, &found);
    if (rc != 0) {
        error = std::string("cannot use address ") + address + ": " + gai_strerror(rc);
        return -1;
    }
    int fd = -1;
    for (addrinfo* a = found; a; a = a->ai_next) {
        fd = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (fd < 0)
            continue;
        const int one = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
        if (bind(fd, a->ai_addr, a->ai_addrlen) == 0 && listen(fd, 8) == 0 && prepare(fd))
            break;
        error = std::string("cannot listen on port ") + service + ": " + std::strerror(errno);
        close(fd);
        fd = -1;
    }
    freeaddrinfo(found);
    return fd;
}

std::uint16_t boundPort(int fd) {
    sockaddr_storage a{};
    socklen_t len = sizeof a;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        return 0;
    if (a.ss_family == AF_INET)
        return ntohs(reinterpret_cast<sockaddr_in*>(&a)->sin_port);
    if (a.ss_family == AF_INET6)
        return ntohs(reinterpret_cast<sockaddr_in6*>(&a)->sin6_port);
    return 0;
}

int acceptTcp(int listenFd) {
    const int fd = accept(listenFd, nullptr, nullptr);
    if (fd < 0)
        return -1;
    if (!prepare(fd)) {
        close(fd);
        return -1;
    }
    return fd;
}

int connectTcp(const std::string& host, std::uint16_t port, std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    const int rc = getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
    if (rc != 0) {
        error = "cannot find " + host + ": " + gai_strerror(rc);
        return -1;
    }
    int fd = -1;
    for (addrinfo* a = found; a; a = a->ai_next) {
        fd = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (fd < 0)
            continue;
        if (prepare(fd) && (connect(fd, a->ai_addr, a->ai_addrlen) == 0 || errno == EINPROGRESS))
            break;
        error = "cannot connect to " + host + ":" + service + ": " + std::strerror(errno);
        close(fd);
        fd = -1;
    }
    freeaddrinfo(found);
    return fd;
}

int connectError(int fd) {
    int err = 0;
    socklen_t len = sizeof err;
    if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0)
        return errno;
    return err;
}

void closeSocket(int fd) {
    if (fd >= 0)
        close(fd);
}

bool splitHostPort(const std::string& text, std::string& host, std::uint16_t& port) {
    port = kDefaultPort;
    std::string rest;
    if (!text.empty() && text[0] == '[') {
        const std::size_t end = text.find(']');
        if (end == std::string::npos)
            return false;
        host = text.substr(1, end - 1);
        rest = text.substr(end + 1);
        if (!rest.empty() && rest[0] != ':')
            return false;
    } else {
        const std::size_t colon = text.find(':');
        if (colon != std::string::npos && text.find(':', colon + 1) != std::string::npos) {
            host = text;  // a bare IPv6 address
            return true;
        }
        host = text.substr(0, colon);
        if (colon != std::string::npos)
            rest = text.substr(colon);
    }
    if (host.empty())
        return false;
    if (rest.empty())
        return true;
    const std::string digits = rest.substr(1);
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const long p = std::strtol(digits.c_str(), nullptr, 10);
    if (p < 1 || p > 65535)
        return false;
    port = std::uint16_t(p);
    return true;
}

}  // namespace net
