// The match frame restores the court only where something moves. A whole
// match played that way must show, frame after frame, exactly the screen
// of the same match drawn over a full court every frame.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "game/base/state.h"
#include "game/match/match.h"
#include "game/base/timeseam.h"
#include "game/flow/redraw.h"
#include "game/media/media.h"
#include "settings/settings.h"
#include "support/gamerun.h"

namespace {

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
        frames.score1 = currentMatch().sides[leftSide].score;
        frames.score2 = currentMatch().sides[rightSide].score;
        SDL_Event quit = quitEvent();
        SDL_PushEvent(&quit);
    }
}

// Plays a computer match on the court with the posts, with full court
// redraws or not; returns the scores and one digest a frame. Both runs share
// this process: the game starts every run from its reset.
std::vector<Uint64> playMatch(bool fullRedraw, Sint32& score1Out, Sint32& score2Out)
{
    frames = FrameLog();
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
    EXPECT_EQ(runScripted(script, options), 0) << "the game's exit status";
    setFullCourtRedraw(false);
    score1Out = frames.score1;
    score2Out = frames.score2;
    return frames.digests;
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
