#include "netplay/sdlinput.h"

bool toInputEvent(const SDL_Event& e, net::InputEvent& out) {
    out = net::InputEvent();
    switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        out.type = e.type == SDL_KEYDOWN ? net::EventType::KeyDown : net::EventType::KeyUp;
        out.sym = std::uint16_t(e.key.keysym.sym);
        break;
    case SDL_JOYAXISMOTION:
        out.type = net::EventType::JoyAxis;
        out.which = e.jaxis.which;
        out.index = e.jaxis.axis;
        out.value = e.jaxis.value;
        break;
    case SDL_JOYBUTTONDOWN:
    case SDL_JOYBUTTONUP:
        out.type = e.type == SDL_JOYBUTTONDOWN ? net::EventType::JoyButtonDown : net::EventType::JoyButtonUp;
        out.which = e.jbutton.which;
        out.index = e.jbutton.button;
        break;
    case SDL_JOYHATMOTION:
        out.type = net::EventType::JoyHat;
        out.which = e.jhat.which;
        out.index = e.jhat.hat;
        out.value = e.jhat.value;
        break;
    case SDL_QUIT:
        out.type = net::EventType::Quit;
        break;
    default:
        return false;
    }
    return net::validEvent(out);
}

SDL_Event toSdlEvent(const net::InputEvent& e) {
    // Filled as the headless runner's scripted events are: all else zero.
    SDL_Event s;
    SDL_memset(&s, 0, sizeof s);
    switch (e.type) {
    case net::EventType::KeyDown:
    case net::EventType::KeyUp:
        s.type = e.type == net::EventType::KeyDown ? SDL_KEYDOWN : SDL_KEYUP;
        s.key.state = e.type == net::EventType::KeyDown ? SDL_PRESSED : SDL_RELEASED;
        s.key.keysym.sym = SDLKey(e.sym);
        break;
    case net::EventType::JoyAxis:
        s.type = SDL_JOYAXISMOTION;
        s.jaxis.which = e.which;
        s.jaxis.axis = e.index;
        s.jaxis.value = e.value;
        break;
    case net::EventType::JoyButtonDown:
    case net::EventType::JoyButtonUp:
        s.type = e.type == net::EventType::JoyButtonDown ? SDL_JOYBUTTONDOWN : SDL_JOYBUTTONUP;
        s.jbutton.which = e.which;
        s.jbutton.button = e.index;
        s.jbutton.state = e.type == net::EventType::JoyButtonDown ? SDL_PRESSED : SDL_RELEASED;
        break;
    case net::EventType::JoyHat:
        s.type = SDL_JOYHATMOTION;
        s.jhat.which = e.which;
        s.jhat.hat = e.index;
        s.jhat.value = Uint8(e.value);
        break;
    case net::EventType::Quit:
        s.type = SDL_QUIT;
        break;
    }
    return s;
}
