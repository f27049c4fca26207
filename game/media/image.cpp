// STUB: replaced by the image primitives.
#include "game/media/image.h"
SDL_Rect hitSparkFrames[8], digitRects[10], scoreSeparatorRect, matchEndBannerRect, joystickNoticeTitleRect,
    oneJoystickRect, twoJoysticksRect, noJoystickRect, humanLabelRect, computerLabelRect, computerLabelShortRect,
    fadeFrames[7], paddleFrames[2];
SDL_Surface* loadImage(const char*) { return nullptr; }
void blit(Sint16, Sint16, SDL_Surface*, SDL_Surface*, const SDL_Rect*) {}
void fillAtlas() {}
