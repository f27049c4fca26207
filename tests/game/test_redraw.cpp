// The match frame restores the court only where something moves. A whole
// match played that way must show, frame after frame, exactly the screen
// of the same match drawn over a full court every frame.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "game/base/state.h"
#include "game/base/timeseam.h"
#include "game/flow/redraw.h"
#include "game/media/media.h"
#include "settings/settings.h"
#include "support/gamerun.h"

namespace {

const Uint32 menuReadyMs = 9000;

struct FrameLog {
    Uint64 pacingSeen = 0;
    std::vector<Uint64> digests;  // one per match frame, taken as it waits
    bool matchSeen = false;
    bool quitSent = false;
    Sint32 score1 = -1;
    Sint32 score2 = -1;
} frames;

// 64-bit FNV-1a over every byte of every row of the screen.
Uint64 screenDigest()
{
    Uint64 h = 1469598103934665603ull;
    SDL_Surface* s = screen;
    if (!s)
        return 0;
    SDL_LockSurface(s);
    const int rowBytes = s->w * s->format->BytesPerPixel;
    for (int y = 0; y < s->h; ++y) {
        const Uint8* row = static_cast<const Uint8*>(s->pixels) + y * s->pitch;
        for (int x = 0; x + 8 <= rowBytes; x += 8) {
            Uint64 word;
            std::memcpy(&word, row + x, 8);
            h = (h ^ word) * 1099511628211ull;
        }
    }
    SDL_UnlockSurface(s);
    return h;
}

// A frame has been drawn (and its point handled) when its pacing begins.
void recordFrame(Uint32)
{
    if (framePacingCalls() != frames.pacingSeen) {
        frames.pacingSeen = framePacingCalls();
        frames.digests.push_back(screenDigest());
    }
    if (inMatch)
        frames.matchSeen = true;
    if (frames.matchSeen && !inMatch && !frames.quitSent) {
        frames.quitSent = true;
        frames.score1 = score1;
        frames.score2 = score2;
        SDL_Event quit = quitEvent();
        SDL_PushEvent(&quit);
    }
}

// Plays a computer match on the court with the posts in a child process,
// with full court redraws or not; returns the scores and one digest a frame.
std::vector<Uint64> playMatch(bool fullRedraw, Sint32& score1Out, Sint32& score2Out)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return {};
    std::fflush(nullptr);
    pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        setFullCourtRedraw(fullRedraw);
        makeGameFolder();
        writeTextFile("setup.ini", "joy0\nfullscreen0\nsound0\nxspeed1\nsbots1\nlittlepoints\n");
        std::vector<ScriptedEvent> script;
        for (int i = 0; i < 4; ++i)
            pressKey(script, menuReadyMs + i * 400, SDLK_DOWN);
        pressKey(script, menuReadyMs + 1800, SDLK_RIGHT);
        pressKey(script, menuReadyMs + 2600, SDLK_RETURN);
        RunOptions options;
        options.onPause = recordFrame;
        int status = runScripted(script, options);
        Sint64 head[3] = {status, frames.score1, frames.score2};
        FILE* out = fdopen(pipeEnds[1], "wb");
        std::fwrite(head, sizeof head, 1, out);
        std::fwrite(frames.digests.data(), sizeof(Uint64), frames.digests.size(), out);
        std::fclose(out);
        std::exit(0);  // removes the game folder
    }
    close(pipeEnds[1]);
    FILE* in = fdopen(pipeEnds[0], "rb");
    Sint64 head[3] = {-1, -1, -1};
    std::vector<Uint64> digests;
    if (std::fread(head, sizeof head, 1, in) == 1) {
        Uint64 d;
        while (std::fread(&d, sizeof d, 1, in) == 1)
            digests.push_back(d);
    }
    std::fclose(in);
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(head[0], 0) << "the game's exit status";
    score1Out = static_cast<Sint32>(head[1]);
    score2Out = static_cast<Sint32>(head[2]);
    return digests;
}

TEST(CourtRedraw, EveryFrameOfAWholeMatchEqualsAFullRedraw)
{
    Sint32 fullLeft, fullRight, left, right;
    const std::vector<Uint64> full = playMatch(true, fullLeft, fullRight);
    const std::vector<Uint64> partial = playMatch(false, left, right);

    // A whole match, won by one side, with thousands of frames.
    EXPECT_TRUE(fullLeft == 7 || fullRight == 7) << fullLeft << ":" << fullRight;
    EXPECT_EQ(left, fullLeft);
    EXPECT_EQ(right, fullRight);
    ASSERT_GT(full.size(), 2000u);
    ASSERT_EQ(partial.size(), full.size());
    size_t firstDifference = full.size();
    size_t differences = 0;
    for (size_t i = 0; i < full.size(); ++i) {
        if (partial[i] != full[i]) {
            firstDifference = i < firstDifference ? i : firstDifference;
            ++differences;
        }
    }
    EXPECT_EQ(differences, 0u) << "first at frame " << firstDifference << " of " << full.size();
}

}  // namespace
