// The game's SDL events and the network's InputEvent, both ways. Only the
// events a player makes travel: keys, sticks, the window's close.
#pragma once

#include "SDL.h"
#include "net/protocol.h"

// False for events that stay on this machine (mouse, window, focus).
bool toInputEvent(const SDL_Event& e, net::InputEvent& out);
SDL_Event toSdlEvent(const net::InputEvent& e);
