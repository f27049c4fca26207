// VOLTARI: everything but this entry point lives in the game library. With
// no arguments the local game; the network game's arguments are read by
// parseNetArgs.
#include <cstdio>
#include <string>

#include "SDL.h"
#include "game/flow/game.h"
#include "game/flow/netgame.h"

int main(int argc, char** argv)
{
    NetGameOptions options;
    std::string error;
    if (!parseNetArgs(argc, argv, options, error)) {
        std::fprintf(stderr, "voltari: %s\n", error.c_str());
        return 2;
    }
    askForNetGame(options);
    const int status = runGame();
    endNetGame();
    return status;
}
