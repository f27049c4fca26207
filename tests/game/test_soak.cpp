// Soak: computer against computer, match after match, with a menu visit
// between matches, all through the real main loop in virtual time. The heap
// in use is measured at the first tick of every menu visit and must not grow
// from one match to the next; under the sanitizers the leak check at exit
// covers what is still held when the game has shut down.
//
// CTest runs a short soak; `make soak` runs the long form with
// VOLTARI_SOAK_MATCHES (and prints the figures).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "game/base/state.h"
#include "game/match/match.h"
#include "settings/settings.h"
#include "support/gamerun.h"

#if defined(__SANITIZE_ADDRESS__)
#define VOLTARI_SOAK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VOLTARI_SOAK_ASAN 1
#endif
#endif

#ifdef VOLTARI_SOAK_ASAN
// The sanitizer runtime's own count; GCC ships the function but not its header.
extern "C" size_t __sanitizer_get_current_allocated_bytes(void);
#else
#include <malloc.h>
#endif

namespace {

#ifdef VOLTARI_SOAK_ASAN
// The sanitizer counts the bytes asked for, exactly; a match is slow here.
const int defaultMatches = 2;
const size_t settledAfterMatch = 1;
#else
// mallinfo2 counts whole chunks, and glibc moves the large picture buffers
// from mmap into the heap once its mmap threshold has adapted (the jump of
// about 1.9 MB in the first match); its count settles after the second.
const int defaultMatches = 3;
const size_t settledAfterMatch = 2;
#endif

// Bytes handed out by the allocator and not yet freed.
size_t heapInUse()
{
#ifdef VOLTARI_SOAK_ASAN
    return __sanitizer_get_current_allocated_bytes();
#else
    return mallinfo2().uordblks;
#endif
}

const Uint32 menuTickMs = 30;  // the only 30 ms pause outside a match

struct Visit {
    size_t heap;       // bytes in use at the visit's first menu tick
    Sint32 score1;     // scores of the match before the visit
    Sint32 score2;
    Uint32 atMs;       // virtual time of the measurement
};

struct Soak {
    int matches = 0;             // matches to play
    std::vector<Visit> visits;   // [0] before the first match, [k] after match k
    bool measured = false;       // this menu visit has been measured
    bool progress = false;       // report each visit on stderr as it happens
    Uint32 lastPause = 0;
} soak;

void push(SDL_Event e)
{
    SDL_PushEvent(&e);
}

void pressNow(SDLKey key)
{
    push(keyDown(key));
    push(keyUp(key));
}

// At the first tick of each menu visit: measure, then choose the next step.
void soakHook(Uint32 now)
{
    const Uint32 step = now - soak.lastPause;
    soak.lastPause = now;
    if (inMatch) {
        soak.measured = false;
        return;
    }
    if (soak.measured || step != menuTickMs)
        return;
    soak.measured = true;
    soak.visits.push_back(Visit{heapInUse(), currentMatch().sides[leftSide].score, currentMatch().sides[rightSide].score, now});
    const int played = static_cast<int>(soak.visits.size()) - 1;
    // stderr is unbuffered: the report itself takes nothing from the heap.
    if (soak.progress)
        std::fprintf(stderr, "soak: after match %d: %zu bytes\n", played, soak.visits.back().heap);
    if (played == 0) {
        // Walk the cursor to computer against computer; it stays there for
        // every later visit.
        for (int i = 0; i < 4; ++i)
            pressNow(SDLK_DOWN);
        pressNow(SDLK_RETURN);
    } else if (played < soak.matches) {
        pressNow(SDLK_RETURN);
    } else {
        pressNow(SDLK_ESCAPE);
    }
}

int matchesWanted(int fallback)
{
    const char* v = std::getenv("VOLTARI_SOAK_MATCHES");
    const int n = v ? std::atoi(v) : 0;
    return n > 0 ? n : fallback;
}

TEST(Soak, ComputerMatchesWithMenuVisitsKeepTheHeapFlat)
{
    soak = Soak();
    soak.matches = std::max(matchesWanted(defaultMatches), static_cast<int>(settledAfterMatch) + 1);
    soak.progress = std::getenv("VOLTARI_SOAK_MATCHES") != nullptr;
    // Room for every visit up front: the record must not grow the heap it measures.
    soak.visits.reserve(static_cast<size_t>(soak.matches) + 1);
    makeGameFolder();
    writeTextFile("setup.ini", "joy0\nfullscreen0\nsound1\nlittlepoints\n");
    RunOptions options;
    options.onPause = soakHook;
    options.deadlineMs = 0xF0000000u;  // the soak ends itself with Escape
    ASSERT_EQ(runScripted({}, options), 0);

    ASSERT_EQ(soak.visits.size(), static_cast<size_t>(soak.matches) + 1);
    std::printf("soak: %d matches, heap in use at each menu visit (bytes, %s):\n", soak.matches,
#ifdef VOLTARI_SOAK_ASAN
                "sanitizer allocator"
#else
                "mallinfo2 uordblks"
#endif
    );
    for (size_t k = 0; k < soak.visits.size(); ++k) {
        const Visit& v = soak.visits[k];
        std::printf("  after match %zu: %zu  (score %d:%d, at %u ms)\n", k, v.heap, v.score1, v.score2, v.atMs);
    }
    std::fflush(stdout);

    for (size_t k = 1; k < soak.visits.size(); ++k) {
        const Visit& v = soak.visits[k];
        EXPECT_EQ(std::max(v.score1, v.score2), 7) << "match " << k << " did not end at 7 points";
        EXPECT_LT(std::min(v.score1, v.score2), 7) << "match " << k;
    }
    // From the settled match on, not a single byte may be added.
    const Visit& settled = soak.visits[settledAfterMatch];
    for (size_t k = settledAfterMatch + 1; k < soak.visits.size(); ++k)
        EXPECT_EQ(soak.visits[k].heap, settled.heap)
            << "heap after match " << k << " differs from after match " << settledAfterMatch;
}

}  // namespace
