// VOLTARI: everything but this entry point lives in the game library.
#include "SDL.h"
#include "game/flow/game.h"

int main(int, char**)
{
    return runGame();
}
