// The ball's rolling sphere of dots: the dot table and its turns. The
// pixels are drawn by the media layer (spheredraw.h).
#pragma once

struct Dot {
    float x, y, z;  // unit vector; z points toward the viewer
};

constexpr int sphereDotCount = 41;
extern Dot sphereDots[sphereDotCount];

void buildSphereDots();
void rotateDotsAboutZ(float a);
void rotateDotsAboutY(float a);
