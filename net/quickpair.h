// "Play anyone": two players waiting on the same relay are paired, then
// play as a room (one hosts a fresh code, the other joins it).
//
// Every waiting player listens on its own subject, voltari.1.quick.to.<id>,
// and on voltari.1.quick in the queue group "waiting", where it publishes
// an offer (its id) every kQuickOfferEveryMs. The relay hands each offer to
// one member of the group only. A free player that gets someone else's
// offer draws a code and deals it to that player; a free player that gets a
// deal says yes and joins the code; the dealer, on that yes, hosts it. A
// player busy with a deal of its own says no to any other deal, so nobody
// is promised to two. Two players who dealt to each other at once: the one
// with the greater id takes the other's deal. Its own offer, or any message
// carrying its own id, a player ignores: it never pairs with itself.
// Messages are text: "offer ID", "deal ID CODE", "yes ID", "no ID" (ID the
// sender's, 16 hex digits; CODE canonical).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "net/relay.h"

namespace net {

constexpr char kQuickSubject[] = "voltari.1.quick";
constexpr char kQuickQueue[] = "waiting";
constexpr std::uint32_t kQuickOfferEveryMs = 250;  // a free player's offers, real ms apart
constexpr std::uint32_t kQuickAnswerMs = 3000;     // a deal unanswered this long is given up, real ms

enum class QuickPhase : std::uint8_t {
    Free,     // offering, waiting for an offer or a deal
    Dealing,  // dealt a code to `other`, waiting for its yes or no
    Host,     // paired: hosts `code`, `other` joins it
    Guest     // paired: joins `other`'s `code`
};

struct QuickOut {
    std::string subject;
    std::string text;
};

struct QuickPair {
    std::uint64_t self = 0;      // this player's id
    QuickPhase phase = QuickPhase::Free;
    std::uint64_t other = 0;     // Dealing, Host, Guest: the other player's id
    std::string code;            // Dealing, Host, Guest: the room's code, canonical
    std::uint32_t dealtMs = 0;   // real ms the deal went
    std::uint32_t offeredMs = 0; // real ms of the last offer
    bool offered = false;        // an offer went at all
    bool (*drawCode)(std::string& canonical) = nullptr;  // a fresh code (null: drawRoomCode)
    std::vector<QuickOut> out;   // to publish, in order
};

std::string quickInbox(std::uint64_t id);
// What one message asks of this player; what to say goes into q.out.
void quickTake(QuickPair& q, const std::string& text, std::uint32_t nowMs);
// Offers when due, gives up a deal unanswered too long.
void quickTick(QuickPair& q, std::uint32_t nowMs);
inline bool quickPaired(const QuickPair& q) {
    return q.phase == QuickPhase::Host || q.phase == QuickPhase::Guest;
}

// A waiting player on a relay: its link and its pairing.
struct QuickWait {
    RelayLink* link = nullptr;
    QuickPair pair;
    std::uint64_t offersBack = 0;  // its own offers the relay handed back to it
};

// Connects, draws the id and listens on both subjects.
bool quickOpen(QuickWait& w, const std::string& url, std::string& error);
// Takes what came within waitMs, answers it, offers when due.
void quickStep(QuickWait& w, int waitMs, std::uint32_t nowMs);
// Leaves the relay (once paired, or when the player stops waiting); what
// is still to say goes first.
void quickClose(QuickWait& w);

}  // namespace net
