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

// How far a ball moving at vx, vy px/s rolls its dots each time a layer of
// them is drawn: phi about the axis at right angles to its way, theta.
struct SphereRoll {
    float phi, theta;  // radians
};
SphereRoll sphereRoll(float vx, float vy);
// One roll of the dots (drawing a layer makes one).
void rollDots(const SphereRoll& roll);
// The rolls drawing a ball's four dot layers makes, without drawing: a
// network game that steps shown frames again turns the dots as they were.
void rollDotsAsDrawn(float vx, float vy);
