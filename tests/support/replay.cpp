#include "support/replay.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

#include "game/base/keynames.h"
#include "game/base/state.h"
#include "game/match/ball.h"
#include "game/match/match.h"
#include "game/match/paddle.h"
#include "game/media/media.h"

namespace {

// The match the game plays: what these cases set up and look at.
Match& m = currentMatch();

// ---- script text -----------------------------------------------------------

bool parseNumber(const std::string& word, long min, long max, long& out)
{
    if (word.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(word.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < min || v > max)
        return false;
    out = v;
    return true;
}

bool parseTime(const std::string& word, Uint32& out)
{
    long v = 0;
    if (!parseNumber(word, 0, 0x7FFFFFFFL, v))
        return false;
    out = static_cast<Uint32>(v);
    return true;
}

std::string lineError(int line, const std::string& what)
{
    return "line " + std::to_string(line) + ": " + what;
}

// The events of one "TIME VERB ARGS" tail (words from index `first`).
bool parseEvent(const std::vector<std::string>& w, size_t first, Uint32 at, int line,
                std::vector<ScriptedEvent>& out, std::string& error)
{
    if (first >= w.size()) {
        error = lineError(line, "missing event");
        return false;
    }
    const std::string& verb = w[first];
    const size_t args = w.size() - first - 1;
    auto key = [&](size_t i, SDLKey& k) {
        k = replayKey(w[i]);
        if (k == SDLK_UNKNOWN) {
            error = lineError(line, "unknown key '" + w[i] + "'");
            return false;
        }
        return true;
    };
    auto wrongArgs = [&]() {
        error = lineError(line, "wrong arguments for '" + verb + "'");
        return false;
    };
    if (verb == "down" || verb == "up") {
        SDLKey k;
        if (args != 1)
            return wrongArgs();
        if (!key(first + 1, k))
            return false;
        out.push_back({at, verb == "down" ? keyDown(k) : keyUp(k)});
        return true;
    }
    if (verb == "press") {
        SDLKey k;
        Uint32 hold = 20;
        if (args < 1 || args > 2)
            return wrongArgs();
        if (!key(first + 1, k))
            return false;
        if (args == 2 && !parseTime(w[first + 2], hold))
            return wrongArgs();
        out.push_back({at, keyDown(k)});
        out.push_back({at + hold, keyUp(k)});
        return true;
    }
    if (verb == "quit") {
        if (args != 0)
            return wrongArgs();
        out.push_back({at, quitEvent()});
        return true;
    }
    if (verb == "motion") {
        if (args != 0)
            return wrongArgs();
        out.push_back({at, mouseMotion()});
        return true;
    }
    if (verb == "axis") {
        long which, axis, value;
        if (args != 3 || !parseNumber(w[first + 1], 0, 255, which) ||
            !parseNumber(w[first + 2], 0, 255, axis) || !parseNumber(w[first + 3], -32768, 32767, value))
            return wrongArgs();
        out.push_back({at, joyAxis(static_cast<Uint8>(which), static_cast<Uint8>(axis),
                                   static_cast<Sint16>(value))});
        return true;
    }
    if (verb == "buttondown" || verb == "buttonup") {
        long which, button;
        if (args != 2 || !parseNumber(w[first + 1], 0, 255, which) || !parseNumber(w[first + 2], 0, 255, button))
            return wrongArgs();
        const Uint8 type = verb == "buttondown" ? SDL_JOYBUTTONDOWN : SDL_JOYBUTTONUP;
        out.push_back({at, joyButton(type, static_cast<Uint8>(which), static_cast<Uint8>(button))});
        return true;
    }
    if (verb == "hat") {
        long which, hat, value;
        if (args != 3 || !parseNumber(w[first + 1], 0, 255, which) || !parseNumber(w[first + 2], 0, 255, hat) ||
            !parseNumber(w[first + 3], 0, 15, value))
            return wrongArgs();
        SDL_Event e;
        SDL_memset(&e, 0, sizeof e);
        e.type = SDL_JOYHATMOTION;
        e.jhat.which = static_cast<Uint8>(which);
        e.jhat.hat = static_cast<Uint8>(hat);
        e.jhat.value = static_cast<Uint8>(value);
        out.push_back({at, e});
        return true;
    }
    error = lineError(line, "unknown event '" + verb + "'");
    return false;
}

// ---- running ---------------------------------------------------------------

struct RunState {
    const ReplayScript* script = nullptr;
    ReplayRecord record;
    size_t nextSnapshot = 0;
    bool wasInMatch = false;
    int ends = 0;
} run;

SnapshotObserver snapshotObserver = nullptr;

std::string hex(Uint32 v)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08x", v);
    return buf;
}

// Nine significant digits give every float back exactly.
std::string real(float v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
    return buf;
}

void field(const std::string& section, const char* name, const std::string& value)
{
    run.record.emplace_back("[" + section + "] " + name, value);
}

void field(const std::string& section, const char* name, long value)
{
    field(section, name, std::to_string(value));
}

void snapshot(const std::string& section, Uint32 now)
{
    field(section, "time", static_cast<long>(now));
    field(section, "inMatch", inMatch ? 1 : 0);
    field(section, "gameType", gameType);
    field(section, "courtMode", courtMode);
    field(section, "score1", m.sides[leftSide].score);
    field(section, "score2", m.sides[rightSide].score);
    field(section, "rallySpeed", m.rallySpeed);
    field(section, "musicVolume", musicVolume);
    field(section, "ball.x", real(m.ball.x));
    field(section, "ball.y", real(m.ball.y));
    field(section, "ball.vx", real(m.ball.vx));
    field(section, "ball.vy", real(m.ball.vy));
    field(section, "ball.smashBoost", real(m.ball.smashBoost));
    field(section, "left.x", real(m.sides[leftSide].paddle.x));
    field(section, "left.y", real(m.sides[leftSide].paddle.y));
    field(section, "left.vx", real(m.sides[leftSide].paddle.vx));
    field(section, "left.vy", real(m.sides[leftSide].paddle.vy));
    field(section, "right.x", real(m.sides[rightSide].paddle.x));
    field(section, "right.y", real(m.sides[rightSide].paddle.y));
    field(section, "right.vx", real(m.sides[rightSide].paddle.vx));
    field(section, "right.vy", real(m.sides[rightSide].paddle.vy));
    field(section, "leftHitLock", m.sides[leftSide].hitLock ? 1 : 0);
    field(section, "rightHitLock", m.sides[rightSide].hitLock ? 1 : 0);
    field(section, "randDraws", static_cast<long>(m.randDraws));
    field(section, "randHash", hex(m.randHash));
    field(section, "screenHash", hex(surfaceHash(screen)));
    if (snapshotObserver)
        snapshotObserver(section);
}

void replayHook(Uint32 now)
{
    const ReplayScript& s = *run.script;
    // Only the first pause that reaches a time records it, even if a long
    // pause stepped over several.
    while (run.nextSnapshot < s.snapshotTimes.size() && now >= s.snapshotTimes[run.nextSnapshot]) {
        snapshot("at " + std::to_string(s.snapshotTimes[run.nextSnapshot]), now);
        ++run.nextSnapshot;
    }
    if (s.snapshotAtEnds && run.wasInMatch && !inMatch) {
        ++run.ends;
        snapshot("end " + std::to_string(run.ends), now);
    }
    run.wasInMatch = inMatch;
}

}  // namespace

void setSnapshotObserver(SnapshotObserver observer)
{
    snapshotObserver = observer;
}

SDLKey replayKey(const std::string& name)
{
    return keyFromName(name);
}

bool parseReplay(const std::string& text, ReplayScript& out, std::string& error)
{
    out = ReplayScript();
    std::istringstream in(text);
    std::string raw;
    int line = 0;
    while (std::getline(in, raw)) {
        ++line;
        const size_t hash = raw.find('#');
        if (hash != std::string::npos)
            raw.erase(hash);
        std::istringstream words(raw);
        std::vector<std::string> w;
        for (std::string word; words >> word;)
            w.push_back(word);
        if (w.empty())
            continue;

        if (w[0] == "setup") {
            if (w.size() < 2) {
                error = lineError(line, "empty setup line");
                return false;
            }
            // The rest of the line as written, minus the keyword.
            std::string rest = raw.substr(raw.find("setup") + 5);
            rest.erase(0, rest.find_first_not_of(" \t"));
            rest.erase(rest.find_last_not_of(" \t\r") + 1);
            out.setupLines.push_back(rest);
        } else if (w[0] == "snapshot") {
            Uint32 t = 0;
            if (w.size() == 2 && w[1] == "end") {
                out.snapshotAtEnds = true;
            } else if (w.size() == 2 && parseTime(w[1], t)) {
                out.snapshotTimes.push_back(t);
            } else {
                error = lineError(line, "snapshot takes a time or 'end'");
                return false;
            }
        } else if (w[0] == "deadline") {
            if (w.size() != 2 || !parseTime(w[1], out.deadlineMs)) {
                error = lineError(line, "deadline takes a time");
                return false;
            }
        } else if (w[0] == "repeat") {
            Uint32 from = 0, to = 0, step = 0;
            if (w.size() < 5 || !parseTime(w[1], from) || !parseTime(w[2], to) || !parseTime(w[3], step) ||
                step == 0) {
                error = lineError(line, "repeat takes FROM TO STEP (STEP > 0) and an event");
                return false;
            }
            for (Uint32 t = from; t < to; t += step) {
                if (!parseEvent(w, 4, t, line, out.events, error))
                    return false;
            }
        } else {
            Uint32 t = 0;
            if (!parseTime(w[0], t)) {
                error = lineError(line, "expected a time or a directive, found '" + w[0] + "'");
                return false;
            }
            // "TIME seat N EVENT": an event of a network session's seat.
            const bool seated = w.size() > 2 && w[1] == "seat";
            long seat = -1;
            if (seated && !parseNumber(w[2], 0, 1, seat)) {
                error = lineError(line, "seat takes 0 or 1");
                return false;
            }
            const size_t before = out.events.size();
            if (!parseEvent(w, seated ? 3 : 1, t, line, out.events, error))
                return false;
            for (size_t i = before; i < out.events.size(); ++i)
                out.events[i].seat = int(seat);
        }
    }
    // The runner pushes events in list order as their time comes; lines of the
    // same time keep the order in which they were written.
    std::stable_sort(out.events.begin(), out.events.end(),
                     [](const ScriptedEvent& a, const ScriptedEvent& b) { return a.atMs < b.atMs; });
    std::sort(out.snapshotTimes.begin(), out.snapshotTimes.end());
    out.snapshotTimes.erase(std::unique(out.snapshotTimes.begin(), out.snapshotTimes.end()),
                            out.snapshotTimes.end());
    return true;
}

ReplayRecord runReplay(const ReplayScript& script)
{
    run = RunState();
    run.script = &script;
    makeGameFolder();
    if (script.setupLines.empty()) {
        writeDefaultSetupIni();
    } else {
        std::string ini;
        for (const auto& l : script.setupLines)
            ini += l + "\n";
        writeTextFile("setup.ini", ini);
    }
    RunOptions options;
    options.onPause = replayHook;
    options.deadlineMs = script.deadlineMs;
    const int status = runScripted(script.events, options);
    field("exit", "status", status);
    field("exit", "time", static_cast<long>(virtualElapsed() + options.startMs));
    field("exit", "matchEnds", run.ends);
    field("exit", "timeSnapshots", static_cast<long>(run.nextSnapshot));
    field("exit", "randDraws", static_cast<long>(m.randDraws));
    field("exit", "randHash", hex(m.randHash));
    run.script = nullptr;
    return run.record;
}

Uint32 surfaceHash(SDL_Surface* s)
{
    Uint32 h = 2166136261u;
    if (!s)
        return 0;
    const Uint32 mask = s->format->Rmask | s->format->Gmask | s->format->Bmask;
    SDL_LockSurface(s);
    for (int y = 0; y < s->h; ++y) {
        const Uint8* row = static_cast<const Uint8*>(s->pixels) + y * s->pitch;
        for (int x = 0; x < s->w; ++x) {
            Uint32 p = 0;
            switch (s->format->BytesPerPixel) {
            case 4: p = reinterpret_cast<const Uint32*>(row)[x]; break;
            case 2: p = reinterpret_cast<const Uint16*>(row)[x]; break;
            case 1: p = row[x]; break;
            default: p = row[3 * x] | (row[3 * x + 1] << 8) | (static_cast<Uint32>(row[3 * x + 2]) << 16); break;
            }
            if (s->format->BytesPerPixel > 1)
                p &= mask;
            for (int i = 0; i < 4; ++i) {
                h ^= p & 0xFFu;
                h *= 16777619u;
                p >>= 8;
            }
        }
    }
    SDL_UnlockSurface(s);
    return h;
}

std::string formatRecord(const ReplayRecord& record, const std::string& title)
{
    std::string out = "# " + title + "\n";
    std::string section;
    for (const auto& f : record) {
        const size_t close = f.first.find("] ");
        const std::string sec = f.first.substr(0, close + 1);
        if (sec != section) {
            section = sec;
            out += (out.empty() ? "" : "\n") + sec + "\n";
        }
        out += f.first.substr(close + 2) + " " + f.second + "\n";
    }
    return out;
}

bool parseRecord(const std::string& text, ReplayRecord& out, std::string& error)
{
    out.clear();
    std::istringstream in(text);
    std::string raw;
    std::string section;
    int line = 0;
    while (std::getline(in, raw)) {
        ++line;
        if (!raw.empty() && raw.back() == '\r')
            raw.pop_back();
        if (raw.empty() || raw[0] == '#')
            continue;
        if (raw[0] == '[') {
            if (raw.back() != ']') {
                error = lineError(line, "unclosed section");
                return false;
            }
            section = raw;
            continue;
        }
        const size_t space = raw.find(' ');
        if (section.empty() || space == std::string::npos || space == 0) {
            error = lineError(line, "expected 'name value' inside a section");
            return false;
        }
        out.emplace_back(section + " " + raw.substr(0, space), raw.substr(space + 1));
    }
    return true;
}

std::string diffRecords(const ReplayRecord& expected, const ReplayRecord& actual)
{
    std::map<std::string, std::string> got(actual.begin(), actual.end());
    std::map<std::string, std::string> want(expected.begin(), expected.end());
    std::string out;
    for (const auto& f : expected) {
        auto it = got.find(f.first);
        if (it == got.end())
            out += "  " + f.first + ": expected " + f.second + ", missing\n";
        else if (it->second != f.second)
            out += "  " + f.first + ": expected " + f.second + ", got " + it->second + "\n";
    }
    for (const auto& f : actual) {
        if (want.find(f.first) == want.end())
            out += "  " + f.first + ": not expected, got " + f.second + "\n";
    }
    return out;
}
