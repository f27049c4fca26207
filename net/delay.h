// How long a player's own events wait before they take effect (the input
// delay D), chosen once from the round trips measured before a session.
#pragma once

#include <cstdint>
#include <vector>

namespace net {

constexpr int kPingRounds = 10;        // round trips measured before a session starts
constexpr std::uint32_t kDelayMarginMs = 20;  // on top of the one-way time: frames, scheduling
constexpr std::uint32_t kMinDelayMs = 20;     // even on one machine: a few frames of slack
constexpr std::uint32_t kMaxDelayMs = 250;    // beyond this the game stops feeling like a game

// The round trip to plan for: the second-longest of the samples, so one
// stalled sample (a retransmit) does not raise D for the whole session,
// while the usual spread does. 0 when there are no samples.
std::uint32_t plannedRoundTrip(std::vector<std::uint32_t> samplesMs);

// D: half the round trip (rounded up) plus the margin, within the limits.
std::uint32_t chooseInputDelay(std::uint32_t roundTripMs);

}  // namespace net
