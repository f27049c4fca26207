// Shared set-up for the benchmarks: a headless display with the real data.
#pragma once

// Starts dummy video and audio in the build's game folder and loads the
// assets once; false when that failed.
bool benchMediaReady();

// Shuts down what benchMediaReady started. The program must call it before
// it returns: at exit sdl12-compat unloads SDL 2, and an audio thread still
// running then calls into the unloaded library (a crash once in a few runs).
void benchMediaDone();

// A fade is 25 paced steps and a closing frame.
const int fadeStepCount = 26;

// The CPU share of real play under Xvfb as one table row, or a row saying
// why it was skipped.
void printRealPlayRow();
