#include "net/socket.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace net {

namespace {

constexpr std::size_t kDrainChunk = 4096; // bytes per read when closing
constexpr int kDrainChunks = 16;         // reads at most when closing: a flooding peer gets no more

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

namespace {

// Binds and listens on one candidate address; -1 and the cause on failure.
int listenOn(const sockaddr* address, socklen_t length, const std::string& service, std::string& error) {
    const int fd = socket(address->sa_family, SOCK_STREAM, 0);
    if (fd < 0) {
        error = std::string("cannot listen on port ") + service + ": " + std::strerror(errno);
        return -1;
    }
    const int one = 1, zero = 0;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    // IPv4 guests arrive on the same socket as mapped addresses (::ffff:a.b.c.d).
    if (address->sa_family == AF_INET6)
        setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &zero, sizeof zero);
    if (bind(fd, address, length) == 0 && listen(fd, kListenBacklog) == 0 && prepare(fd))
        return fd;
    error = std::string("cannot listen on port ") + service + ": " + std::strerror(errno);
    close(fd);
    return -1;
}

}  // namespace

int listenTcp(const std::string& address, std::uint16_t port, std::string& error) {
    const std::string service = std::to_string(port);
    if (address.empty()) {
        // Both families on one socket; IPv4 alone where IPv6 is missing or off.
        sockaddr_in6 six{};
        six.sin6_family = AF_INET6;
        six.sin6_addr = in6addr_any;
        six.sin6_port = htons(port);
        const int fd = listenOn(reinterpret_cast<sockaddr*>(&six), sizeof six, service, error);
        if (fd >= 0)
            return fd;
        sockaddr_in four{};
        four.sin_family = AF_INET;
        four.sin_addr.s_addr = htonl(INADDR_ANY);
        four.sin_port = htons(port);
        return listenOn(reinterpret_cast<sockaddr*>(&four), sizeof four, service, error);
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const int rc = getaddrinfo(address.c_str(), service.c_str(), &hints, &found);
    if (rc != 0) {
        error = std::string("cannot use address ") + address + ": " + gai_strerror(rc);
        return -1;
    }
    int fd = -1;
    for (addrinfo* a = found; a && fd < 0; a = a->ai_next)
        fd = listenOn(a->ai_addr, a->ai_addrlen, service, error);
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

Families servedFamilies(int listenFd) {
    Families f;
    sockaddr_storage a{};
    socklen_t len = sizeof a;
    if (getsockname(listenFd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        return f;
    if (a.ss_family == AF_INET) {
        f.ipv4 = true;
    } else if (a.ss_family == AF_INET6) {
        f.ipv6 = true;
        int only = 1;
        socklen_t size = sizeof only;
        const in6_addr& bound = reinterpret_cast<sockaddr_in6*>(&a)->sin6_addr;
        f.ipv4 = getsockopt(listenFd, IPPROTO_IPV6, IPV6_V6ONLY, &only, &size) == 0 && only == 0 &&
                 (IN6_IS_ADDR_UNSPECIFIED(&bound) || IN6_IS_ADDR_V4MAPPED(&bound));
    }
    return f;
}

Families hostFamilies() {
    std::string error;
    const int fd = listenTcp("", 0, error);
    const Families f = fd >= 0 ? servedFamilies(fd) : Families{};
    closeSocket(fd);
    return f;
}

namespace {

std::string sourceOf(const sockaddr_storage& a) {
    char text[INET6_ADDRSTRLEN] = "";
    if (a.ss_family == AF_INET) {
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(&a)->sin_addr, text, sizeof text);
        return text;
    }
    if (a.ss_family != AF_INET6)
        return "";
    in6_addr six = reinterpret_cast<const sockaddr_in6*>(&a)->sin6_addr;
    if (IN6_IS_ADDR_V4MAPPED(&six)) {
        inet_ntop(AF_INET, six.s6_addr + 12, text, sizeof text);
        return text;
    }
    // One machine may hold a whole /64: counting its addresses apart would
    // give it as many shares as it likes.
    std::memset(six.s6_addr + 8, 0, 8);
    inet_ntop(AF_INET6, &six, text, sizeof text);
    return std::string(text) + "/64";
}

}  // namespace

int acceptTcp(int listenFd, std::string* source) {
    sockaddr_storage from{};
    socklen_t len = sizeof from;
    const int fd = accept(listenFd, reinterpret_cast<sockaddr*>(&from), &len);
    if (fd < 0)
        return -1;
    if (!prepare(fd)) {
        close(fd);
        return -1;
    }
    if (source)
        *source = sourceOf(from);
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
    if (fd < 0)
        return;
    std::uint8_t unread[kDrainChunk];
    for (int i = 0; i < kDrainChunks && recv(fd, unread, sizeof unread, MSG_DONTWAIT) > 0; ++i) {
    }
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
