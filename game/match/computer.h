// Computer opponents: overwrite a paddle's velocity once per frame.
#pragma once

void steerLeftComputer(float bx, float by, float px, float py, int level);
void steerRightComputer(float bx, float by, float px, float py);
