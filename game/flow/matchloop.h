// One frame of a match: input, computer opponents, moves, drawing, points.
#pragma once

void matchFrame();
void drawMatchFrame();  // one frame's picture onto the screen, not shown yet
void pointHandling();
