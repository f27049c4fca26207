// The network game's rules that are pure functions: what one of this
// machine's own events means, what a guest's program could ever send, and
// which panel tells the player how a session ended.
#include <gtest/gtest.h>

#include "game/flow/netnotice.h"
#include "net/session.h"
#include "netplay/seats.h"
#include "support/gamerun.h"

namespace {

constexpr std::uint8_t kWatcher = 0xff;

struct OwnRow {
    const char* what;
    std::uint8_t seat;
    bool inMatch;
    SDL_Event event;
    OwnEventMeaning meaning;
    SDLKey sentAs;  // keys: the key sent; SDLK_UNKNOWN to skip the check
};

}  // namespace

TEST(NetRules, OwnEventsMeanWhatTheirSeatMayDo)
{
    const OwnRow rows[] = {
        {"host: Return in the menu", kHostSeat, false, keyDown(SDLK_RETURN), OwnEventMeaning::Send, SDLK_RETURN},
        {"host: an arrow in the menu is the menu's", kHostSeat, false, keyDown(SDLK_UP), OwnEventMeaning::Send, SDLK_UP},
        {"host: an arrow in a match steers its own paddle", kHostSeat, true, keyDown(SDLK_UP), OwnEventMeaning::Send,
         SDLK_w},
        {"host: right Shift smashes for its own paddle", kHostSeat, true, keyDown(SDLK_RSHIFT), OwnEventMeaning::Send,
         SDLK_LSHIFT},
        {"host: Escape aborts a match", kHostSeat, true, keyDown(SDLK_ESCAPE), OwnEventMeaning::Send, SDLK_ESCAPE},
        {"host: closing the window", kHostSeat, false, quitEvent(), OwnEventMeaning::Send, SDLK_UNKNOWN},
        {"host: the music key", kHostSeat, true, keyDown(SDLK_m), OwnEventMeaning::Local, SDLK_UNKNOWN},
        {"guest: w in a match steers its own paddle", kGuestSeat, true, keyDown(SDLK_w), OwnEventMeaning::Send, SDLK_UP},
        {"guest: 'k' in a match", kGuestSeat, true, keyDown(SDLK_k), OwnEventMeaning::Send, SDLK_k},
        {"guest: the menu is the host's", kGuestSeat, false, keyDown(SDLK_RETURN), OwnEventMeaning::Drop, SDLK_UNKNOWN},
        {"guest: arrows in the menu", kGuestSeat, false, keyDown(SDLK_DOWN), OwnEventMeaning::Drop, SDLK_UNKNOWN},
        {"guest: Return in a match", kGuestSeat, true, keyDown(SDLK_RETURN), OwnEventMeaning::Drop, SDLK_UNKNOWN},
        {"guest: Escape leaves", kGuestSeat, true, keyDown(SDLK_ESCAPE), OwnEventMeaning::Leave, SDLK_UNKNOWN},
        {"guest: closing the window leaves", kGuestSeat, false, quitEvent(), OwnEventMeaning::Leave, SDLK_UNKNOWN},
        {"guest: the music key", kGuestSeat, false, keyDown(SDLK_m), OwnEventMeaning::Local, SDLK_UNKNOWN},
        {"guest: a stick in the menu", kGuestSeat, false, joyAxis(0, 1, -20000), OwnEventMeaning::Drop, SDLK_UNKNOWN},
        {"guest: a stick in a match", kGuestSeat, true, joyAxis(1, 1, -20000), OwnEventMeaning::Send, SDLK_UNKNOWN},
        {"watcher: keys", kWatcher, true, keyDown(SDLK_UP), OwnEventMeaning::Drop, SDLK_UNKNOWN},
        {"watcher: closing the window leaves", kWatcher, true, quitEvent(), OwnEventMeaning::Leave, SDLK_UNKNOWN},
    };
    for (const OwnRow& row : rows) {
        SCOPED_TRACE(row.what);
        HeldKeys held;
        SDL_Event e = row.event;
        EXPECT_EQ(ownEventMeaning(row.seat, row.inMatch, e, held), row.meaning);
        if (row.sentAs != SDLK_UNKNOWN) {
            EXPECT_EQ(e.key.keysym.sym, row.sentAs);
        }
        if (row.event.type == SDL_JOYAXISMOTION && row.meaning == OwnEventMeaning::Send) {
            EXPECT_EQ(e.jaxis.which, 0);  // the right paddle's stick
        }
    }
}

TEST(NetRules, AKeyIsReleasedAsItWasPressedAcrossAMatchsEnd)
{
    HeldKeys held;
    SDL_Event down = keyDown(SDLK_w);
    ASSERT_EQ(ownEventMeaning(kGuestSeat, true, down, held), OwnEventMeaning::Send);
    SDL_Event up = keyUp(SDLK_w);
    EXPECT_EQ(ownEventMeaning(kGuestSeat, false, up, held), OwnEventMeaning::Drop);  // not the guest's in the menu
    EXPECT_EQ(up.key.keysym.sym, SDLK_UP);
    SDL_Event again = keyUp(SDLK_w);
    EXPECT_EQ(ownEventMeaning(kGuestSeat, true, again, held), OwnEventMeaning::Drop);  // its press is spent
}

TEST(NetRules, AGuestMaySendOnlyItsOwnPaddlesEvents)
{
    struct Row {
        net::InputEvent event;
        bool allowed;
        const char* what;
    };
    auto key = [](SDLKey k) {
        net::InputEvent e;
        e.sym = std::uint16_t(k);
        return e;
    };
    auto stick = [](std::uint8_t which) {
        net::InputEvent e;
        e.type = net::EventType::JoyAxis;
        e.which = which;
        return e;
    };
    net::InputEvent quit;
    quit.type = net::EventType::Quit;
    const Row rows[] = {
        {key(SDLK_UP), true, ""},           {key(SDLK_RSHIFT), true, ""},
        {key(SDLK_k), true, ""},            {stick(0), true, ""},
        {key(SDLK_RETURN), false, "pressed RETURN"}, {key(SDLK_w), false, "pressed w"},
        {key(SDLK_LSHIFT), false, "pressed LSHIFT"}, {key(SDLK_ESCAPE), false, "pressed ESCAPE"},
        {key(SDLK_m), false, "pressed m"},  {stick(1), false, "used stick 1"},
        {quit, false, "asked to quit the host's game"},
    };
    for (const Row& row : rows) {
        std::string what;
        EXPECT_EQ(seatMaySend(kGuestSeat, row.event, what), row.allowed) << row.what;
        EXPECT_EQ(what, row.what);
        EXPECT_TRUE(seatMaySend(kHostSeat, row.event, what));
    }
}

TEST(NetRules, EveryEndingHasItsPanel)
{
    using net::Reason;
    struct Row {
        std::uint8_t seat;
        Reason reason;
        bool refused, greeted;
        atlas::NetNotice notice;
    };
    const Row rows[] = {
        {kHostSeat, Reason::Quit, false, true, atlas::noticeOtherLeft},
        {kGuestSeat, Reason::Quit, false, true, atlas::noticeHostEnded},
        {kWatcher, Reason::Quit, false, true, atlas::noticeWatchEnded},
        {kGuestSeat, Reason::None, false, true, atlas::noticeLost},
        {kHostSeat, Reason::Slow, false, true, atlas::noticeLost},
        {kGuestSeat, Reason::Timeout, false, true, atlas::noticeTimeout},
        {kGuestSeat, Reason::None, false, false, atlas::noticeUnreachable},
        {kGuestSeat, Reason::Full, false, false, atlas::noticeBusy},
        {kGuestSeat, Reason::Build, true, true, atlas::noticeNotSame},
        {kGuestSeat, Reason::Data, true, true, atlas::noticeNotSame},
        {kGuestSeat, Reason::Full, true, true, atlas::noticeNoSeat},
        {kWatcher, Reason::Full, false, true, atlas::noticeNoSeat},  // too long to watch from its start
        {kGuestSeat, Reason::Seat, false, true, atlas::noticeLetGo},
        {kHostSeat, Reason::Seat, false, true, atlas::noticeOtherLetGo},
        {kGuestSeat, Reason::Desync, false, true, atlas::noticeApart},
    };
    for (const Row& row : rows)
        EXPECT_EQ(noticeFor(row.seat, row.reason, row.refused, row.greeted), row.notice)
            << int(row.seat) << " " << net::reasonText(row.reason);
}
