// Velocity arithmetic shared by the ball, the paddles and the point
// handling. Sign tests are strict: a component of 0 has no direction.
#pragma once

#include "SDL.h"

// Distance (px) that velocity v (px/s) covers in dt ms, in float throughout.
inline float stepPx(float v, Sint32 dt)
{
    return v * static_cast<float>(dt) * 0.001f;
}

// The component keeps its direction and takes the given size; 0 stays 0.
inline void setMagnitude(float& component, float magnitude)
{
    if (component > 0)
        component = magnitude;
    else if (component < 0)
        component = -magnitude;
}

// The component grows by `amount` in its own direction; 0 stays 0.
inline void stepAwayFromZero(float& component, float amount)
{
    if (component > 0)
        component += amount;
    else if (component < 0)
        component -= amount;
}
