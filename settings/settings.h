// "setup.ini": the one file shared by the game and the setup tool.
// The game compares whole lines (loadSettings); the setup tool compares
// whitespace-separated words (readSetupOptions) and rewrites the file
// (writeSetupOptions). One keyword table serves all three.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <sys/types.h>

// The game's settings, filled once at start-up by loadSettings.
struct Settings {
    uint8_t joy;          // 1: open joysticks 0 and 1, accept stick input
    uint8_t fullscreen;   // 1: full-screen double-buffered display
    uint8_t sound;        // 1: music loops and the paddle-hit sound plays
    int32_t xspeed;       // px/s added to 300 for the starting rallySpeed: 0, 100, 200
    float sbots;          // subtracted from the computer's speed divisor: 0, 10, 20
    int32_t pointsToWin;  // 10, or 7 with "littlepoints"
};

extern Settings settings;

void loadSettings();

// The setup tool's five check boxes, each 0 or 1, in this order.
struct SetupOptions {
    int fullscreen;
    int joy;
    int sound;
    int xspeed;
    int sbots;
};

bool readSetupOptions(SetupOptions& options);
bool writeSetupOptions(const SetupOptions& options);

// ---- The keyword table ----------------------------------------------------

enum class SettingsField { joy, fullscreen, sound, xspeed, sbots, pointsToWin };

struct SettingsKeyword {
    const char* text;       // the whole line (game) or word (setup tool)
    size_t length;          // strlen(text)
    SettingsField field;
    int32_t gameValue;      // value of the Settings field (sbots as a whole number)
    int setupValue;         // value of the SetupOptions field; -1: not a setup-tool key
};

extern const SettingsKeyword settingsKeywords[];
extern const size_t settingsKeywordCount;

// The entry whose text equals the `length` bytes at `text` exactly, or null.
const SettingsKeyword* findSettingsKeyword(const char* text, size_t length);

// ---- Cores behind the three file operations (also used by tests and fuzzers)

void setGameDefaults(Settings& s);
void setSetupDefaults(SetupOptions& o);

// Applies every line of `data` to `s` in order (no defaults are set here).
// A CR directly before an LF belongs to the line end; the last line counts
// without a line end. Any bytes, any line length.
void applySettingsText(const char* data, size_t size, Settings& s);

// Applies every whitespace-separated word of `data` to `o` in order. Words
// longer than any keyword match nothing, whole: no cut-off piece counts.
void applySetupWords(const char* data, size_t size, SetupOptions& o);

// loadSettings on a given file into `s`; false (defaults set, nothing
// printed) when the file cannot be opened as a regular file.
bool loadSettingsFrom(const char* path, Settings& s);

// readSetupOptions on a given file.
bool readSetupOptionsFrom(const char* path, SetupOptions& o);

// The file's exact bytes for `o` saved at local time `t`.
size_t formatSetupFile(const SetupOptions& o, const std::tm& t, char* out, size_t outSize);

// writeSetupOptions on a given path and time. Writes a temporary file next
// to `path` and renames it over `path`; on any failure the old file stays
// as it was and the result is false.
bool writeSetupOptionsAt(const char* path, const SetupOptions& o, const std::tm& localTime);

// The system calls the writer goes through, so that tests can make a write,
// the flush to disk or the close fail. Defaults: ::write, ::fsync, ::close.
struct SetupWriteSeam {
    ssize_t (*write)(int fd, const void* data, size_t size);
    int (*fsync)(int fd);
    int (*close)(int fd);
};

extern SetupWriteSeam setupWriteSeam;
void resetSetupWriteSeam();
