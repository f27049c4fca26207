#include "game/flow/netgame.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <vector>

#include "game/base/inputseam.h"
#include "game/base/state.h"
#include "game/base/timeseam.h"
#include "game/flow/matchloop.h"
#include "game/flow/menu.h"
#include "game/flow/netnotice.h"
#include "game/media/assets.h"
#include "game/media/image.h"
#include "game/media/media.h"
#include "net/client.h"
#include "net/datahash.h"
#include "net/host.h"
#include "net/quickpair.h"
#include "net/roomcode.h"
#include "net/roomkeys.h"
#include "net/socket.h"
#include "netplay/driver.h"
#include "netplay/replayfile.h"
#include "netplay/seats.h"
#include "netplay/statehash.h"
#include "settings/settings.h"

namespace {

// The session's virtual clock starts where the replay runner's does, so a
// saved session plays back at the very same times.
constexpr Uint32 kSessionStartMs = 1000;   // virtual ms
// While waiting, the window is looked at between waits for the network of
// up to this long (spent in poll(), which wakes the moment a message comes,
// so that the round trips are measured well).
constexpr int kWaitStepMs = 20;            // real ms
constexpr Uint32 kByeLingerMs = 1000;      // real ms a goodbye gets to leave at the end

struct NetGame {
    NetGameOptions options;
    net::Host host;
    net::Client client;
    NetplayDriver driver;
    net::PlaySettings play;          // both games play by the host's
    std::uint8_t seat = 0;           // 0 host, 1 guest, net::kNoLocalPlayer watching
    bool live = false;               // the session runs
    bool over = false;               // it ended; this machine plays on alone
    HeldKeys held;                   // this machine's keys held down, as they were sent
    std::vector<SDL_Event> injected; // local events the game gets before any other
    Uint32 lastPauseMs = 0;          // virtual ms of the last pause
    NoticeBoard board;               // how the session ended, in the window
};

std::unique_ptr<NetGame> session;
NetStatusListener listener = nullptr;
RoomOpenedListener roomListener = nullptr;

void say(const std::string& text)
{
    if (listener) {
        listener(text);
        return;
    }
    std::fprintf(stderr, "voltari: %s\n", text.c_str());
    const std::string caption = "VOLTARI: " + text;
    SDL_WM_SetCaption(caption.c_str(), nullptr);
}

SDL_Event keyEvent(Uint8 type, SDLKey key)
{
    SDL_Event e;
    SDL_memset(&e, 0, sizeof e);
    e.type = type;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = key;
    return e;
}

bool identity(net::Identity& id, std::string& error)
{
    id.buildId = VOLTARI_VERSION;
    std::vector<std::string> files(pictureFiles, pictureFiles + pictureFileCount);
    return net::hashDataFiles(files, id.dataHash, error);
}

net::PlaySettings ownPlaySettings()
{
    net::PlaySettings p;
    p.joy = settings.joy;
    p.xspeed = std::uint16_t(settings.xspeed);
    p.sbots = std::uint8_t(settings.sbots);
    p.pointsToWin = std::uint8_t(settings.pointsToWin);
    return p;
}

void adoptPlaySettings(const net::PlaySettings& p)
{
    settings.joy = p.joy;
    settings.xspeed = p.xspeed;
    settings.sbots = float(p.sbots);
    settings.pointsToWin = p.pointsToWin;
}

// The link to the relay, if this session has one and it is down now.
bool relayDown(const NetGame& g)
{
    const net::RelayRoom& room = g.options.mode == NetMode::Host ? g.host.relay : g.client.relay;
    return room.link && net::relayState(room.link) != net::RelayState::Connected;
}

// Says goodbye to the other machine(s); the game goes on, alone.
void closeConnections(NetGame& g, net::Reason reason, const std::string& text)
{
    if (g.options.mode == NetMode::Host)
        net::hostClose(g.host, reason, text);
    else
        net::clientClose(g.client, reason, text);
}

// The session is over: say why and, in a match, go back to the menu, from
// which this machine plays on alone (or quits).
void endSession(NetGame& g, const std::string& why)
{
    g.over = true;
    std::string text = why;
    const bool apart = g.driver.apart;
    if (apart) {
        const std::string file = "apart-" + std::to_string(nowMs()) + ".replay";
        std::ofstream out(file);
        out << netGameReplayText();
        if (out.good())
            text += " The session is saved in " + file + ".";
    }
    if (relayDown(g))
        text += " The relay at " + g.options.relay + " is out of reach.";
    closeConnections(g, apart ? net::Reason::Desync : net::Reason::Quit, why);
    say(text);
    showNotice(g.board, noticeFor(g.seat, g.driver.failReason, false, true), realNowMs());
    if (inMatch) {
        g.injected.push_back(keyEvent(SDL_KEYDOWN, SDLK_ESCAPE));
        g.injected.push_back(keyEvent(SDL_KEYUP, SDLK_ESCAPE));
    }
}

void leave(NetGame& g)
{
    g.driver.failed = true;
    g.driver.failure = "You left the network game.";
    g.over = true;
    const char* text = g.seat == 1 ? "The other player left the game." : "A watcher left.";
    closeConnections(g, net::Reason::Quit, text);
    say(g.driver.failure);
}

bool isKeyDown(const SDL_Event& e, SDLKey key)
{
    return e.type == SDL_KEYDOWN && e.key.keysym.sym == key;
}

// This machine's own events, before the driver stamps and sends them.
int localEvents(SDL_Event* out)
{
    NetGame& g = *session;
    if (!g.injected.empty()) {
        *out = g.injected.front();
        g.injected.erase(g.injected.begin());
        return 1;
    }
    SDL_Event e;
    const EventSource own = g.options.ownEvents ? g.options.ownEvents : SDL_PollEvent;
    while (own(&e)) {
        if (g.over) {
            *out = e;
            return 1;
        }
        switch (ownEventMeaning(g.seat, inMatch, e, g.held)) {
        case OwnEventMeaning::Send: *out = e; return 1;
        case OwnEventMeaning::Local:
            if (e.type == SDL_KEYDOWN)
                inMatch ? stepMatchVolume() : stepMenuVolume();
            break;
        case OwnEventMeaning::Leave:
            leave(g);
            SDL_memset(out, 0, sizeof *out);
            out->type = SDL_QUIT;
            return 1;
        case OwnEventMeaning::Drop: break;
        }
    }
    return 0;
}

// Who came, who was refused or turned away, who left: said as it happens,
// for the whole session.
void sayHostNotices(NetGame& g)
{
    if (g.options.mode != NetMode::Host)
        return;
    for (const std::string& n : g.host.notices)
        say(n);
    g.host.notices.clear();
}

void afterPause(Uint32 now)
{
    NetGame& g = *session;
    // A pause longer than the frame's 1 ms steps is one that shows something
    // (a fade or sequence step, a menu tick): it presents, as a real pause
    // does. The frame's own steps do not, or the whole window would go to
    // the display a thousand times a second.
    if (now - g.lastPauseMs > 1)
        realPauseMs(0);
    g.lastPauseMs = now;
    if (g.driver.failed && !g.over)
        endSession(g, g.driver.failure);
    sayHostNotices(g);
    keepNotice(g.board, realNowMs());  // a person reads by the wall clock
    if (g.options.afterPause)
        g.options.afterPause(now);
}

// A session that never began: its panel over the logo for a while, or
// until the player presses a key or closes the window.
void showRefusal(NetGame& g, atlas::NetNotice notice)
{
    showNotice(g.board, notice, realNowMs());
    SDL_Flip(screen);
    if (!g.options.paced)
        return;  // the tests' sessions do not wait for a reader
    for (const Uint32 since = realNowMs(); realNowMs() - since < kNoticeShowMs;) {
        realPauseMs(kWaitStepMs);
        SDL_Event e;
        while (pollEvent(&e))
            if (e.type == SDL_QUIT || e.type == SDL_KEYDOWN || e.type == SDL_MOUSEBUTTONDOWN)
                return;
    }
}

// Waits for the session to start, keeping the window alive: -1 once it
// runs, else the exit status (0: the player stopped waiting).
int waitForStart(NetGame& g)
{
    for (;;) {
        if (g.options.mode == NetMode::Host) {
            net::hostStep(g.host, kWaitStepMs);
            sayHostNotices(g);
            if (g.host.started)
                return -1;
        } else {
            net::clientStep(g.client, kWaitStepMs);
            if (g.client.session.phase == net::Phase::Running)
                return -1;
            if (g.client.session.phase == net::Phase::Closed) {
                const net::Session& s = g.client.session;
                say(s.endText);
                const std::uint8_t seat = g.options.mode == NetMode::Join ? kGuestSeat : net::kNoLocalPlayer;
                showRefusal(g, noticeFor(seat, s.endReason, s.refused, s.greeted));
                return 1;
            }
        }
        SDL_Event e;
        while (pollEvent(&e)) {
            if (e.type == SDL_QUIT || isKeyDown(e, SDLK_ESCAPE)) {
                closeConnections(g, net::Reason::Quit, "The other side stopped waiting.");
                say("Stopped waiting.");
                return 0;
            }
        }
    }
}

// A game through a relay: the host opens a room under a new code, a guest
// or a watcher joins one by its code.
bool openRoom(NetGame& g, const net::Identity& id)
{
    const NetGameOptions& o = g.options;
    std::string error;
    if (o.mode == NetMode::Host) {
        std::string code = o.code;  // a paired host's is drawn already
        if (code.empty() && !net::drawRoomCode(code)) {
            say("The system gave no random numbers for the game's code.");
            return false;
        }
        g.host.play = ownPlaySettings();
        g.host.fixedDelayMs = o.fixedDelayMs;
        if (!net::hostOpenRelay(g.host, o.relay, code, id, realNowMs, error)) {
            say(error);
            return false;
        }
        if (o.code.empty()) {
            say("Waiting for a player: the game's code is " + net::formatRoomCode(code) + " (relay " + o.relay +
                ").");
            if (roomListener)
                roomListener(net::formatRoomCode(code));
        }
        return true;
    }
    const net::Role role = o.mode == NetMode::Join ? net::Role::Player : net::Role::Watcher;
    say("Joining game " + net::formatRoomCode(o.code) + " through the relay at " + o.relay + ".");
    if (!net::clientOpenRelay(g.client, o.relay, o.code, id, role, realNowMs, error)) {
        say(error);
        return false;
    }
    return true;
}

// Play anyone: waits on the relay until another waiting player is paired
// with this one (net/quickpair.h), keeping the window alive; then this
// machine hosts or joins the pair's room. -1 once paired, else the exit
// status (0: the player stopped waiting).
int pairUp(NetGame& g)
{
    net::QuickWait w;
    std::string error;
    if (!net::quickOpen(w, g.options.relay, error)) {
        net::quickClose(w);
        say(error);
        return 1;
    }
    say("Waiting for anyone to play on the relay at " + g.options.relay + ".");
    while (!net::quickPaired(w.pair)) {
        net::quickStep(w, kWaitStepMs, realNowMs());
        SDL_Event e;
        while (pollEvent(&e)) {
            if (e.type == SDL_QUIT || isKeyDown(e, SDLK_ESCAPE)) {
                net::quickClose(w);
                say("Stopped waiting.");
                return 0;
            }
        }
    }
    net::quickClose(w);  // the yes goes out before the link does
    const bool hosting = w.pair.phase == net::QuickPhase::Host;
    g.options.mode = hosting ? NetMode::Host : NetMode::Join;
    g.options.code = w.pair.code;
    say(std::string("Paired with a player: ") + (hosting ? "you host" : "you join") + " game " +
        net::formatRoomCode(w.pair.code) + ".");
    return -1;
}

}  // namespace

namespace {

const char kUsage[] = "usage: VOLTARI [--host [PORT] | --join HOST[:PORT] | --watch HOST[:PORT]]\n"
                      "       VOLTARI --relay URL (--host | --join CODE | --watch CODE | --quick)";

// After "--relay URL": a room of our own, one by its code, or anyone's.
bool parseRelayArgs(int argc, char** argv, NetGameOptions& options, std::string& error)
{
    options.relay = argv[2];
    const std::string flag = argc > 3 ? argv[3] : "";
    if ((flag == "--host" || flag == "--quick") && argc == 4) {
        options.mode = flag == "--host" ? NetMode::Host : NetMode::Quick;
        return true;
    }
    if ((flag == "--join" || flag == "--watch") && argc == 5) {
        options.mode = flag == "--join" ? NetMode::Join : NetMode::Watch;
        if (!net::parseRoomCode(argv[4], options.code)) {
            error = std::string("not a game's code: ") + argv[4] + " (eight letters and digits, as K7QX-2M9P)";
            return false;
        }
        return true;
    }
    error = kUsage;
    return false;
}

}  // namespace

bool parseNetArgs(int argc, char** argv, NetGameOptions& options, std::string& error)
{
    options = NetGameOptions();
    if (argc <= 1)
        return true;
    const std::string flag = argv[1];
    if (flag == "--relay" && argc >= 4)
        return parseRelayArgs(argc, argv, options, error);
    if (flag == "--host" && argc <= 3) {
        options.mode = NetMode::Host;
        options.port = net::kDefaultPort;
        if (argc == 3) {
            char* end = nullptr;
            const long port = std::strtol(argv[2], &end, 10);
            if (*argv[2] == '\0' || *end != '\0' || port < 0 || port > 65535) {
                error = std::string("not a port: ") + argv[2];
                return false;
            }
            options.port = std::uint16_t(port);
        }
        return true;
    }
    if ((flag == "--join" || flag == "--watch") && argc == 3) {
        options.mode = flag == "--join" ? NetMode::Join : NetMode::Watch;
        if (!net::splitHostPort(argv[2], options.address, options.port)) {
            error = std::string("not HOST or HOST:PORT: ") + argv[2];
            return false;
        }
        return true;
    }
    error = kUsage;
    return false;
}

void askForNetGame(const NetGameOptions& options)
{
    session.reset();
    if (options.mode == NetMode::Local)
        return;
    session.reset(new NetGame);
    session->options = options;
    useVirtualClock(kSessionStartMs);
}

void setNetStatusListener(NetStatusListener l)
{
    listener = l;
}

void setRoomOpenedListener(RoomOpenedListener l)
{
    roomListener = l;
}

int startNetGame()
{
    if (!session)
        return -1;
    NetGame& g = *session;
    net::Identity id;
    std::string error;
    if (!identity(id, error)) {
        say(error);
        return 1;
    }
    const NetGameOptions& o = g.options;
    loadNotices(g.board);
    if (o.mode == NetMode::Quick) {
        blit(0, 0, logo, screen, nullptr);
        SDL_Flip(screen);
        const int status = pairUp(g);
        if (status >= 0) {
            freeNotices(g.board);
            return status;
        }
    }
    if (!o.relay.empty()) {
        if (!openRoom(g, id))
            return 1;
    } else if (o.mode == NetMode::Host) {
        g.host.play = ownPlaySettings();
        g.host.fixedDelayMs = o.fixedDelayMs;
        if (!net::hostOpen(g.host, o.address, o.port, id, realNowMs, error)) {
            say(error);
            return 1;
        }
        say("Waiting for a player on port " + std::to_string(g.host.port) + ".");
    } else {
        const net::Role role = o.mode == NetMode::Join ? net::Role::Player : net::Role::Watcher;
        say("Connecting to " + o.address + " port " + std::to_string(o.port) + ".");
        if (!net::clientOpen(g.client, o.address, o.port, id, role, realNowMs, error)) {
            say(error);
            return 1;
        }
    }
    // The logo keeps the window company while it waits; the screen is black
    // again before the game starts, as it is for the other machine.
    blit(0, 0, logo, screen, nullptr);
    SDL_Flip(screen);
    const int status = waitForStart(g);
    SDL_FillRect(screen, nullptr, 0);
    if (status >= 0) {
        freeNotices(g.board);
        return status;
    }

    NetplayDriver& d = g.driver;
    std::uint32_t rtt = 0;
    std::uint32_t delay = 0;
    if (o.mode == NetMode::Host) {
        g.play = g.host.play;
        d.host = &g.host;
        rtt = g.host.rttMs;
        delay = g.host.delayMs;
        g.seat = 0;
    } else {
        g.play = g.client.session.play;
        adoptPlaySettings(g.play);
        d.client = &g.client;
        rtt = g.client.session.rttMs;
        delay = g.client.session.delayMs;
        g.seat = o.mode == NetMode::Join ? 1 : net::kNoLocalPlayer;
    }
    say(std::string(o.mode == NetMode::Watch ? "Watching" : "Playing") + ": round trip " + std::to_string(rtt) +
        " ms, input delay " + std::to_string(delay) + " ms.");
    d.localSource = localEvents;
    d.afterPause = afterPause;
    d.stateHash = gameStateHash;
    d.paced = o.paced;
    startNetplay(d, g.seat, delay, nowMs());
    g.live = true;
    return -1;
}

void netGameClosing()
{
    if (!session)
        return;
    NetGame& g = *session;
    // Only the host's quit ends both games: a guest or a watcher is told so,
    // its panel on top through the closing sequence, which both games still
    // play in step.
    if (g.live && !g.over && g.seat != kHostSeat) {
        say(g.seat == kGuestSeat ? "The host ended the game." : "The game you watched has ended.");
        showNotice(g.board, noticeFor(g.seat, net::Reason::Quit, false, true), realNowMs());
    }
}

void netGameClosed()
{
    if (session)
        freeNotices(session->board);
}

std::string netGameReplayText()
{
    if (!session || !session->live)
        return "";
    return sessionReplayText(session->play, session->driver.played, "A network session of VOLTARI.");
}

const NetplayDriver* netGameDriver()
{
    return session && session->live ? &session->driver : nullptr;
}

int netGameNotice()
{
    return session ? session->board.shown : -1;
}

std::string netGameRelayDrops()
{
    if (!session || session->options.relay.empty())
        return "";
    const NetGame& g = *session;
    const net::RelayDrops& d = g.options.mode == NetMode::Host ? g.host.relay.drops : g.client.relay.drops;
    return "relay drops: " + std::to_string(d.badTag) + " bad tag, " + std::to_string(d.badSize) + " bad size, " +
           std::to_string(d.badForm) + " bad form, " + std::to_string(d.replayed) + " replayed, " +
           std::to_string(d.early) + " early, " + std::to_string(d.strangers) + " strangers";
}

std::uint64_t netGameBytesSent()
{
    if (!session)
        return 0;
    return session->options.mode == NetMode::Host ? net::hostBytesSent(session->host) : session->client.conn.bytesSent;
}

void endNetGame()
{
    if (!session)
        return;
    NetGame& g = *session;
    if (g.live) {
        if (!g.over)
            closeConnections(g, net::Reason::Quit, "The other side's game ended.");
        const Uint32 since = realNowMs();
        while (realNowMs() - since < kByeLingerMs) {
            if (g.options.mode == NetMode::Host) {
                net::hostStep(g.host, 5);
                if (g.host.peers.empty())
                    break;
            } else {
                net::clientStep(g.client, 5);
                if (net::clientDone(g.client))
                    break;
            }
        }
        stopNetplay();
    }
    session.reset();
    useRealClock();
}
