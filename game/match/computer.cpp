#include "game/match/computer.h"

#include "game/base/state.h"
#include "game/match/court.h"
#include "game/match/match.h"
#include "game/match/paddle.h"
#include "settings/settings.h"

namespace {

// Computer paddle speed (px/s) for a divisor: faster with rallySpeed and sbots.
float computerSpeed(int divisor, Sint32 rallySpeed)
{
    const int scaled = rallySpeed * 100;
    return static_cast<float>(scaled) / (static_cast<float>(divisor) - settings.sbots);
}

// Base of the attack line (px): the faster the rally, the earlier it retreats.
int attackBase(Sint32 rallySpeed)
{
    if (rallySpeed > 800)
        return 340;
    if (rallySpeed > 600)
        return 360;
    if (rallySpeed > 500)
        return 380;
    if (rallySpeed > 400)
        return 400;
    return 420;
}

}  // namespace

void steerLeftComputer(Match& m, float bx, float by, float px, float py, int level)
{
    int divisor = 0;
    int line = 0;  // px
    switch (level) {
    case 1: divisor = 140; line = 4 + attackBase(m.rallySpeed); break;
    case 2: divisor = 130; line = 8 + attackBase(m.rallySpeed); break;
    case 3: divisor = 120; line = 12 + attackBase(m.rallySpeed); break;
    case 4: divisor = 100; line = centreLineX; break;
    case 5: divisor = 100; line = 20 + attackBase(m.rallySpeed); break;
    default: return;  // no computer plays at other levels
    }
    const float s = computerSpeed(divisor, m.rallySpeed);
    const float t = static_cast<float>(line);
    Paddle& p = m.sides[leftSide].paddle;

    // Inside the band from 10 to 70 px below the paddle's top: keep going.
    if (by + 30 < py + 40)
        p.vy = -s;
    else if (by - 30 > py + 40)
        p.vy = s;

    if (bx > t) {
        p.vy = 0;
        p.vx = -s;
    } else if (bx < t) {
        if (px < bx)
            p.vx = s;
        else if (px > bx)
            p.vx = -s;
    }
}

void steerRightComputer(Match& m, float bx, float by, float px, float py)
{
    const float s = computerSpeed(101, m.rallySpeed);
    Paddle& p = m.sides[rightSide].paddle;

    if (by + 30 > py + 40)
        p.vy = s;
    if (by - 30 < py + 40)
        p.vy = -s;

    if (bx < centreLineX) {
        p.vy = 0;
        p.vx = s;
    } else if (bx > centreLineX) {
        if (px > bx)
            p.vx = -s;
        else if (px < bx)
            p.vx = s;
    }
}
