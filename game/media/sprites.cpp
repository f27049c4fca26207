// STUB: replaced by the sprites.
#include "game/media/sprites.h"
HitSpark hitSpark1 = {0}, hitSpark2 = {0};
FrameClock sparkClock = makeFrameClock();
void drawBallImage(const Ball&) {}
void drawPaddle(const Paddle&, int) {}
void setFrame(HitSpark& s, Sint32 f) { s.frame = f; }
void draw(HitSpark&, int, int) {}
