#include "net/delay.h"

#include <algorithm>

namespace net {

std::uint32_t plannedRoundTrip(std::vector<std::uint32_t> samplesMs) {
    if (samplesMs.empty())
        return 0;
    std::sort(samplesMs.begin(), samplesMs.end());
    if (samplesMs.size() == 1)
        return samplesMs[0];
    return samplesMs[samplesMs.size() - 2];
}

std::uint32_t chooseInputDelay(std::uint32_t roundTripMs) {
    const std::uint64_t d = (std::uint64_t(roundTripMs) + 1) / 2 + kDelayMarginMs;
    return std::uint32_t(std::clamp<std::uint64_t>(d, kMinDelayMs, kMaxDelayMs));
}

}  // namespace net
