// Scores at the top centre and who-plays labels in the top corners.
#pragma once

#include "SDL.h"

void drawScore(Sint32 left, Sint32 right);
void drawPlayerLabels();

// Every part of the screen drawScore and drawPlayerLabels can draw on, for any
// score and game type (px): the two label corners and the score strip.
extern const SDL_Rect scoreboardAreas[3];
