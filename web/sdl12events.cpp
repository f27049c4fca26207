// Events of the browser build: SDL2's keyboard, joystick, mouse-motion and
// quit events are turned into SDL 1.2 events and queued with the events the
// program pushes itself, in arrival order. As in SDL 1.2, a held key does
// not repeat and joystick events name the stick by its device index.
//
// Pads: a browser shows a pad to the page only once one of its buttons is
// pressed, so once the game has asked for sticks, every pad is taken up as
// it appears, into the first free player slot (slot 0 is joystick 0, the
// right paddle's). A pad with SDL2's game-controller layout (every browser
// pad in the "standard" layout) reads as the desktop's pads read through
// sdl12-compat: the left stick is axes 0 and 1, A is button 0, and the
// d-pad steers like the stick, as axes 0 and 1 at full deflection.
#include <SDL2/SDL.h>
#include <emscripten.h>

#include <deque>

#include "sdl12types.h"

namespace sdl12 {

namespace {

std::deque<SDL_Event> queue;

constexpr int padSlots = 2;       // joystick 0 and joystick 1 of the game
constexpr Sint16 fullTilt = 32767;
struct PadSlot {
    ::SDL_GameController* pad;    // with SDL2's controller layout, or null
    ::SDL_Joystick* stick;        // the pad as a bare stick, when it has none
    SDL_JoystickID id;            // SDL2's instance id
    bool up, down, left, right;   // d-pad buttons held
};
PadSlot slots[padSlots] = {};
bool padsWanted = false;          // the game opened a stick

int slotOf(SDL_JoystickID id)
{
    for (int i = 0; i < padSlots; ++i) {
        if ((slots[i].pad || slots[i].stick) && slots[i].id == id)
            return i;
    }
    return -1;
}

// Takes up the pad at SDL2's device index into the first free slot.
void takeUp(int device)
{
    const SDL_JoystickID id = ::SDL_JoystickGetDeviceInstanceID(device);
    if (id < 0 || slotOf(id) >= 0)
        return;
    for (PadSlot& slot : slots) {
        if (slot.pad || slot.stick)
            continue;
        slot = PadSlot{};
        if (::SDL_IsGameController(device))
            slot.pad = ::SDL_GameControllerOpen(device);
        if (!slot.pad)
            slot.stick = ::SDL_JoystickOpen(device);
        slot.id = id;
        return;
    }
}

void letGo(PadSlot& slot)
{
    if (slot.pad)
        ::SDL_GameControllerClose(slot.pad);
    if (slot.stick)
        ::SDL_JoystickClose(slot.stick);
    slot = PadSlot{};
}

void axisEvent(SDL_Event& out, int slot, int axis, Sint16 value)
{
    out.type = SDL_JOYAXISMOTION;
    out.jaxis.which = static_cast<Uint8>(slot);
    out.jaxis.axis = static_cast<Uint8>(axis);
    out.jaxis.value = value;
}

// A d-pad button as the stick's axis it stands for; false for other buttons.
bool dpadEvent(const ::SDL_ControllerButtonEvent& in, int slot, SDL_Event& out)
{
    PadSlot& s = slots[slot];
    const bool held = in.state == SDL_PRESSED;
    switch (in.button) {
    case SDL_CONTROLLER_BUTTON_DPAD_UP: s.up = held; break;
    case SDL_CONTROLLER_BUTTON_DPAD_DOWN: s.down = held; break;
    case SDL_CONTROLLER_BUTTON_DPAD_LEFT: s.left = held; break;
    case SDL_CONTROLLER_BUTTON_DPAD_RIGHT: s.right = held; break;
    default: return false;
    }
    const bool vertical = in.button == SDL_CONTROLLER_BUTTON_DPAD_UP || in.button == SDL_CONTROLLER_BUTTON_DPAD_DOWN;
    const int toward = vertical ? (s.down ? 1 : 0) - (s.up ? 1 : 0) : (s.right ? 1 : 0) - (s.left ? 1 : 0);
    axisEvent(out, slot, vertical ? 1 : 0, static_cast<Sint16>(toward * fullTilt));
    return true;
}

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

// The slot of a pad read as a bare stick; -1 if none (or it has a layout).
int stickIndex(SDL_JoystickID id)
{
    const int slot = slotOf(id);
    return slot >= 0 && slots[slot].stick ? slot : -1;
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
    case ::SDL_CONTROLLERAXISMOTION: {
        const int slot = slotOf(in.caxis.which);
        if (slot < 0 || !slots[slot].pad)
            return false;
        axisEvent(out, slot, in.caxis.axis, in.caxis.value);
        return true;
    }
    case ::SDL_CONTROLLERBUTTONDOWN:
    case ::SDL_CONTROLLERBUTTONUP: {
        const int slot = slotOf(in.cbutton.which);
        if (slot < 0 || !slots[slot].pad)
            return false;
        if (dpadEvent(in.cbutton, slot, out))
            return true;
        out.type = in.type == ::SDL_CONTROLLERBUTTONDOWN ? SDL_JOYBUTTONDOWN : SDL_JOYBUTTONUP;
        out.jbutton.which = static_cast<Uint8>(slot);
        out.jbutton.button = in.cbutton.button;
        out.jbutton.state = in.cbutton.state;
        return true;
    }
    case ::SDL_JOYDEVICEADDED:
        if (padsWanted)
            takeUp(in.jdevice.which);
        return false;
    case ::SDL_JOYDEVICEREMOVED: {
        const int slot = slotOf(in.jdevice.which);
        if (slot >= 0)
            letGo(slots[slot]);
        return false;
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

::_SDL_Joystick* SDL_JoystickOpen(int index)
{
    if (!padsWanted) {
        padsWanted = true;
        ::SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER);
        const int count = ::SDL_NumJoysticks();
        for (int device = 0; device < count; ++device)
            takeUp(device);
    }
    if (index < 0 || index >= padSlots)
        return nullptr;
    PadSlot& slot = slots[index];
    // The handle only stands for the slot: the game closes it and nothing else.
    return slot.pad || slot.stick ? reinterpret_cast<::_SDL_Joystick*>(&slot) : nullptr;
}

void SDL_JoystickClose(::_SDL_Joystick* stick)
{
    for (PadSlot& slot : slots) {
        if (stick == reinterpret_cast<::_SDL_Joystick*>(&slot))
            letGo(slot);
    }
}

// A game started again in the same page begins with no pads and no events.
void forgetInput()
{
    for (PadSlot& slot : slots)
        letGo(slot);
    padsWanted = false;
    queue.clear();
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
