#include "netplay/netsession.h"

#include <fstream>

#include "game/base/state.h"
#include "net/quickpair.h"
#include "net/roomcode.h"
#include "netplay/replayfile.h"

namespace {

constexpr std::uint32_t kByeLingerMs = 1000;  // real ms a goodbye gets to leave at the end

void tell(NetSession& s, const std::string& text)
{
    if (s.listener.news)
        s.listener.news(s.listener.context, s.state, text);
}

void endWith(NetSession& s, net::Reason reason, const std::string& text)
{
    s.state.phase = NetPhase::Ended;
    s.state.reason = reason;
    tell(s, text);
}

bool hosting(const NetSession& s)
{
    return s.options.mode == NetMode::Host;
}

// The link to the relay, if this session has one and it is down now.
bool relayDown(const NetSession& s)
{
    const net::RelayRoom& room = hosting(s) ? s.host.relay : s.client.relay;
    return room.link && net::relayState(room.link) != net::RelayState::Connected;
}

// Says goodbye to the other machine(s); the game goes on, alone.
void closeConnections(NetSession& s, net::Reason reason, const std::string& text)
{
    if (hosting(s))
        net::hostClose(s.host, reason, text);
    else
        net::clientClose(s.client, reason, text);
}

void leave(NetSession& s)
{
    s.driver.failed = true;
    s.driver.failure = "You left the network game.";
    closeConnections(s, net::Reason::Quit,
                     s.seat == kGuestSeat ? "The other player left the game." : "A watcher left.");
    endWith(s, net::Reason::Quit, s.driver.failure);
}

// This machine's own events, as the driver takes them: what each means in
// the session decides whether it is sent, stays here or leaves.
int ownEvents(void* context, SDL_Event* out)
{
    NetSession& s = *static_cast<NetSession*>(context);
    SDL_Event e;
    while (pollFrom(s.own, &e)) {
        if (s.state.phase == NetPhase::Ended) {
            *out = e;
            return 1;
        }
        switch (ownEventMeaning(s.seat, inMatch, e, s.held)) {
        case OwnEventMeaning::Send: *out = e; return 1;
        case OwnEventMeaning::Local:
            if (s.localKey)
                s.localKey(s.localKeyContext, e, inMatch);
            break;
        case OwnEventMeaning::Leave:
            leave(s);
            SDL_memset(out, 0, sizeof *out);
            out->type = SDL_QUIT;
            return 1;
        case OwnEventMeaning::Drop: break;
        }
    }
    return 0;
}

bool openRoom(NetSession& s, const net::Identity& id)
{
    const NetOptions& o = s.options;
    std::string error;
    if (hosting(s)) {
        std::string code = o.code;  // a paired host's is drawn already
        if (code.empty() && !net::drawRoomCode(code)) {
            endWith(s, net::Reason::None, "The system gave no random numbers for the game's code.");
            return false;
        }
        if (!net::hostOpenRelay(s.host, o.relay, code, id, realNowMs, error)) {
            endWith(s, net::Reason::None, error);
            return false;
        }
        s.state.code = net::formatRoomCode(code);
        s.state.phase = NetPhase::Waiting;
        tell(s, o.code.empty() ? "Waiting for a player: the game's code is " + s.state.code + " (relay " + o.relay + ")."
                               : "");
        return true;
    }
    const net::Role role = o.mode == NetMode::Join ? net::Role::Player : net::Role::Watcher;
    s.state.code = net::formatRoomCode(o.code);
    tell(s, "Joining game " + s.state.code + " through the relay at " + o.relay + ".");
    if (!net::clientOpenRelay(s.client, o.relay, o.code, id, role, realNowMs, error)) {
        endWith(s, net::Reason::None, error);
        return false;
    }
    s.state.phase = NetPhase::Waiting;
    return true;
}

}  // namespace

bool netSessionOpen(NetSession& s, const net::Identity& id, const net::PlaySettings& own)
{
    const NetOptions& o = s.options;
    s.state.mode = o.mode;
    if (hosting(s)) {
        s.host.play = own;
        s.host.fixedDelayMs = o.fixedDelayMs;
    }
    if (!o.relay.empty())
        return openRoom(s, id);
    std::string error;
    if (hosting(s)) {
        if (!net::hostOpen(s.host, o.address, o.port, id, realNowMs, error)) {
            endWith(s, net::Reason::None, error);
            return false;
        }
        s.state.port = s.host.port;
        s.state.phase = NetPhase::Waiting;
        tell(s, "Waiting for a player on port " + std::to_string(s.host.port) + ".");
        return true;
    }
    const net::Role role = o.mode == NetMode::Join ? net::Role::Player : net::Role::Watcher;
    tell(s, "Connecting to " + o.address + " port " + std::to_string(o.port) + ".");
    if (!net::clientOpen(s.client, o.address, o.port, id, role, realNowMs, error)) {
        endWith(s, net::Reason::None, error);
        return false;
    }
    s.state.phase = NetPhase::Waiting;
    return true;
}

bool netSessionPairStep(NetSession& s, int waitMs)
{
    if (!s.quickOpen) {
        std::string error;
        s.state.mode = NetMode::Quick;
        if (!net::quickOpen(s.quick, s.options.relay, error)) {
            net::quickClose(s.quick);
            endWith(s, net::Reason::None, error);
            return false;
        }
        s.quickOpen = true;
        s.state.phase = NetPhase::Pairing;
        tell(s, "Waiting for anyone to play on the relay at " + s.options.relay + ".");
    }
    net::quickStep(s.quick, waitMs, realNowMs());
    if (!net::quickPaired(s.quick.pair))
        return false;
    net::quickClose(s.quick);  // the yes goes out before the link does
    s.quickOpen = false;
    const bool host = s.quick.pair.phase == net::QuickPhase::Host;
    s.options.mode = host ? NetMode::Host : NetMode::Join;
    s.options.code = s.quick.pair.code;
    s.state.mode = s.options.mode;
    s.state.phase = NetPhase::Opening;
    tell(s, std::string("Paired with a player: ") + (host ? "you host" : "you join") + " game " +
                net::formatRoomCode(s.quick.pair.code) + ".");
    return true;
}

void netSessionHostNews(NetSession& s)
{
    if (!hosting(s))
        return;
    for (const std::string& n : s.host.notices)
        tell(s, n);
    s.host.notices.clear();
}

NetWait netSessionWaitStep(NetSession& s, int waitMs)
{
    if (hosting(s)) {
        net::hostStep(s.host, waitMs);
        netSessionHostNews(s);
        return s.host.started ? NetWait::Started : NetWait::Waiting;
    }
    net::clientStep(s.client, waitMs);
    const net::Session& c = s.client.session;
    if (c.phase == net::Phase::Running)
        return NetWait::Started;
    if (c.phase != net::Phase::Closed)
        return NetWait::Waiting;
    s.state.refused = c.refused;
    s.state.greeted = c.greeted;
    endWith(s, c.endReason, c.endText);
    return NetWait::Closed;
}

void netSessionStopWaiting(NetSession& s)
{
    if (s.state.phase == NetPhase::Pairing) {
        net::quickClose(s.quick);
        s.quickOpen = false;
    } else if (s.state.phase == NetPhase::Waiting) {
        closeConnections(s, net::Reason::Quit, "The other side stopped waiting.");
    }
    endWith(s, net::Reason::Quit, "Stopped waiting.");
}

void netSessionPlay(NetSession& s, std::uint64_t (*stateHash)(), const PauseHook& afterPause, std::uint32_t startMs)
{
    NetplayDriver& d = s.driver;
    if (hosting(s)) {
        s.play = s.host.play;
        d.host = &s.host;
        s.state.rttMs = s.host.rttMs;
        s.state.delayMs = s.host.delayMs;
        s.seat = kHostSeat;
    } else {
        s.play = s.client.session.play;
        d.client = &s.client;
        s.state.rttMs = s.client.session.rttMs;
        s.state.delayMs = s.client.session.delayMs;
        s.seat = s.options.mode == NetMode::Join ? kGuestSeat : net::kNoLocalPlayer;
    }
    s.state.phase = NetPhase::Playing;
    tell(s, std::string(s.options.mode == NetMode::Watch ? "Watching" : "Playing") + ": round trip " +
                std::to_string(s.state.rttMs) + " ms, input delay " + std::to_string(s.state.delayMs) + " ms.");
    d.localSource = EventSource{ownEvents, &s};
    d.afterPause = afterPause;
    d.stateHash = stateHash;
    d.paced = s.options.paced;
    startNetplay(d, s.seat, s.state.delayMs, startMs);
}

bool netSessionTakeEnding(NetSession& s, std::string& text)
{
    NetplayDriver& d = s.driver;
    if (!d.failed || s.state.phase != NetPhase::Playing)
        return false;
    text = d.failure;
    if (d.apart) {
        const std::string file = "apart-" + std::to_string(nowMs()) + ".replay";
        std::ofstream out(file);
        out << netSessionReplayText(s);
        if (out.good())
            text += " The session is saved in " + file + ".";
    }
    if (relayDown(s))
        text += " The relay at " + s.options.relay + " is out of reach.";
    closeConnections(s, d.apart ? net::Reason::Desync : net::Reason::Quit, d.failure);
    s.state.greeted = true;
    endWith(s, d.failReason, text);
    return true;
}

void netSessionFinish(NetSession& s)
{
    if (s.state.phase == NetPhase::Pairing || s.state.phase == NetPhase::Waiting)
        netSessionStopWaiting(s);
    if (!s.driver.host && !s.driver.client)
        return;  // it never played
    if (s.state.phase != NetPhase::Ended) {
        closeConnections(s, net::Reason::Quit, "The other side's game ended.");
        s.state.phase = NetPhase::Ended;
    }
    const std::uint32_t since = realNowMs();
    while (realNowMs() - since < kByeLingerMs) {
        if (hosting(s)) {
            net::hostStep(s.host, 5);
            if (s.host.peers.empty())
                break;
        } else {
            net::clientStep(s.client, 5);
            if (net::clientDone(s.client))
                break;
        }
    }
    stopNetplay();
}

std::string netSessionReplayText(const NetSession& s)
{
    if (!s.driver.host && !s.driver.client)
        return "";
    return sessionReplayText(s.play, s.driver.played, "A network session of VOLTARI.");
}

std::uint64_t netSessionBytesSent(const NetSession& s)
{
    return hosting(s) ? net::hostBytesSent(s.host) : s.client.conn.bytesSent;
}

std::string netSessionRelayDrops(const NetSession& s)
{
    if (s.options.relay.empty())
        return "";
    const net::RelayDrops& d = hosting(s) ? s.host.relay.drops : s.client.relay.drops;
    return "relay drops: " + std::to_string(d.badTag) + " bad tag, " + std::to_string(d.badSize) + " bad size, " +
           std::to_string(d.badForm) + " bad form, " + std::to_string(d.replayed) + " replayed, " +
           std::to_string(d.early) + " early, " + std::to_string(d.strangers) + " strangers" +
           (hosting(s) ? "; " + std::to_string(s.host.castSeq) + " casts, " + std::to_string(s.host.castBytesSent) +
                             " bytes"
                       : "");
}
