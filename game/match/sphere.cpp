#include "game/match/sphere.h"

#include <cmath>

Dot sphereDots[sphereDotCount];

namespace {

void setDot(int i, int x, int y, int z)
{
    const float length = std::sqrt(static_cast<float>(x * x + y * y + z * z));
    sphereDots[i] = Dot{static_cast<float>(x) / length, static_cast<float>(y) / length,
                        static_cast<float>(z) / length};
}

}  // namespace

void buildSphereDots()
{
    // Two great circles: 0..20 in the x-y plane, 21..40 in the x-z plane.
    setDot(0, 25, 0, 0);
    for (int n = 1; n <= 4; ++n) {
        const int q = n * n;
        setDot(n, 25 - q, q, 0);
        setDot(5 + n, q - 25, q, 0);
        setDot(10 + n, 25 - q, -q, 0);
        setDot(15 + n, q - 25, -q, 0);
        setDot(20 + n, q - 25, 0, q);
        setDot(25 + n, 25 - q, 0, q);
        setDot(30 + n, q - 25, 0, -q);
        setDot(35 + n, 25 - q, 0, -q);
    }
    setDot(5, 0, 25, 0);
    setDot(10, 0, 25, 0);
    setDot(15, 0, -25, 0);
    setDot(20, 0, -25, 0);
    setDot(25, 0, 0, 25);
    setDot(30, 0, 0, 25);
    setDot(35, 0, 0, -25);
    setDot(40, 0, 0, -25);
}

void rotateDotsAboutZ(float a)
{
    const float c = std::cos(a);
    const float s = std::sin(a);
    for (Dot& d : sphereDots) {
        const float x = c * d.x - s * d.y;
        const float y = s * d.x + c * d.y;
        d.x = x;
        d.y = y;
    }
}

void rotateDotsAboutY(float a)
{
    const float c = std::cos(a);
    const float s = std::sin(a);
    for (Dot& d : sphereDots) {
        const float x = c * d.x + s * d.z;
        const float z = c * d.z - s * d.x;
        d.x = x;
        d.z = z;
    }
}

SphereRoll sphereRoll(float vx, float vy)
{
    return SphereRoll{static_cast<float>(std::sqrt(vx * vx + vy * vy) * 2.919111422482996e-05), std::atan2(vy, vx)};
}

void rollDots(const SphereRoll& roll)
{
    // Roll about the screen-plane axis at right angles to the direction.
    rotateDotsAboutZ(-roll.theta);
    rotateDotsAboutY(roll.phi);
    rotateDotsAboutZ(roll.theta);
}

void rollDotsAsDrawn(float vx, float vy)
{
    const SphereRoll roll = sphereRoll(vx, vy);
    for (int layer = 0; layer < 4; ++layer)
        rollDots(roll);
}
