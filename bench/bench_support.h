// Shared set-up for the benchmarks: a headless display with the real data.
#pragma once

// Starts dummy video and audio in the build's game folder and loads the
// assets once; false when that failed.
bool benchMediaReady();
