// "setup.ini": the one file shared by the game and the setup tool.
// The game compares whole lines (loadSettings); the setup tool compares
// whitespace-separated words (readSetupOptions) and rewrites the file
// (writeSetupOptions). One keyword table serves all three.
#pragma once

#include <cstdint>
#include <ctime>

// The game's settings, filled once at start-up by loadSettings.
struct Settings {
    uint8_t joy;          // 1: open joysticks 0 and 1, accept stick input
    uint8_t fullscreen;   // 1: full-screen double-buffered display
    uint8_t sound;        // 1: music loops and the paddle-hit sound plays
    int32_t xspeed;       // px/s added to 300 for the starting rallySpeed: 0, 100, 200
    float sbots;          // subtracted from the computer's speed divisor: 0, 10, 20
    int32_t pointsToWin;  // 10, or 7 with "littlepoints"
};

extern Settings settings;

void loadSettings();

// The setup tool's five check boxes, each 0 or 1, in this order.
struct SetupOptions {
    int fullscreen;
    int joy;
    int sound;
    int xspeed;
    int sbots;
};

bool readSetupOptions(SetupOptions& options);
bool writeSetupOptions(const SetupOptions& options);
