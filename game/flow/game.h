// The game's main function: start-up, the main loop and the closing sequence.
#pragma once

// The whole program: start-up, main loop, closing. Returns the exit status.
// Starts from resetGame, so one process can run it again and again.
int runGame();
// Status 1 for a run that failed. Stops the mixer's audio thread first: left
// running, it calls into SDL while process exit unloads it, and the game
// would now and then crash instead of ending with 1.
int failedRun();
// Puts every global that affects play or pixels back to its program-start
// value. The asset slots, the display and the sticks are start-up's and
// shutdown's to fill and free.
void resetGame();
