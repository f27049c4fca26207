// Whole-program figures, each measured in a child process of its own so
// that every run starts the game from nothing: the start-up time from the
// main function to the first menu tick without the fixed pauses, and the
// peak memory of a whole session.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/bench_support.h"
#include "game/base/state.h"
#include "game/base/timeseam.h"
#include "game/flow/game.h"

namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point childStart;
double startupSeconds = -1;
bool matchDone = false;
bool sawMatch = false;

void push(SDL_Event e) { SDL_PushEvent(&e); }

SDL_Event key(Uint8 type, SDLKey sym)
{
    SDL_Event e;
    std::memset(&e, 0, sizeof e);
    e.type = type;
    e.key.type = type;
    e.key.keysym.sym = sym;
    return e;
}

// Menu ticks are the only pauses of exactly 30 ms.
bool isMenuTick()
{
    static Uint64 last = 0;
    const Uint64 paused = totalPausedMs();
    const bool tick = paused - last == 30;
    last = paused;
    return tick;
}

// The first menu tick: stop the watch there and quit.
void startupTickHook(Uint32)
{
    if (startupSeconds < 0 && isMenuTick()) {
        startupSeconds = std::chrono::duration<double>(Clock::now() - childStart).count();
        push(key(SDL_KEYDOWN, SDLK_ESCAPE));
        push(key(SDL_KEYUP, SDLK_ESCAPE));
    }
}

bool queueEmpty() { return SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_ALLEVENTS) == 0; }

void pressKey(SDLKey sym)
{
    push(key(SDL_KEYDOWN, sym));
    push(key(SDL_KEYUP, sym));
}

// A session that has not ended a match by then never will.
constexpr Uint32 kSessionGiveUpMs = 60 * 60 * 1000;  // virtual ms

// Computer against computer to the end of a match, then quit from the menu.
// Keys go in on menu ticks, each once the one before has been taken: the
// menu drains the queue when it opens and takes one event a tick, so keys
// pushed ahead (during the start-up fades) would be lost.
void sessionHook(Uint32 now)
{
    static const SDLKey walk[] = {SDLK_DOWN, SDLK_DOWN, SDLK_DOWN, SDLK_DOWN, SDLK_RETURN};
    static std::size_t step = 0;
    const bool tick = isMenuTick();
    if (inMatch)
        sawMatch = true;
    if (sawMatch && !inMatch)
        matchDone = true;
    if (now > kSessionGiveUpMs)
        quitRequested = true;  // ends a match at its next frame
    if (!tick || inMatch || !queueEmpty())
        return;
    if (matchDone || quitRequested) {
        pressKey(SDLK_ESCAPE);
    } else if (step < sizeof walk / sizeof walk[0]) {
        pressKey(walk[step++]);
    }
}

// Runs this program again with --child=JOB; its standard output, or an
// empty string when it did not end with status 0.
std::string runChild(const char* job)
{
    std::string command = std::string("/proc/") + std::to_string(getpid()) + "/exe --child=" + job;
    FILE* p = popen(command.c_str(), "r");
    if (!p)
        return std::string();
    char buf[256];
    std::string out;
    while (std::fgets(buf, sizeof buf, p))
        out += buf;
    const int status = pclose(p);
    if (status != 0) {
        std::fprintf(stderr, "voltari_bench: child %s ended with status 0x%x\n", job, unsigned(status));
        return std::string();
    }
    return out;
}

// Reads "key value" from the child's last line with that key.
double childValue(const std::string& out, const char* key)
{
    size_t at = out.rfind(key);
    if (at == std::string::npos)
        return -1;
    return std::atof(out.c_str() + at + std::strlen(key));
}

void BM_StartupToFirstMenuTick(benchmark::State& state)
{
    for (auto _ : state) {
        double seconds = childValue(runChild("startup"), "startup_seconds ");
        if (seconds < 0) {
            state.SkipWithError("child did not reach the menu");
            return;
        }
        state.SetIterationTime(seconds);
    }
}
BENCHMARK(BM_StartupToFirstMenuTick)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_SessionPeakMemory(benchmark::State& state)
{
    double kib = -1;
    double done = -1;
    for (auto _ : state) {
        const std::string out = runChild("session");
        kib = childValue(out, "peak_kib ");
        done = childValue(out, "match_done ");
    }
    if (kib < 0 || done != 1) {
        state.SkipWithError("the session child did not play a match to its end");
        return;
    }
    state.counters["peak_MiB"] = kib / 1024.0;
}
BENCHMARK(BM_SessionPeakMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

// Child jobs, started by the benchmarks above through the same program.
int runSessionChild(const char* job)
{
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    if (chdir(VOLTARI_GAME_DIR) != 0)
        return 1;
    useVirtualClock(1000);
    // The game prints its own notices on stdout; keep ours apart.
    int out = dup(STDOUT_FILENO);
    std::freopen("/dev/null", "w", stdout);
    int status = 1;
    if (std::strcmp(job, "startup") == 0) {
        setPauseHook({[](void*, Uint32 t) { startupTickHook(t); }, nullptr});
        childStart = Clock::now();
        status = runGame();
        dprintf(out, "startup_seconds %.6f\n", startupSeconds);
    } else if (std::strcmp(job, "session") == 0) {
        setPauseHook({[](void*, Uint32 t) { sessionHook(t); }, nullptr});
        status = runGame();
        struct rusage usage;
        getrusage(RUSAGE_SELF, &usage);
        dprintf(out, "match_done %d\npeak_kib %ld\n", matchDone ? 1 : 0, usage.ru_maxrss);
    }
    return status;
}

// The game in a real window under Xvfb, started by its launcher, computer
// against computer for 30 s of a match, measured by bench/cpushare.sh from
// /proc, with the SDL renderer it drew with.
void printRealPlayRow()
{
    std::string command = std::string(VOLTARI_CPUSHARE_SCRIPT) + " '" + VOLTARI_GAME_DIR + "' '" +
                          VOLTARI_WINCHECK + "' 30 2>&1";
    FILE* p = popen(command.c_str(), "r");
    std::string out;
    if (p) {
        char buf[256];
        while (std::fgets(buf, sizeof buf, p))
            out += buf;
        pclose(p);
    }
    const double percent = childValue(out, "cpu_percent ");
    const double kib = childValue(out, "peak_kib ");
    if (percent < 0 || kib < 0) {
        size_t at = out.find("skip: ");
        std::string why = at == std::string::npos ? "no figure" : out.substr(at + 6);
        while (!why.empty() && (why.back() == '\n' || why.back() == '\r'))
            why.pop_back();
        std::printf("| real play under Xvfb | skipped: %s |\n", why.c_str());
        return;
    }
    // The SDL renderer the game reported: "renderer NAME" on a line of its own.
    const std::string key = "\nrenderer ";
    std::string renderer = "?";
    size_t at = out.find(key);
    if (at != std::string::npos) {
        at += key.size();
        renderer = out.substr(at, out.find('\n', at) - at);
        if (renderer.empty())
            renderer = "?";
    }
    std::printf("| real play under Xvfb, computer against computer, 30 s, %s renderer | %.1f%% of a core, peak RSS %.1f MiB |\n",
                renderer.c_str(), percent, kib / 1024.0);
}
