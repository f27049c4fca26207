#include "game/flow/state.h"

#include <cstdlib>

Sint32 gameType = gameTwoPeople;
Sint32 courtMode = courtPlain;
Sint32 musicVolume = 10;
SDL_Event event;
bool quitRequested = false;
bool inMatch = false;

Sint32 score1 = 0;
Sint32 score2 = 0;
Sint32 rallyEnd = rallyRunning;
bool rallyAborted = false;
Sint32 hitCount = 0;
Sint32 rallySpeed = 300;
Sint32 rampTrigger = rampIdle;
SDL_Rect updateRects[3];

Uint32 randDraws = 0;
Uint32 randHash = 2166136261u;  // FNV-1a offset basis

int drawRand()
{
    ++randDraws;
    const int value = std::rand();
    // Fold the value in byte by byte, low byte first, so the hash is the
    // same on every build of the game.
    Uint32 v = static_cast<Uint32>(value);
    for (int i = 0; i < 4; ++i) {
        randHash ^= v & 0xFFu;
        randHash *= 16777619u;
        v >>= 8;
    }
    return value;
}
