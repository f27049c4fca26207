// One side of a network game for the two-process tests: the real game,
// headless on the virtual clock, fed a script for this side's own paddle,
// in lockstep with another process over loopback.
//   voltari_lockstep_run host LOG SCRIPT [DELAY]   prints "port N" once listening
//   voltari_lockstep_run join PORT LOG SCRIPT [DIE_AT]
//   voltari_lockstep_run watch PORT LOG SCRIPT    (the script's keys are not sent)
//   voltari_lockstep_run replay LOG.replay     plays a saved session, prints "end HASH"
// DIE_AT (virtual ms): the guest's process ends there at once, as if killed.
// LOG gets one line per 50 ms of virtual time: the time, the state hash and
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

#include "game/base/timeseam.h"
#include "game/flow/game.h"
#include "game/flow/netgame.h"
#include "netplay/statehash.h"
#include "support/gamerun.h"
#include "support/replay.h"

namespace {

std::uint32_t realMs() {
    using namespace std::chrono;
    return std::uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

ReplayScript script;
std::size_t nextScripted = 0;
std::FILE* logFile = nullptr;
Uint32 nextLogMs = 0;
Uint32 dieAtMs = 0;  // virtual; 0 for never
constexpr Uint32 kStartMs = 1000;  // virtual ms at which a network game's clock starts

int scriptSource(SDL_Event* e) {
    if (nextScripted < script.events.size() && script.events[nextScripted].atMs <= nowMs()) {
        *e = script.events[nextScripted++].event;
        return 1;
    }
    // Then SDL's own queue, as the game's source would: polling it also lets
    // the display layer present what the frame drew.
    return SDL_PollEvent(e);
}

void logHook(Uint32 now) {
    if (dieAtMs && now >= dieAtMs) {
        std::fflush(logFile);
        _exit(3);  // no goodbye, no closing: the socket just goes
    }
    if (now < nextLogMs)
        return;
    std::fprintf(logFile, "%u %016llx %08x\n", now, static_cast<unsigned long long>(gameStateHash()),
                 surfaceHash(SDL_GetVideoSurface()));
    nextLogMs = now - now % 50 + 50;
}

// Says the port once the host listens, for the test that started us; every
// line also goes to the log on standard error.
void status(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
    unsigned port = 0;
    if (std::sscanf(text.c_str(), "Waiting for a player on port %u", &port) == 1) {
        std::printf("port %u\n", port);
        std::fflush(stdout);
    }
}

int usage() {
    std::fprintf(stderr, "usage: voltari_lockstep_run host LOG SCRIPT [DELAY] | join|watch PORT LOG SCRIPT | replay FILE\n");
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

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "replay") == 0)
        return replay(argv[2]);
    if (argc < 4)
        return usage();
    const bool hosting = std::strcmp(argv[1], "host") == 0;
    const bool watching = std::strcmp(argv[1], "watch") == 0;
    if (!hosting && ((std::strcmp(argv[1], "join") != 0 && !watching) || argc < 5))
        return usage();
    if (!hosting && argc > 5)
        dieAtMs = Uint32(std::atoi(argv[5]));
    const std::string logPath = hosting ? argv[2] : argv[3];
    const std::string scriptPath = hosting ? argv[3] : argv[4];
    std::ifstream in(scriptPath);
    std::stringstream text;
    text << in.rdbuf();
    std::string error;
    if (!parseReplay(text.str(), script, error)) {
        std::fprintf(stderr, "%s: %s\n", scriptPath.c_str(), error.c_str());
        return 2;
    }
    logFile = std::fopen(logPath.c_str(), "w");
    if (!logFile)
        return 2;
    makeGameFolder();
    writeDefaultSetupIni();

    NetGameOptions options;
    options.mode = hosting ? NetMode::Host : watching ? NetMode::Watch : NetMode::Join;
    options.address = "127.0.0.1";
    options.port = hosting ? 0 : std::uint16_t(std::atoi(argv[2]));
    if (hosting && argc > 4)
        options.fixedDelayMs = std::uint16_t(std::atoi(argv[4]));
    options.ownEvents = scriptSource;
    options.afterPause = logHook;
    options.paced = std::getenv("VOLTARI_NET_PACED") != nullptr;  // as a real session runs
    setNetStatusListener(status);
    askForNetGame(options);
    const std::uint32_t began = realMs();
    const int status = runGame();
    const std::uint32_t took = realMs() - began;
    const NetplayDriver* driver = netGameDriver();
    if (!driver) {
        std::fprintf(stderr, "no session\n");
        return 1;
    }
    const NetplayDriver d = *driver;
    const std::uint64_t sent = netGameBytesSent();
    const Uint32 virtualMs = nowMs() - kStartMs;
    std::fprintf(logFile, "end %016llx\n", static_cast<unsigned long long>(gameStateHash()));
    std::fclose(logFile);
    std::ofstream(logPath + ".replay") << netGameReplayText();
    endNetGame();
    std::fprintf(stderr, "%s: status %d, %u virtual ms in %u real ms, %llu bytes sent (%llu per virtual s), "
                 "%llu pauses held for %llu ms, %llu stalls, paced for %llu ms, %llu hashes matched%s%s\n",
                 argv[1], status, unsigned(virtualMs), unsigned(took), static_cast<unsigned long long>(sent),
                 static_cast<unsigned long long>(virtualMs ? sent * 1000 / virtualMs : 0),
                 static_cast<unsigned long long>(d.heldPauses), static_cast<unsigned long long>(d.heldRealMs),
                 static_cast<unsigned long long>(d.stalls), static_cast<unsigned long long>(d.pacedRealMs),
                 static_cast<unsigned long long>(d.hashesMatched),
                 d.failed ? ", failed: " : "", d.failure.c_str());
    return status == 0 && !d.failed ? 0 : 1;
}
