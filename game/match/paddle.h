// Paddles: movement inside their zones, keyboard and joystick control and
// the rally speed ladder.
#pragma once

#include "SDL.h"
#include "game/match/ball.h"

struct Match;

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

void placeHitRects(Paddle& p);
// Moves one side's paddle inside its zone over dt ms; a held smash button
// freezes it.
void movePaddle(Match& m, PaddleSide side, Sint32 dt);
// A player's keys and stick steer their paddle. The right player's side
// also takes the ramp key; it returns true for the music volume key, which
// the match leaves to the caller (the volume is each machine's own).
void handleLeftPlayerEvent(Match& m, const SDL_Event& e);
bool handleRightPlayerEvent(Match& m, const SDL_Event& e);
// The match's music volume key.
constexpr SDLKey matchVolumeKey = SDLK_m;

// Rally speed ladder. rallySpeedUp: +7 after a frame with bounces, each
// moving paddle component 7 further from 0, and hitCount back to 0.
// rallySpeedAfterPoint: above 400 one step of 100 down, else back to 300.
void rallySpeedUp(Match& m);
void rallySpeedAfterPoint(Match& m);
