#include "netplay/replayfile.h"

#include <sstream>

#include "game/base/keynames.h"

namespace {

constexpr std::uint32_t kReplayTailMs = 60000;  // virtual ms after the last event

}  // namespace

std::string sessionReplayText(const net::PlaySettings& play, const std::vector<net::Stamped>& played,
                              const std::string& title) {
    std::ostringstream out;
    out << "# " << title << "\n";
    out << "setup joy" << int(play.joy) << "\nsetup fullscreen0\n";
    out << "setup xspeed" << play.xspeed / 100 << "\nsetup sbots" << play.sbots / 10 << "\n";
    if (play.pointsToWin == 7)
        out << "setup littlepoints\n";
    out << "snapshot end\n";
    // The runner closes the window at its deadline: a minute after the last event.
    const std::uint32_t last = played.empty() ? 0 : played.back().atMs;
    out << "deadline " << last + kReplayTailMs << "\n";
    for (const net::Stamped& s : played) {
        const net::InputEvent& e = s.event;
        out << s.atMs << " seat " << int(s.player) << ' ';
        switch (e.type) {
        case net::EventType::KeyDown: out << "down " << keyName(SDLKey(e.sym)); break;
        case net::EventType::KeyUp: out << "up " << keyName(SDLKey(e.sym)); break;
        case net::EventType::JoyAxis: out << "axis " << int(e.which) << ' ' << int(e.index) << ' ' << e.value; break;
        case net::EventType::JoyButtonDown: out << "buttondown " << int(e.which) << ' ' << int(e.index); break;
        case net::EventType::JoyButtonUp: out << "buttonup " << int(e.which) << ' ' << int(e.index); break;
        case net::EventType::JoyHat: out << "hat " << int(e.which) << ' ' << int(e.index) << ' ' << e.value; break;
        case net::EventType::Quit: out << "quit"; break;
        }
        out << '\n';
    }
    return out.str();
}
