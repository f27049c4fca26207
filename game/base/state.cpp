#include "game/base/state.h"

Sint32 gameType;
Sint32 courtMode;
Sint32 musicVolume;
SDL_Event event;
bool quitRequested;
bool inMatch;
SDL_Rect updateRects[3];

void resetSharedState()
{
    gameType = gameTwoPeople;
    courtMode = courtPlain;
    musicVolume = 10;
    SDL_memset(&event, 0, sizeof event);
    quitRequested = false;
    inMatch = false;
    SDL_memset(updateRects, 0, sizeof updateRects);
}

namespace {
[[maybe_unused]] const bool sharedStateReady = (resetSharedState(), true);  // program-start values
}
