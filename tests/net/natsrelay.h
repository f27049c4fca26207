// A NATS relay for the tests: one nats-server on 127.0.0.1, or two joined
// by routes, on ports the kernel picks, started and stopped by the test.
// Tests skip with one line when nats-server is not installed.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace nettest {

struct NatsNode {
    pid_t pid = -1;
    int port = 0;          // clients
    int clusterPort = 0;   // routes, 0 alone
    std::vector<std::string> args;  // as started, for a restart on the same ports
};

struct NatsRelay {
    std::string folder;    // the servers' ports files and logs
    std::vector<NatsNode> nodes;
};

// The server's path, "" when it is not installed.
std::string natsServerPath();
// Starts nodes servers (1, or 2 joined by a route) and waits until each
// listens; false and why otherwise.
bool startNatsRelay(NatsRelay& relay, int nodes, std::string& error);
std::string natsUrl(const NatsRelay& relay, int node = 0);
// Kills one node at once (as a crash would), then, for a restart, starts it
// again on the same ports and waits until it listens.
void killNatsNode(NatsRelay& relay, int node);
bool restartNatsNode(NatsRelay& relay, int node, std::string& error);
void stopNatsRelay(NatsRelay& relay);

}  // namespace nettest
