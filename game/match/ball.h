// The ball: flight, walls, edges, the posts of court 2, paddle hits.
#pragma once

#include "SDL.h"

struct Match;

struct Ball {
    SDL_Rect hitRects[11];  // px: hit shape, 20x20 square and its shadow to y + 38
    float x, y;             // px: top-left of the 20 x 20 ball
    float vx, vy;           // px/s
    float smashBoost;       // px/s added to vx for movement only
};

// A ball at rest at (x, y) px, its hit shape placed.
Ball ballAt(float x, float y);

// Mend: float to pixel, toward zero; out-of-range values saturate instead of
// overflowing (NaN gives 0).
int truncToInt(float v);
Sint16 truncToPx(float v);

// Sets contactX (px) at the first overlapping pair; rects that only touch
// do not overlap. A null list counts as empty.
bool rectListsOverlap(const SDL_Rect* a, int countA, const SDL_Rect* b, int countB, int& contactX);
void placeHitRects(Ball& b);
// The paddle strokes of one updateBall, in the order they happened. The
// match only counts them; the layers above play the hit sound and start
// the paddle's spark for each, before anything is drawn.
enum PaddleSide { leftSide = 0, rightSide = 1 };
struct BallStrokes {
    int count;             // 0 to 2
    PaddleSide sides[2];   // which paddle struck, first stroke first
};

// One frame of ball motion over dt ms. Null paddle rects count as no paddle.
BallStrokes updateBall(Match& m, Sint32 dt, const SDL_Rect* leftHitRects, const SDL_Rect* rightHitRects);
// Ball, paddles, locks (postLock too), scores and counters for a new match,
// played by the menu's gameType and courtMode as they are now.
void resetMatch(Match& m);
