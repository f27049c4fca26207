// The network dialog's logic, with no toolkit in it: this machine's
// addresses, what to tell the friend, the remembered address, and the game
// started as a child whose status lines the dialog shows.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "net/netstate.h"
#include "net/socket.h"

struct sockaddr;

// Which of this machine's addresses: those a friend elsewhere could reach,
// or the loopback ones, for a game on this computer alone.
enum class Reach { Network, ThisComputer };

// An address the game this machine hosts can be joined at, as text; empty
// for a family the host does not serve (served), for link-local IPv6 (needs
// an interface name a friend cannot know), for anything that is not IPv4 or
// IPv6, and for loopback (Network) or all but loopback (ThisComputer).
std::string reachableAddress(const sockaddr* address, const net::Families& served, Reach reach = Reach::Network);

// Every address of this machine's interfaces that a game it hosts can be
// joined at (the families net::hostFamilies says), IPv4 first, each once.
std::vector<std::string> machineAddresses(Reach reach = Reach::Network);

// "ADDRESS:PORT", with an IPv6 address in brackets.
std::string joinText(const std::string& address, std::uint16_t port);

// The game page a browser friend opens, asking it to join ADDRESS:PORT.
// VOLTARI_PAGE in the environment overrides the page's own address (a page
// served on the local network, `make web-serve`).
std::string pageLink(const std::string& address, std::uint16_t port);

// A port typed by the player: 1..65535, digits only; 0 when it is not one.
std::uint16_t parsePort(const std::string& text);

// The file that keeps the last address joined: $XDG_CONFIG_HOME/voltari/
// (an absolute XDG_CONFIG_HOME, else ~/.config/voltari/).
std::string rememberedAddressFile();
// The address kept there, "" when there is none.
std::string loadRememberedAddress(const std::string& file);
// Keeps the address for the next run (its folder made as needed). False
// when it cannot be written; the dialog goes on without it.
bool saveRememberedAddress(const std::string& file, const std::string& address);

// The file that keeps the last relay used, beside the join address.
std::string rememberedRelayFile();

// The game's arguments after the launcher: directly ("--host PORT", "--join
// HOST:PORT") or, with a relay, "--relay URL --host" / "--relay URL --join CODE".
std::vector<std::string> netGameArguments(const std::string& relay, const std::string& option,
                                          const std::string& where);
// What the dialog's buttons start. Through a relay either dialog also
// offers "Play anyone": the game waits there for anyone else who does.
enum class NetChoice { Host, Join, Watch, PlayAnyone };
// The buttons shown, in order, for the host's or the join dialog, on this
// network or through a relay.
std::vector<NetChoice> netChoices(bool hostDialog, bool throughRelay);
// The game's option for a choice: "--host", "--join", "--watch", "--quick".
const char* netChoiceOption(NetChoice choice);

// The game's status lines (for a person) begin with this.
constexpr const char* kStatusPrefix = "voltari: ";
// The game writes its session's state (net::netStateLine, one line per
// change) to this descriptor, named to it in this variable.
constexpr int kStateFd = 3;
constexpr const char* kStateFdVariable = "VOLTARI_STATE_FD";

// The game as a child process whose standard error the dialog reads.
struct GameRun {
    pid_t pid = -1;
    int errorFd = -1;       // the read end of the game's standard error; -1 once at its end
    std::string partial;    // bytes of a line not yet ended
    std::string lastStatus; // the last status line, its prefix taken off
    std::string lastLine;   // the last line of any kind
    bool ended = false;
    int exitStatus = 0;     // once ended: the exit status, or 128 + the signal
    int stateFd = -1;       // the read end of the game's state pipe; -1 once at its end
    std::string statePartial; // bytes of a state line not yet ended
    net::NetState state;    // the session's latest state
    bool paired = false;    // it played anyone: a room it hosts is the pair's, not to be given out
};

// Starts argv[0] with the arguments after it, its standard error and its
// session's state piped to this program; its standard input and output stay
// this program's. False, with the reason, when it could not start.
bool startGame(GameRun& run, const std::vector<std::string>& argv, std::string& error);

// Takes in what the game wrote without waiting: appends each complete line
// to lines and also writes it to this program's standard error, so nothing
// the game says is lost once the dialog is hidden; keeps the latest state.
// Marks the run ended once the game's standard error is closed and the game
// has exited.
void pollGame(GameRun& run, std::vector<std::string>& lines);

// Asks a running game to end (SIGTERM).
void stopGame(const GameRun& run);

// Why a game that ended before play began ended, for the player.
std::string endingReason(const GameRun& run);
