// Sprites of the match: the ball picture, the paddles and the hit sparks.
// The sparks' counters and clock are the match record's; drawing a spark
// moves it on.
#pragma once

#include "SDL.h"
#include "game/base/frameclock.h"
#include "game/match/ball.h"
#include "game/match/match.h"
#include "game/match/paddle.h"

void drawBallImage(const Ball& b);
// Draws a paddle from its side's picture: paddleImage1 left, paddleImage2 right.
void drawPaddle(const Paddle& p, PaddleSide side, int frameIndex);
void setFrame(HitSpark& spark, Sint32 frame);
// A paddle's stroke as the players hear it (when sound is on); its spark
// is the match step's.
void playHitSound();
// Both sparks idle, as every match starts.
void stopSparks(Match& m);
// Draws a spark at a paddle's corner (px) and moves it on by sparkClock.
void draw(HitSpark& spark, FrameClock& sparkClock, int x, int y);
// A side's spark at its paddle.
void drawSpark(Match& m, PaddleSide side);
