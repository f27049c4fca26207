// Sprites of the match: the ball picture, the paddles and the hit sparks.
#pragma once

#include "SDL.h"
#include "game/base/frameclock.h"
#include "game/match/ball.h"
#include "game/match/paddle.h"

struct HitSpark {
    Sint32 frame;  // 0 just struck, 1..7 running, 8 or more idle
};

extern HitSpark hitSpark1;   // left paddle's spark
extern HitSpark hitSpark2;   // right paddle's spark
extern FrameClock sparkClock;  // shared by both sparks, created not started

void drawBallImage(const Ball& b);
// Draws leftPaddle from paddleImage1 or rightPaddle from paddleImage2.
void drawPaddle(const Paddle& p, int frameIndex);
void setFrame(HitSpark& spark, Sint32 frame);
// A paddle's stroke as the players see and hear it: the hit sound (when
// sound is on) and the paddle's spark from its first frame.
void showStroke(PaddleSide side);
// Both sparks idle, as every match starts.
void stopSparks();
// Both sparks and their clock as the program starts.
void resetSprites();
void draw(HitSpark& spark, int x, int y);
