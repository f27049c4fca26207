// Names of keys in replay scripts: the SDL name without SDLK_ for the keys
// the game uses (RETURN, UP, F1, a, 5, ...), "key" and the number for any
// other. A network session is saved in the same script form.
#pragma once

#include <string>

#include "SDL.h"

std::string keyName(SDLKey key);
// SDLK_UNKNOWN for a name that names no key.
SDLKey keyFromName(const std::string& name);
