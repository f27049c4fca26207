// The ball's dots plotted straight into the screen, turned as the ball rolls.
#pragma once

#include "game/match/ball.h"

#include "SDL.h"

enum SphereHalf { sphereBack = 0, sphereFront = 1 };

void drawSphereHalf(int cx, int cy, int radius, SphereHalf half, Uint32 colour, float phi, float theta);
void fillDisc(int cx, int cy, int r, Uint32 colour);
// Four layers about (cx, cy): radius bigR back and front white, smallR back
// and front black, rolled by the velocity (px/s) as given.
void drawDotLayers(int cx, int cy, int bigR, int smallR, float vx, float vy);
void drawBallDots(const Ball& ball);
