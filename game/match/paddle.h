// Paddles: movement inside their zones, keyboard and joystick control and
// the rally speed ladder.
#pragma once

#include "SDL.h"
#include "game/base/frameclock.h"

struct Paddle {
    float x, y;             // px: top-left corner
    SDL_Rect hitRects[1];   // px: 20 x 80 at the truncated position
    float vx, vy;           // px/s
};

// Stick travel from the centre (axis units) that counts as a push, for the
// paddles and the menu alike; anything strictly inside is rest.
constexpr Sint16 stickPush = 8000;

// One player's keys: four directions and the smash button.
struct PlayerKeys {
    SDLKey up, down, left, right, smash;
};
extern const PlayerKeys leftPlayerKeys;   // W S A D, left Shift
extern const PlayerKeys rightPlayerKeys;  // the arrows, right Shift
// The right player's key that restarts the frame clock's speed ramp.
constexpr SDLKey rampKey = SDLK_k;
// Which stick steers which paddle (its button 0 is that paddle's smash).
constexpr Uint8 leftPlayerStick = 1;
constexpr Uint8 rightPlayerStick = 0;
// Whether a key is one of a player's five.
bool isPlayerKey(const PlayerKeys& keys, SDLKey key);

extern Paddle leftPaddle;      // starts at (0, 300)
extern Paddle rightPaddle;     // starts at (779, 300)
extern bool leftSmashHeld;     // left smash button held: paddle frozen, hits smash
extern bool rightSmashHeld;

// Both paddles and smash buttons as the program starts.
void resetPaddles();
void placeHitRects(Paddle& p);
// Moves leftPaddle or rightPaddle inside its zone: identity picks the zone
// and the smash button (any paddle other than leftPaddle counts as the right
// one). The time step is read once from the clock.
void movePaddle(Paddle& p, const FrameClock& clock);
void handleLeftPlayerEvent(const SDL_Event& e);
void handleRightPlayerEvent(const SDL_Event& e);
// The match's music volume key: steps of 10.
void stepMatchVolume();

// Rally speed ladder. rallySpeedUp: +7 after a frame with bounces, each
// moving paddle component 7 further from 0, and hitCount back to 0.
// rallySpeedAfterPoint: above 400 one step of 100 down, else back to 300.
void rallySpeedUp();
void rallySpeedAfterPoint();
