// Two game processes in lockstep over loopback, each playing its own
// paddle from a script: both write the same log (virtual time, state hash,
// screen hash every frame), directly and through the delay proxy.
#include <algorithm>
#include <atomic>
#include <set>
#include <thread>
#include <functional>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "delayproxy.h"
#include "natsrelay.h"
#include "net/relay.h"
#include "net/stream.h"
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
// With relayUrl the runner plays through a room on that relay.
pid_t spawn(const std::vector<std::string>& args, const std::string& errPath, int* outFd,
            const std::string& relayUrl = "") {
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
        if (!relayUrl.empty())
            setenv("VOLTARI_NET_RELAY", relayUrl.c_str(), 1);
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

// The first line the host prints: its port once it listens, or its room's code.
std::string readFirstLine(int fd) {
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
    return line;
}

int readPort(int fd) {
    unsigned port = 0;
    return std::sscanf(readFirstLine(fd).c_str(), "port %u", &port) == 1 ? int(port) : -1;
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
    std::string code;  // through a relay: the room's
};

// Through a relay: where each side connects (a cluster's nodes may differ),
// and what happens meanwhile (given the code, once the guest is started).
struct RelayWay {
    std::string hostUrl, guestUrl;
    std::function<void(const std::string& code, const std::string& guestLog)> meanwhile;
};

// One session: the host, then the guest through the proxy when one is given.
// The scripts are tests/net/lockstep/PREFIXhost.script and PREFIXguest.script.
Session play(const TempFolder& dir, const std::string& tag, const std::string& delayMs,
             const DelayProxyOptions* proxyOptions, const std::string& guestDiesAt = "",
             const std::string& scriptPrefix = "", bool watched = false, const RelayWay* relay = nullptr) {
    Session r;
    const std::string scripts = VOLTARI_SOURCE_DIR "/tests/net/lockstep/";
    const std::string hostLog = dir.path + "/host-" + tag + ".log", guestLog = dir.path + "/guest-" + tag + ".log";
    const std::string hostErr = dir.path + "/host-" + tag + ".err", guestErr = dir.path + "/guest-" + tag + ".err";
    int out = -1;
    const pid_t host = spawn({VOLTARI_LOCKSTEP_RUN, "host", hostLog, scripts + scriptPrefix + "host.script", delayMs},
                             hostErr, &out, relay ? relay->hostUrl : "");
    const std::string first = readFirstLine(out);
    close(out);
    unsigned hostPort = 0;
    char code[16] = {};
    if (relay && std::sscanf(first.c_str(), "code %9s", code) == 1)
        r.code = code;
    else if (!relay)
        std::sscanf(first.c_str(), "port %u", &hostPort);
    const int port = relay ? (r.code.empty() ? -1 : 1) : int(hostPort);
    EXPECT_GT(port, 0) << first;
    DelayProxy proxy;
    int guestPort = port;
    if (proxyOptions && port > 0) {
        EXPECT_TRUE(startDelayProxy(proxy, std::uint16_t(port), *proxyOptions));
        guestPort = proxy.port;
    }
    const std::string joinAt = relay ? r.code : std::to_string(port > 0 ? guestPort : 1);
    std::vector<std::string> guestArgs = {VOLTARI_LOCKSTEP_RUN, "join", joinAt, guestLog,
                                          scripts + scriptPrefix + "guest.script"};
    if (!guestDiesAt.empty())
        guestArgs.push_back(guestDiesAt);
    const pid_t guest = spawn(guestArgs, guestErr, nullptr, relay ? relay->guestUrl : "");
    // A watcher comes once the players play, and gets the game so far first;
    // through a relay, before anything happens meanwhile, so it lives through it.
    const std::string watcherLog = dir.path + "/watcher-" + tag + ".log";
    const std::string watcherErr = dir.path + "/watcher-" + tag + ".err";
    pid_t watcher = -1;
    if (watched)
        watcher = spawn({VOLTARI_LOCKSTEP_RUN, "watch", relay ? r.code : std::to_string(port), watcherLog,
                         scripts + scriptPrefix + "guest.script"}, watcherErr, nullptr, relay ? relay->guestUrl : "");
    if (relay && relay->meanwhile)
        relay->meanwhile(r.code, guestLog);
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

// A hand-made guest: it speaks the real protocol (and echoes the host's own
// identity back), but sends whatever events it likes.
struct RogueGuest {
    int fd = -1;
    net::StreamReader reader;
    std::uint16_t delayMs = 0;
    std::uint32_t hostThroughMs = 0;  // the host's latest Advance, virtual ms
    bool started = false;
    bool byeSeen = false;
    net::Bye bye;
    bool closed = false;
};

void rogueSend(RogueGuest& g, const net::Message& m) {
    std::vector<std::uint8_t> bytes;
    if (g.fd >= 0 && net::appendFrame(m, bytes) && write(g.fd, bytes.data(), bytes.size()) != ssize_t(bytes.size()))
        g.closed = true;
}

// Reads what came within waitMs and answers it as a guest would.
void rogueRead(RogueGuest& g, int waitMs) {
    pollfd p{g.fd, POLLIN, 0};
    if (g.closed || poll(&p, 1, waitMs) <= 0)
        return;
    std::uint8_t buffer[4096];
    const ssize_t n = read(g.fd, buffer, sizeof buffer);
    if (n <= 0) {
        g.closed = true;
        return;
    }
    std::vector<net::Message> got;
    net::feedStream(g.reader, buffer, std::size_t(n), got);
    for (const net::Message& m : got) {
        if (m.kind == net::Kind::Hello) {
            rogueSend(g, net::helloMessage(m.hello.buildId, m.hello.dataHash, net::Role::Player));
        } else if (m.kind == net::Kind::Ping) {
            net::Message pong = m;
            pong.kind = net::Kind::Pong;
            rogueSend(g, pong);
        } else if (m.kind == net::Kind::Start) {
            g.started = true;
            g.delayMs = m.start.delayMs;
        } else if (m.kind == net::Kind::Advance && m.advance.player == 0) {
            g.hostThroughMs = m.advance.throughMs;
        } else if (m.kind == net::Kind::Bye) {
            g.byeSeen = true;
            g.bye = m.bye;
        }
    }
}

struct Rogue {
    std::string hostLog, hostErr;
    int hostStatus = -1;
    net::Bye bye;
};

// The host plays its usual script; the hand-made guest keeps pace with it up
// to lastMs, then sends one event (or, with none, a goodbye) and waits to
// hear what the host makes of it.
Rogue playRogue(const TempFolder& dir, const std::string& tag, std::uint32_t lastMs, const net::InputEvent* event) {
    Rogue r;
    const std::string log = dir.path + "/host-" + tag + ".log", err = dir.path + "/host-" + tag + ".err";
    int out = -1;
    const pid_t host = spawn({VOLTARI_LOCKSTEP_RUN, "host", log, VOLTARI_SOURCE_DIR "/tests/net/lockstep/host.script",
                              "40"}, err, &out);
    const int port = readPort(out);
    close(out);
    RogueGuest g;
    g.fd = port > 0 ? nettest::rawConnect(std::uint16_t(port)) : -1;
    EXPECT_GE(g.fd, 0);
    std::vector<std::uint8_t> magic;
    net::appendStreamMagic(magic);
    if (g.fd >= 0 && write(g.fd, magic.data(), magic.size()) != ssize_t(magic.size()))
        g.closed = true;
    const std::uint32_t since = nettest::realMs();
    while (g.fd >= 0 && !g.started && !g.closed && nettest::realMs() - since < 20000)
        rogueRead(g, 10);
    EXPECT_TRUE(g.started);
    // Keeps to the host's pace (a running peer may not lead by seconds).
    for (std::uint32_t through = 1000 + g.delayMs; g.started && through < lastMs && !g.closed;) {
        rogueRead(g, 1);
        const std::uint32_t next = std::min(lastMs, g.hostThroughMs + 500);
        if (next <= through)
            continue;
        through = next;
        net::Message advance;
        advance.kind = net::Kind::Advance;
        advance.advance.player = 1;
        advance.advance.throughMs = through;
        rogueSend(g, advance);
    }
    rogueSend(g, event ? net::inputMessage(1, lastMs, *event) : net::byeMessage(net::Reason::Quit, "Bye."));
    while (!g.closed && !g.byeSeen && nettest::realMs() - since < 60000)
        rogueRead(g, 10);
    if (g.fd >= 0)
        close(g.fd);
    r.bye = g.bye;
    r.hostStatus = exitStatus(host);
    r.hostLog = readFile(log);
    r.hostErr = readFile(err);
    return r;
}

// A log's virtual times and state hashes, without the screen's.
std::string stateColumns(const std::string& log) {
    std::istringstream in(log);
    std::string out;
    for (std::string time, state, screen; in >> time >> state;) {
        if (time != "end")
            in >> screen;
        out += time + " " + state + "\n";
    }
    return out;
}

// The time of a saved session's last event: the host's quit.
std::uint32_t lastEventMs(const std::string& replay) {
    const std::size_t line = replay.rfind('\n', replay.size() - 2);
    return std::uint32_t(std::atoi(replay.c_str() + (line == std::string::npos ? 0 : line + 1)));
}

// The same game to the end, and the same screens until the host quits, from
// when a guest or a watcher is shown why its game closes.
void expectSameGame(const std::string& host, const std::string& other, std::uint32_t quitMs, const std::string& what) {
    EXPECT_TRUE(stateColumns(host) == stateColumns(other)) << what << ": the logs differ";
    const auto apart = std::mismatch(host.begin(), host.end(), other.begin(), other.end());
    const std::size_t line = host.rfind('\n', std::size_t(apart.first - host.begin()));
    const char* at = host.c_str() + (line == std::string::npos ? 0 : line + 1);
    if (apart.first != host.end()) {
        const std::size_t from = std::size_t(at - host.c_str());
        EXPECT_GE(std::atoi(at), int(quitMs)) << what << ": the screens differ before the host quit:\n"
                                              << host.substr(from, 200) << "\nagainst\n" << other.substr(from, 200);
    }
}

}  // namespace

TEST(NetLockstepProcesses, AGuestThatLiesAboutItsEventsIsLetGoAndTheHostPlaysOn) {
    TempFolder dir;
    auto key = [](std::uint16_t sym) {  // an SDL 1.2 keysym
        net::InputEvent e;
        e.sym = sym;
        return e;
    };
    net::InputEvent quit, stick = key(0);
    quit.type = net::EventType::Quit;
    stick.type = net::EventType::JoyAxis;
    stick.which = 1;
    stick.value = -20000;
    struct Row {
        const char* tag;
        std::uint32_t lastMs;  // virtual: the host's menu is up by 7 s, its match runs at 13 s
        net::InputEvent event;
        const char* deed;
    };
    const Row rows[] = {
        {"return", 7000, key(13), "pressed RETURN"},          // the menu would start a match
        {"quit", 7000, quit, "asked to quit the host's game"},  // the host's game would end
        {"paddle", 13000, key(119), "pressed w"},              // the host's paddle would move
        {"smash", 13000, key(304), "pressed LSHIFT"},          // the host's paddle would freeze
        {"stick", 13000, stick, "used stick 1"},
    };
    // The same guest leaving by its goodbye at the same moments: the game the
    // host goes on with is the one it plays when nobody lies to it.
    const Rogue menuBye = playRogue(dir, "bye-menu", 7000, nullptr);
    const Rogue matchBye = playRogue(dir, "bye-match", 13000, nullptr);
    for (const Rogue* bye : {&menuBye, &matchBye}) {
        EXPECT_EQ(bye->hostStatus, 1) << bye->hostErr;  // the game ended normally, the session did not
        EXPECT_NE(bye->hostErr.find("host: status 0, "), std::string::npos) << bye->hostErr;
        EXPECT_NE(bye->hostErr.find("notice 0 at "), std::string::npos) << bye->hostErr;  // the other left
    }
    for (const Row& row : rows) {
        SCOPED_TRACE(row.tag);
        const Rogue r = playRogue(dir, row.tag, row.lastMs, &row.event);
        const std::string letGo = std::string("The host let you go: your game ") + row.deed + ", which only the host may do.";
        EXPECT_EQ(int(r.bye.reason), int(net::Reason::Seat));
        EXPECT_EQ(r.bye.text, letGo);
        EXPECT_NE(r.hostErr.find("The second player left: " + letGo), std::string::npos) << r.hostErr;
        EXPECT_NE(r.hostErr.find("host: status 0, "), std::string::npos) << r.hostErr;
        EXPECT_NE(r.hostErr.find("notice 9 at "), std::string::npos) << r.hostErr;  // the other player was let go
        EXPECT_EQ(r.hostErr.find("not on screen"), std::string::npos) << r.hostErr;
        const Rogue& same = row.lastMs == 7000 ? menuBye : matchBye;
        EXPECT_TRUE(stateColumns(r.hostLog) == stateColumns(same.hostLog)) << "the host's game went otherwise";
        EXPECT_GT(r.hostLog.size(), 1000u);
    }
}

TEST(NetLockstepProcesses, BothSidesLogTheSameGameFrameByFrame) {
    TempFolder dir;
    const Session r = play(dir, "direct", "", nullptr, "", "match-", true);
    EXPECT_EQ(r.hostStatus, 0) << r.hostErr;
    EXPECT_EQ(r.guestStatus, 0) << r.guestErr;
    EXPECT_EQ(r.watcherStatus, 0) << r.watcherErr;
    // A whole match, one line per frame: from the start (1000 ms) past the
    // match's end (about 116 s) to the Escape that quits (125 s).
    EXPECT_GT(std::count(r.hostLog.begin(), r.hostLog.end(), '\n'), 10000);
    const std::size_t end = r.hostLog.rfind("end ");
    ASSERT_NE(end, std::string::npos);
    EXPECT_GE(std::atoi(r.hostLog.c_str() + r.hostLog.rfind('\n', end - 2) + 1), 125000);
    const std::uint32_t quitMs = lastEventMs(readFile(dir.path + "/host-direct.log.replay"));
    EXPECT_GT(quitMs, 120000u);
    expectSameGame(r.hostLog, r.guestLog, quitMs, "guest");
    expectSameGame(r.hostLog, r.watcherLog, quitMs, "watcher");
    EXPECT_NE(r.guestErr.find("The host ended the game."), std::string::npos) << r.guestErr;
    EXPECT_NE(r.guestErr.find("notice 1 at "), std::string::npos) << r.guestErr;
    EXPECT_NE(r.watcherErr.find("The game you watched has ended."), std::string::npos) << r.watcherErr;
    EXPECT_NE(r.watcherErr.find("notice 2 at "), std::string::npos) << r.watcherErr;
    for (const std::string* err : {&r.guestErr, &r.watcherErr})
        EXPECT_EQ(err->find("not on screen"), std::string::npos) << *err;
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

// A side's figures for playing ahead, from its last lines.
struct AheadFigures {
    unsigned long rollbacks = 0, longest = 0, keys = 0, feelLongestMs = 0;
    bool found = false;
};
AheadFigures aheadFigures(const std::string& err, const char* side) {
    AheadFigures f;
    const std::size_t at = err.rfind(std::string(side) + ": ");
    float mean = 0, jump = 0, feelMean = 0;
    f.found = at != std::string::npos &&
              std::sscanf(err.c_str() + at + std::strlen(side) + 2,
                          "%lu rollbacks, %f frames on average, %lu at most; the other paddle jumped %f px "
                          "(99th percentile); %lu keys moved the own paddle after %f ms on average, %lu ms at most",
                          &f.rollbacks, &mean, &f.longest, &jump, &f.keys, &feelMean, &f.feelLongestMs) == 7;
    return f;
}

// Each player plays ahead: its own keys move its paddle in the frame that
// takes them, as in a game on one machine, whatever the round trip; the
// other's keys come late and the frames they change are stepped again.
void expectPlayedAhead(const Session& r, const std::string& tag, bool rollbacks) {
    for (const auto& [err, side] : {std::pair{&r.hostErr, "host"}, std::pair{&r.guestErr, "join"}}) {
        const AheadFigures f = aheadFigures(*err, side);
        ASSERT_TRUE(f.found) << tag << " " << side << ": " << *err;
        EXPECT_GE(f.keys, 3u) << tag << " " << side;
        EXPECT_LE(f.feelLongestMs, 1u) << tag << " " << side << ": the own paddle waited";
        if (rollbacks) {
            EXPECT_GT(f.rollbacks, 0u) << tag << " " << side;
            EXPECT_GT(f.longest, 1u) << tag << " " << side;
        }
    }
}

TEST(NetLockstepProcesses, RoundTripsOf60To200MsWithAStallPlayTheSameGame) {
    TempFolder dir;
    // One D for every run, so that the games are the same game.
    const std::string delay = "150";
    const Session direct = play(dir, "direct", delay, nullptr);
    ASSERT_EQ(direct.hostStatus, 0) << direct.hostErr;
    ASSERT_EQ(direct.guestStatus, 0) << direct.guestErr;
    expectPlayedAhead(direct, "direct", false);
    // The Escape at 20 s leaves the match for the menu, whose own quits at 27 s.
    EXPECT_GT(lastEventMs(readFile(dir.path + "/host-direct.log.replay")), 27000u);
    struct Row {
        std::uint32_t oneWayMs, jitterMs;
    };
    for (const Row& row : {Row{30, 3}, Row{60, 6}, Row{100, 10}}) {
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
        expectSameGame(direct.hostLog, r.guestLog, lastEventMs(readFile(dir.path + "/host-direct.log.replay")), tag);
        expectPlayedAhead(r, tag, true);
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
    EXPECT_NE(r.hostErr.find("notice 3 at "), std::string::npos) << r.hostErr;  // the connection was lost
    EXPECT_EQ(r.hostErr.find("not on screen"), std::string::npos) << r.hostErr;
}

TEST(NetLockstepProcesses, GamesThatGoApartStopWithAMessageAndTheSessionIsSaved) {
    TempFolder dir;
    // The guest's game is nudged once its record is certain after 14 s (the
    // point at 16 s); it ends at 24 s.
    setenv("VOLTARI_NET_APART_AT", "14000", 1);
    const Session r = play(dir, "apart", "", nullptr, "24000");
    unsetenv("VOLTARI_NET_APART_AT");
    EXPECT_EQ(r.hostStatus, 1) << r.hostErr;
    for (const std::string& err : {r.hostErr, r.guestErr}) {
        EXPECT_NE(err.find("The games went apart at 1"), std::string::npos) << err;
        EXPECT_NE(err.find("notice 10 at "), std::string::npos) << err;
    }
    EXPECT_NE(r.hostErr.find("The session is saved in apart-1"), std::string::npos) << r.hostErr;
    // The saved session plays in the replay runner up to where it went apart.
    const std::string saved = readFile(dir.path + "/host-apart.log.apart");
    EXPECT_NE(saved.find(" down d\n"), std::string::npos) << saved;
    const pid_t replay = spawn({VOLTARI_LOCKSTEP_RUN, "replay", dir.path + "/host-apart.log.apart"},
                               dir.path + "/replay.err", nullptr);
    EXPECT_EQ(exitStatus(replay), 0) << readFile(dir.path + "/replay.err");
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
    expectSameGame(r.hostLog, r.guestLog, lastEventMs(readFile(dir.path + "/host-paced.log.replay")), "paced");
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

namespace {

// The runs through a relay play the usual scripts with one fixed D, so that
// each is the same game as the direct run.
struct RelayRun {
    nettest::NatsRelay relay;
    std::string error;
    bool up = false;
    explicit RelayRun(int nodes) {
        up = nettest::startNatsRelay(relay, nodes, error);
    }
    ~RelayRun() {
        nettest::stopNatsRelay(relay);
    }
};

void expectSameGame(const Session& direct, const Session& r, const char* what) {
    EXPECT_EQ(r.hostStatus, 0) << what << r.hostErr;
    EXPECT_EQ(r.guestStatus, 0) << what << r.guestErr;
    EXPECT_TRUE(stateColumns(r.hostLog) == stateColumns(direct.hostLog)) << what << ": the host's game differs";
    EXPECT_TRUE(stateColumns(r.guestLog) == stateColumns(direct.hostLog)) << what << ": the guest's game differs";
    EXPECT_GT(r.hostLog.size(), 1000u) << what;
}

// The watcher ended well and saw the direct run's game.
void expectWatcherSaw(const Session& direct, const Session& r, const char* what) {
    EXPECT_EQ(r.watcherStatus, 0) << what << r.watcherErr;
    EXPECT_TRUE(stateColumns(r.watcherLog) == stateColumns(direct.hostLog)) << what << ": the watcher's game differs";
}

// The numbers of "relay drops: ..." on a runner's standard error.
struct Drops {
    unsigned long badTag = 0, badSize = 0, badForm = 0, replayed = 0, early = 0, strangers = 0;
};
Drops dropsIn(const std::string& err) {
    Drops d;
    const std::size_t at = err.find("relay drops: ");
    if (at != std::string::npos)
        std::sscanf(err.c_str() + at, "relay drops: %lu bad tag, %lu bad size, %lu bad form, %lu replayed, %lu early, "
                    "%lu strangers", &d.badTag, &d.badSize, &d.badForm, &d.replayed, &d.early, &d.strangers);
    return d;
}

}  // namespace

TEST(NetLockstepProcesses, ThroughARelayAndAClusterOfTwoTheGameIsTheDirectOne) {
    if (nettest::natsServerPath().empty())
        GTEST_SKIP() << "nats-server is not installed";
    TempFolder dir;
    const Session direct = play(dir, "direct", "40", nullptr);
    ASSERT_EQ(direct.hostStatus, 0) << direct.hostErr;
    {
        RelayRun one(1);
        ASSERT_TRUE(one.up) << one.error;
        const RelayWay way{nettest::natsUrl(one.relay), nettest::natsUrl(one.relay), nullptr};
        const Session r = play(dir, "relay", "40", nullptr, "", "", true, &way);
        expectSameGame(direct, r, "one relay");
        expectWatcherSaw(direct, r, "one relay");
        std::printf("%s%s", r.hostErr.c_str(), r.guestErr.c_str());
    }
    {
        RelayRun two(2);
        ASSERT_TRUE(two.up) << two.error;
        const RelayWay way{nettest::natsUrl(two.relay, 0), nettest::natsUrl(two.relay, 1), nullptr};
        // The watcher on the other node from the host: the cast crosses the route.
        const Session r = play(dir, "cluster", "40", nullptr, "", "", true, &way);
        expectSameGame(direct, r, "a cluster of two");
        expectWatcherSaw(direct, r, "a cluster of two");
    }
}

TEST(NetLockstepProcesses, ARelayKilledAndRestartedMidMatchLosesNothing) {
    if (nettest::natsServerPath().empty())
        GTEST_SKIP() << "nats-server is not installed";
    TempFolder dir;
    const Session direct = play(dir, "direct", "40", nullptr);
    RelayRun one(1);
    ASSERT_TRUE(one.up) << one.error;
    bool restarted = false;
    RelayWay way{nettest::natsUrl(one.relay), nettest::natsUrl(one.relay), nullptr};
    way.meanwhile = [&](const std::string&, const std::string& guestLog) {
        // Once the guest's game has run a while (its log has lines up to
        // 10 s of virtual time), the relay goes down at once and comes back.
        for (const std::uint32_t start = nettest::realMs(); nettest::realMs() - start < 60000; usleep(5000)) {
            const std::string log = readFile(guestLog);
            if (std::count(log.begin(), log.end(), '\n') > 300)
                break;
        }
        nettest::killNatsNode(one.relay, 0);
        std::string error;
        restarted = nettest::restartNatsNode(one.relay, 0, error);
        EXPECT_TRUE(restarted) << error;
    };
    const Session r = play(dir, "restart", "40", nullptr, "", "", true, &way);
    EXPECT_TRUE(restarted);
    // What was in flight is sent again once both are back: the same game,
    // the watcher's too (the casts it missed come again on its own subject).
    expectSameGame(direct, r, "a relay restarted");
    expectWatcherSaw(direct, r, "a relay restarted");
    std::printf("%s%s%s", r.hostErr.c_str(), r.guestErr.c_str(), r.watcherErr.c_str());
}

TEST(NetLockstepProcesses, AStrangerOnTheRelayLearnsNoCodeAndChangesNothing) {
    if (nettest::natsServerPath().empty())
        GTEST_SKIP() << "nats-server is not installed";
    TempFolder dir;
    const Session direct = play(dir, "direct", "40", nullptr);
    RelayRun one(1);
    ASSERT_TRUE(one.up) << one.error;
    const std::string url = nettest::natsUrl(one.relay);
    std::string error;
    net::RelayLink* stranger = net::relayOpen(url, error);
    ASSERT_NE(stranger, nullptr) << error;
    ASSERT_TRUE(net::relaySubscribe(stranger, ">", error)) << error;
    std::vector<net::RelayMessage> seen;  // everything the relay carried
    std::set<std::vector<std::uint8_t>> sent;
    std::atomic<bool> over{false};
    std::thread meddler;
    RelayWay way{url, url, nullptr};
    way.meanwhile = [&](const std::string&, const std::string&) {
        meddler = std::thread([&] {
            // Every message seen is sent again as it was (a replayed capture),
            // with its tag bent (a forgery), and cut short.
            while (!over) {
                std::vector<net::RelayMessage> got;
                net::relayPoll(stranger, 20, got);
                for (const net::RelayMessage& m : got) {
                    if (!sent.insert(m.data).second || sent.size() > 6000)
                        continue;
                    seen.push_back(m);
                    std::vector<std::uint8_t> forged = m.data, cut(m.data.begin(), m.data.begin() + m.data.size() / 4);
                    forged.back() ^= 1;
                    sent.insert(forged);
                    sent.insert(cut);
                    net::relayPublish(stranger, m.subject, m.data.data(), m.data.size());
                    net::relayPublish(stranger, m.subject, forged.data(), forged.size());
                    net::relayPublish(stranger, m.subject, cut.data(), cut.size());
                }
            }
        });
    };
    const Session r = play(dir, "stranger", "40", nullptr, "", "", false, &way);
    over = true;
    meddler.join();
    net::relayClose(stranger);
    expectSameGame(direct, r, "with a stranger");
    ASSERT_FALSE(r.code.empty());
    std::string canonical = r.code;
    canonical.erase(4, 1);
    ASSERT_GT(seen.size(), 100u);
    for (const net::RelayMessage& m : seen) {
        const std::string payload(m.data.begin(), m.data.end());
        for (const std::string& code : {r.code, canonical}) {
            ASSERT_EQ(m.subject.find(code), std::string::npos) << m.subject;
            ASSERT_EQ(payload.find(code), std::string::npos);
        }
    }
    // Each side dropped the stranger's messages, unheard.
    for (const std::string* err : {&r.hostErr, &r.guestErr}) {
        const Drops d = dropsIn(*err);
        EXPECT_GT(d.badTag, 0u) << *err;
        EXPECT_GT(d.replayed, 0u) << *err;
        EXPECT_GT(d.badSize, 0u) << *err;
    }
}

// Play anyone: three game processes wait on one relay. Two are paired and
// play the direct run's game as its host and guest; the third waits on,
// alone, and ends with 0 when told to stop (SIGTERM, as the dialog does).
TEST(NetLockstepProcesses, PlayAnyonePairsTwoOfThreeAndTheThirdStopsWhenTold) {
    if (nettest::natsServerPath().empty())
        GTEST_SKIP() << "nats-server is not installed";
    TempFolder dir;
    const Session direct = play(dir, "direct", "40", nullptr);
    RelayRun one(1);
    ASSERT_TRUE(one.up) << one.error;
    const std::string scripts = VOLTARI_SOURCE_DIR "/tests/net/lockstep/";
    struct Waiting {
        pid_t pid = -1;
        int out = -1;
        std::string said, log, err;
        bool paired() const { return said.find("paired ") != std::string::npos; }
        bool hosts() const { return said.find("paired host") != std::string::npos; }
    } three[3];
    for (int i = 0; i < 3; ++i) {
        Waiting& w = three[i];
        w.log = dir.path + "/quick" + std::to_string(i) + ".log";
        w.err = w.log + ".err";
        w.pid = spawn({VOLTARI_LOCKSTEP_RUN, "quick", w.log, scripts + "host.script", scripts + "guest.script", "40"},
                      w.err, &w.out, nettest::natsUrl(one.relay));
        ASSERT_GT(w.pid, 0);
    }
    // Until two say they are paired (each says it before it plays).
    auto pairedCount = [&] {
        return int(three[0].paired()) + int(three[1].paired()) + int(three[2].paired());
    };
    for (const std::uint32_t start = nettest::realMs(); pairedCount() < 2 && nettest::realMs() - start < 60000;) {
        pollfd p[3];
        for (int i = 0; i < 3; ++i)
            p[i] = pollfd{three[i].out, POLLIN, 0};
        if (poll(p, 3, 100) <= 0)
            continue;
        for (int i = 0; i < 3; ++i) {
            char c[64];
            const ssize_t n = (p[i].revents & POLLIN) ? read(three[i].out, c, sizeof c) : 0;
            if (n > 0)
                three[i].said.append(c, std::size_t(n));
        }
    }
    ASSERT_EQ(pairedCount(), 2) << readFile(three[0].err) << readFile(three[1].err) << readFile(three[2].err);
    Session r;
    Waiting* third = nullptr;
    for (Waiting& w : three) {
        if (!w.paired()) {
            third = &w;
            continue;
        }
        const int status = exitStatus(w.pid);
        (w.hosts() ? r.hostStatus : r.guestStatus) = status;
        (w.hosts() ? r.hostLog : r.guestLog) = readFile(w.log);
        (w.hosts() ? r.hostErr : r.guestErr) = readFile(w.err);
    }
    ASSERT_NE(third, nullptr);
    EXPECT_NE(r.hostStatus, -1) << "no host among the pair";
    EXPECT_NE(r.guestStatus, -1) << "no guest among the pair";
    expectSameGame(direct, r, "play anyone");
    // The pair played a whole game meanwhile; the third is still waiting.
    int status = 0;
    EXPECT_EQ(waitpid(third->pid, &status, WNOHANG), 0) << readFile(third->err);
    kill(third->pid, SIGTERM);
    EXPECT_EQ(exitStatus(third->pid), 0) << readFile(third->err);
    const std::string err = readFile(third->err);
    EXPECT_NE(err.find("Waiting for anyone to play on the relay at "), std::string::npos) << err;
    EXPECT_EQ(err.find("Paired"), std::string::npos) << err;
    EXPECT_NE(err.find("Stopped waiting."), std::string::npos) << err;
    for (Waiting& w : three)
        close(w.out);
}
