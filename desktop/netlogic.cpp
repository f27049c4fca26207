#include "desktop/netlogic.h"

#include "net/roomcode.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "net/roomcode.h"

namespace {

// Where a browser friend finds the game. Plain http: the host's port speaks
// plain WebSocket, which a page served over https may not open.
constexpr const char* kGamePage = "http://voltari.example/voltari.html";

// Exit status of a child that could not run the program (as a shell's).
constexpr int kCannotRun = 127;

std::string envOr(const char* name, const std::string& fallback)
{
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

}  // namespace

std::string reachableAddress(const sockaddr* address, const net::Families& served, Reach reach)
{
    if (!address)
        return "";
    char text[INET6_ADDRSTRLEN] = "";
    if (address->sa_family == AF_INET && served.ipv4) {
        const in_addr& a = reinterpret_cast<const sockaddr_in*>(address)->sin_addr;
        const bool loopback = (ntohl(a.s_addr) >> 24) == 127;
        if (loopback != (reach == Reach::ThisComputer))
            return "";
        inet_ntop(AF_INET, &a, text, sizeof text);
    } else if (address->sa_family == AF_INET6 && served.ipv6) {
        const in6_addr& a = reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr;
        if (IN6_IS_ADDR_LINKLOCAL(&a) || IN6_IS_ADDR_UNSPECIFIED(&a) || IN6_IS_ADDR_V4MAPPED(&a))
            return "";
        if (bool(IN6_IS_ADDR_LOOPBACK(&a)) != (reach == Reach::ThisComputer))
            return "";
        inet_ntop(AF_INET6, &a, text, sizeof text);
    }
    return text;
}

std::vector<std::string> machineAddresses(Reach reach)
{
    const net::Families served = net::hostFamilies();
    std::vector<std::string> v4, v6;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return {};
    for (ifaddrs* i = list; i; i = i->ifa_next) {
        const std::string text = reachableAddress(i->ifa_addr, served, reach);
        if (text.empty())
            continue;
        auto& into = i->ifa_addr->sa_family == AF_INET ? v4 : v6;
        if (std::find(into.begin(), into.end(), text) == into.end())
            into.push_back(text);
    }
    freeifaddrs(list);
    v4.insert(v4.end(), v6.begin(), v6.end());
    return v4;
}

std::string joinText(const std::string& address, std::uint16_t port)
{
    const bool v6 = address.find(':') != std::string::npos;
    return (v6 ? "[" + address + "]" : address) + ":" + std::to_string(port);
}

std::string pageLink(const std::string& address, std::uint16_t port)
{
    return envOr("VOLTARI_PAGE", kGamePage) + "?join=" + joinText(address, port);
}

std::uint16_t parsePort(const std::string& text)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return 0;
    const long port = std::strtol(text.c_str(), nullptr, 10);
    return port >= 1 && port <= 65535 ? static_cast<std::uint16_t>(port) : 0;
}

std::string rememberedAddressFile()
{
    const std::string config = envOr("XDG_CONFIG_HOME", "");
    if (!config.empty() && config[0] == '/')
        return config + "/voltari/join-address";
    const std::string home = envOr("HOME", "");
    return home.empty() ? "" : home + "/.config/voltari/join-address";
}

std::string rememberedRelayFile()
{
    const std::string file = rememberedAddressFile();
    return file.empty() ? "" : file.substr(0, file.rfind('/') + 1) + "relay-address";
}

std::vector<std::string> netGameArguments(const std::string& relay, const std::string& option,
                                          const std::string& where)
{
    std::vector<std::string> args;
    if (!relay.empty())
        args = {"--relay", relay};
    args.push_back(option);
    if (!where.empty())
        args.push_back(where);
    return args;
}

std::vector<NetChoice> netChoices(bool hostDialog, bool throughRelay)
{
    std::vector<NetChoice> shown;
    if (hostDialog)
        shown = {NetChoice::Host};
    else
        shown = {NetChoice::Join, NetChoice::Watch};
    if (throughRelay)
        shown.push_back(NetChoice::PlayAnyone);
    return shown;
}

const char* netChoiceOption(NetChoice choice)
{
    switch (choice) {
    case NetChoice::Host: return "--host";
    case NetChoice::Join: return "--join";
    case NetChoice::Watch: return "--watch";
    case NetChoice::PlayAnyone: return "--quick";
    }
    return "";
}

std::string loadRememberedAddress(const std::string& file)
{
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    // Only what the field could hold: one short line of printable text.
    if (line.size() > 255 || std::any_of(line.begin(), line.end(), [](char c) { return c < 0x20 || c > 0x7e; }))
        return "";
    return line;
}

bool saveRememberedAddress(const std::string& file, const std::string& address)
{
    if (file.empty())
        return false;
    // The folders above the file, one at a time.
    for (std::size_t slash = file.find('/', 1); slash != std::string::npos; slash = file.find('/', slash + 1))
        if (mkdir(file.substr(0, slash).c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    // Written aside and renamed, so a crash never leaves half an address.
    const std::string temporary = file + ".new";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << address << '\n';
        if (!out.flush())
            return false;
    }
    return std::rename(temporary.c_str(), file.c_str()) == 0;
}

bool startGame(GameRun& run, const std::vector<std::string>& argv, std::string& error)
{
    run = GameRun{};
    if (argv.empty()) {
        error = "no program to start";
        return false;
    }
    int fds[2];
    int stateFds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        return false;
    }
    if (pipe2(stateFds, O_CLOEXEC) != 0) {
        error = std::strerror(errno);
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    // Made before the fork: the child of a threaded program may only make
    // async-signal-safe calls.
    const std::string why = std::string(kStatusPrefix) + "cannot start " + argv[0] + "\n";
    const std::string stateVariable = std::string(kStateFdVariable) + "=" + std::to_string(kStateFd);
    std::vector<char*> env;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, stateVariable.c_str(), std::strlen(kStateFdVariable) + 1) != 0)
            env.push_back(*e);
    env.push_back(const_cast<char*>(stateVariable.c_str()));
    env.push_back(nullptr);
    const pid_t pid = fork();
    if (pid < 0) {
        error = std::strerror(errno);
        for (int fd : {fds[0], fds[1], stateFds[0], stateFds[1]})
            close(fd);
        return false;
    }
    if (pid == 0) {
        dup2(fds[1], STDERR_FILENO);
        // dup2 onto itself would keep close-on-exec.
        if (stateFds[1] == kStateFd)
            fcntl(kStateFd, F_SETFD, 0);
        else
            dup2(stateFds[1], kStateFd);
        execve(args[0], args.data(), env.data());
        if (write(STDERR_FILENO, why.data(), why.size()) < 0) {
        }
        _exit(kCannotRun);
    }
    close(fds[1]);
    close(stateFds[1]);
    fcntl(fds[0], F_SETFL, fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    fcntl(stateFds[0], F_SETFL, fcntl(stateFds[0], F_GETFL) | O_NONBLOCK);
    run.pid = pid;
    run.errorFd = fds[0];
    run.stateFd = stateFds[0];
    return true;
}

namespace {

void takeLine(GameRun& run, const std::string& line, std::vector<std::string>& lines)
{
    std::fprintf(stderr, "%s\n", line.c_str());
    lines.push_back(line);
    if (line.empty())
        return;
    run.lastLine = line;
    const std::string prefix = kStatusPrefix;
    if (line.compare(0, prefix.size(), prefix) == 0)
        run.lastStatus = line.substr(prefix.size());
}

// Reads all there is now, up to the end of the pipe.
void drain(GameRun& run, std::vector<std::string>& lines)
{
    while (run.errorFd >= 0) {
        char buffer[4096];
        const ssize_t n = read(run.errorFd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;  // nothing more for now
        if (n == 0) {
            close(run.errorFd);
            run.errorFd = -1;
            if (!run.partial.empty())
                takeLine(run, run.partial, lines);
            run.partial.clear();
            break;
        }
        run.partial.append(buffer, static_cast<std::size_t>(n));
        for (std::size_t end; (end = run.partial.find('\n')) != std::string::npos;) {
            takeLine(run, run.partial.substr(0, end), lines);
            run.partial.erase(0, end + 1);
        }
    }
}

void takeState(GameRun& run, const std::string& line)
{
    net::NetState state;
    if (!net::parseNetStateLine(line, state))
        return;  // not a state line: nothing to learn
    run.paired = run.paired || state.mode == net::NetMode::Quick;
    run.state = state;
}

// The state lines there are now, up to the end of the pipe.
void drainState(GameRun& run)
{
    while (run.stateFd >= 0) {
        char buffer[1024];
        const ssize_t n = read(run.stateFd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0) {
                close(run.stateFd);
                run.stateFd = -1;
            }
            break;
        }
        run.statePartial.append(buffer, static_cast<std::size_t>(n));
        for (std::size_t end; (end = run.statePartial.find('\n')) != std::string::npos;) {
            takeState(run, run.statePartial.substr(0, end));
            run.statePartial.erase(0, end + 1);
        }
        if (run.statePartial.size() > 4096)
            run.statePartial.clear();  // no line of ours is that long
    }
}

}  // namespace

void pollGame(GameRun& run, std::vector<std::string>& lines)
{
    if (run.ended || run.pid < 0)
        return;
    drain(run, lines);
    drainState(run);
    // A game that has closed its standard error is ending; one that exited
    // and left the pipe open in a child of its own is over all the same.
    int status = 0;
    const pid_t done = waitpid(run.pid, &status, WNOHANG);
    if (done == run.pid) {
        run.ended = true;
        run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        drain(run, lines);  // what it wrote just before it exited
        drainState(run);
        if (run.errorFd >= 0) {
            close(run.errorFd);
            run.errorFd = -1;
        }
        if (run.stateFd >= 0) {
            close(run.stateFd);
            run.stateFd = -1;
        }
    }
}

void stopGame(const GameRun& run)
{
    if (run.pid > 0 && !run.ended)
        kill(run.pid, SIGTERM);
}

std::string endingReason(const GameRun& run)
{
    if (!run.lastStatus.empty())
        return run.lastStatus;
    if (!run.lastLine.empty())
        return run.lastLine;
    return "The game ended (status " + std::to_string(run.exitStatus) + ").";
}
