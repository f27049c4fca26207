// The rectangles the game cuts from its pictures, in one table: the game's
// fillAtlas copies them, the data generator draws each picture into them,
// its contact sheet outlines them and the asset tests check them. No SDL
// here, so that the generator can read it too. Moving a rectangle is one
// edit in this file.
#pragma once

struct AtlasRect {
    int x, y;  // px: top-left corner in the picture
    int w, h;  // px
};

namespace atlas {

// "animate.dat": the four spark pictures forward, then back.
inline constexpr AtlasRect hitSparkFrames[8] = {
    {0, 0, 111, 161},   {111, 0, 111, 161}, {222, 0, 111, 161}, {333, 0, 111, 161},
    {333, 0, 111, 161}, {222, 0, 111, 161}, {111, 0, 111, 161}, {0, 0, 111, 161},
};

// "sheet.gfx": the digits 0 to 9, the score separator, the match-end
// banner and the four lines of the joystick notice.
inline constexpr AtlasRect digitRects[10] = {
    {0, 0, 40, 52},   {40, 0, 40, 52},  {80, 0, 40, 52},  {120, 0, 40, 52}, {160, 0, 40, 52},
    {200, 0, 40, 52}, {240, 0, 40, 52}, {280, 0, 40, 52}, {320, 0, 40, 52}, {360, 0, 40, 52},
};
inline constexpr AtlasRect scoreSeparatorRect = {575, 0, 11, 52};
inline constexpr AtlasRect matchEndBannerRect = {1, 53, 300, 80};
inline constexpr AtlasRect joystickNoticeTitleRect = {301, 53, 330, 22};
inline constexpr AtlasRect oneJoystickRect = {301, 75, 330, 22};
inline constexpr AtlasRect twoJoysticksRect = {301, 99, 330, 22};
inline constexpr AtlasRect noJoystickRect = {301, 121, 330, 22};

// "CPUPlayer.dat".
// Kept: the two label rows share row 17; that is how the picture is cut.
inline constexpr AtlasRect humanLabelRect = {0, 0, 140, 18};
inline constexpr AtlasRect computerLabelRect = {0, 17, 140, 17};
inline constexpr AtlasRect computerLabelShortRect = {0, 17, 77, 17};

// "anifade.dat".
// Kept: the second frame sits at 40, not 20: the strip is cut that way.
inline constexpr AtlasRect fadeFrames[7] = {
    {0, 0, 20, 80},  {40, 0, 20, 80},  {60, 0, 20, 80},  {80, 0, 20, 80},
    {100, 0, 20, 80}, {120, 0, 20, 80}, {140, 0, 20, 80},
};

// "paddle.dat": the paddle at rest and with the smash button held.
inline constexpr AtlasRect paddleFrames[2] = {{0, 0, 20, 80}, {20, 0, 20, 80}};

// "netmsg.dat": the network game's endings, one panel each, top to bottom
// in this order.
enum NetNotice {
    noticeOtherLeft,    // the other player left
    noticeHostEnded,    // the host ended the game (to its guest)
    noticeWatchEnded,   // the game a watcher watched ended
    noticeLost,         // the connection broke
    noticeTimeout,      // the other machine stopped answering
    noticeUnreachable,  // no host answered
    noticeNotSame,      // refused: another version, build or data
    noticeNoSeat,       // refused: no seat left
    noticeLetGo,        // the host let this guest go
    noticeOtherLetGo,   // the host let its guest go
    noticeApart,        // the games went apart
    noticeBusy,         // the host turned the connection away, busy with others
    netNoticeCount
};
inline constexpr int netNoticeWidth = 560;  // px
inline constexpr int netNoticeHeight = 56;  // px
inline constexpr AtlasRect netNoticeRects[netNoticeCount] = {
    {0, 0 * netNoticeHeight, netNoticeWidth, netNoticeHeight},  {0, 1 * netNoticeHeight, netNoticeWidth, netNoticeHeight},
    {0, 2 * netNoticeHeight, netNoticeWidth, netNoticeHeight},  {0, 3 * netNoticeHeight, netNoticeWidth, netNoticeHeight},
    {0, 4 * netNoticeHeight, netNoticeWidth, netNoticeHeight},  {0, 5 * netNoticeHeight, netNoticeWidth, netNoticeHeight},
    {0, 6 * netNoticeHeight, netNoticeWidth, netNoticeHeight},  {0, 7 * netNoticeHeight, netNoticeWidth, netNoticeHeight},
    {0, 8 * netNoticeHeight, netNoticeWidth, netNoticeHeight},  {0, 9 * netNoticeHeight, netNoticeWidth, netNoticeHeight},
    {0, 10 * netNoticeHeight, netNoticeWidth, netNoticeHeight}, {0, 11 * netNoticeHeight, netNoticeWidth, netNoticeHeight},
};

// Every entry with the picture it is cut from, for the tools and tests
// that walk the whole table.
struct AtlasEntry {
    const char* name;  // the game's name for the rectangle or the array
    const char* file;  // the picture it is cut from
    const AtlasRect* rects;
    int count;
};

inline constexpr AtlasEntry entries[] = {
    {"hitSparkFrames", "animate.dat", hitSparkFrames, 8},
    {"digitRects", "sheet.gfx", digitRects, 10},
    {"scoreSeparatorRect", "sheet.gfx", &scoreSeparatorRect, 1},
    {"matchEndBannerRect", "sheet.gfx", &matchEndBannerRect, 1},
    {"joystickNoticeTitleRect", "sheet.gfx", &joystickNoticeTitleRect, 1},
    {"oneJoystickRect", "sheet.gfx", &oneJoystickRect, 1},
    {"twoJoysticksRect", "sheet.gfx", &twoJoysticksRect, 1},
    {"noJoystickRect", "sheet.gfx", &noJoystickRect, 1},
    {"humanLabelRect", "CPUPlayer.dat", &humanLabelRect, 1},
    {"computerLabelRect", "CPUPlayer.dat", &computerLabelRect, 1},
    {"computerLabelShortRect", "CPUPlayer.dat", &computerLabelShortRect, 1},
    {"fadeFrames", "anifade.dat", fadeFrames, 7},
    {"paddleFrames", "paddle.dat", paddleFrames, 2},
    {"netNoticeRects", "netmsg.dat", netNoticeRects, netNoticeCount},
};

// The smallest picture that holds every rectangle cut from `file` (px).
constexpr AtlasRect extentOf(const char* file)
{
    AtlasRect e{0, 0, 0, 0};
    for (const AtlasEntry& entry : entries) {
        const char* a = entry.file;
        const char* b = file;
        while (*a && *a == *b) {
            ++a;
            ++b;
        }
        if (*a != *b)
            continue;
        for (int i = 0; i < entry.count; ++i) {
            const AtlasRect& r = entry.rects[i];
            e.w = r.x + r.w > e.w ? r.x + r.w : e.w;
            e.h = r.y + r.h > e.h ? r.y + r.h : e.h;
        }
    }
    return e;
}

}  // namespace atlas
