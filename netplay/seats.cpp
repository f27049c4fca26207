#include "netplay/seats.h"

#include "game/base/keynames.h"
#include "game/match/paddle.h"
#include "netplay/sdlinput.h"

namespace {

bool isKey(const SDL_Event& e)
{
    return e.type == SDL_KEYDOWN || e.type == SDL_KEYUP;
}

bool isGuestKey(SDLKey key)
{
    return isPlayerKey(rightPlayerKeys, key) || key == rampKey;
}

Uint8 ownStick(std::uint8_t seat)
{
    return seat == kHostSeat ? leftPlayerStick : rightPlayerStick;
}

// In a match either key set steers one's own paddle: the host's left one,
// the guest's right one.
SDLKey ownPaddleKey(std::uint8_t seat, SDLKey key)
{
    const PlayerKeys& from = seat == kHostSeat ? rightPlayerKeys : leftPlayerKeys;
    const PlayerKeys& to = seat == kHostSeat ? leftPlayerKeys : rightPlayerKeys;
    if (key == from.up)
        return to.up;
    if (key == from.down)
        return to.down;
    if (key == from.left)
        return to.left;
    if (key == from.right)
        return to.right;
    if (key == from.smash)
        return to.smash;
    return key;
}

bool validKey(SDLKey key)
{
    return key > SDLK_UNKNOWN && key < SDLK_LAST;
}

}  // namespace

bool seatMayUse(std::uint8_t seat, const SDL_Event& e, bool inMatch)
{
    if (seat != kHostSeat && seat != kGuestSeat)
        return false;  // a watcher plays nothing
    const bool host = seat == kHostSeat;
    switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        const SDLKey key = e.key.keysym.sym;
        if (key == SDLK_m)
            return false;  // the music's volume is each machine's own
        if (host)
            return !(inMatch && isPlayerKey(rightPlayerKeys, key));
        return inMatch && isGuestKey(key);
    }
    case SDL_JOYAXISMOTION:
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP: {
        const Uint8 stick = e.type == SDL_JOYAXISMOTION ? e.jaxis.which : e.jbutton.which;
        if (host)
            return !(inMatch && stick == rightPlayerStick);
        return inMatch && stick == rightPlayerStick;
    }
    default:
        return host;  // quitting, hats (the menu's): the host's
    }
}

bool seatMaySend(std::uint8_t seat, const net::InputEvent& e, std::string& what)
{
    if (seat == kHostSeat)
        return true;
    switch (e.type) {
    case net::EventType::KeyDown:
    case net::EventType::KeyUp:
        if (seat == kGuestSeat && isGuestKey(SDLKey(e.sym)))
            return true;
        what = std::string("pressed ") + keyName(SDLKey(e.sym));
        return false;
    case net::EventType::JoyAxis:
    case net::EventType::JoyButtonDown:
    case net::EventType::JoyButtonUp:
        if (seat == kGuestSeat && e.which == rightPlayerStick)
            return true;
        what = "used stick " + std::to_string(e.which);
        return false;
    case net::EventType::JoyHat: what = "used a stick's hat"; return false;
    case net::EventType::Quit: what = "asked to quit the host's game"; return false;
    }
    what = "sent an unknown event";
    return false;
}

OwnEventMeaning ownEventMeaning(std::uint8_t seat, bool inMatch, SDL_Event& e, HeldKeys& held)
{
    if (isKey(e) && e.key.keysym.sym == SDLK_m)
        return OwnEventMeaning::Local;
    if (seat != kHostSeat) {
        // A guest or a watcher leaves by the session's goodbye; only the
        // host's quit ends both games.
        if (e.type == SDL_QUIT || (e.type == SDL_KEYDOWN && e.key.keysym.sym == SDLK_ESCAPE))
            return OwnEventMeaning::Leave;
        if (seat != kGuestSeat)
            return OwnEventMeaning::Drop;  // a watcher only watches
    }
    switch (e.type) {
    case SDL_KEYDOWN: {
        const SDLKey key = e.key.keysym.sym;
        if (!validKey(key))
            return OwnEventMeaning::Drop;
        e.key.keysym.sym = inMatch ? ownPaddleKey(seat, key) : key;
        if (!seatMayUse(seat, e, inMatch))
            return OwnEventMeaning::Drop;
        held.sentAs[key] = e.key.keysym.sym;
        return OwnEventMeaning::Send;
    }
    case SDL_KEYUP: {
        // Released as it was pressed, even across the start or end of a match.
        const SDLKey key = e.key.keysym.sym;
        if (!validKey(key))
            return OwnEventMeaning::Drop;
        if (held.sentAs[key] != SDLK_UNKNOWN) {
            e.key.keysym.sym = held.sentAs[key];
            held.sentAs[key] = SDLK_UNKNOWN;
        } else if (seat != kHostSeat) {
            return OwnEventMeaning::Drop;  // its press was never sent
        }
        break;
    }
    case SDL_JOYAXISMOTION:
        if (inMatch)
            e.jaxis.which = ownStick(seat);
        break;
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP:
        if (inMatch)
            e.jbutton.which = ownStick(seat);
        break;
    default: break;
    }
    net::InputEvent travelling;
    if (toInputEvent(e, travelling) && !seatMayUse(seat, e, inMatch))
        return OwnEventMeaning::Drop;
    return OwnEventMeaning::Send;
}
