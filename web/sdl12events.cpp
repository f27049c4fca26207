// Events of the browser build: SDL2's keyboard, joystick, mouse-motion and
// quit events are turned into SDL 1.2 events and queued with the events the
// program pushes itself, in arrival order. As in SDL 1.2, a held key does
// not repeat and joystick events name the stick by its device index.
#include <SDL2/SDL.h>
#include <emscripten.h>

#include <deque>

#include "sdl12types.h"

namespace sdl12 {

namespace {

std::deque<SDL_Event> queue;

SDLKey keyFrom(SDL_Keycode k)
{
    if ((k >= ' ' && k <= '@') || (k >= '[' && k <= 'z') || k == SDLK_BACKSPACE || k == SDLK_TAB ||
        k == SDLK_RETURN || k == SDLK_ESCAPE || k == SDLK_DELETE)
        return static_cast<SDLKey>(k);
    if (k >= ::SDLK_F1 && k <= ::SDLK_F12)
        return static_cast<SDLKey>(SDLK_F1 + (k - ::SDLK_F1));
    switch (k) {
    case ::SDLK_UP: return SDLK_UP;
    case ::SDLK_DOWN: return SDLK_DOWN;
    case ::SDLK_RIGHT: return SDLK_RIGHT;
    case ::SDLK_LEFT: return SDLK_LEFT;
    case ::SDLK_INSERT: return SDLK_INSERT;
    case ::SDLK_HOME: return SDLK_HOME;
    case ::SDLK_END: return SDLK_END;
    case ::SDLK_PAGEUP: return SDLK_PAGEUP;
    case ::SDLK_PAGEDOWN: return SDLK_PAGEDOWN;
    case ::SDLK_F13: return SDLK_F13;
    case ::SDLK_F14: return SDLK_F14;
    case ::SDLK_F15: return SDLK_F15;
    case ::SDLK_RSHIFT: return SDLK_RSHIFT;
    case ::SDLK_LSHIFT: return SDLK_LSHIFT;
    case ::SDLK_RCTRL: return SDLK_RCTRL;
    case ::SDLK_LCTRL: return SDLK_LCTRL;
    case ::SDLK_RALT: return SDLK_RALT;
    case ::SDLK_LALT: return SDLK_LALT;
    default: return SDLK_UNKNOWN;
    }
}

// The device index of an open stick's instance id; -1 if none.
int stickIndex(SDL_JoystickID id)
{
    const int count = ::SDL_NumJoysticks();
    for (int i = 0; i < count; ++i) {
        if (::SDL_JoystickGetDeviceInstanceID(i) == id)
            return i;
    }
    return -1;
}

// False for the SDL2 events that have no 1.2 form here.
bool translate(const ::SDL_Event& in, SDL_Event& out)
{
    SDL_memset(&out, 0, sizeof out);
    switch (in.type) {
    case ::SDL_KEYDOWN:
    case ::SDL_KEYUP:
        if (in.key.repeat)
            return false;
        out.type = in.type == ::SDL_KEYDOWN ? SDL_KEYDOWN : SDL_KEYUP;
        out.key.state = in.key.state;
        out.key.keysym.scancode = static_cast<Uint8>(in.key.keysym.scancode);
        out.key.keysym.sym = keyFrom(in.key.keysym.sym);
        return true;
    case ::SDL_MOUSEMOTION:
        out.type = SDL_MOUSEMOTION;
        out.motion.x = static_cast<Uint16>(in.motion.x);
        out.motion.y = static_cast<Uint16>(in.motion.y);
        out.motion.xrel = static_cast<Sint16>(in.motion.xrel);
        out.motion.yrel = static_cast<Sint16>(in.motion.yrel);
        return true;
    case ::SDL_JOYAXISMOTION: {
        const int index = stickIndex(in.jaxis.which);
        if (index < 0)
            return false;
        out.type = SDL_JOYAXISMOTION;
        out.jaxis.which = static_cast<Uint8>(index);
        out.jaxis.axis = in.jaxis.axis;
        out.jaxis.value = in.jaxis.value;
        return true;
    }
    case ::SDL_JOYBUTTONDOWN:
    case ::SDL_JOYBUTTONUP: {
        const int index = stickIndex(in.jbutton.which);
        if (index < 0)
            return false;
        out.type = in.type == ::SDL_JOYBUTTONDOWN ? SDL_JOYBUTTONDOWN : SDL_JOYBUTTONUP;
        out.jbutton.which = static_cast<Uint8>(index);
        out.jbutton.button = in.jbutton.button;
        out.jbutton.state = in.jbutton.state;
        return true;
    }
    case ::SDL_QUIT:
        out.type = SDL_QUIT;
        return true;
    default:
        return false;
    }
}

void pump()
{
    if (::SDL_WasInit(SDL_INIT_EVENTS) == 0)
        return;
    ::SDL_Event in;
    SDL_Event out;
    while (::SDL_PollEvent(&in) == 1) {
        if (translate(in, out))
            queue.push_back(out);
    }
}

}  // namespace

int SDL_PollEvent(SDL_Event* event)
{
    pump();
    if (queue.empty())
        return 0;
    if (event)
        *event = queue.front();
    if (event)
        queue.pop_front();
    return 1;
}

int SDL_PushEvent(SDL_Event* event)
{
    if (!event)
        return -1;
    queue.push_back(*event);
    return 0;
}

}  // namespace sdl12

// A key press (down 1) or release (down 0) made by the page's touch and
// mouse controls (web/touch.js), by SDL 1.2 key number. Queued behind the
// events that came before it, exactly as a keyboard's would be.
extern "C" EMSCRIPTEN_KEEPALIVE void voltariKey(int sym, int down)
{
    sdl12::pump();
    sdl12::SDL_Event e;
    SDL_memset(&e, 0, sizeof e);
    e.type = down ? sdl12::SDL_KEYDOWN : sdl12::SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = static_cast<sdl12::SDLKey>(sym);
    sdl12::queue.push_back(e);
}
