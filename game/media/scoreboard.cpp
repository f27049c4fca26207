#include "game/media/scoreboard.h"

#include "game/base/state.h"
#include "game/media/assets.h"
#include "game/media/atlas.h"
#include "game/media/image.h"
#include "game/media/media.h"

namespace {

const Sint16 scoreTop = 5;  // px
const Uint16 digitHeight = atlas::digitRects[0].h;  // px

// Mend: a value that is not a digit draws nothing rather than reading past the table.
void drawDigit(Sint32 digit, Sint16 x)
{
    if (digit < 0 || digit > 9)
        return;
    blit(x, scoreTop, sheet, screen, &digitRects[digit]);
}

}  // namespace

// Labels are 140 px wide and at most 18 high; the strip runs from the 1 of a
// left 10 (x 303) to the 0 of a right 10 (x 458, 40 wide).
const SDL_Rect scoreboardAreas[3] = {
    {0, 0, 140, 18}, {660, 0, 140, 18}, {303, scoreTop, 458 + 40 - 303, digitHeight}};

void drawScore(Sint32 left, Sint32 right)
{
    Sint32 leftLast = left;
    if (left == 10) {
        drawDigit(1, 303);  // 10 grows outward: its 1 goes left
        leftLast = 0;
    }
    Sint32 rightFirst = right;
    if (right == 10) {
        drawDigit(0, 458);  // and its 0 goes right
        rightFirst = 1;
    }
    drawDigit(leftLast, 343);
    blit(393, scoreTop, sheet, screen, &scoreSeparatorRect);
    drawDigit(rightFirst, 418);
}

void drawPlayerLabels()
{
    switch (gameType) {
    case gameTwoPeople:
        blit(0, 0, playerLabels, screen, &humanLabelRect);
        blit(660, 0, playerLabels, screen, &humanLabelRect);
        break;
    case gameComputerBoth:
        blit(0, 0, playerLabels, screen, &computerLabelRect);
        blit(723, 0, playerLabels, screen, &computerLabelShortRect);
        break;
    case gameComputerLevel1:
    case gameComputerLevel2:
    case gameComputerLevel3:
    case gameComputerLevel5:
        blit(0, 0, playerLabels, screen, &computerLabelRect);
        blit(660, 0, playerLabels, screen, &humanLabelRect);
        break;
    default:
        break;  // no such game type
    }
}
