// STUB: replaced by the paddle implementation.
#include "game/match/paddle.h"
Paddle leftPaddle = {0, 300, {{0, 300, 20, 80}}, 0, 0};
Paddle rightPaddle = {779, 300, {{779, 300, 20, 80}}, 0, 0};
bool leftSmashHeld = false, rightSmashHeld = false;
void placeHitRects(Paddle&) {}
void movePaddle(Paddle&, const FrameClock&) {}
void handleLeftPlayerEvent(const SDL_Event&) {}
void handleRightPlayerEvent(const SDL_Event&) {}
void rallySpeedUp() {}
void rallySpeedAfterPoint() {}
