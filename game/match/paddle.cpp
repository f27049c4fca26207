#include "game/match/paddle.h"

#include <initializer_list>

#include "game/base/state.h"
#include "game/match/ball.h"
#include "game/match/court.h"
#include "game/match/match.h"
#include "game/match/motion.h"
#include "settings/settings.h"

namespace {

float stickSpeed(Sint16 value, Sint32 rallySpeed)
{
    if (value > -stickPush && value < stickPush)
        return 0;
    return value < 0 ? -static_cast<float>(rallySpeed) : static_cast<float>(rallySpeed);
}

void stickMotion(Paddle& p, const SDL_JoyAxisEvent& axis, Sint32 rallySpeed)
{
    if (axis.axis == 0)
        p.vx = stickSpeed(axis.value, rallySpeed);
    else if (axis.axis == 1)
        p.vy = stickSpeed(axis.value, rallySpeed);
}

// +1 press, -1 release, 0 not a key event.
int keyDirection(const SDL_Event& e)
{
    if (e.type == SDL_KEYDOWN)
        return 1;
    if (e.type == SDL_KEYUP)
        return -1;
    return 0;
}

// Press adds, release takes back: opposite keys held together cancel.
void keyStroke(float& component, int direction, int sign, Sint32 rallySpeed)
{
    component += static_cast<float>(direction * sign) * static_cast<float>(rallySpeed);
}

// A press (dir 1) or release (dir -1) of one of the player's keys; false
// for any other key.
bool steerWithKey(Side& side, Sint32 rallySpeed, const PlayerKeys& keys, SDLKey key, int dir)
{
    Paddle& p = side.paddle;
    if (key == keys.up)
        keyStroke(p.vy, dir, -1, rallySpeed);
    else if (key == keys.down)
        keyStroke(p.vy, dir, 1, rallySpeed);
    else if (key == keys.left)
        keyStroke(p.vx, dir, -1, rallySpeed);
    else if (key == keys.right)
        keyStroke(p.vx, dir, 1, rallySpeed);
    else if (key == keys.smash)
        side.smashHeld = dir > 0;
    else
        return false;
    return true;
}

void stepTowardZero(float& component, float amount)
{
    if (component > 0)
        component -= amount;
    else if (component < 0)
        component += amount;
}

}  // namespace

const PlayerKeys leftPlayerKeys = {SDLK_w, SDLK_s, SDLK_a, SDLK_d, SDLK_LSHIFT};
const PlayerKeys rightPlayerKeys = {SDLK_UP, SDLK_DOWN, SDLK_LEFT, SDLK_RIGHT, SDLK_RSHIFT};

bool isPlayerKey(const PlayerKeys& keys, SDLKey key)
{
    return key == keys.up || key == keys.down || key == keys.left || key == keys.right || key == keys.smash;
}

void placeHitRects(Paddle& p)
{
    SDL_Rect& r = p.hitRects[0];
    r.x = truncToPx(p.x + static_cast<float>((paddleWidth - r.w) / 2));
    r.y = truncToPx(p.y);
}

void movePaddle(Match& m, PaddleSide side, Sint32 dt)
{
    Paddle& p = m.sides[side].paddle;
    const bool left = side == leftSide;
    const bool held = m.sides[side].smashHeld;
    const float minX = left ? leftZoneMinX : rightZoneMinX;  // px
    const float maxX = left ? leftZoneMaxX : rightZoneMaxX;  // px: right edge bound

    // A move that leaves the zone is taken back, not clipped.
    if (!held)
        p.x += stepPx(p.vx, dt);
    placeHitRects(p);
    if (!(p.x >= minX && p.x + paddleWidth <= maxX)) {
        if (!held)
            p.x -= stepPx(p.vx, dt);
        placeHitRects(p);
    }

    if (!held)
        p.y += stepPx(p.vy, dt);
    placeHitRects(p);
    if (!(p.y >= 0 && p.y + paddleHeight <= courtHeight)) {
        if (!held)
            p.y -= stepPx(p.vy, dt);
        placeHitRects(p);
    }
}

void handleLeftPlayerEvent(Match& m, const SDL_Event& e)
{
    Side& left = m.sides[leftSide];
    const int dir = keyDirection(e);
    if (dir != 0) {
        steerWithKey(left, m.rallySpeed, leftPlayerKeys, e.key.keysym.sym, dir);
        return;
    }
    if (settings.joy == 1 && e.type == SDL_JOYAXISMOTION && e.jaxis.which == leftPlayerStick)
        stickMotion(left.paddle, e.jaxis, m.rallySpeed);
}

bool handleRightPlayerEvent(Match& m, const SDL_Event& e)
{
    Side& right = m.sides[rightSide];
    const int dir = keyDirection(e);
    if (dir != 0) {
        if (steerWithKey(right, m.rallySpeed, rightPlayerKeys, e.key.keysym.sym, dir))
            return false;
        switch (e.key.keysym.sym) {
        case rampKey:
            if (dir > 0)
                m.rampTrigger = rampRequested;
            break;
        case matchVolumeKey:
            return dir > 0;
        default: break;
        }
        return false;
    }
    if (settings.joy != 1)
        return false;
    if (e.type == SDL_JOYAXISMOTION && e.jaxis.which == rightPlayerStick) {
        stickMotion(right.paddle, e.jaxis, m.rallySpeed);
    } else if ((e.type == SDL_JOYBUTTONDOWN || e.type == SDL_JOYBUTTONUP) && e.jbutton.button == 0) {
        // Both sticks' smash buttons arrive here.
        const bool down = e.type == SDL_JOYBUTTONDOWN;
        if (e.jbutton.which == rightPlayerStick)
            right.smashHeld = down;
        else if (e.jbutton.which == leftPlayerStick)
            m.sides[leftSide].smashHeld = down;
    }
    return false;
}

namespace {

// Every moving component of both paddles, in the order the ladder steps them.
void forEachPaddleComponent(Match& m, void (*step)(float&, float), float amount)
{
    Paddle& l = m.sides[leftSide].paddle;
    Paddle& r = m.sides[rightSide].paddle;
    for (float* c : {&l.vy, &l.vx, &r.vy, &r.vx})
        step(*c, amount);
}

}  // namespace

void rallySpeedUp(Match& m)
{
    m.rallySpeed += 7;
    forEachPaddleComponent(m, stepAwayFromZero, 7);
    m.hitCount = 0;
}

void rallySpeedAfterPoint(Match& m)
{
    if (m.rallySpeed > 400) {
        m.rallySpeed -= 100;
        forEachPaddleComponent(m, stepTowardZero, 100);
    } else {
        m.rallySpeed = 300;
        forEachPaddleComponent(m, setMagnitude, 300);
    }
}
