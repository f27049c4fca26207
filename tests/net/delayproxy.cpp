#include "delayproxy.h"

#include "netloop.h"

#include <cerrno>
#include <chrono>
#include <deque>
#include <random>
#include <vector>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

typedef std::chrono::steady_clock Clock;

struct Chunk {
    Clock::time_point due;
    std::vector<char> bytes;
};

// One direction of one proxied connection.
struct Lane {
    int from = -1;
    int to = -1;
    std::deque<Chunk> queue;
    Clock::time_point lastDue;
    bool fromClosed = false;
};

struct Pair {
    Lane up;    // client to target
    Lane down;  // target to client
    bool dead = false;
};

void nonBlocking(int fd) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL, 0) | O_NONBLOCK);
}

void run(DelayProxy* p) {
    std::vector<Pair*> pairs;
    std::mt19937 random(p->options.seed);
    bool pauseSet = false;
    std::uint32_t downChunks = 0;  // chunks read from the target
    Clock::time_point pauseFrom, pauseTo;
    while (!p->stop.load()) {
        const Clock::time_point now = Clock::now();
        // Deliver what is due.
        for (Pair* pr : pairs)
            for (Lane* l : {&pr->up, &pr->down}) {
                while (!l->queue.empty() && l->queue.front().due <= now) {
                    Chunk& c = l->queue.front();
                    const ssize_t n = send(l->to, c.bytes.data(), c.bytes.size(), MSG_NOSIGNAL);
                    if (n < 0) {
                        if (errno != EAGAIN && errno != EWOULDBLOCK)
                            pr->dead = true;
                        break;
                    }
                    c.bytes.erase(c.bytes.begin(), c.bytes.begin() + n);
                    if (!c.bytes.empty())
                        break;
                    l->queue.pop_front();
                }
                if (l->fromClosed && l->queue.empty())
                    pr->dead = true;
            }
        for (std::size_t i = pairs.size(); i-- > 0;)
            if (pairs[i]->dead) {
                close(pairs[i]->up.from);
                close(pairs[i]->down.from);
                delete pairs[i];
                pairs.erase(pairs.begin() + std::ptrdiff_t(i));
            }
        // Wait for input or the next due chunk, a few ms at most.
        int waitMs = 5;
        for (Pair* pr : pairs)
            for (Lane* l : {&pr->up, &pr->down})
                if (!l->queue.empty()) {
                    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(l->queue.front().due - now).count();
                    if (left < waitMs)
                        waitMs = left < 0 ? 0 : int(left);
                }
        std::vector<pollfd> fds{{p->listenFd, POLLIN, 0}};
        for (Pair* pr : pairs) {
            fds.push_back({pr->up.from, short(pr->up.fromClosed ? 0 : POLLIN), 0});
            fds.push_back({pr->down.from, short(pr->down.fromClosed ? 0 : POLLIN), 0});
        }
        poll(fds.data(), fds.size(), waitMs);
        const Clock::time_point arrived = Clock::now();
        for (std::size_t i = 0; i < pairs.size(); ++i) {
            Lane* lanes[2] = {&pairs[i]->up, &pairs[i]->down};
            for (int k = 0; k < 2; ++k) {
                if (!(fds[1 + 2 * i + k].revents & (POLLIN | POLLHUP | POLLERR)))
                    continue;
                Lane& l = *lanes[k];
                char buf[4096];
                const ssize_t n = recv(l.from, buf, sizeof buf, 0);
                if (n <= 0) {
                    if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
                        l.fromClosed = true;
                    continue;
                }
                std::uniform_int_distribution<std::uint32_t> jitter(0, p->options.jitterMs);
                if (k == 1 && ++downChunks == p->options.pauseAtChunk && p->options.pauseForMs > 0) {
                    pauseSet = true;
                    pauseFrom = arrived;
                    pauseTo = pauseFrom + std::chrono::milliseconds(p->options.pauseForMs);
                }
                Clock::time_point due = arrived + std::chrono::milliseconds(p->options.oneWayMs + jitter(random));
                if (due < l.lastDue)
                    due = l.lastDue;  // TCP keeps order
                if (pauseSet && due >= pauseFrom && due < pauseTo)
                    due = pauseTo;
                l.lastDue = due;
                l.queue.push_back(Chunk{due, std::vector<char>(buf, buf + n)});
            }
        }
        if (fds[0].revents & POLLIN) {
            const int client = accept(p->listenFd, nullptr, nullptr);
            if (client >= 0) {
                const int target = nettest::rawConnect(p->targetPort);
                if (target < 0) {
                    close(client);
                    continue;
                }
                nonBlocking(target);
                nonBlocking(client);
                const int one = 1;
                setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                setsockopt(target, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
                Pair* pr = new Pair;
                pr->up.from = client;
                pr->up.to = target;
                pr->down.from = target;
                pr->down.to = client;
                pairs.push_back(pr);
                if (!pauseSet && p->options.pauseForMs > 0 && p->options.pauseAtChunk == 0) {
                    pauseSet = true;
                    pauseFrom = arrived + std::chrono::milliseconds(p->options.pauseAtMs);
                    pauseTo = pauseFrom + std::chrono::milliseconds(p->options.pauseForMs);
                }
            }
        }
    }
    for (Pair* pr : pairs) {
        close(pr->up.from);
        close(pr->down.from);
        delete pr;
    }
}

}  // namespace

bool startDelayProxy(DelayProxy& p, std::uint16_t targetPort, const DelayProxyOptions& options) {
    p.listenFd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = 0;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (p.listenFd < 0 || bind(p.listenFd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        listen(p.listenFd, 8) != 0 || getsockname(p.listenFd, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        return false;
    nonBlocking(p.listenFd);
    p.port = ntohs(a.sin_port);
    p.targetPort = targetPort;
    p.options = options;
    p.stop = false;
    p.thread = std::thread(run, &p);
    return true;
}

void stopDelayProxy(DelayProxy& p) {
    p.stop = true;
    if (p.thread.joinable())
        p.thread.join();
    if (p.listenFd >= 0)
        close(p.listenFd);
    p.listenFd = -1;
}
