#include "net/netstate.h"

#include <cstdio>
#include <cstring>

#include "net/roomcode.h"

namespace net {

namespace {

const NetPhase kPhases[] = {NetPhase::Opening, NetPhase::Pairing, NetPhase::Waiting, NetPhase::Playing,
                            NetPhase::Ended};
const NetMode kModes[] = {NetMode::Local, NetMode::Host, NetMode::Join, NetMode::Watch, NetMode::Quick};

}  // namespace

const char* netPhaseName(NetPhase phase)
{
    switch (phase) {
    case NetPhase::Opening: return "opening";
    case NetPhase::Pairing: return "pairing";
    case NetPhase::Waiting: return "waiting";
    case NetPhase::Playing: return "playing";
    case NetPhase::Ended: return "ended";
    }
    return "";
}

const char* netModeName(NetMode mode)
{
    switch (mode) {
    case NetMode::Local: return "local";
    case NetMode::Host: return "host";
    case NetMode::Join: return "join";
    case NetMode::Watch: return "watch";
    case NetMode::Quick: return "quick";
    }
    return "";
}

std::string netStateLine(const NetState& s)
{
    char numbers[96];
    std::snprintf(numbers, sizeof numbers, " port=%u rtt=%u delay=%u reason=%u refused=%d greeted=%d", s.port,
                  s.rttMs, s.delayMs, unsigned(s.reason), s.refused ? 1 : 0, s.greeted ? 1 : 0);
    return std::string("state ") + netPhaseName(s.phase) + " " + netModeName(s.mode) + " code=" + s.code + numbers;
}

bool parseNetStateLine(const std::string& line, NetState& s)
{
    char phase[16] = {}, mode[16] = {}, code[16] = {};
    unsigned port = 0, rtt = 0, delay = 0, reason = 0;
    int refused = 0, greeted = 0, used = 0;
    // The code may be empty: read it apart.
    if (std::sscanf(line.c_str(), "state %15s %15s code=%n", phase, mode, &used) != 2 || used == 0)
        return false;
    const char* rest = line.c_str() + used;
    const char* space = std::strchr(rest, ' ');
    if (!space || std::size_t(space - rest) >= sizeof code)
        return false;
    std::memcpy(code, rest, std::size_t(space - rest));
    char tail = 0;
    if (std::sscanf(space, " port=%u rtt=%u delay=%u reason=%u refused=%d greeted=%d%c", &port, &rtt, &delay,
                    &reason, &refused, &greeted, &tail) != 6 ||
        port > 65535 || rtt > 65535 || delay > 65535 || reason > 255)
        return false;
    NetState got;
    bool phaseKnown = false, modeKnown = false;
    for (NetPhase p : kPhases)
        if (std::strcmp(phase, netPhaseName(p)) == 0) {
            got.phase = p;
            phaseKnown = true;
        }
    for (NetMode m : kModes)
        if (std::strcmp(mode, netModeName(m)) == 0) {
            got.mode = m;
            modeKnown = true;
        }
    std::string canonical;
    if (!phaseKnown || !modeKnown || (*code && !parseRoomCode(code, canonical)))
        return false;
    got.code = *code ? formatRoomCode(canonical) : "";
    got.port = std::uint16_t(port);
    got.rttMs = std::uint16_t(rtt);
    got.delayMs = std::uint16_t(delay);
    got.reason = Reason(reason);
    got.refused = refused != 0;
    got.greeted = greeted != 0;
    s = got;
    return true;
}

}  // namespace net
