// The setup tool's reader of "setup.ini": any bytes give exactly what a
// plain word-by-word reading gives, in memory and through a file alike.
#include <cstring>
#include <map>
#include <string>

#include "fuzz_support.h"
#include "settings/settings.h"

namespace {

std::string path;

void applyWord(const std::string& word, SetupOptions& o)
{
    static const std::map<std::string, std::pair<int SetupOptions::*, int>> keys = {
        {"joy0", {&SetupOptions::joy, 0}},
        {"joy1", {&SetupOptions::joy, 1}},
        {"fullscreen0", {&SetupOptions::fullscreen, 0}},
        {"fullscreen1", {&SetupOptions::fullscreen, 1}},
        {"sound0", {&SetupOptions::sound, 0}},
        {"sound1", {&SetupOptions::sound, 1}},
        {"xspeed0", {&SetupOptions::xspeed, 0}},
        {"xspeed1", {&SetupOptions::xspeed, 1}},
        {"xspeed2", {&SetupOptions::xspeed, 1}},
        {"sbots0", {&SetupOptions::sbots, 0}},
        {"sbots1", {&SetupOptions::sbots, 1}},
        {"sbots2", {&SetupOptions::sbots, 1}},
    };
    auto k = keys.find(word);
    if (k != keys.end())
        o.*(k->second.first) = k->second.second;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

SetupOptions expected(const char* data, size_t size)
{
    SetupOptions o;
    setSetupDefaults(o);
    std::string word;
    for (size_t i = 0; i < size; ++i) {
        if (isBlank(data[i])) {
            applyWord(word, o);
            word.clear();
        } else {
            word += data[i];
        }
    }
    applyWord(word, o);
    return o;
}

bool same(const SetupOptions& a, const SetupOptions& b)
{
    return a.fullscreen == b.fullscreen && a.joy == b.joy && a.sound == b.sound && a.xspeed == b.xspeed &&
           a.sbots == b.sbots;
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
    const SetupOptions want = expected(data, size);

    SetupOptions inMemory;
    setSetupDefaults(inMemory);
    applySetupWords(data, size, inMemory);
    require(same(inMemory, want), "applySetupWords differs from a plain word reading");

    // Through a file, with blanks in front so that the input's first words
    // straddle the reader's 4096-byte chunk boundary at varying places.
    std::string file(4096 - size % 17, ' ');
    file.append(data, size);
    writeFileBytes(path, file.data(), file.size());
    SetupOptions fromFile;
    std::memset(&fromFile, 0x5A, sizeof fromFile);
    require(readSetupOptionsFrom(path.c_str(), fromFile), "readSetupOptionsFrom could not open its file");
    require(same(fromFile, want), "readSetupOptionsFrom differs from a plain word reading");
    return 0;
}
