#include "game/flow/netgame.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unistd.h>
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
#include "net/datahash.h"
#include "net/roomcode.h"
#include "net/socket.h"
#include "netplay/netsession.h"
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
constexpr char kStateFdVariable[] = "VOLTARI_STATE_FD";  // a dialog's pipe for the session's state

// What the player sees of a network game, around the session itself.
struct NetGame {
    NetGameOptions options;
    NetSession net;
    bool live = false;               // the session plays (or played)
    std::vector<SDL_Event> injected; // local events the game gets before any other
    Uint32 lastPauseMs = 0;          // virtual ms of the last pause
    NoticeBoard board;               // how the session ended, in the window
    bool roomTold = false;           // the room's code went to the room listener
};

std::unique_ptr<NetGame> session;
NetStatusListener listener = nullptr;
RoomOpenedListener roomListener = nullptr;

// The state for a dialog that started the game: one line per change,
// words and numbers only ("state playing join code= port=0 rtt=40 delay=40
// reason=0 refused=0 greeted=0").
void writeState(const NetState& state)
{
    const char* fd = std::getenv(kStateFdVariable);
    if (!fd || !*fd)
        return;
    const std::string line = netStateLine(state) + "\n";
    if (write(std::atoi(fd), line.data(), line.size()) < 0) {
        // The dialog has gone: nobody to tell.
    }
}

void say(const NetState& state, const std::string& text)
{
    if (listener) {
        listener(state, text);
        return;
    }
    writeState(state);
    if (text.empty())
        return;
    std::fprintf(stderr, "voltari: %s\n", text.c_str());
    const std::string caption = "VOLTARI: " + text;
    SDL_WM_SetCaption(caption.c_str(), nullptr);
}

void onNews(void* context, const NetState& state, const std::string& text)
{
    NetGame& g = *static_cast<NetGame*>(context);
    say(state, text);
    // A room of our own, before anyone joins: a page shows its code and a link.
    if (!g.roomTold && roomListener && state.mode == NetMode::Host && state.phase == NetPhase::Waiting &&
        !state.code.empty() && g.net.options.code.empty()) {
        g.roomTold = true;
        roomListener(state.code);
    }
}

// The music key stays on this machine.
void onLocalKey(void*, const SDL_Event& e, bool match)
{
    if (e.type == SDL_KEYDOWN)
        match ? stepMatchVolume() : stepMenuVolume();
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

bool isKeyDown(const SDL_Event& e, SDLKey key)
{
    return e.type == SDL_KEYDOWN && e.key.keysym.sym == key;
}

// This machine's own events: first what the game is made to see (the
// Escape that ends a match when the session ends), then the player's.
int localEvents(void* context, SDL_Event* out)
{
    NetGame& g = *static_cast<NetGame*>(context);
    if (!g.injected.empty()) {
        *out = g.injected.front();
        g.injected.erase(g.injected.begin());
        return 1;
    }
    return pollFrom(g.options.ownEvents, out);
}

void afterPause(void* context, Uint32 now)
{
    NetGame& g = *static_cast<NetGame*>(context);
    // A pause longer than the frame's 1 ms steps is one that shows something
    // (a fade or sequence step, a menu tick): it presents, as a real pause
    // does. The frame's own steps do not, or the whole window would go to
    // the display a thousand times a second.
    if (now - g.lastPauseMs > 1)
        realPauseMs(0);
    g.lastPauseMs = now;
    std::string why;
    if (netSessionTakeEnding(g.net, why)) {
        // Back to the menu, from which this machine plays on alone (or quits).
        showNotice(g.board, noticeFor(g.net.seat, g.net.state.reason, false, true), realNowMs());
        if (inMatch) {
            g.injected.push_back(keyEvent(SDL_KEYDOWN, SDLK_ESCAPE));
            g.injected.push_back(keyEvent(SDL_KEYUP, SDLK_ESCAPE));
        }
    }
    netSessionHostNews(g.net);
    keepNotice(g.board, realNowMs());  // a person reads by the wall clock
    if (g.options.afterPause.call)
        g.options.afterPause.call(g.options.afterPause.context, now);
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

// Whether the player asked to stop waiting (Escape, or the window closed).
bool stopAsked()
{
    SDL_Event e;
    bool stop = false;
    while (pollEvent(&e))
        stop = stop || e.type == SDL_QUIT || isKeyDown(e, SDLK_ESCAPE);
    return stop;
}

// Play anyone: waits on the relay until paired, keeping the window alive.
// -1 once paired, else the exit status (0: the player stopped waiting).
int pairUp(NetGame& g)
{
    while (!netSessionPairStep(g.net, kWaitStepMs)) {
        if (g.net.state.phase == NetPhase::Ended)
            return 1;
        if (stopAsked()) {
            netSessionStopWaiting(g.net);
            return 0;
        }
    }
    return -1;
}

// Waits for the session to start, keeping the window alive: -1 once it
// runs, else the exit status (0: the player stopped waiting).
int waitForStart(NetGame& g)
{
    for (;;) {
        switch (netSessionWaitStep(g.net, kWaitStepMs)) {
        case NetWait::Started: return -1;
        case NetWait::Closed: {
            const NetState& s = g.net.state;
            const std::uint8_t seat = g.options.mode == NetMode::Join ? kGuestSeat : net::kNoLocalPlayer;
            showRefusal(g, noticeFor(seat, s.reason, s.refused, s.greeted));
            return 1;
        }
        case NetWait::Waiting: break;
        }
        if (stopAsked()) {
            netSessionStopWaiting(g.net);
            return 0;
        }
    }
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
    NetSession& n = g.net;
    const NetGameOptions& o = g.options;
    n.options = o;
    n.listener = NetListener{onNews, &g};
    n.own = EventSource{localEvents, &g};
    n.localKey = onLocalKey;
    net::Identity id;
    std::string error;
    if (!identity(id, error)) {
        say(n.state, error);
        return 1;
    }
    loadNotices(g.board);
    // The logo keeps the window company while it waits; the screen is black
    // again before the game starts, as it is for the other machine.
    blit(0, 0, logo, screen, nullptr);
    SDL_Flip(screen);
    int status = o.mode == NetMode::Quick ? pairUp(g) : -1;
    if (status < 0)
        status = netSessionOpen(n, id, ownPlaySettings()) ? waitForStart(g) : 1;
    SDL_FillRect(screen, nullptr, 0);
    if (status >= 0) {
        freeNotices(g.board);
        return status;
    }
    n.driver.certainFrame = o.certainFrame;
    netSessionPlay(n, gameStateHash, PauseHook{afterPause, &g}, nowMs());
    if (n.seat != kHostSeat)
        adoptPlaySettings(n.play);
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
    if (g.live && g.net.state.phase == NetPhase::Playing && g.net.seat != kHostSeat) {
        say(g.net.state, g.net.seat == kGuestSeat ? "The host ended the game." : "The game you watched has ended.");
        showNotice(g.board, noticeFor(g.net.seat, net::Reason::Quit, false, true), realNowMs());
    }
}

void netGameClosed()
{
    if (session)
        freeNotices(session->board);
}

std::string netGameReplayText()
{
    return session && session->live ? netSessionReplayText(session->net) : "";
}

const NetplayDriver* netGameDriver()
{
    return session && session->live ? &session->net.driver : nullptr;
}

const NetState* netGameState()
{
    return session ? &session->net.state : nullptr;
}

int netGameNotice()
{
    return session ? session->board.shown : -1;
}

std::string netGameRelayDrops()
{
    return session ? netSessionRelayDrops(session->net) : "";
}

std::uint64_t netGameBytesSent()
{
    return session ? netSessionBytesSent(session->net) : 0;
}

void endNetGame()
{
    if (!session)
        return;
    if (session->live)
        netSessionFinish(session->net);
    session.reset();
    useRealClock();
}
