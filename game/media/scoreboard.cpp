#include "game/media/scoreboard.h"

#include "game/base/state.h"
#include "game/media/assets.h"
#include "game/media/atlas.h"
#include "game/media/image.h"
#include "game/media/layout.h"
#include "game/media/media.h"

namespace {

using layout::scoreTop;
const int digitWidth = atlas::digitRects[0].w;   // px
const int digitHeight = atlas::digitRects[0].h;  // px

void drawLabel(ScreenPlace place, const SDL_Rect& rect)
{
    blit(static_cast<Sint16>(place.x), static_cast<Sint16>(place.y), playerLabels, screen, &rect);
}

// Mend: a value that is not a digit draws nothing rather than reading past the table.
void drawDigit(Sint32 digit, int x)
{
    if (digit < 0 || digit > 9)
        return;
    blit(static_cast<Sint16>(x), scoreTop, sheet, screen, &digitRects[digit]);
}

}  // namespace

// The label corners are as large as the largest label (the person's); the
// strip runs from the 1 of a left 10 to the 0 of a right 10.
const SDL_Rect scoreboardAreas[3] = {
    {layout::leftLabel.x, layout::leftLabel.y, atlas::humanLabelRect.w, atlas::humanLabelRect.h},
    {layout::rightLabel.x, layout::rightLabel.y, atlas::humanLabelRect.w, atlas::humanLabelRect.h},
    {layout::leftTensX, scoreTop, layout::rightTensX + digitWidth - layout::leftTensX, digitHeight}};

void drawScore(Sint32 left, Sint32 right)
{
    Sint32 leftLast = left;
    if (left == 10) {
        drawDigit(1, layout::leftTensX);  // 10 grows outward: its 1 goes left
        leftLast = 0;
    }
    Sint32 rightFirst = right;
    if (right == 10) {
        drawDigit(0, layout::rightTensX);  // and its 0 goes right
        rightFirst = 1;
    }
    drawDigit(leftLast, layout::leftDigitX);
    blit(layout::separatorX, scoreTop, sheet, screen, &scoreSeparatorRect);
    drawDigit(rightFirst, layout::rightDigitX);
}

void drawPlayerLabels()
{
    switch (gameType) {
    case gameTwoPeople:
        drawLabel(layout::leftLabel, humanLabelRect);
        drawLabel(layout::rightLabel, humanLabelRect);
        break;
    case gameComputerBoth:
        drawLabel(layout::leftLabel, computerLabelRect);
        drawLabel(layout::rightComputerLabel, computerLabelShortRect);
        break;
    case gameComputerLevel1:
    case gameComputerLevel2:
    case gameComputerLevel3:
    case gameComputerLevel5:
        drawLabel(layout::leftLabel, computerLabelRect);
        drawLabel(layout::rightLabel, humanLabelRect);
        break;
    default:
        break;  // no such game type
    }
}
