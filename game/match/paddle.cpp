#include "game/match/paddle.h"

#include <initializer_list>

#include "SDL_mixer.h"
#include "game/base/state.h"
#include "game/match/ball.h"
#include "game/match/court.h"
#include "game/match/motion.h"
#include "settings/settings.h"

Paddle leftPaddle;
Paddle rightPaddle;
bool leftSmashHeld;
bool rightSmashHeld;

void resetPaddles()
{
    leftPaddle = {leftPaddleStartX, paddleCreatedY,
                  {{leftPaddleStartX, paddleCreatedY, paddleWidth, paddleHeight}}, 0, 0};
    rightPaddle = {rightPaddleStartX, paddleCreatedY,
                   {{rightPaddleStartX, paddleCreatedY, paddleWidth, paddleHeight}}, 0, 0};
    leftSmashHeld = false;
    rightSmashHeld = false;
}

namespace {

[[maybe_unused]] const bool paddlesReady = (resetPaddles(), true);  // program-start values

float stickSpeed(Sint16 value)
{
    if (value > -stickPush && value < stickPush)
        return 0;
    return value < 0 ? -static_cast<float>(rallySpeed) : static_cast<float>(rallySpeed);
}

void stickMotion(Paddle& p, const SDL_JoyAxisEvent& axis)
{
    if (axis.axis == 0)
        p.vx = stickSpeed(axis.value);
    else if (axis.axis == 1)
        p.vy = stickSpeed(axis.value);
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
void keyStroke(float& component, int direction, int sign)
{
    component += static_cast<float>(direction * sign) * static_cast<float>(rallySpeed);
}

// A press (dir 1) or release (dir -1) of one of the player's keys; false
// for any other key.
bool steerWithKey(Paddle& p, bool& smashHeld, const PlayerKeys& keys, SDLKey key, int dir)
{
    if (key == keys.up)
        keyStroke(p.vy, dir, -1);
    else if (key == keys.down)
        keyStroke(p.vy, dir, 1);
    else if (key == keys.left)
        keyStroke(p.vx, dir, -1);
    else if (key == keys.right)
        keyStroke(p.vx, dir, 1);
    else if (key == keys.smash)
        smashHeld = dir > 0;
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

void stepMatchVolume()
{
    musicVolume -= 10;
    if (musicVolume < -1)
        musicVolume = 20;
    Mix_VolumeMusic(musicVolume);
}

void placeHitRects(Paddle& p)
{
    SDL_Rect& r = p.hitRects[0];
    r.x = truncToPx(p.x + static_cast<float>((paddleWidth - r.w) / 2));
    r.y = truncToPx(p.y);
}

void movePaddle(Paddle& p, const FrameClock& clock)
{
    const bool left = &p == &leftPaddle;
    const bool held = left ? leftSmashHeld : rightSmashHeld;
    const float minX = left ? leftZoneMinX : rightZoneMinX;  // px
    const float maxX = left ? leftZoneMaxX : rightZoneMaxX;  // px: right edge bound
    const Sint32 dt = elapsedMs(clock);         // ms

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

void handleLeftPlayerEvent(const SDL_Event& e)
{
    const int dir = keyDirection(e);
    if (dir != 0) {
        steerWithKey(leftPaddle, leftSmashHeld, leftPlayerKeys, e.key.keysym.sym, dir);
        return;
    }
    if (settings.joy == 1 && e.type == SDL_JOYAXISMOTION && e.jaxis.which == leftPlayerStick)
        stickMotion(leftPaddle, e.jaxis);
}

void handleRightPlayerEvent(const SDL_Event& e)
{
    const int dir = keyDirection(e);
    if (dir != 0) {
        if (steerWithKey(rightPaddle, rightSmashHeld, rightPlayerKeys, e.key.keysym.sym, dir))
            return;
        switch (e.key.keysym.sym) {
        case rampKey:
            if (dir > 0)
                rampTrigger = rampRequested;
            break;
        case SDLK_m:  // Kept: steps of 10 here, of 25 in the menu
            if (dir > 0)
                stepMatchVolume();
            break;
        default: break;
        }
        return;
    }
    if (settings.joy != 1)
        return;
    if (e.type == SDL_JOYAXISMOTION && e.jaxis.which == rightPlayerStick) {
        stickMotion(rightPaddle, e.jaxis);
    } else if ((e.type == SDL_JOYBUTTONDOWN || e.type == SDL_JOYBUTTONUP) && e.jbutton.button == 0) {
        // Both sticks' smash buttons arrive here.
        const bool down = e.type == SDL_JOYBUTTONDOWN;
        if (e.jbutton.which == rightPlayerStick)
            rightSmashHeld = down;
        else if (e.jbutton.which == leftPlayerStick)
            leftSmashHeld = down;
    }
}

void rallySpeedUp()
{
    rallySpeed += 7;
    for (float* c : {&leftPaddle.vy, &leftPaddle.vx, &rightPaddle.vy, &rightPaddle.vx})
        stepAwayFromZero(*c, 7);
    hitCount = 0;
}

void rallySpeedAfterPoint()
{
    if (rallySpeed > 400) {
        rallySpeed -= 100;
        for (float* c : {&leftPaddle.vy, &leftPaddle.vx, &rightPaddle.vy, &rightPaddle.vx})
            stepTowardZero(*c, 100);
    } else {
        rallySpeed = 300;
        for (float* c : {&leftPaddle.vy, &leftPaddle.vx, &rightPaddle.vy, &rightPaddle.vx})
            setMagnitude(*c, 300);
    }
}
