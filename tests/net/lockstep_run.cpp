// One side of a network game for the two-process tests: the real game,
// headless on the virtual clock, fed a script for this side's own paddle,
// in lockstep with another process over loopback.
//   voltari_lockstep_run host LOG SCRIPT [DELAY]   prints "port N" once listening
//   voltari_lockstep_run join PORT LOG SCRIPT [DIE_AT]
//   voltari_lockstep_run watch PORT LOG SCRIPT    (the script's keys are not sent)
//   voltari_lockstep_run quick LOG HOSTSCRIPT GUESTSCRIPT [DELAY]
//   voltari_lockstep_run replay LOG.replay     plays a saved session, prints "end HASH"
// VOLTARI_NET_RELAY=URL: through a room on that relay; the host prints
// "code CODE" instead of the port, which join and watch take in its place.
// quick plays anyone waiting on that relay, with the script of the side it
// gets, and prints "paired host|guest" once paired; told to stop (SIGTERM)
// while waiting, it ends with status 0 and "no session".
// DIE_AT (virtual ms): the guest's process ends there at once, as if killed.
// VOLTARI_NET_APART_AT (virtual ms): the guest's game is nudged off once its record is certain from there;
// LOG.apart then gets the session the game saved when the games went apart.
// LOG gets one line per frame: the virtual time, the state hash and
// the screen's hash, and at the end "end" and the state hash; LOG.replay
// gets the session as a replay script. Exit status 0 when the game ended by itself and the
// session held to the end.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "game/base/state.h"
#include "game/base/timeseam.h"
#include "game/flow/game.h"
#include "game/flow/netgame.h"
#include "game/match/match.h"
#include "game/media/image.h"
#include "game/media/layout.h"
#include "net/roomcode.h"
#include "netplay/statehash.h"
#include "support/gamerun.h"
#include "support/replay.h"

namespace {

std::uint32_t realMs() {
    using namespace std::chrono;
    return std::uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

ReplayScript script;
ReplayScript quickScripts[2];  // quick: the host's and the guest's, until it is paired
std::size_t nextScripted = 0;
std::FILE* logFile = nullptr;
Uint64 loggedFrames = 0;
Uint32 nextBytesMs = 0;  // virtual ms
Uint32 lastPauseMs = 0;  // virtual ms
Uint32 dieAtMs = 0;  // virtual; 0 for never
Uint32 apartAtMs = 0; // virtual: the guest's game is nudged off the host's from there; 0 for never
constexpr Uint32 kStartMs = 1000;  // virtual ms at which a network game's clock starts

// The feel: from a key pressed while this player's paddle stands still to
// the first pause at which its paddle shows moved, virtual ms (a key that
// moves nothing within 200 ms, or that another follows first, is not counted).
int ownSide = 0;  // leftSide hosting, rightSide joining
struct PendingKey {
    bool waiting = false;
    Uint32 atMs = 0;   // virtual
    float x = 0, y = 0; // px: where the paddle stood
} pendingKey;
std::vector<Uint32> feelMs;

void watchFeel(Uint32 now) {
    const Paddle& p = currentMatch().sides[ownSide].paddle;
    if (!pendingKey.waiting)
        return;
    if (!inMatch || now - pendingKey.atMs > 200) {
        pendingKey.waiting = false;  // the key did not move it (a match's end, a wall)
    } else if (p.x != pendingKey.x || p.y != pendingKey.y) {
        feelMs.push_back(now - pendingKey.atMs);
        pendingKey.waiting = false;
    }
}

int scriptSource(SDL_Event* e) {
    if (nextScripted < script.events.size() && script.events[nextScripted].atMs <= nowMs()) {
        *e = script.events[nextScripted++].event;
        const Paddle& p = currentMatch().sides[ownSide].paddle;
        if (inMatch && e->type == SDL_KEYDOWN && p.vx == 0 && p.vy == 0)
            pendingKey = PendingKey{true, nowMs(), p.x, p.y};
        return 1;
    }
    // Then SDL's own queue, as the game's source would: polling it also lets
    // the display layer present what the frame drew.
    return SDL_PollEvent(e);
}

// The screen's hash, a 32-bit pixel at a time (the replays' byte-wise hash
// would take most of the run at one line per frame).
std::uint64_t screenHash() {
    SDL_Surface* s = SDL_GetVideoSurface();
    std::uint64_t h = 1469598103934665603ull;
    const Uint32 colour = s->format->Rmask | s->format->Gmask | s->format->Bmask;
    SDL_LockSurface(s);
    for (int y = 0; y < s->h; ++y) {
        const Uint32* row = reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(s->pixels) + y * s->pitch);
        for (int x = 0; x < s->w; ++x)
            h = (h ^ (row[x] & colour)) * 1099511628211ull;
    }
    SDL_UnlockSurface(s);
    return h;
}

bool samePixels(SDL_Surface* panels, const AtlasRect& r, SDL_Surface* s) {
    const Uint32 key = panels->format->colorkey;
    const Uint32 colour = s->format->Rmask | s->format->Gmask | s->format->Bmask;
    for (int y = 0; y < r.h; ++y) {
        const Uint32* from = reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(panels->pixels) +
                                                             (r.y + y) * panels->pitch) + r.x;
        const Uint32* on = reinterpret_cast<const Uint32*>(static_cast<const Uint8*>(s->pixels) +
                                                           (layout::netNotice.y + y) * s->pitch) + layout::netNotice.x;
        for (int x = 0; x < r.w; ++x)
            if ((from[x] & colour) != (key & colour) && (from[x] & colour) != (on[x] & colour))
                return false;
    }
    return true;
}

// Whether the screen shows the ending's panel exactly as drawn in the
// picture (its keyed corners aside).
bool panelOnScreen(int notice) {
    SDL_Surface* panels = loadImage("netmsg.dat");
    SDL_Surface* s = SDL_GetVideoSurface();
    if (!panels || !s || panels->format->BytesPerPixel != 4 || s->format->BytesPerPixel != 4) {
        SDL_FreeSurface(panels);
        return false;
    }
    SDL_LockSurface(panels);
    SDL_LockSurface(s);
    const bool shown = samePixels(panels, atlas::netNoticeRects[notice], s);
    SDL_UnlockSurface(s);
    SDL_UnlockSurface(panels);
    SDL_FreeSurface(panels);
    return shown;
}

// Says once which ending's panel came up, and whether the screen shows it.
void watchNotice(Uint32 now) {
    static int said = -1;
    const int notice = netGameNotice();
    if (notice < 0 || notice == said)
        return;
    said = notice;
    std::fprintf(stderr, "notice %d at %u ms, %s\n", notice, now,
                 panelOnScreen(notice) ? "on screen" : "not on screen");
}

void logHook(Uint32 now) {
    watchNotice(now);
    watchFeel(now);
    // The nudge lands on a certain record (frames played ahead may be stepped
    // again from an earlier one), in a field no step sets back.
    const NetplayDriver* playing = netGameDriver();
    if (apartAtMs && now >= apartAtMs && !(playing && netplayAhead(*playing))) {
        currentMatch().randHash ^= 1;  // as a fault that made one machine's game differ would
        apartAtMs = 0;
    }
    if (dieAtMs && now >= dieAtMs) {
        std::fflush(logFile);
        _exit(3);  // no goodbye, no closing: the socket just goes
    }
    // The bytes sent so far every 10 s, for the rate during a rally.
    if (now >= nextBytesMs) {
        std::fprintf(stderr, "bytes sent by %u ms: %llu\n", now, static_cast<unsigned long long>(netGameBytesSent()));
        nextBytesMs = now - now % 10000 + 10000;
    }
    // One line per match frame (its pacing wait has begun) and per pause
    // that shows something (fade and sequence steps, menu ticks). A player's
    // frames played ahead are logged once certain (certainFrame), and a
    // frame's picture not at all: a player's screen shows the frames ahead.
    const Uint64 frames = framePacingCalls();
    // Signed: a rally's end found in the past sets the clock back.
    const bool showing = static_cast<Sint32>(now - lastPauseMs) > 1;
    lastPauseMs = now;
    const NetplayDriver* driver = netGameDriver();
    if ((frames == loggedFrames && !showing) || (driver && netplayAhead(*driver))) {
        loggedFrames = frames;
        return;
    }
    loggedFrames = frames;
    if (showing)
        std::fprintf(logFile, "%u %016llx %016llx\n", now, static_cast<unsigned long long>(gameStateHash()),
                     static_cast<unsigned long long>(screenHash()));
    else
        std::fprintf(logFile, "%u %016llx -\n", now, static_cast<unsigned long long>(gameStateHash()));
}

void certainFrame(Uint32 pauseMs, const Match& after) {
    std::fprintf(logFile, "%u %016llx -\n", pauseMs, static_cast<unsigned long long>(matchStateHash(after)));
}

// Says the port once the host listens, for the test that started us; every
// line also goes to the log on standard error.
// The lines for a person go to standard error; what the test harness needs
// (the port, the room's code, which side a pairing made this) is read from
// the state, once each.
void status(const NetState& state, const std::string& text) {
    static bool toldWhere = false;
    static NetMode lastMode = NetMode::Local;
    if (!text.empty())
        std::fprintf(stderr, "%s\n", text.c_str());
    if (!toldWhere && state.phase == NetPhase::Waiting && state.mode == NetMode::Host && lastMode != NetMode::Quick) {
        toldWhere = true;
        if (state.code.empty())
            std::printf("port %u\n", unsigned(state.port));
        else
            std::printf("code %s\n", state.code.c_str());
        std::fflush(stdout);
    }
    if (lastMode == NetMode::Quick && state.mode != NetMode::Quick) {
        const bool hosting = state.mode == NetMode::Host;
        script = quickScripts[hosting ? 0 : 1];
        ownSide = hosting ? 0 : 1;
        std::printf("paired %s\n", hosting ? "host" : "guest");
        std::fflush(stdout);
        toldWhere = true;  // a paired host's code is the pair's, not for the harness
    }
    lastMode = state.mode;
}

int usage() {
    std::fprintf(stderr, "usage: voltari_lockstep_run host LOG SCRIPT [DELAY] | join|watch PORT LOG SCRIPT | "
                 "quick LOG HOSTSCRIPT GUESTSCRIPT [DELAY] | replay FILE\n");
    return 2;
}

}  // namespace

// Plays a saved session with the replay runner and prints its end as the
// session's log does.
int replay(const char* path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    ReplayScript saved;
    std::string error;
    if (!parseReplay(text.str(), saved, error)) {
        std::fprintf(stderr, "%s: %s\n", path, error.c_str());
        return 2;
    }
    runReplay(saved);
    std::printf("end %016llx\n", static_cast<unsigned long long>(gameStateHash()));
    return 0;
}

bool readScript(const std::string& path, ReplayScript& into) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    std::string error;
    if (!parseReplay(text.str(), into, error)) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), error.c_str());
        return false;
    }
    return true;
}

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "replay") == 0)
        return replay(argv[2]);
    const bool quick = argc >= 5 && std::strcmp(argv[1], "quick") == 0;
    if (quick && (!std::getenv("VOLTARI_NET_RELAY") || !readScript(argv[3], quickScripts[0]) ||
                  !readScript(argv[4], quickScripts[1])))
        return usage();
    if (argc < 4)
        return usage();
    const bool hosting = std::strcmp(argv[1], "host") == 0 || quick;
    const bool watching = std::strcmp(argv[1], "watch") == 0;
    if (!hosting && ((std::strcmp(argv[1], "join") != 0 && !watching) || argc < 5))
        return usage();
    if (!hosting && argc > 5)
        dieAtMs = Uint32(std::atoi(argv[5]));
    if (!hosting && std::getenv("VOLTARI_NET_APART_AT"))
        apartAtMs = Uint32(std::atoi(std::getenv("VOLTARI_NET_APART_AT")));
    const std::string logPath = hosting ? argv[2] : argv[3];
    ownSide = hosting ? 0 : 1;
    if (!quick && !readScript(hosting ? argv[3] : argv[4], script))
        return 2;
    logFile = std::fopen(logPath.c_str(), "w");
    if (!logFile)
        return 2;
    makeGameFolder();
    writeDefaultSetupIni();

    NetGameOptions options;
    options.mode = hosting ? NetMode::Host : watching ? NetMode::Watch : NetMode::Join;
    options.address = "127.0.0.1";
    options.port = hosting ? 0 : std::uint16_t(std::atoi(argv[2]));
    if (const char* relay = std::getenv("VOLTARI_NET_RELAY")) {
        options.relay = relay;
        if (!hosting && !net::parseRoomCode(argv[2], options.code))
            return usage();
    }
    if (hosting && argc > (quick ? 5 : 4))
        options.fixedDelayMs = std::uint16_t(std::atoi(argv[quick ? 5 : 4]));
    if (quick)
        options.mode = NetMode::Quick;
    options.ownEvents = EventSource{[](void*, SDL_Event* e) { return scriptSource(e); }, nullptr};
    options.afterPause = PauseHook{[](void*, Uint32 now) { logHook(now); }, nullptr};
    options.certainFrame = CertainFrameHook{[](void*, Uint32 at, const Match& after) { certainFrame(at, after); }, nullptr};
    options.paced = std::getenv("VOLTARI_NET_PACED") != nullptr;  // as a real session runs
    setNetStatusListener(status);
    askForNetGame(options);
    const std::uint32_t began = realMs();
    const int status = runGame();
    const std::uint32_t took = realMs() - began;
    const NetplayDriver* driver = netGameDriver();
    if (!driver) {
        std::fprintf(stderr, "no session\n");
        return status;  // 0: it stopped waiting when told to
    }
    const NetplayDriver d = *driver;
    const std::uint64_t sent = netGameBytesSent();
    const std::string drops = netGameRelayDrops();
    if (!drops.empty())
        std::fprintf(stderr, "%s\n", drops.c_str());
    const Uint32 virtualMs = nowMs() - kStartMs;
    std::fprintf(logFile, "end %016llx\n", static_cast<unsigned long long>(gameStateHash()));
    std::fclose(logFile);
    std::ofstream(logPath + ".replay") << netGameReplayText();
    // A session whose games went apart was saved in the game folder.
    for (const auto& entry : std::filesystem::directory_iterator("."))
        if (entry.path().filename().string().compare(0, 6, "apart-") == 0)
            std::filesystem::copy_file(entry.path(), logPath + ".apart");
    endNetGame();
    std::fprintf(stderr, "%s: status %d, %u virtual ms in %u real ms, %llu bytes sent (%llu per virtual s), "
                 "%llu pauses held for %llu ms, %llu stalls, paced for %llu ms, %llu hashes matched%s%s\n",
                 argv[1], status, unsigned(virtualMs), unsigned(took), static_cast<unsigned long long>(sent),
                 static_cast<unsigned long long>(virtualMs ? sent * 1000 / virtualMs : 0),
                 static_cast<unsigned long long>(d.heldPauses), static_cast<unsigned long long>(d.heldRealMs),
                 static_cast<unsigned long long>(d.stalls), static_cast<unsigned long long>(d.pacedRealMs),
                 static_cast<unsigned long long>(d.hashesMatched),
                 d.failed ? ", failed: " : "", d.failure.c_str());
    // Playing ahead: the corrections, how far back they went, how far the
    // other paddle moved on screen at one, and the feel of one's own keys.
    const Rollback& rb = d.rollback;
    std::vector<float> jumps = rb.jumps;
    std::sort(jumps.begin(), jumps.end());
    const float jumpP99 = jumps.empty() ? 0.0f : jumps[std::min(jumps.size() - 1, jumps.size() * 99 / 100)];
    Uint32 feelLongest = 0;
    double feelSum = 0;
    for (Uint32 f : feelMs) {
        feelLongest = std::max(feelLongest, f);
        feelSum += f;
    }
    std::fprintf(stderr, "%s: %llu rollbacks, %.1f frames on average, %u at most; the other paddle jumped %.1f px "
                 "(99th percentile); %zu keys moved the own paddle after %.1f ms on average, %u ms at most\n",
                 argv[1], static_cast<unsigned long long>(rb.corrections),
                 rb.corrections ? double(rb.framesRestepped) / double(rb.corrections) : 0.0, unsigned(rb.longest),
                 double(jumpP99), feelMs.size(), feelMs.empty() ? 0.0 : feelSum / double(feelMs.size()),
                 unsigned(feelLongest));
    return status == 0 && !d.failed ? 0 : 1;
}
