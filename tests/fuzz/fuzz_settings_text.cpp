// The game's reader of "setup.ini": any bytes give exactly what a plain
// line-by-line reading gives, in memory and through a file alike.
#include <cstring>
#include <map>
#include <string>

#include "fuzz_support.h"
#include "settings/settings.h"

namespace {

std::string path;

// The game's meaning of each whole line, written out independently of the
// reader's own table.
void applyLine(const std::string& line, Settings& s)
{
    static const std::map<std::string, void (*)(Settings&)> keys = {
        {"joy0", [](Settings& t) { t.joy = 0; }},
        {"joy1", [](Settings& t) { t.joy = 1; }},
        {"fullscreen0", [](Settings& t) { t.fullscreen = 0; }},
        {"fullscreen1", [](Settings& t) { t.fullscreen = 1; }},
        {"sound0", [](Settings& t) { t.sound = 0; }},
        {"sound1", [](Settings& t) { t.sound = 1; }},
        {"xspeed0", [](Settings& t) { t.xspeed = 0; }},
        {"xspeed1", [](Settings& t) { t.xspeed = 100; }},
        {"xspeed2", [](Settings& t) { t.xspeed = 200; }},
        {"sbots0", [](Settings& t) { t.sbots = 0.0f; }},
        {"sbots1", [](Settings& t) { t.sbots = 10.0f; }},
        {"sbots2", [](Settings& t) { t.sbots = 20.0f; }},
        {"littlepoints", [](Settings& t) { t.pointsToWin = 7; }},
    };
    auto k = keys.find(line);
    if (k != keys.end())
        k->second(s);
}

Settings expected(const char* data, size_t size)
{
    Settings s;
    setGameDefaults(s);
    std::string text(data, size);
    size_t start = 0;
    for (;;) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            applyLine(text.substr(start), s);  // a CR here is part of the line
            return s;
        }
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        applyLine(line, s);
        start = end + 1;
    }
}

bool same(const Settings& a, const Settings& b)
{
    return a.joy == b.joy && a.fullscreen == b.fullscreen && a.sound == b.sound && a.xspeed == b.xspeed &&
           a.sbots == b.sbots && a.pointsToWin == b.pointsToWin;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    path = scratchFolder() + "/setup.ini";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    const char* data = reinterpret_cast<const char*>(bytes);
    const Settings want = expected(data, size);

    Settings inMemory;
    setGameDefaults(inMemory);
    applySettingsText(data, size, inMemory);
    require(same(inMemory, want), "applySettingsText differs from a plain line reading");

    // Through a file, behind one long line that matches nothing, so that the
    // input's first lines straddle the reader's 4096-byte chunk boundary at
    // varying places.
    std::string file(4095 - size % 17, 'x');
    file += '\n';
    file.append(data, size);
    writeFileBytes(path, file.data(), file.size());
    Settings fromFile;
    std::memset(&fromFile, 0xA5, sizeof fromFile);
    require(loadSettingsFrom(path.c_str(), fromFile), "loadSettingsFrom could not open its file");
    require(same(fromFile, want), "loadSettingsFrom differs from a plain line reading");
    return 0;
}
