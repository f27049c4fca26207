#include "game/flow/state.h"

#include <cstdlib>

Sint32 gameType = 0;
Sint32 courtMode = 1;
Sint32 musicVolume = 10;
SDL_Event event;
bool quitRequested = false;
bool inMatch = false;

Sint32 score1 = 0;
Sint32 score2 = 0;
Sint32 rallyEnd = 0;
bool rallyAborted = false;
Sint32 hitCount = 0;
Sint32 rallySpeed = 300;
Sint32 rampTrigger = 0;
SDL_Rect updateRects[3];

Uint32 randDraws = 0;

int drawRand()
{
    ++randDraws;
    return std::rand();
}
