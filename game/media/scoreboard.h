// Scores at the top centre and who-plays labels in the top corners.
#pragma once

#include "SDL.h"

void drawScore(Sint32 left, Sint32 right);
void drawPlayerLabels();
