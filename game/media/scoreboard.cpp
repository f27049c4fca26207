// STUB: replaced by the scoreboard.
#include "game/media/scoreboard.h"
void drawScore(Sint32, Sint32) {}
void drawPlayerLabels() {}
