#include "netloop.h"

#include <chrono>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace nettest {

std::uint32_t realMs() {
    using namespace std::chrono;
    return std::uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

net::Identity testIdentity() {
    net::Identity id;
    id.buildId = "2.0.0-test";
    for (std::size_t i = 0; i < net::kDataHashBytes; ++i)
        id.dataHash[i] = std::uint8_t(i * 7 + 1);
    return id;
}

bool stepUntil(net::Host* host, const std::vector<net::Client*>& clients, const std::function<bool()>& done,
               std::uint32_t deadlineMs) {
    const std::uint32_t start = realMs();
    while (!done()) {
        if (realMs() - start > deadlineMs)
            return false;
        if (host)
            net::hostStep(*host, 1);
        for (net::Client* c : clients)
            if (!net::clientDone(*c))
                net::clientStep(*c, 1);
    }
    return true;
}

int rawConnect(std::uint16_t port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool rawReadWhileStepping(int fd, net::Host& host, std::uint8_t* buf, std::size_t n) {
    const std::uint32_t start = realMs();
    std::size_t got = 0;
    while (got < n) {
        if (realMs() - start > 20000)
            return false;
        net::hostStep(host, 1);
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 1) <= 0)
            continue;
        const ssize_t r = recv(fd, buf + got, n - got, 0);
        if (r <= 0)
            return false;
        got += std::size_t(r);
    }
    return true;
}

std::vector<std::uint8_t> rawReadToEnd(int fd, net::Host& host) {
    std::vector<std::uint8_t> all;
    const std::uint32_t start = realMs();
    while (realMs() - start < 20000) {
        net::hostStep(host, 1);
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 1) <= 0)
            continue;
        std::uint8_t buf[4096];
        const ssize_t r = recv(fd, buf, sizeof buf, 0);
        if (r <= 0)
            break;
        all.insert(all.end(), buf, buf + r);
    }
    return all;
}

}  // namespace nettest
