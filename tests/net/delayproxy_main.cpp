// The tests' delay proxy as a program, for measuring sessions by hand or in
// the benchmarks:  voltari_delay_proxy TARGET_PORT ONE_WAY_MS [JITTER_MS]
// Prints "port N" once it listens on 127.0.0.1, and runs until SIGTERM or SIGINT.
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "delayproxy.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: voltari_delay_proxy TARGET_PORT ONE_WAY_MS [JITTER_MS]\n");
        return 2;
    }
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);  // the proxy's thread inherits it
    DelayProxyOptions o;
    o.oneWayMs = std::uint32_t(std::atoi(argv[2]));
    o.jitterMs = argc > 3 ? std::uint32_t(std::atoi(argv[3])) : 0;
    DelayProxy proxy;
    if (!startDelayProxy(proxy, std::uint16_t(std::atoi(argv[1])), o))
        return 1;
    std::printf("port %u\n", unsigned(proxy.port));
    std::fflush(stdout);
    int signal = 0;
    sigwait(&stopSignals, &signal);
    stopDelayProxy(proxy);
    return 0;
}
