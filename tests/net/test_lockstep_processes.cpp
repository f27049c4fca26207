// Two game processes in lockstep over loopback, each playing its own
// paddle from a script: both write the same log (virtual time, state hash,
// screen hash every 50 ms), directly and through the delay proxy.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include "delayproxy.h"
#include "netloop.h"
#include "support/scratch.h"

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A folder for one session's logs, removed afterwards.
struct TempFolder : ScratchDir {
    TempFolder() : ScratchDir("lockstep", false) {}
};

// Starts the runner; its stdout comes back through outFd when asked for.
pid_t spawn(const std::vector<std::string>& args, const std::string& errPath, int* outFd) {
    int pipeFds[2] = {-1, -1};
    if (outFd && pipe(pipeFds) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(err, 2);
        if (outFd) {
            dup2(pipeFds[1], 1);
            close(pipeFds[0]);
        }
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (outFd) {
        close(pipeFds[1]);
        *outFd = pipeFds[0];
    }
    return pid;
}

// The port line the host prints once it listens.
int readPort(int fd) {
    std::string line;
    const std::uint32_t start = nettest::realMs();
    while (line.find('\n') == std::string::npos && nettest::realMs() - start < 30000) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0)
            continue;
        char c[64];
        const ssize_t n = read(fd, c, sizeof c);
        if (n <= 0)
            break;
        line.append(c, std::size_t(n));
    }
    unsigned port = 0;
    return std::sscanf(line.c_str(), "port %u", &port) == 1 ? int(port) : -1;
}

int exitStatus(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

struct Session {
    std::string hostLog, guestLog, hostErr, guestErr, watcherLog, watcherErr;
    int hostStatus = -1, guestStatus = -1, watcherStatus = -1;
};

// One session: the host, then the guest through the proxy when one is given.
// The scripts are tests/net/lockstep/PREFIXhost.script and PREFIXguest.script.
Session play(const TempFolder& dir, const std::string& tag, const std::string& delayMs,
             const DelayProxyOptions* proxyOptions, const std::string& guestDiesAt = "",
             const std::string& scriptPrefix = "", bool watched = false) {
    Session r;
    const std::string scripts = VOLTARI_SOURCE_DIR "/tests/net/lockstep/";
    const std::string hostLog = dir.path + "/host-" + tag + ".log", guestLog = dir.path + "/guest-" + tag + ".log";
    const std::string hostErr = dir.path + "/host-" + tag + ".err", guestErr = dir.path + "/guest-" + tag + ".err";
    int out = -1;
    const pid_t host =
        spawn({VOLTARI_LOCKSTEP_RUN, "host", hostLog, scripts + scriptPrefix + "host.script", delayMs}, hostErr, &out);
    const int port = readPort(out);
    close(out);
    EXPECT_GT(port, 0);
    DelayProxy proxy;
    int guestPort = port;
    if (proxyOptions && port > 0) {
        EXPECT_TRUE(startDelayProxy(proxy, std::uint16_t(port), *proxyOptions));
        guestPort = proxy.port;
    }
    std::vector<std::string> guestArgs = {VOLTARI_LOCKSTEP_RUN, "join", std::to_string(port > 0 ? guestPort : 1),
                                          guestLog, scripts + scriptPrefix + "guest.script"};
    if (!guestDiesAt.empty())
        guestArgs.push_back(guestDiesAt);
    const pid_t guest = spawn(guestArgs, guestErr, nullptr);
    // A watcher comes once the players play, and gets the game so far first.
    const std::string watcherLog = dir.path + "/watcher-" + tag + ".log";
    const std::string watcherErr = dir.path + "/watcher-" + tag + ".err";
    pid_t watcher = -1;
    if (watched)
        watcher = spawn({VOLTARI_LOCKSTEP_RUN, "watch", std::to_string(port), watcherLog,
                         scripts + scriptPrefix + "guest.script"}, watcherErr, nullptr);
    r.guestStatus = exitStatus(guest);
    if (watched) {
        r.watcherStatus = exitStatus(watcher);
        r.watcherLog = readFile(watcherLog);
        r.watcherErr = readFile(watcherErr);
    }
    r.hostStatus = exitStatus(host);
    if (proxyOptions && port > 0)
        stopDelayProxy(proxy);
    r.hostLog = readFile(hostLog);
    r.guestLog = readFile(guestLog);
    r.hostErr = readFile(hostErr);
    r.guestErr = readFile(guestErr);
    return r;
}

}  // namespace

TEST(NetLockstepProcesses, BothSidesLogTheSameGameFrameByFrame) {
    TempFolder dir;
    const Session r = play(dir, "direct", "", nullptr, "", "", true);
    EXPECT_EQ(r.hostStatus, 0) << r.hostErr;
    EXPECT_EQ(r.guestStatus, 0) << r.guestErr;
    EXPECT_EQ(r.watcherStatus, 0) << r.watcherErr;
    // From the start (1000 ms) past the second Escape (27000 ms): 50 ms apart.
    EXPECT_GT(r.hostLog.size(), 500u * 30);
    EXPECT_TRUE(r.hostLog == r.guestLog) << "the logs differ";
    EXPECT_TRUE(r.watcherLog == r.hostLog) << "the watcher's log differs";
    EXPECT_NE(r.hostErr.find("hashes matched"), std::string::npos) << r.hostErr;
    EXPECT_EQ(r.hostErr.find(" 0 hashes matched"), std::string::npos) << r.hostErr;
    std::printf("%s%s", r.hostErr.c_str(), r.guestErr.c_str());

    // The session saved as a replay ends, played back in one process, as the session ended.
    const std::string hostReplay = dir.path + "/host-direct.log.replay";
    EXPECT_EQ(readFile(hostReplay), readFile(dir.path + "/guest-direct.log.replay"));
    int out = -1;
    const pid_t replay = spawn({VOLTARI_LOCKSTEP_RUN, "replay", hostReplay}, dir.path + "/replay.err", &out);
    std::string printed;
    char buffer[256];
    for (ssize_t n; (n = read(out, buffer, sizeof buffer)) > 0;)
        printed.append(buffer, std::size_t(n));
    close(out);
    EXPECT_EQ(exitStatus(replay), 0) << readFile(dir.path + "/replay.err");
    const std::size_t end = r.hostLog.rfind("end ");
    ASSERT_NE(end, std::string::npos);
    EXPECT_EQ(printed, r.hostLog.substr(end));
    // What each player pressed reached the game as its own paddle's keys; the
    // guest's menu key and music key stayed on the guest's machine.
    const std::string saved = readFile(hostReplay);
    for (const char* mapped : {" down d\n", " down LEFT\n", " down UP\n"})
        EXPECT_NE(saved.find(mapped), std::string::npos) << mapped;
    for (const char* kept : {" down RIGHT\n", " down a\n", " down m\n"})
        EXPECT_EQ(saved.find(kept), std::string::npos) << kept;
    const std::size_t down = saved.find(" down DOWN\n");
    ASSERT_NE(down, std::string::npos);
    EXPECT_GE(std::atoi(saved.c_str() + saved.rfind('\n', down) + 1), 15200);  // the match's, not the menu's
}

TEST(NetLockstepProcesses, RoundTripsOf60And120MsWithAStallPlayTheSameGame) {
    TempFolder dir;
    // One D for every run, so that the games are the same game.
    const std::string delay = "150";
    const Session direct = play(dir, "direct", delay, nullptr);
    ASSERT_EQ(direct.hostStatus, 0) << direct.hostErr;
    ASSERT_EQ(direct.guestStatus, 0) << direct.guestErr;
    struct Row {
        std::uint32_t oneWayMs, jitterMs;
    };
    for (const Row& row : {Row{30, 5}, Row{60, 10}}) {
        DelayProxyOptions o;
        o.oneWayMs = row.oneWayMs;
        o.jitterMs = row.jitterMs;
        o.pauseAtMs = 2000;  // in the middle of the menu and the match's start
        o.pauseForMs = 400;
        o.seed = row.oneWayMs;
        const std::string tag = "proxy" + std::to_string(row.oneWayMs);
        const Session r = play(dir, tag, delay, &o);
        EXPECT_EQ(r.hostStatus, 0) << tag << ": " << r.hostErr;
        EXPECT_EQ(r.guestStatus, 0) << tag << ": " << r.guestErr;
        EXPECT_TRUE(r.hostLog == direct.hostLog) << tag << ": the host's log differs from the direct run";
        EXPECT_TRUE(r.guestLog == direct.hostLog) << tag << ": the guest's log differs from the direct run";
        std::printf("[ %s ]\n%s%s", tag.c_str(), r.hostErr.c_str(), r.guestErr.c_str());
    }
}

TEST(NetLockstepProcesses, AGuestKilledMidRallyEndsTheSessionAndTheHostPlaysOn) {
    TempFolder dir;
    // The guest's process vanishes at 15 s, mid-rally; the host's own
    // script then aborts the match and quits from the menu.
    const Session r = play(dir, "killed", "", nullptr, "15000");
    EXPECT_EQ(r.guestStatus, 3) << r.guestErr;
    EXPECT_EQ(r.hostStatus, 1) << r.hostErr;  // the game ended normally, the session did not
    EXPECT_NE(r.hostErr.find("host: status 0, "), std::string::npos) << r.hostErr;
    EXPECT_NE(r.hostErr.find("failed: The connection to the other side was lost."), std::string::npos) << r.hostErr;
    // Both logs agree up to where the guest stopped.
    ASSERT_FALSE(r.guestLog.empty());
    EXPECT_EQ(r.hostLog.compare(0, r.guestLog.size(), r.guestLog), 0);
    EXPECT_GT(r.hostLog.size(), r.guestLog.size());
}

// Paced as a real session: virtual time never runs ahead of real time, so
// each side takes at least as many real ms as the game's virtual ms (less
// the moment between the session's start and the game's), and both still
// play the same game.
TEST(NetLockstepProcesses, APacedSessionKeepsToRealTime) {
    TempFolder dir;
    setenv("VOLTARI_NET_PACED", "1", 1);
    const Session r = play(dir, "paced", "", nullptr, "", "paced-");
    unsetenv("VOLTARI_NET_PACED");
    EXPECT_EQ(r.hostStatus, 0) << r.hostErr;
    EXPECT_EQ(r.guestStatus, 0) << r.guestErr;
    EXPECT_TRUE(r.hostLog == r.guestLog) << "the logs differ";
    for (const std::string& err : {r.hostErr, r.guestErr}) {
        unsigned virtualMs = 0, realMs = 0;
        const size_t at = err.find(" virtual ms in ");
        ASSERT_NE(at, std::string::npos) << err;
        const size_t from = err.rfind(", ", at);
        ASSERT_EQ(std::sscanf(err.c_str() + from, ", %u virtual ms in %u real ms", &virtualMs, &realMs), 2) << err;
        EXPECT_GT(virtualMs, 10000u) << err;
        EXPECT_GE(realMs + 50, virtualMs) << err;
    }
    std::printf("%s%s", r.hostErr.c_str(), r.guestErr.c_str());
}
