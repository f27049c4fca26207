// A loopback TCP proxy for tests that delays every byte by a one-way time
// plus jitter, in both directions, and can hold everything for a while once
// (as a lost segment's retransmit would). Runs on its own thread; bytes keep
// their order.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

struct DelayProxyOptions {
    std::uint32_t oneWayMs = 0;   // added to every chunk, each direction, ms
    std::uint32_t jitterMs = 0;   // up to this much more, drawn per chunk, ms
    std::uint32_t pauseAtMs = 0;  // after the first connection, ms; 0: no pause
    std::uint32_t pauseAtChunk = 0; // or when the target's Nth chunk arrives (from 1); 0: by time
    std::uint32_t pauseForMs = 0; // how long nothing is delivered, ms
    std::uint32_t seed = 1;       // for the jitter
};

struct DelayProxy {
    int listenFd = -1;
    std::uint16_t port = 0;       // where clients connect (127.0.0.1)
    std::uint16_t targetPort = 0; // where the proxy connects (127.0.0.1)
    DelayProxyOptions options;
    std::atomic<bool> stop{false};
    std::thread thread;
};

// Listens on 127.0.0.1 at a port the kernel picks; false when it cannot.
bool startDelayProxy(DelayProxy& p, std::uint16_t targetPort, const DelayProxyOptions& options);
void stopDelayProxy(DelayProxy& p);
