// The game's main function and the phases it runs: start-up, the menu, the
// match frame and the closing sequence.
#pragma once

// The whole program: start-up, main loop, closing. Returns the exit status.
int runGame();
// Status 1 for a run that failed. Stops the mixer's audio thread first: left
// running, it calls into SDL while process exit unloads it, and the game
// would now and then crash instead of ending with 1.
int failedRun();

// Menu (menu.cpp)
void showMenuPage(int type);
bool loadMenuPage(int n);
void toggleCourt();
bool menuPhase();       // false: a flip failed, the program must end with 1
void startMatch();

// Match (matchloop.cpp)
void matchFrame();
void drawMatchFrame();  // one frame's picture onto the screen, not shown yet
void pointHandling();
