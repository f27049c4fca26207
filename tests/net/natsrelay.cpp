#include "natsrelay.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "netloop.h"
#include "support/scratch.h"

namespace nettest {

namespace {

constexpr std::uint32_t kNatsStartMs = 10000;  // a server's start, real ms at most
constexpr char kClusterName[] = "voltari-test";

bool listening(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(std::uint16_t(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(fd);
    return ok;
}

pid_t launch(const NatsRelay& relay, const std::vector<std::string>& args, int index) {
    const pid_t pid = fork();
    if (pid == 0) {
        const std::string log = relay.folder + "/node" + std::to_string(index) + ".log";
        const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        dup2(fd, 1);
        dup2(fd, 2);
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

// The first port of a kind in the server's ports file: {"nats":["nats://127.0.0.1:4222"],...}
int portIn(const std::string& text, const std::string& kind) {
    const std::size_t at = text.find("\"" + kind + "\"");
    if (at == std::string::npos)
        return 0;
    const std::size_t colon = text.find("127.0.0.1:", at);
    return colon == std::string::npos ? 0 : std::atoi(text.c_str() + colon + 10);
}

// Waits for the node's ports file (written once it listens).
bool learnPorts(const NatsRelay& relay, NatsNode& node) {
    const std::string file = relay.folder + "/nats-server_" + std::to_string(node.pid) + ".ports";
    for (const std::uint32_t start = realMs(); realMs() - start < kNatsStartMs; usleep(10000)) {
        std::ifstream in(file);
        std::stringstream s;
        s << in.rdbuf();
        node.port = portIn(s.str(), "nats");
        if (node.args.size() > 0 && s.str().find("cluster") != std::string::npos)
            node.clusterPort = portIn(s.str(), "cluster");
        if (node.port > 0 && listening(node.port))
            return true;
    }
    return false;
}

bool waitListening(int port) {
    for (const std::uint32_t start = realMs(); realMs() - start < kNatsStartMs; usleep(10000))
        if (listening(port))
            return true;
    return false;
}

}  // namespace

std::string natsServerPath() {
    for (const char* dir : {"/usr/bin", "/usr/sbin", "/usr/local/bin"}) {
        const std::string path = std::string(dir) + "/nats-server";
        if (access(path.c_str(), X_OK) == 0)
            return path;
    }
    return "";
}

bool startNatsRelay(NatsRelay& relay, int nodes, std::string& error) {
    const std::string server = natsServerPath();
    if (server.empty()) {
        error = "nats-server is not installed";
        return false;
    }
    relay.folder = processScratchFolder("nats");
    for (int i = 0; i < nodes; ++i) {
        NatsNode node;
        node.args = {server, "-a", "127.0.0.1", "-p", "-1", "--ports_file_dir", relay.folder};
        if (nodes > 1) {
            node.args.insert(node.args.end(), {"--cluster_name", kClusterName, "--cluster", "nats://127.0.0.1:-1"});
            if (i > 0)
                node.args.insert(node.args.end(),
                                 {"--routes", "nats://127.0.0.1:" + std::to_string(relay.nodes[0].clusterPort)});
        }
        node.pid = launch(relay, node.args, i);
        if (node.pid < 0 || !learnPorts(relay, node)) {
            relay.nodes.push_back(node);
            error = "nats-server did not start (see " + relay.folder + ")";
            return false;
        }
        relay.nodes.push_back(node);
    }
    return true;
}

std::string natsUrl(const NatsRelay& relay, int node) {
    return "nats://127.0.0.1:" + std::to_string(relay.nodes[std::size_t(node)].port);
}

void killNatsNode(NatsRelay& relay, int node) {
    NatsNode& n = relay.nodes[std::size_t(node)];
    if (n.pid > 0) {
        kill(n.pid, SIGKILL);
        waitpid(n.pid, nullptr, 0);
    }
    n.pid = -1;
}

bool restartNatsNode(NatsRelay& relay, int node, std::string& error) {
    NatsNode& n = relay.nodes[std::size_t(node)];
    std::vector<std::string> args = n.args;
    for (std::size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == "-p")
            args[i + 1] = std::to_string(n.port);
    n.pid = launch(relay, args, node);
    if (n.pid < 0 || !waitListening(n.port)) {
        error = "nats-server did not start again";
        return false;
    }
    return true;
}

void stopNatsRelay(NatsRelay& relay) {
    for (std::size_t i = 0; i < relay.nodes.size(); ++i)
        if (relay.nodes[i].pid > 0) {
            kill(relay.nodes[i].pid, SIGTERM);
            waitpid(relay.nodes[i].pid, nullptr, 0);
            relay.nodes[i].pid = -1;
        }
}

}  // namespace nettest
