// STUB: replaced by the computer opponent.
#include "game/match/computer.h"
void steerLeftComputer(float, float, float, float, int) {}
void steerRightComputer(float, float, float, float) {}
