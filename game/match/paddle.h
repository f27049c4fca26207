// Paddles: movement inside their zones, keyboard and joystick control and
// the rally speed ladder.
#pragma once

#include "SDL.h"
#include "game/flow/frameclock.h"

struct Paddle {
    float x, y;             // px: top-left corner
    SDL_Rect hitRects[1];   // px: 20 x 80 at the truncated position
    float vx, vy;           // px/s
};

extern Paddle leftPaddle;      // starts at (0, 300)
extern Paddle rightPaddle;     // starts at (779, 300)
extern bool leftSmashHeld;     // left smash button held: paddle frozen, hits smash
extern bool rightSmashHeld;

void placeHitRects(Paddle& p);
// Moves leftPaddle or rightPaddle (chosen by identity) inside its zone.
void movePaddle(Paddle& p, const FrameClock& clock);
void handleLeftPlayerEvent(const SDL_Event& e);
void handleRightPlayerEvent(const SDL_Event& e);

// Rally speed ladder: +7 after a frame with bounces; after a point.
void rallySpeedUp();
void rallySpeedAfterPoint();
