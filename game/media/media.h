// Display, joysticks and the audio mixer: start-up and shutdown.
#pragma once

#include "SDL.h"

extern SDL_Surface* screen;      // 800 x 600 x 32 display surface, owned by SDL
extern SDL_Joystick* joystick0;  // steers the right paddle; null when absent
extern SDL_Joystick* joystick1;  // steers the left paddle; null when absent

bool startMedia();
void shutdownMedia();
