// One number for everything that decides how the game goes on: the menu
// choices and every field of the match record (scores, ball, paddles, locks,
// the frame clock, the random generator). Two machines in step have the same
// one at the same virtual time. Nothing machine-local goes in: the clocks
// in the record run on virtual time.
#pragma once

#include <cstdint>

struct Match;

std::uint64_t matchStateHash(const Match& m);
// The hash of the match the game plays.
std::uint64_t gameStateHash();
