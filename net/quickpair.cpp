#include "net/quickpair.h"

#include <cstdio>
#include <cstdlib>

#include "net/roomcode.h"
#include "net/roomkeys.h"

namespace net {

namespace {

struct QuickWords {
    std::string kind;
    std::uint64_t from = 0;
    std::string code;  // a deal's, canonical
};

// "deal 0123456789abcdef K7QX2M9P" -> its words; false for anything else.
bool readWords(const std::string& text, QuickWords& w) {
    char kind[8] = {}, from[17] = {}, code[16] = {};
    const int n = std::sscanf(text.c_str(), "%7s %16s %15s", kind, from, code);
    if (n < 2 || std::string(from).size() != 16)
        return false;
    char* end = nullptr;
    w.kind = kind;
    w.from = std::strtoull(from, &end, 16);
    if (*end != '\0')
        return false;
    if (w.kind == "deal")
        return n == 3 && parseRoomCode(code, w.code) && w.code == code;
    return n == 2 && (w.kind == "offer" || w.kind == "yes" || w.kind == "no");
}

void say(QuickPair& q, std::uint64_t to, const std::string& words) {
    q.out.push_back(QuickOut{quickInbox(to), words + " " + peerIdHex(q.self)});
}

void deal(QuickPair& q, std::uint64_t to, std::uint32_t nowMs) {
    std::string code;
    if (!(q.drawCode ? q.drawCode : drawRoomCode)(code))
        return;  // no random numbers now: the next offer may fare better
    q.phase = QuickPhase::Dealing;
    q.other = to;
    q.code = code;
    q.dealtMs = nowMs;
    q.out.push_back(QuickOut{quickInbox(to), "deal " + peerIdHex(q.self) + " " + code});
}

}  // namespace

std::string quickInbox(std::uint64_t id) {
    return std::string(kQuickSubject) + ".to." + peerIdHex(id);
}

void quickTake(QuickPair& q, const std::string& text, std::uint32_t nowMs) {
    QuickWords w;
    if (!readWords(text, w) || w.from == q.self || quickPaired(q))
        return;
    if (w.kind == "offer") {
        if (q.phase == QuickPhase::Free)
            deal(q, w.from, nowMs);
        return;
    }
    if (w.kind == "deal") {
        // Two who dealt to each other at once: the greater id takes the
        // other's deal, the smaller keeps its own.
        const bool crossed = q.phase == QuickPhase::Dealing && q.other == w.from && q.self > w.from;
        if (q.phase == QuickPhase::Free || crossed) {
            q.phase = QuickPhase::Guest;
            q.other = w.from;
            q.code = w.code;
            say(q, w.from, "yes");
        } else {
            say(q, w.from, "no");
        }
        return;
    }
    if (w.from != q.other)
        return;
    // A yes after the deal was given up still holds while this player is
    // free: the other is on its way to the code.
    if (w.kind == "yes" && (q.phase == QuickPhase::Dealing || !q.code.empty()))
        q.phase = QuickPhase::Host;
    else if (w.kind == "no" && q.phase == QuickPhase::Dealing)
        q.phase = QuickPhase::Free;
}

void quickTick(QuickPair& q, std::uint32_t nowMs) {
    if (q.phase == QuickPhase::Dealing && nowMs - q.dealtMs >= kQuickAnswerMs)
        q.phase = QuickPhase::Free;  // other and code kept for a late yes
    if (q.phase == QuickPhase::Free && (!q.offered || nowMs - q.offeredMs >= kQuickOfferEveryMs)) {
        q.out.push_back(QuickOut{kQuickSubject, "offer " + peerIdHex(q.self)});
        q.offered = true;
        q.offeredMs = nowMs;
    }
}

bool quickOpen(QuickWait& w, const std::string& url, std::string& error) {
    std::uint8_t id[8];
    if (!randomBytes(id, sizeof id)) {
        error = "The system gave no random numbers.";
        return false;
    }
    w.pair = QuickPair();
    for (std::uint8_t b : id)
        w.pair.self = w.pair.self << 8 | b;
    w.link = relayOpen(url, error);
    if (!w.link)
        return false;
    return relaySubscribe(w.link, quickInbox(w.pair.self), error) &&
           relaySubscribeQueue(w.link, kQuickSubject, kQuickQueue, error);
}

void quickStep(QuickWait& w, int waitMs, std::uint32_t nowMs) {
    std::vector<RelayMessage> got;
    relayPoll(w.link, waitMs, got);
    for (const RelayMessage& m : got) {
        const std::string text(m.data.begin(), m.data.end());
        if (text == "offer " + peerIdHex(w.pair.self))
            ++w.offersBack;
        quickTake(w.pair, text, nowMs);
    }
    quickTick(w.pair, nowMs);
    for (const QuickOut& o : w.pair.out)
        relayPublish(w.link, o.subject, reinterpret_cast<const std::uint8_t*>(o.text.data()), o.text.size());
    w.pair.out.clear();
}

void quickClose(QuickWait& w) {
    relayClose(w.link);  // flushes what is still to go
    w.link = nullptr;
}

}  // namespace net
