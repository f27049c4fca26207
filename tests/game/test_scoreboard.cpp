#include <gtest/gtest.h>

#include "game/base/state.h"
#include "game/media/assets.h"
#include "game/media/image.h"
#include "game/media/layout.h"
#include "game/media/media.h"
#include "game/media/scoreboard.h"
#include "support/media_fixture.h"

namespace {

Uint32 digitColour(int d) { return 0x100000u * static_cast<Uint32>(d + 1) + 0x40u; }
const Uint32 separatorColour = 0x00E000;
const Uint32 spareColour = 0x505050;  // sheet outside the digits and separator
const Uint32 humanColour = 0xE0E000;
const Uint32 sharedRowColour = 0xE08000;
const Uint32 computerColour = 0x0080E0;
const Uint32 computerTailColour = 0x8000E0;  // computer label past 77 px

class ScoreboardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(startTestMedia());
        fillAtlas();
        sheet = makeImage(631, 143, spareColour);
        for (int d = 0; d < 10; ++d)
            fillRgb(sheet, 40 * d, 0, 40, 52, digitColour(d));
        fillRgb(sheet, 575, 0, 11, 52, separatorColour);
        playerLabels = makeImage(140, 34, humanColour);
        fillRgb(playerLabels, 0, 17, 140, 1, sharedRowColour);
        fillRgb(playerLabels, 0, 18, 77, 16, computerColour);
        fillRgb(playerLabels, 77, 18, 63, 16, computerTailColour);
        fillRgb(screen, 0, 0, 800, 600, 0);
    }
    void TearDown() override { shutdownMedia(); }

    // The 40 x 52 box at x, y 5 is filled with the colour, and is alone.
    static void expectDigitBox(int x, int digit)
    {
        EXPECT_EQ(countRgb(screen, x, 5, 40, 52, digitColour(digit)), 40 * 52) << "digit " << digit << " at " << x;
    }
    static int colourCount(Uint32 rgb) { return countRgb(screen, 0, 0, 800, 70, rgb); }
};

TEST_F(ScoreboardTest, NilNil)
{
    drawScore(0, 0);
    expectDigitBox(layout::leftDigitX, 0);
    expectDigitBox(layout::rightDigitX, 0);
    EXPECT_EQ(countRgb(screen, layout::separatorX, layout::scoreTop, 11, 52, separatorColour), 11 * 52);
    EXPECT_EQ(colourCount(digitColour(0)), 2 * 40 * 52);
    EXPECT_EQ(colourCount(separatorColour), 11 * 52);
    EXPECT_EQ(rgbAt(screen, 392, 5), 0u);
    EXPECT_EQ(rgbAt(screen, 393, 4), 0u);
    EXPECT_EQ(rgbAt(screen, 404, 30), 0u);
}

TEST_F(ScoreboardTest, TenOnTheLeftGrowsLeftward)
{
    drawScore(10, 3);
    expectDigitBox(layout::leftTensX, 1);
    expectDigitBox(layout::leftDigitX, 0);
    expectDigitBox(layout::rightDigitX, 3);
    EXPECT_EQ(colourCount(digitColour(1)), 40 * 52);
    EXPECT_EQ(colourCount(digitColour(0)), 40 * 52);
    EXPECT_EQ(colourCount(digitColour(3)), 40 * 52);
    EXPECT_EQ(rgbAt(screen, 302, 5), 0u);
}

TEST_F(ScoreboardTest, TenOnTheRightGrowsRightward)
{
    drawScore(4, 10);
    expectDigitBox(layout::leftDigitX, 4);
    expectDigitBox(layout::rightDigitX, 1);
    expectDigitBox(layout::rightTensX, 0);
    EXPECT_EQ(colourCount(digitColour(0)), 40 * 52);
    EXPECT_EQ(rgbAt(screen, 498, 5), 0u);
}

TEST_F(ScoreboardTest, ScoresBeyondTheTableDrawNoDigit)
{
    drawScore(11, -1);
    EXPECT_EQ(colourCount(separatorColour), 11 * 52);
    EXPECT_EQ(colourCount(spareColour), 0);  // nothing cut from past the digits
    for (int d = 0; d < 10; ++d)
        EXPECT_EQ(colourCount(digitColour(d)), 0) << d;

    fillRgb(screen, 0, 0, 800, 600, 0);
    drawScore(-2147483647 - 1, 2147483647);
    EXPECT_EQ(colourCount(separatorColour), 11 * 52);
    EXPECT_EQ(colourCount(spareColour), 0);
}

TEST_F(ScoreboardTest, TwoPeopleShowTheHumanLabelInBothCorners)
{
    gameType = 0;
    drawPlayerLabels();
    EXPECT_EQ(countRgb(screen, 0, 0, 140, 17, humanColour), 140 * 17);
    EXPECT_EQ(countRgb(screen, 0, 17, 140, 1, sharedRowColour), 140);
    EXPECT_EQ(countRgb(screen, layout::rightLabel.x, 0, 140, 17, humanColour), 140 * 17);
    EXPECT_EQ(rgbAt(screen, 659, 0), 0u);
    EXPECT_EQ(rgbAt(screen, 140, 0), 0u);
    EXPECT_EQ(rgbAt(screen, 0, 18), 0u);
    EXPECT_EQ(colourCount(computerColour), 0);
}

TEST_F(ScoreboardTest, ComputerAgainstPersonForTypesOneToThreeAndFive)
{
    for (int type : {1, 2, 3, 5}) {
        fillRgb(screen, 0, 0, 800, 600, 0);
        gameType = type;
        drawPlayerLabels();
        EXPECT_EQ(countRgb(screen, 0, 0, 140, 1, sharedRowColour), 140) << type;
        EXPECT_EQ(countRgb(screen, 0, 1, 77, 16, computerColour), 77 * 16) << type;
        EXPECT_EQ(countRgb(screen, 77, 1, 63, 16, computerTailColour), 63 * 16) << type;
        EXPECT_EQ(rgbAt(screen, 0, 17), 0u);
        EXPECT_EQ(countRgb(screen, layout::rightLabel.x, 0, 140, 17, humanColour), 140 * 17) << type;
    }
}

TEST_F(ScoreboardTest, TwoComputersUseTheShortLabelOnTheRight)
{
    gameType = 4;
    drawPlayerLabels();
    EXPECT_EQ(countRgb(screen, 0, 1, 77, 16, computerColour), 77 * 16);
    EXPECT_EQ(countRgb(screen, 723, 0, 77, 1, sharedRowColour), 77);
    EXPECT_EQ(countRgb(screen, 723, 1, 77, 16, computerColour), 77 * 16);
    EXPECT_EQ(rgbAt(screen, 722, 5), 0u);
    EXPECT_EQ(colourCount(computerTailColour), 63 * 16);  // the left label's only
    EXPECT_EQ(colourCount(humanColour), 0);
}

TEST_F(ScoreboardTest, UnknownGameTypeDrawsNoLabel)
{
    gameType = 6;
    drawPlayerLabels();
    gameType = -1;
    drawPlayerLabels();
    EXPECT_EQ(countRgb(screen, 0, 0, 800, 40, 0), 800 * 40);
}

}  // namespace
