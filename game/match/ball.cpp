// STUB: replaced by the ball implementation.
#include "game/match/ball.h"
Ball ball;
bool leftHitLock = false, rightHitLock = false, postLock = false;
int contactX = 0;
float leftVxSnapshot = 0, rightVxSnapshot = 0;
bool rectListsOverlap(const SDL_Rect*, int, const SDL_Rect*, int) { return false; }
void placeHitRects(Ball&) {}
void updateBall(const FrameClock&, const SDL_Rect*, const SDL_Rect*) {}
void resetMatch() {}
