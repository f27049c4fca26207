// The network game's driver: in a network session it is the input seam's
// source, the time seam's pause hook and, for a player, the match's
// stepper. Outside a match (the menu) it is lockstep: local events are
// stamped for now + D and sent; the game gets both players' events, merged
// in the order both machines agree on; after every pause virtual time is
// held until both players' events up to it are known. In a match a player
// plays ahead (rollback.h): its own events count in the frame that takes
// them, and a rally's end goes on to the point only once it is certain.
// State hashes of certain records go both ways every kHashEveryMs of
// virtual time and at every point; a difference ends the session. Once it
// has ended, paced time goes on and local events reach the game directly:
// this machine plays on alone.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "SDL.h"
#include "game/base/inputseam.h"
#include "game/base/timeseam.h"
#include "net/client.h"
#include "net/host.h"
#include "net/lockstep.h"
#include "netplay/rollback.h"

// Tests: told every frame of a match once it is certain, with the time of
// the pause after it (virtual ms) and the record as it was shown.
struct CertainFrameHook {
    void (*call)(void* context, Uint32 pauseMs, const Match& after) = nullptr;
    void* context = nullptr;
};

constexpr std::uint32_t kHashEveryMs = 2000;    // virtual ms between state hashes
constexpr std::uint32_t kAdvanceStepMs = 5;     // virtual ms between advances while not held
constexpr std::uint32_t kHoldLimitMs = 10000;   // real ms one moment may be held before giving up
constexpr std::uint32_t kWatcherCatchUpMs = 1000; // a watcher this far behind the players runs unpaced
constexpr std::uint32_t kStallMs = 5;             // real ms behind real time after a hold: a stall a player may feel

struct NetplayDriver {
    net::Host* host = nullptr;        // exactly one of host and client
    net::Client* client = nullptr;
    net::Lockstep lockstep;
    EventSource localSource;           // this machine's own events (SDL_PollEvent in the game)
    PauseHook afterPause;              // called after the driver's own work, if set
    std::uint64_t (*stateHash)() = nullptr;
    std::uint32_t lastAdvanceMs = 0;   // virtual: the through-time last sent
    std::uint32_t nextHashMs = 0;      // virtual
    std::map<std::uint32_t, std::uint64_t> ownHashes;   // virtual ms -> hash, not yet matched
    std::map<std::uint32_t, std::uint64_t> peerHashes;  // likewise, from the other machine
    std::uint64_t heldPauses = 0;      // pauses that had to wait for the other machine
    std::uint64_t heldRealMs = 0;      // real ms spent waiting in them
    std::uint64_t stalls = 0;          // paced: holds after which the game was over kStallMs behind real time
    bool holdPending = false;          // a frame held or set the clock back: the next pause settles the pace
    Rollback rollback;                 // a player's frames played ahead in a match
    CertainFrameHook certainFrame;
    std::uint64_t hashesMatched = 0;
    bool paced = false;                // virtual time waits for real time (a real session; tests may run unpaced)
    std::vector<net::Stamped> played;  // every event handed to the game, in order: the session's replay
    int hashedPoints = 0;              // both scores added at the last hash: a hash goes at every point
    std::uint32_t startVirtualMs = 0;  // virtual ms at the session's start
    std::uint32_t startRealMs = 0;     // real ms (the network's clock) at the session's start
    std::uint64_t pacedRealMs = 0;     // real ms spent letting real time catch up
    std::string peerGone;              // the other machine left, and why (events it sent still play)
    net::Reason peerGoneReason = net::Reason::None;
    bool failed = false;               // the session ended; failure says why, failReason as a value
    net::Reason failReason = net::Reason::None;
    bool apart = false;                // ... because the two games' state hashes differed
    std::string failure;
};

// Starts a session at virtual time startMs: the driver becomes the seams'
// source and hook. localPlayer is 0 on the host, 1 on the guest,
// net::kNoLocalPlayer watching.
void startNetplay(NetplayDriver& d, std::uint8_t localPlayer, std::uint32_t delayMs, std::uint32_t startMs);
// Puts the seams back.
void stopNetplay();
// The seams' source and hook while a session runs (context: the driver).
int netplayPollEvent(void* driver, SDL_Event* event);
void netplayPauseHook(void* driver, Uint32 nowMs);
// The match's stepper while a player's session runs (context: the driver).
bool netplayStepFrame(void* driver, Match& m, Uint32 nowMs, FrameHappenings& out);
// Whether the game shows frames not yet certain.
bool netplayAhead(const NetplayDriver& d);
