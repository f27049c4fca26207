// STUB: replaced by the dotted sphere.
#include "game/match/sphere.h"
Dot sphereDots[41];
void buildSphereDots() {}
void rotateDotsAboutZ(float) {}
void rotateDotsAboutY(float) {}
void drawSphereHalf(int, int, int, SphereHalf, Uint32, float, float) {}
void fillDisc(int, int, int, Uint32) {}
void drawDotLayers(int, int, int, int, float, float) {}
void drawBallDots() {}
