// The main menu: game type and court choice, volume, and the way into a match.
#pragma once

// The whole menu screen: backdrop, page and court strip (no flip).
void drawMenu();
void showMenuPage(int type);
bool loadMenuPage(int n);
void toggleCourt();
bool menuPhase();  // false: a flip failed, the program must end with 1
void startMatch();
// The menu's music volume key: steps of 25.
void stepMenuVolume();
