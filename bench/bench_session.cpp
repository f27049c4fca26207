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
bool quitSent = false;
Uint32 overAt = 0;
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

// Only menu ticks pause exactly 30 ms before any match is played: the first
// such pause is the first menu tick. Stop the watch there and quit.
Uint64 lastPaused = 0;
void startupTickHook(Uint32)
{
    Uint64 paused = totalPausedMs();
    Uint64 step = paused - lastPaused;
    lastPaused = paused;
    if (startupSeconds < 0 && step == 30) {
        startupSeconds = std::chrono::duration<double>(Clock::now() - childStart).count();
        push(key(SDL_KEYDOWN, SDLK_ESCAPE));
        push(key(SDL_KEYUP, SDLK_ESCAPE));
    }
}

// Computer against computer to the end of a match, then quit from the menu.
void sessionHook(Uint32 now)
{
    static int step = 0;
    if (!sawMatch && !inMatch && totalPausedMs() > 8000 && step < 6) {
        // Walk the cursor to computer against computer, then play.
        push(key(SDL_KEYDOWN, step < 4 ? SDLK_DOWN : SDLK_RETURN));
        push(key(SDL_KEYUP, step < 4 ? SDLK_DOWN : SDLK_RETURN));
        ++step;
    }
    if (inMatch)
        sawMatch = true;
    if (sawMatch && !inMatch && !matchDone) {
        matchDone = true;
        overAt = now;
    }
    if (matchDone && !quitSent && now > overAt + 8000) {
        quitSent = true;
        push(key(SDL_KEYDOWN, SDLK_ESCAPE));
        push(key(SDL_KEYUP, SDLK_ESCAPE));
    }
}

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
    pclose(p);
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
    for (auto _ : state)
        kib = childValue(runChild("session"), "peak_kib ");
    if (kib < 0) {
        state.SkipWithError("session child failed");
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
        setPauseHook(startupTickHook);
        childStart = Clock::now();
        status = runGame();
        dprintf(out, "startup_seconds %.6f\n", startupSeconds);
    } else if (std::strcmp(job, "session") == 0) {
        setPauseHook(sessionHook);
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
