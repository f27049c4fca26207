// The ball's rolling sphere of dots, plotted straight into the screen.
#pragma once

#include "SDL.h"

struct Dot {
    float x, y, z;  // unit vector; z points toward the viewer
};

extern Dot sphereDots[41];

enum SphereHalf { sphereBack = 0, sphereFront = 1 };

void buildSphereDots();
void rotateDotsAboutZ(float a);
void rotateDotsAboutY(float a);
void drawSphereHalf(int cx, int cy, int radius, SphereHalf half, Uint32 colour, float phi, float theta);
void fillDisc(int cx, int cy, int r, Uint32 colour);
// Four layers about (cx, cy): radius bigR back and front white, smallR back
// and front black, rolled by the velocity (px/s) as given.
void drawDotLayers(int cx, int cy, int bigR, int smallR, float vx, float vy);
void drawBallDots();
