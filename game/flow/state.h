// Global state of the game flow: menu choices, the shared event record, the
// main loop's flags and the match state. Defined in state.cpp.
#pragma once

#include "SDL.h"

// Menu and program flow
extern Sint32 gameType;      // 0..5: menu cursor and game type of the next match
extern Sint32 courtMode;     // 1..3: court of the next match
extern Sint32 musicVolume;   // last volume set with 'm' (0..128 mixer units)
extern SDL_Event event;      // the game's only event record
extern bool quitRequested;   // the player asked to quit; never cleared
extern bool inMatch;         // a match is running

// Match state
extern Sint32 score1;        // left player's points
extern Sint32 score2;        // right player's points
extern Sint32 rallyEnd;      // 0 running, 1 left scored, 2 right scored, 3 abort
extern bool rallyAborted;    // Escape or window close until resetMatch
extern Sint32 hitCount;      // bounces counted since the last frame
extern Sint32 rallySpeed;    // px/s given to paddles by keys, sticks and computer
extern Sint32 rampTrigger;   // 2: restart the speed ramp of frameClock
extern SDL_Rect updateRects[3];  // px: left paddle, right paddle, ball

// Computer smashes draw on rand(); counted so replays can compare the draws.
extern Uint32 randDraws;     // number of rand() calls made by the game
extern Uint32 randHash;      // FNV-1a over every value drawn, in order
int drawRand();              // rand(), counted
