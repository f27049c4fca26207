// The real game in real time, for listening to it: a computer-against-
// computer match chosen through the menu, played for a number of seconds,
// then the window closed. The scripted runner's virtual clock is kept in
// step with the wall clock (a pause that runs ahead waits, a late one
// catches up), so the sound device is fed exactly as in play while the
// menu keys still land at known moments. Video is the dummy driver; the
// audio driver is whatever SDL_AUDIODRIVER names.
//   voltari_soundplay SECONDS
// Prints "closed_ms N" (wall ms from the start to the game's end) and
// "mixer_chunk_ms N" (the audio the mixer makes at each call, as opened).
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "SDL_mixer.h"
#include "game/base/timeseam.h"
#include "support/gamerun.h"

namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point wallStart;
Uint32 clockStart = 0;  // virtual ms at wallStart

Sint64 wallMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - wallStart).count();
}

std::atomic<int> mixBytes{0};  // bytes the mixer made at its last call
bool watchingMixer = false;
int mixRate = 0;               // Hz, as the mixer was opened
int mixFrameBytes = 0;         // bytes per sample frame

// Called after every virtual pause: the virtual clock follows the wall.
void followWall(Uint32 now)
{
    Uint16 format = 0;
    int channels = 0;
    if (!watchingMixer && Mix_QuerySpec(&mixRate, &format, &channels)) {
        mixFrameBytes = (format & 0xFF) / 8 * channels;
        Mix_SetPostMix([](void*, Uint8*, int len) { mixBytes = len; }, nullptr);
        watchingMixer = true;
    }
    const Sint64 ahead = static_cast<Sint64>(now - clockStart) - wallMs();
    if (ahead > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ahead));
    else if (ahead < 0)
        advanceVirtualClock(static_cast<Uint32>(-ahead));
}

}  // namespace

int main(int argc, char** argv)
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 0;
    if (seconds <= 0) {
        std::fprintf(stderr, "usage: voltari_soundplay SECONDS\n");
        return 2;
    }
    makeGameFolder();
    writeDefaultSetupIni();

    // Both computers: the menu's last entry, four steps down.
    std::vector<ScriptedEvent> script;
    for (int i = 0; i < 4; ++i)
        pressKey(script, menuReadyMs + i * 400, SDLK_DOWN);
    pressKey(script, menuReadyMs + 2000, SDLK_RETURN);

    RunOptions options;
    options.deadlineMs = menuReadyMs + 2000 + static_cast<Uint32>(seconds) * 1000;
    options.onPause = followWall;
    clockStart = options.startMs;
    wallStart = Clock::now();
    const int status = runScripted(script, options);
    std::printf("closed_ms %lld\n", static_cast<long long>(wallMs()));
    if (mixRate > 0 && mixFrameBytes > 0)
        std::printf("mixer_chunk_ms %.1f\n", 1000.0 * mixBytes / mixFrameBytes / mixRate);
    return status;
}
