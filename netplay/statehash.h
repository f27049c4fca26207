// One number for everything that decides how the game goes on: menu
// choices, scores, ball, paddles, locks and the random draws. Two machines
// in step have the same one at the same virtual time.
#pragma once

#include <cstdint>

std::uint64_t gameStateHash();
