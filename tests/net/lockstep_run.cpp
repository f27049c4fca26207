// One side of a network game for the two-process tests: the real game,
// headless on the virtual clock, fed a script for this side's own paddle,
// in lockstep with another process over loopback.
//   voltari_lockstep_run host LOG SCRIPT [DELAY]   prints "port N" once listening
//   voltari_lockstep_run join PORT LOG SCRIPT [DIE_AT]
// DIE_AT (virtual ms): the guest's process ends there at once, as if killed.
// LOG gets one line per 50 ms of virtual time: the time, the state hash and
// the screen's hash. Exit status 0 when the game ended by itself and the
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
#include "net/datahash.h"
#include "netplay/driver.h"
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

bool identity(net::Identity& id) {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator("."))
        if (entry.path().filename() != "setup.ini")
            files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    std::string error;
    id.buildId = "lockstep-test";
    if (!net::hashDataFiles(files, id.dataHash, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    return true;
}

int usage() {
    std::fprintf(stderr, "usage: voltari_lockstep_run host LOG SCRIPT [DELAY] | join PORT LOG SCRIPT\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4)
        return usage();
    const bool hosting = std::strcmp(argv[1], "host") == 0;
    if (!hosting && (std::strcmp(argv[1], "join") != 0 || argc < 5))
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
    net::Identity id;
    if (!identity(id))
        return 2;

    net::Host host;
    net::Client client;
    NetplayDriver d;
    std::uint32_t delayMs = 0;
    const std::uint32_t deadline = realMs() + 20000;
    if (hosting) {
        if (!net::hostOpen(host, "127.0.0.1", 0, id, realMs, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 2;
        }
        if (argc > 4)
            host.fixedDelayMs = std::uint16_t(std::atoi(argv[4]));
        std::printf("port %u\n", unsigned(host.port));
        std::fflush(stdout);
        while (!host.started && realMs() < deadline)
            net::hostStep(host, 5);
        delayMs = host.delayMs;
        d.host = &host;
    } else {
        if (!net::clientOpen(client, "127.0.0.1", std::uint16_t(std::atoi(argv[2])), id, net::Role::Player, realMs,
                             error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 2;
        }
        while (client.session.phase != net::Phase::Running && client.session.phase != net::Phase::Closed &&
               realMs() < deadline)
            net::clientStep(client, 5);
        delayMs = client.session.delayMs;
        d.client = &client;
    }
    if (delayMs == 0) {
        std::fprintf(stderr, "no session: %s\n", hosting ? "nobody joined" : client.session.endText.c_str());
        return 1;
    }
    std::fprintf(stderr, "%s: round trip %u ms, D %u ms\n", argv[1],
                 unsigned(hosting ? host.rttMs : client.session.rttMs), unsigned(delayMs));

    const Uint32 startMs = 1000;
    useVirtualClock(startMs);
    d.localSource = scriptSource;
    d.paced = std::getenv("VOLTARI_NET_PACED") != nullptr;  // as a real session runs
    d.afterPause = logHook;
    d.stateHash = gameStateHash;
    startNetplay(d, hosting ? 0 : 1, delayMs, startMs);
    const std::uint32_t began = realMs();
    const int status = runGame();
    const std::uint32_t took = realMs() - began;
    std::uint64_t sent = 0;
    if (hosting) {
        sent = net::hostBytesSent(host);
    } else {
        sent = client.conn.bytesSent;
    }
    const Uint32 virtualMs = nowMs() - startMs;
    stopNetplay();
    std::fclose(logFile);

    // Say goodbye and let it out.
    const std::uint32_t closing = realMs();
    if (hosting) {
        net::hostClose(host, net::Reason::Quit, "The host's game ended.");
        while (!host.peers.empty() && realMs() - closing < 2000)
            net::hostStep(host, 5);
    } else {
        net::clientClose(client, net::Reason::Quit, "The guest's game ended.");
        while (!net::clientDone(client) && realMs() - closing < 2000)
            net::clientStep(client, 5);
    }
    std::fprintf(stderr, "%s: status %d, %u virtual ms in %u real ms, %llu bytes sent (%llu per virtual s), "
                 "%llu pauses held for %llu ms, paced for %llu ms, %llu hashes matched%s%s\n",
                 argv[1], status, unsigned(virtualMs), unsigned(took), static_cast<unsigned long long>(sent),
                 static_cast<unsigned long long>(virtualMs ? sent * 1000 / virtualMs : 0),
                 static_cast<unsigned long long>(d.heldPauses), static_cast<unsigned long long>(d.heldRealMs),
                 static_cast<unsigned long long>(d.pacedRealMs),
                 static_cast<unsigned long long>(d.hashesMatched),
                 d.failed ? ", failed: " : "", d.failure.c_str());
    return status == 0 && !d.failed ? 0 : 1;
}
