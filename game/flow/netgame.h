// A game with a friend on another machine: the program's arguments and the
// session around runGame. With no arguments nothing here runs and the game
// is the local game, unchanged.
//
// Once the window is open, the host waits for its second player (or the
// guest connects), both agree on the input delay and the host's play
// settings, and from then on both games run in lockstep on a virtual clock
// paced to real time (netplay/). What happens is said in the window's
// caption and, one line each, on standard error ("voltari: ..."); a page or
// a dialog may listen instead (setNetStatusListener).
#pragma once

#include <cstdint>
#include <string>

enum class NetMode { Local, Host, Join, Watch };

struct NetGameOptions {
    NetMode mode = NetMode::Local;
    std::string address;     // Join, Watch: the host's name or address
    std::uint16_t port = 0;  // 0: the game's own port
};

// Reads the program's arguments: none, "--host [PORT]", "--join HOST[:PORT]"
// or "--watch HOST[:PORT]". False, with a line for the player, otherwise.
bool parseNetArgs(int argc, char** argv, NetGameOptions& options, std::string& error);

// The next runGame plays the session these options ask for (Local: none).
void askForNetGame(const NetGameOptions& options);

// What the session is doing, for a person: "Waiting for a player on port
// 24642", "Playing with 10.0.0.2: round trip 40 ms, input delay 40 ms", the
// reason a session ended. The default listener sets the window caption and
// writes the line to standard error.
typedef void (*NetStatusListener)(const std::string& text);
void setNetStatusListener(NetStatusListener listener);
