// Runs the benchmarks, then prints the short table of figures we quote.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "SDL.h"
#include "bench/bench_support.h"

int runSessionChild(const char* job);

namespace {

// Keeps what the console shows and remembers each run's figures.
class TableReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, Run> runs;
    int failures = 0;  // runs that ended in an error
    void ReportRuns(const std::vector<Run>& reports) override
    {
        for (const auto& r : reports) {
            runs[r.benchmark_name()] = r;
            failures += r.error_occurred ? 1 : 0;
        }
        ConsoleReporter::ReportRuns(reports);
    }
};

double nsPerIteration(const benchmark::BenchmarkReporter::Run& r)
{
    return r.GetAdjustedRealTime() * benchmark::GetTimeUnitMultiplier(benchmark::kNanosecond) /
           benchmark::GetTimeUnitMultiplier(r.time_unit);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strncmp(argv[1], "--child=", 8) == 0)
        return runSessionChild(argv[1] + 8);

    // The real-play figure takes 45 s: only in a whole run, not a filtered one.
    bool whole = true;
    for (int i = 1; i < argc; ++i)
        whole = whole && std::strncmp(argv[i], "--benchmark_filter", 18) != 0;
    benchmark::Initialize(&argc, argv);
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    auto find = [&](const char* prefix) -> const benchmark::BenchmarkReporter::Run* {
        for (const auto& [name, run] : reporter.runs)
            if (name.rfind(prefix, 0) == 0)
                return &run;
        return nullptr;
    };
    const auto* frame = find("BM_MatchFrame");
    const auto* blit = find("BM_FullScreenBlit");
    const auto* loop = find("BM_MatchLoopFrames");
    const auto* fade = find("BM_FadeSteps");
    const auto* startup = find("BM_StartupToFirstMenuTick");
    const auto* memory = find("BM_SessionPeakMemory");

    std::printf("\n| figure | value |\n|---|---|\n");
    if (frame && blit) {
        double f = nsPerIteration(*frame);
        double b = nsPerIteration(*blit);
        std::printf("| one match frame as played (points, presents at 60 Hz) | %.1f us |\n", f / 1000);
        std::printf("| one full-screen 800x600 blit | %.1f us |\n", b / 1000);
        std::printf("| frame / blit ratio | %.2f |\n", f / b);
        if (frame->counters.count("refreshes_per_frame"))
            std::printf("| display refreshes per frame | %.2f |\n",
                        static_cast<double>(frame->counters.at("refreshes_per_frame")));
        // What of the frame is the display layer's own work, and what is left
        // for the game: the ratio's floor on this stack.
        const auto* upload = find("BM_UploadThreeRectangles");
        if (upload && frame->counters.count("refresh_ns_per_frame")) {
            double r = frame->counters.at("refresh_ns_per_frame");
            double u = nsPerIteration(*upload);
            std::printf("| of it: display refreshes (sdl12-compat's presents) | %.1f us, %.2f blits |\n",
                        r / 1000, r / b);
            std::printf("| of it: upload of the three rectangles | %.1f us, %.2f blits |\n", u / 1000,
                        u / b);
            std::printf("| of it: the game's drawing, logic and point sequences | %.1f us, %.2f blits |\n",
                        (f - r - u) / 1000, (f - r - u) / b);
        }
    }
    if (fade && blit) {
        double step = nsPerIteration(*fade) / fadeStepCount;
        std::printf("| one fade step (court, logo at alpha, flip) | %.1f us |\n", step / 1000);
        std::printf("| fade step / blit ratio | %.2f |\n", step / nsPerIteration(*blit));
    }
    if (loop && loop->counters.count("items_per_second"))
        std::printf("| headless match loop, no pacing | %.0f frames/s |\n",
                    static_cast<double>(loop->counters.at("items_per_second")));
    if (startup)
        std::printf("| start-up to first menu tick (no fixed pauses) | %.1f ms |\n",
                    nsPerIteration(*startup) / 1e6);
    if (memory && memory->counters.count("peak_MiB"))
        std::printf("| peak memory, whole session | %.1f MiB |\n",
                    static_cast<double>(memory->counters.at("peak_MiB")));
    if (whole)
        printRealPlayRow();
    benchmark::Shutdown();
    benchMediaDone();
    // Nothing of SDL may outlive main: its audio thread would run on into
    // the library sdl12-compat unloads at exit. Checked here so a run that
    // forgets a shutdown fails every time, not once in a few runs.
    if (SDL_WasInit(SDL_INIT_EVERYTHING) != 0) {
        std::fprintf(stderr, "voltari_bench: SDL still running at exit\n");
        return 1;
    }
    if (reporter.failures > 0) {
        std::fprintf(stderr, "voltari_bench: %d benchmark(s) failed\n", reporter.failures);
        return 1;
    }
    return 0;
}
