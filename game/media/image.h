// Image primitives and the sprite atlas.
#pragma once

#include "SDL.h"

SDL_Surface* loadImage(const char* file);
void blit(Sint16 x, Sint16 y, SDL_Surface* source, SDL_Surface* destination, const SDL_Rect* sourceRect);
void fillAtlas();
// Per-surface alpha blending (SDL_SRCALPHA | SDL_RLEACCEL), 0 invisible to
// 255 opaque; a null surface is left alone.
void setSurfaceAlpha(SDL_Surface* surface, Uint8 alpha);
// The box from (left, top) to (right, bottom), right and bottom exclusive,
// in px, cut to the 800 x 600 display; empty (0 wide or high) when nothing
// of it is on the display.
SDL_Rect clippedToDisplay(int left, int top, int right, int bottom);

extern SDL_Rect hitSparkFrames[8];        // "animate.dat"
extern SDL_Rect digitRects[10];           // "sheet.gfx"
extern SDL_Rect scoreSeparatorRect;       // "sheet.gfx"
extern SDL_Rect matchEndBannerRect;       // "sheet.gfx"
extern SDL_Rect joystickNoticeTitleRect;  // "sheet.gfx"
extern SDL_Rect oneJoystickRect;          // "sheet.gfx"
extern SDL_Rect twoJoysticksRect;         // "sheet.gfx"
extern SDL_Rect noJoystickRect;           // "sheet.gfx"
extern SDL_Rect humanLabelRect;           // "CPUPlayer.dat"
extern SDL_Rect computerLabelRect;        // "CPUPlayer.dat"
extern SDL_Rect computerLabelShortRect;   // "CPUPlayer.dat"
extern SDL_Rect fadeFrames[7];            // "anifade.dat"
extern SDL_Rect paddleFrames[2];          // "paddle.dat"
