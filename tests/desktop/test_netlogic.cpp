// The network dialog's logic without a window: which addresses are worth
// giving a friend, the texts made from them, the remembered address, and
// the game run as a child whose status lines the dialog reads.
#include "desktop/netlogic.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <poll.h>
#include <sys/un.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/scratch.h"

namespace {

const net::Families kBoth{true, true};
const net::Families kIpv4Only{true, false};

std::string v4(const char* text, net::Families served = kBoth, Reach reach = Reach::Network)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    inet_pton(AF_INET, text, &a.sin_addr);
    return reachableAddress(reinterpret_cast<const sockaddr*>(&a), served, reach);
}

std::string v6(const char* text, net::Families served = kBoth, Reach reach = Reach::Network)
{
    sockaddr_in6 a{};
    a.sin6_family = AF_INET6;
    inet_pton(AF_INET6, text, &a.sin6_addr);
    return reachableAddress(reinterpret_cast<const sockaddr*>(&a), served, reach);
}

// An environment variable set for one case, restored after it.
struct EnvVar {
    EnvVar(const char* name, const char* value) : name(name)
    {
        if (const char* old = std::getenv(name))
            previous = old, had = true;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~EnvVar()
    {
        if (had)
            setenv(name, previous.c_str(), 1);
        else
            unsetenv(name);
    }
    const char* name;
    std::string previous;
    bool had = false;
};

// Waits a little for the game to write or end, then reads what came.
void step(GameRun& run, std::vector<std::string>& lines)
{
    if (run.errorFd >= 0) {
        pollfd fd{run.errorFd, POLLIN, 0};
        poll(&fd, 1, 50);
    }
    pollGame(run, lines);
}

// Runs a shell script as the game and reads it to its end.
GameRun runToEnd(const std::string& script, std::vector<std::string>& lines)
{
    GameRun run;
    std::string error;
    EXPECT_TRUE(startGame(run, {"/bin/sh", "-c", script}, error)) << error;
    while (!run.ended)
        step(run, lines);
    return run;
}

}  // namespace

TEST(NetDialogAddresses, OnlyThoseAFriendCouldReach)
{
    EXPECT_EQ(v4("192.168.1.5"), "192.168.1.5");
    EXPECT_EQ(v4("10.0.0.2"), "10.0.0.2");
    EXPECT_EQ(v4("127.0.0.1"), "");
    EXPECT_EQ(v4("127.1.2.3"), "");  // all of 127/8 is this machine
    EXPECT_EQ(v6("2001:db8::7"), "2001:db8::7");
    EXPECT_EQ(v6("fd00::2"), "fd00::2");
    EXPECT_EQ(v6("::1"), "");
    EXPECT_EQ(v6("fe80::1"), "");  // needs an interface name the friend cannot know
    EXPECT_EQ(v6("::"), "");
    sockaddr_un local{};
    local.sun_family = AF_UNIX;
    EXPECT_EQ(reachableAddress(reinterpret_cast<const sockaddr*>(&local), kBoth), "");
    EXPECT_EQ(reachableAddress(nullptr, kBoth), "");
    // A host that could listen on IPv4 alone lists no IPv6 at all.
    EXPECT_EQ(v6("2001:db8::7", kIpv4Only), "");
    EXPECT_EQ(v4("192.168.1.5", kIpv4Only), "192.168.1.5");
    EXPECT_EQ(v4("192.168.1.5", net::Families{}), "");
    // This computer alone: the loopback addresses and nothing else.
    EXPECT_EQ(v4("127.0.0.1", kBoth, Reach::ThisComputer), "127.0.0.1");
    EXPECT_EQ(v6("::1", kBoth, Reach::ThisComputer), "::1");
    EXPECT_EQ(v6("::1", kIpv4Only, Reach::ThisComputer), "");
    EXPECT_EQ(v4("192.168.1.5", kBoth, Reach::ThisComputer), "");
    EXPECT_EQ(v6("fe80::1", kBoth, Reach::ThisComputer), "");
}

// Every address listed is one a host listening as the game does (every
// address) takes a connection on. Tried on this computer's own loopback
// addresses only: the tests send nothing anywhere else.
TEST(NetDialogAddresses, EachListedAddressIsServed)
{
    std::string error;
    const int listener = net::listenTcp("", 0, error);
    ASSERT_GE(listener, 0) << error;
    const std::uint16_t port = net::boundPort(listener);
    const std::vector<std::string> list = machineAddresses(Reach::ThisComputer);
    ASSERT_FALSE(list.empty());
    for (const std::string& address : list) {
        const int fd = net::connectTcp(address, port, error);
        ASSERT_GE(fd, 0) << address << ": " << error;
        pollfd p{fd, POLLOUT, 0};
        ASSERT_EQ(poll(&p, 1, 20000), 1) << address;
        EXPECT_EQ(net::connectError(fd), 0) << joinText(address, port);
        net::closeSocket(fd);
    }
    net::closeSocket(listener);
}

TEST(NetDialogAddresses, MachineListHasNoLoopbackAndNoRepeats)
{
    const std::vector<std::string> list = machineAddresses();
    bool sawV6 = false;
    for (std::size_t i = 0; i < list.size(); ++i) {
        EXPECT_NE(list[i], "127.0.0.1");
        EXPECT_NE(list[i], "::1");
        const bool isV6 = list[i].find(':') != std::string::npos;
        EXPECT_FALSE(sawV6 && !isV6) << "IPv4 after IPv6: " << list[i];
        sawV6 = sawV6 || isV6;
        for (std::size_t j = 0; j < i; ++j)
            EXPECT_NE(list[i], list[j]);
    }
}

TEST(NetDialogTexts, JoinTextAndPageLink)
{
    EXPECT_EQ(joinText("192.168.1.5", 24642), "192.168.1.5:24642");
    EXPECT_EQ(joinText("fd00::2", 5000), "[fd00::2]:5000");
    {
        EnvVar page("VOLTARI_PAGE", "http://192.168.1.5:8000/voltari.html");
        EXPECT_EQ(pageLink("192.168.1.5", 24642), "http://192.168.1.5:8000/voltari.html?join=192.168.1.5:24642");
    }
    EnvVar page("VOLTARI_PAGE", nullptr);
    const std::string link = pageLink("fd00::2", 1);
    EXPECT_EQ(link.compare(0, 7, "http://"), 0) << link;  // the host's port is plain WebSocket
    EXPECT_NE(link.find("?join=[fd00::2]:1"), std::string::npos) << link;
}

TEST(NetDialogTexts, PortField)
{
    const struct {
        const char* text;
        std::uint16_t port;
    } rows[] = {
        {"24642", 24642}, {"1", 1},  {"65535", 65535}, {"0", 0},    {"65536", 0},  {"", 0},
        {"-1", 0},        {"12a", 0}, {" 80", 0},       {"000080", 0}, {"99999999999", 0},
    };
    for (const auto& row : rows)
        EXPECT_EQ(parsePort(row.text), row.port) << '"' << row.text << '"';
}

TEST(NetDialogRemembered, FileFollowsXdgConfigHome)
{
    {
        EnvVar config("XDG_CONFIG_HOME", "/elsewhere/config");
        EXPECT_EQ(rememberedAddressFile(), "/elsewhere/config/voltari/join-address");
    }
    EnvVar home("HOME", "/home/player");
    {
        EnvVar config("XDG_CONFIG_HOME", "relative/config");  // only an absolute one counts
        EXPECT_EQ(rememberedAddressFile(), "/home/player/.config/voltari/join-address");
    }
    EnvVar config("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(rememberedAddressFile(), "/home/player/.config/voltari/join-address");
}

TEST(NetDialogRemembered, RoundTripMakesItsFolders)
{
    ScratchDir dir("netdialog");
    ASSERT_FALSE(dir.path.empty());
    const std::string file = dir.path + "/config/voltari/join-address";
    EXPECT_EQ(loadRememberedAddress(file), "");  // nothing yet
    ASSERT_TRUE(saveRememberedAddress(file, "192.168.1.5:5000"));
    EXPECT_EQ(loadRememberedAddress(file), "192.168.1.5:5000");
    ASSERT_TRUE(saveRememberedAddress(file, "[fd00::2]:24642"));
    EXPECT_EQ(loadRememberedAddress(file), "[fd00::2]:24642");
    std::ifstream left(file + ".new");
    EXPECT_FALSE(left.good()) << "the temporary file was left behind";
    EXPECT_FALSE(saveRememberedAddress("", "x"));
}

TEST(NetDialogRemembered, ForeignContentIsIgnored)
{
    ScratchDir dir("netdialog");
    const std::string file = dir.path + "/join-address";
    std::ofstream(file) << "host\x01name\n";
    EXPECT_EQ(loadRememberedAddress(file), "");
    std::ofstream(file) << std::string(300, 'a') << '\n';
    EXPECT_EQ(loadRememberedAddress(file), "");
    std::ofstream(file) << "first:1\nsecond:2\n";
    EXPECT_EQ(loadRememberedAddress(file), "first:1");
}

TEST(NetDialogTexts, RelayArgumentsAndTheRoomsCode)
{
    EXPECT_EQ(netGameArguments("", "--host", "24642"), (std::vector<std::string>{"--host", "24642"}));
    EXPECT_EQ(netGameArguments("nats://r:4222", "--host", ""),
              (std::vector<std::string>{"--relay", "nats://r:4222", "--host"}));
    EXPECT_EQ(netGameArguments("nats://r:4222", "--watch", "K7QX-2M9P"),
              (std::vector<std::string>{"--relay", "nats://r:4222", "--watch", "K7QX-2M9P"}));
}

TEST(NetDialogTexts, PlayAnyoneIsOfferedThroughARelayOnly)
{
    using C = NetChoice;
    const struct {
        bool hostDialog, throughRelay;
        std::vector<C> shown;
    } rows[] = {
        {true, false, {C::Host}},
        {true, true, {C::Host, C::PlayAnyone}},
        {false, false, {C::Join, C::Watch}},
        {false, true, {C::Join, C::Watch, C::PlayAnyone}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(netChoices(row.hostDialog, row.throughRelay), row.shown) << row.hostDialog << row.throughRelay;
    EXPECT_STREQ(netChoiceOption(C::Host), "--host");
    EXPECT_STREQ(netChoiceOption(C::Join), "--join");
    EXPECT_STREQ(netChoiceOption(C::Watch), "--watch");
    EXPECT_STREQ(netChoiceOption(C::PlayAnyone), "--quick");
    EXPECT_EQ(netGameArguments("nats://r:4222", netChoiceOption(C::PlayAnyone), ""),
              (std::vector<std::string>{"--relay", "nats://r:4222", "--quick"}));
}

TEST(NetDialogRemembered, TheRelayIsKeptBesideTheJoinAddress)
{
    EnvVar config("XDG_CONFIG_HOME", "/elsewhere/config");
    EXPECT_EQ(rememberedRelayFile(), "/elsewhere/config/voltari/relay-address");
}

// The dialog learns the session's state from its own pipe, never from the
// sentences on standard error.
TEST(NetDialogGame, TheSessionsStateComesOnItsOwnPipe)
{
    std::vector<std::string> lines;
    GameRun run = runToEnd(
        "echo 'voltari: Playing: round trip 1 ms' >&2;"
        " echo 'state waiting host code=k7qx2m9p port=0 rtt=0 delay=0 reason=0 refused=0 greeted=0' >&$VOLTARI_STATE_FD;"
        " echo 'Playing with 10.0.0.2' >&3;"
        " echo 'state playing host code=K7QX-2M9P port=0 rtt=40 delay=40 reason=0 refused=0 greeted=1' >&3",
        lines);
    EXPECT_EQ(run.state.phase, net::NetPhase::Playing);
    EXPECT_EQ(run.state.mode, net::NetMode::Host);
    EXPECT_EQ(run.state.code, "K7QX-2M9P");
    EXPECT_EQ(run.state.rttMs, 40);
    EXPECT_FALSE(run.paired);
    EXPECT_EQ(lines, std::vector<std::string>{"voltari: Playing: round trip 1 ms"});
    // Paired while playing anyone: the room it hosts is not to be given out.
    run = runToEnd("echo 'state pairing quick code= port=0 rtt=0 delay=0 reason=0 refused=0 greeted=0' >&3;"
                   " echo 'state waiting host code=K7QX-2M9P port=0 rtt=0 delay=0 reason=0 refused=0 greeted=0' >&3",
                   lines);
    EXPECT_EQ(run.state.phase, net::NetPhase::Waiting);
    EXPECT_TRUE(run.paired);
    // The game itself tells it so: here a join nobody answers.
    run = runToEnd("cd '" VOLTARI_GAME_DIR "' && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy exec '" VOLTARI_PROGRAM
                   "' --join 127.0.0.1:1",
                   lines);
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.state.phase, net::NetPhase::Ended);
    EXPECT_EQ(run.state.mode, net::NetMode::Join);
    // A game that says nothing of its state leaves it at its start.
    run = runToEnd("echo 'voltari: Playing: round trip 0 ms, input delay 20 ms.' >&2", lines);
    EXPECT_EQ(run.state.phase, net::NetPhase::Opening);
}

TEST(NetDialogGame, ReadsEveryLineAndTheExitStatus)
{
    std::vector<std::string> lines;
    const GameRun run = runToEnd(
        "echo 'voltari: Waiting for a player on port 1' >&2; echo 'something else' >&2;"
        " echo 'voltari: The host refused: game builds differ' >&2; printf 'no end of line' >&2; exit 3",
        lines);
    EXPECT_EQ(run.exitStatus, 3);
    const std::vector<std::string> expected = {"voltari: Waiting for a player on port 1", "something else",
                                               "voltari: The host refused: game builds differ",
                                               "no end of line"};
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(run.lastStatus, "The host refused: game builds differ");
    EXPECT_EQ(endingReason(run), "The host refused: game builds differ");
}

TEST(NetDialogGame, EndingReasonWithoutAStatusLine)
{
    std::vector<std::string> lines;
    GameRun run = runToEnd("echo 'usage: VOLTARI [--host [PORT]]' >&2; exit 2", lines);
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_EQ(endingReason(run), "usage: VOLTARI [--host [PORT]]");
    lines.clear();
    run = runToEnd("exit 4", lines);
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(endingReason(run), "The game ended (status 4).");
}

TEST(NetDialogGame, ProgramThatCannotStart)
{
    ScratchDir dir("netdialog");
    GameRun run;
    std::string error;
    const std::string missing = dir.path + "/no-such-launcher";
    ASSERT_TRUE(startGame(run, {missing, "--host", "24642"}, error));
    std::vector<std::string> lines;
    while (!run.ended)
        step(run, lines);
    EXPECT_EQ(run.exitStatus, 127);
    EXPECT_EQ(endingReason(run), "cannot start " + missing);
    EXPECT_FALSE(startGame(run, {}, error));
}

TEST(NetDialogGame, StoppedGame)
{
    GameRun run;
    std::string error;
    // The script says it waits, then waits for good: only the stop ends it.
    ASSERT_TRUE(startGame(run, {"/bin/sh", "-c", "echo 'voltari: Waiting' >&2; exec sleep 600"}, error)) << error;
    std::vector<std::string> lines;
    while (lines.empty())
        step(run, lines);
    EXPECT_FALSE(run.ended);
    stopGame(run);
    while (!run.ended)
        step(run, lines);
    EXPECT_EQ(run.exitStatus, 128 + 15);
    EXPECT_EQ(endingReason(run), "Waiting");
}
