// STUB: replaced by the sequences.
#include "game/media/sequences.h"
void fadeImage(SDL_Surface*, SDL_Surface*, int, Uint32, int, int, const SDL_Rect*) {}
void showJoystickNotice() {}
void paddlesAppear(int, int, int, int) {}
void ballSequence(int) {}
void drawScene() {}
