// Where the game puts its pictures on the 800 x 600 screen (px, top-left
// corners), in one table beside atlas.h: the game draws there, the data
// generator's preview lays out the same screens and the tests look there.
// No SDL, so that the generator can read it too.
#pragma once

#include "game/match/court.h"
#include "game/media/atlas.h"

struct ScreenPlace {
    int x, y;  // px
};

namespace layout {

// The scoreboard along the top edge: one digit each side of the separator.
// A 10 grows outward: the left one's 1 stands further left, the right one's
// 0 further right.
inline constexpr int scoreTop = 5;       // px
inline constexpr int leftTensX = 303;    // px
inline constexpr int leftDigitX = 343;   // px
inline constexpr int separatorX = 393;   // px
inline constexpr int rightDigitX = 418;  // px
inline constexpr int rightTensX = 458;   // px

// Who-plays labels in the top corners, the right ones flush with the edge.
inline constexpr ScreenPlace leftLabel = {0, 0};
inline constexpr ScreenPlace rightLabel = {courtWidth - atlas::humanLabelRect.w, 0};
inline constexpr ScreenPlace rightComputerLabel = {courtWidth - atlas::computerLabelShortRect.w, 0};

// The menu: its backdrop fills the screen; the page of the chosen game type
// and the strip of the chosen court sit on it.
inline constexpr ScreenPlace menuPage = {50, 150};
inline constexpr ScreenPlace courtStrip = {0, 350};

// A hit spark's frame is drawn this far left of and above its paddle's corner.
inline constexpr int sparkOffsetX = 45;  // px
inline constexpr int sparkOffsetY = 40;  // px

// The sequences' pictures.
inline constexpr ScreenPlace matchEndBanner = {250, 250};
inline constexpr ScreenPlace joystickNoticeTitle = {230, 270};
inline constexpr ScreenPlace joystickNoticeLine = {225, 300};  // joins the title

// A network game's ending, low on the screen, across its middle.
inline constexpr ScreenPlace netNotice = {(courtWidth - atlas::netNoticeWidth) / 2, 520};

}  // namespace layout
