#include "game/base/keynames.h"

#include <cerrno>
#include <cstdlib>

namespace {

struct NamedKey {
    const char* name;
    SDLKey key;
};

const NamedKey namedKeys[] = {
    {"RETURN", SDLK_RETURN}, {"ESCAPE", SDLK_ESCAPE}, {"SPACE", SDLK_SPACE},
    {"UP", SDLK_UP},         {"DOWN", SDLK_DOWN},     {"LEFT", SDLK_LEFT},
    {"RIGHT", SDLK_RIGHT},   {"LSHIFT", SDLK_LSHIFT}, {"RSHIFT", SDLK_RSHIFT},
    {"TAB", SDLK_TAB},       {"BACKSPACE", SDLK_BACKSPACE},
};

// A whole decimal number in [min, max].
bool number(const std::string& text, long min, long max, long& out)
{
    if (text.empty() || text[0] < '0' || text[0] > '9')
        return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < min || v > max)
        return false;
    out = v;
    return true;
}

}  // namespace

std::string keyName(SDLKey key)
{
    for (const NamedKey& k : namedKeys)
        if (k.key == key)
            return k.name;
    if (key >= SDLK_a && key <= SDLK_z)
        return std::string(1, char('a' + (key - SDLK_a)));
    if (key >= SDLK_0 && key <= SDLK_9)
        return std::string(1, char('0' + (key - SDLK_0)));
    if (key >= SDLK_F1 && key <= SDLK_F15)
        return "F" + std::to_string(key - SDLK_F1 + 1);
    return "key" + std::to_string(int(key));
}

SDLKey keyFromName(const std::string& name)
{
    for (const NamedKey& k : namedKeys)
        if (name == k.name)
            return k.key;
    if (name.size() == 1 && name[0] >= 'a' && name[0] <= 'z')
        return static_cast<SDLKey>(SDLK_a + (name[0] - 'a'));
    if (name.size() == 1 && name[0] >= '0' && name[0] <= '9')
        return static_cast<SDLKey>(SDLK_0 + (name[0] - '0'));
    long n = 0;
    if (name.size() >= 2 && name[0] == 'F' && number(name.substr(1), 1, 15, n))
        return static_cast<SDLKey>(SDLK_F1 + (n - 1));
    if (name.compare(0, 3, "key") == 0 && number(name.substr(3), 1, SDLK_LAST - 1, n))
        return static_cast<SDLKey>(n);
    return SDLK_UNKNOWN;
}
