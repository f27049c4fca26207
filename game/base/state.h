// Global state every layer shares: menu choices, the shared event record
// and the main loop's flags. Defined in state.cpp.
#pragma once

#include "SDL.h"

// gameType: who plays which paddle. Stored and compared as a number; the
// computer's level is the number itself.
constexpr Sint32 gameTwoPeople = 0;       // a person on each paddle
constexpr Sint32 gameComputerLevel1 = 1;  // computer on the left at level 1, person on the right
constexpr Sint32 gameComputerLevel2 = 2;
constexpr Sint32 gameComputerLevel3 = 3;
constexpr Sint32 gameComputerBoth = 4;    // computer on both paddles, level 4; last menu entry
constexpr Sint32 gameComputerLevel5 = 5;  // computer on the left at level 5: only with F1
// courtMode
constexpr Sint32 courtPlain = 1;  // "screen_1.gfx"
constexpr Sint32 courtPosts = 2;  // "screen_0.gfx", with the two centre posts
constexpr Sint32 courtBonus = 3;  // "screen_2.gfx": only with F1 or F2
// rallyEnd
constexpr Sint32 rallyRunning = 0;
constexpr Sint32 rallyLeftScored = 1;
constexpr Sint32 rallyRightScored = 2;
constexpr Sint32 rallyAborting = 3;  // Escape or window close
// rampTrigger
constexpr Sint32 rampIdle = 0;
constexpr Sint32 rampRequested = 2;  // the 'k' key: restart the speed ramp

// Menu and program flow
extern Sint32 gameType;      // 0..5: menu cursor and game type of the next match
extern Sint32 courtMode;     // 1..3: court of the next match
extern Sint32 musicVolume;   // last volume set with 'm' (0..128 mixer units)
extern SDL_Event event;      // the game's only event record
extern bool quitRequested;   // the player asked to quit; never cleared
extern bool inMatch;         // a match is running

// The three rectangles a match frame pushes to the display (px): left
// paddle, right paddle, ball. The match itself is one record, Match
// (game/match/match.h).
extern SDL_Rect updateRects[3];

// Every global above as the program starts.
void resetSharedState();
