// The computer's random draws as a value: the additive feedback generator
// of glibc's rand() (TYPE_3, 31 words, seeded by a multiplicative one, the
// first 310 outputs dropped). Its state lives in the match record, so a copy
// of the record draws the same numbers as the original, and the desktop and
// the page draw the numbers glibc's rand() gives from the same seed.
#pragma once

#include "SDL.h"

constexpr int randLag = 31;  // words of state

struct RandGen {
    Sint32 words[randLag];  // the last 31 outputs before the shift
    Sint32 front;           // index of the word the next output adds to
};

// The generator as srand(seed) leaves glibc's rand().
RandGen seededRandGen(Uint32 seed);
// The next value rand() would give: 0 .. RAND_MAX.
int nextRand(RandGen& g);
