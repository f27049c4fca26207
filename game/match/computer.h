// Computer opponents: overwrite a paddle's velocity once per frame.
#pragma once

// bx, by: the ball's top-left corner; px, py: the paddle's (px).
struct Match;
void steerLeftComputer(Match& m, float bx, float by, float px, float py, int level);
void steerRightComputer(Match& m, float bx, float by, float px, float py);
