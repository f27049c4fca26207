// STUB: replaced by media start-up and shutdown.
#include "game/media/media.h"
SDL_Surface* screen = nullptr;
SDL_Joystick* joystick0 = nullptr;
SDL_Joystick* joystick1 = nullptr;
bool startMedia() { return false; }
void shutdownMedia() {}
