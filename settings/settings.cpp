// "setup.ini": keyword table, the game's line reader, the setup tool's word
// reader and its writer.
#include "settings/settings.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <libgen.h>
#include <sys/stat.h>
#include <unistd.h>

Settings settings = {1, 1, 1, 0, 0.0f, 10};

namespace {
constexpr char kFileName[] = "setup.ini";
}

// ---- The keyword table ----------------------------------------------------

#define KW(text, field, game, setup) {text, sizeof(text) - 1, SettingsField::field, game, setup}
const SettingsKeyword settingsKeywords[] = {
    KW("joy0", joy, 0, 0),
    KW("joy1", joy, 1, 1),
    KW("fullscreen0", fullscreen, 0, 0),
    KW("fullscreen1", fullscreen, 1, 1),
    KW("sound0", sound, 0, 0),
    KW("sound1", sound, 1, 1),
    KW("xspeed0", xspeed, 0, 0),
    KW("xspeed1", xspeed, 100, 1),
    KW("xspeed2", xspeed, 200, 1),
    KW("sbots0", sbots, 0, 0),
    KW("sbots1", sbots, 10, 1),
    KW("sbots2", sbots, 20, 1),
    KW("littlepoints", pointsToWin, 7, -1),
};
#undef KW
const size_t settingsKeywordCount = sizeof(settingsKeywords) / sizeof(settingsKeywords[0]);

const SettingsKeyword* findSettingsKeyword(const char* text, size_t length)
{
    for (const SettingsKeyword& k : settingsKeywords)
        if (k.length == length && std::memcmp(k.text, text, length) == 0)
            return &k;
    return nullptr;
}

namespace {

// The keyword the writer uses for a field holding a setup-tool value: the
// first in table order, so "xspeed1" rather than "xspeed2".
const char* keywordFor(SettingsField field, int value)
{
    for (const SettingsKeyword& k : settingsKeywords)
        if (k.field == field && k.setupValue == value)
            return k.text;
    return "";
}

void applyToGame(const SettingsKeyword& k, Settings& s)
{
    switch (k.field) {
    case SettingsField::joy: s.joy = static_cast<uint8_t>(k.gameValue); break;
    case SettingsField::fullscreen: s.fullscreen = static_cast<uint8_t>(k.gameValue); break;
    case SettingsField::sound: s.sound = static_cast<uint8_t>(k.gameValue); break;
    case SettingsField::xspeed: s.xspeed = k.gameValue; break;
    case SettingsField::sbots: s.sbots = static_cast<float>(k.gameValue); break;
    case SettingsField::pointsToWin: s.pointsToWin = k.gameValue; break;
    }
}

void applyToSetup(const SettingsKeyword& k, SetupOptions& o)
{
    if (k.setupValue < 0)
        return;
    switch (k.field) {
    case SettingsField::joy: o.joy = k.setupValue; break;
    case SettingsField::fullscreen: o.fullscreen = k.setupValue; break;
    case SettingsField::sound: o.sound = k.setupValue; break;
    case SettingsField::xspeed: o.xspeed = k.setupValue; break;
    case SettingsField::sbots: o.sbots = k.setupValue; break;
    case SettingsField::pointsToWin: break;
    }
}

// The current line or word while streaming through the file.
// Mend: only the first kHold bytes are kept, in a fixed buffer: anything
// longer can equal no keyword (the longest is 12 bytes, plus a CR before
// the LF), so it is dropped whole.
constexpr size_t kHold = 16;
struct Piece {
    char text[kHold];
    size_t length;  // bytes seen so far, also beyond kHold
};

void addByte(Piece& p, char c)
{
    if (p.length < kHold)
        p.text[p.length] = c;
    if (p.length <= kHold)
        ++p.length;  // stops just past kHold: "too long" is all that matters
}

void endLine(Piece& p, Settings& s)
{
    if (p.length <= kHold) {
        size_t n = p.length;
        if (n > 0 && p.text[n - 1] == '\r')
            --n;  // only reached at an LF: the CR belongs to the line end
        if (const SettingsKeyword* k = findSettingsKeyword(p.text, n))
            applyToGame(*k, s);
    }
    p.length = 0;
}

void feedLines(Piece& p, const char* data, size_t size, Settings& s)
{
    for (size_t i = 0; i < size; ++i) {
        if (data[i] == '\n')
            endLine(p, s);
        else
            addByte(p, data[i]);
    }
}

// The last line, without a line end: a CR there is part of the line.
void finishLines(Piece& p, Settings& s)
{
    if (p.length <= kHold)
        if (const SettingsKeyword* k = findSettingsKeyword(p.text, p.length))
            applyToGame(*k, s);
    p.length = 0;
}

bool isWordSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

void endWord(Piece& p, SetupOptions& o)
{
    if (p.length > 0 && p.length <= kHold)
        if (const SettingsKeyword* k = findSettingsKeyword(p.text, p.length))
            applyToSetup(*k, o);
    p.length = 0;
}

void feedWords(Piece& p, const char* data, size_t size, SetupOptions& o)
{
    for (size_t i = 0; i < size; ++i) {
        if (isWordSpace(data[i]))
            endWord(p, o);
        else
            addByte(p, data[i]);
    }
}

// Mend: opens `path` for reading only if it is a regular file: a directory or a
// FIFO counts as "cannot be opened" (O_NONBLOCK keeps a FIFO from hanging
// the open itself).
int openRegularFile(const char* path)
{
    int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Streams the whole file through `feed`; a read error ends the file early.
template <typename Feed>
void readAll(int fd, Feed feed)
{
    char chunk[4096];
    for (;;) {
        ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        feed(chunk, static_cast<size_t>(n));
    }
}

// The game reads lines into Settings, the setup tool words into
// SetupOptions; the rest of the way through a text or a file is shared.
void feedPieces(Piece& p, const char* data, size_t size, Settings& s) { feedLines(p, data, size, s); }
void feedPieces(Piece& p, const char* data, size_t size, SetupOptions& o) { feedWords(p, data, size, o); }
void finishPieces(Piece& p, Settings& s) { finishLines(p, s); }
void finishPieces(Piece& p, SetupOptions& o) { endWord(p, o); }

template <typename Target>
void applyText(const char* data, size_t size, Target& target)
{
    Piece p{};
    feedPieces(p, data, size, target);
    finishPieces(p, target);
}

// Streams a regular file into `target`; false when it cannot be opened.
template <typename Target>
bool applyFile(const char* path, Target& target)
{
    int fd = openRegularFile(path);
    if (fd < 0)
        return false;
    Piece p{};
    readAll(fd, [&](const char* data, size_t n) { feedPieces(p, data, n, target); });
    finishPieces(p, target);
    ::close(fd);
    return true;
}

ssize_t defaultWrite(int fd, const void* data, size_t size) { return ::write(fd, data, size); }
int defaultFsync(int fd) { return ::fsync(fd); }
int defaultClose(int fd) { return ::close(fd); }

bool writeAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        ssize_t n = setupWriteSeam.write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Makes the rename itself durable; a failure here loses nothing already
// written, so it is not reported.
void syncDirectoryOf(const std::string& path)
{
    std::string copy = path;
    int dfd = ::open(::dirname(&copy[0]), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

}  // namespace

SetupWriteSeam setupWriteSeam = {defaultWrite, defaultFsync, defaultClose};

void resetSetupWriteSeam()
{
    setupWriteSeam = SetupWriteSeam{defaultWrite, defaultFsync, defaultClose};
}

// ---- The game's reader ----------------------------------------------------

void setGameDefaults(Settings& s)
{
    s = Settings{1, 1, 1, 0, 0.0f, 10};  // joy, fullscreen, sound, xspeed, sbots, pointsToWin
}

void applySettingsText(const char* data, size_t size, Settings& s)
{
    applyText(data, size, s);
}

bool loadSettingsFrom(const char* path, Settings& s)
{
    setGameDefaults(s);
    return applyFile(path, s);
}

void loadSettings()
{
    if (!loadSettingsFrom(kFileName, settings))
        std::fputs("Unable to open ini-file !", stdout);  // Kept: no line end
}

// ---- The setup tool's reader ----------------------------------------------

void setSetupDefaults(SetupOptions& o)
{
    o = SetupOptions{1, 0, 1, 0, 0};  // fullscreen, joy, sound, xspeed, sbots
}

void applySetupWords(const char* data, size_t size, SetupOptions& o)
{
    applyText(data, size, o);
}

bool readSetupOptionsFrom(const char* path, SetupOptions& o)
{
    setSetupDefaults(o);
    return applyFile(path, o);
}

bool readSetupOptions(SetupOptions& options)
{
    return readSetupOptionsFrom(kFileName, options);
}

// ---- The setup tool's writer ----------------------------------------------

size_t formatSetupFile(const SetupOptions& o, const std::tm& t, char* out, size_t outSize)
{
    // Anything but 0 is a ticked box.
    auto bit = [](int v) { return v != 0 ? 1 : 0; };
    int n = std::snprintf(out, outSize,
        "\nCreated with VOLTARI SeTuP for Windows 2.0 : Date/Time  %d.%d.%d/%d:%d"
        "\n%s\n%s\n%s\n%s\n%s",
        t.tm_mday, t.tm_mon + 1, t.tm_year + 1900, t.tm_hour, t.tm_min,
        keywordFor(SettingsField::joy, bit(o.joy)),
        keywordFor(SettingsField::fullscreen, bit(o.fullscreen)),
        keywordFor(SettingsField::xspeed, bit(o.xspeed)),
        keywordFor(SettingsField::sound, bit(o.sound)),
        keywordFor(SettingsField::sbots, bit(o.sbots)));
    if (n < 0 || static_cast<size_t>(n) >= outSize)
        return 0;
    return static_cast<size_t>(n);
}

bool writeSetupOptionsAt(const char* path, const SetupOptions& o, const std::tm& localTime)
{
    char content[256];
    size_t size = formatSetupFile(o, localTime, content, sizeof content);
    if (size == 0)
        return false;

    // A file that is there must be a regular file we may write; a symbolic
    // link is followed so that the link itself stays in place.
    std::string target = path;
    mode_t mode = 0644;
    struct stat st;
    if (::lstat(path, &st) == 0) {
        if (S_ISLNK(st.st_mode)) {
            char* real = ::realpath(path, nullptr);
            if (real == nullptr)
                return false;
            target = real;
            std::free(real);
            if (::stat(target.c_str(), &st) != 0)
                return false;
        }
        if (!S_ISREG(st.st_mode) || ::access(target.c_str(), W_OK) != 0)
            return false;
        mode = st.st_mode & 07777;
    } else if (errno != ENOENT) {
        return false;
    }

    // Mend: never truncate in place: a failed save must leave the old file whole.
    std::string temp = target + ".XXXXXX";
    int fd = ::mkostemp(&temp[0], O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = ::fchmod(fd, mode) == 0 && writeAll(fd, content, size) && setupWriteSeam.fsync(fd) == 0;
    if (setupWriteSeam.close(fd) != 0)
        ok = false;
    if (ok && std::rename(temp.c_str(), target.c_str()) != 0)
        ok = false;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    syncDirectoryOf(target);
    return true;
}

bool writeSetupOptions(const SetupOptions& options)
{
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (::localtime_r(&now, &local) == nullptr)
        return false;
    return writeSetupOptionsAt(kFileName, options, local);
}
