#include "game/base/state.h"

#include <cstdlib>

Sint32 gameType;
Sint32 courtMode;
Sint32 musicVolume;
SDL_Event event;
bool quitRequested;
bool inMatch;

Sint32 score1;
Sint32 score2;
Sint32 rallyEnd;
bool rallyAborted;
Sint32 hitCount;
Sint32 rallySpeed;
Sint32 rampTrigger;
SDL_Rect updateRects[3];

Uint32 randDraws;
Uint32 randHash;

void resetSharedState()
{
    gameType = gameTwoPeople;
    courtMode = courtPlain;
    musicVolume = 10;
    SDL_memset(&event, 0, sizeof event);
    quitRequested = false;
    inMatch = false;
    score1 = 0;
    score2 = 0;
    rallyEnd = rallyRunning;
    rallyAborted = false;
    hitCount = 0;
    rallySpeed = 300;
    rampTrigger = rampIdle;
    SDL_memset(updateRects, 0, sizeof updateRects);
    randDraws = 0;
    randHash = 2166136261u;  // FNV-1a offset basis
    // The draws start over as in a fresh process: an unseeded rand() is
    // seeded with 1.
    std::srand(1);
}

namespace {
[[maybe_unused]] const bool sharedStateReady = (resetSharedState(), true);  // program-start values
}

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
