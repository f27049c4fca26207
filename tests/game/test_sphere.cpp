#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "game/match/ball.h"
#include "game/match/match.h"
#include "game/match/sphere.h"
#include "game/media/media.h"
#include "game/media/spheredraw.h"

namespace {

// The match the game plays: what these cases set up and look at.
Match& m = currentMatch();

const Uint32 white = 0xFFFFFF;
const Uint32 background = 0x123456;

float length(const Dot& d)
{
    return std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
}

bool near(const Dot& d, float x, float y, float z)
{
    const float e = 1e-6f;
    return std::fabs(d.x - x) < e && std::fabs(d.y - y) < e && std::fabs(d.z - z) < e;
}

Uint32 pixel(SDL_Surface* s, int x, int y)
{
    return reinterpret_cast<Uint32*>(static_cast<Uint8*>(s->pixels) + y * s->pitch)[x];
}

std::set<std::pair<int, int>> pixelsOf(SDL_Surface* s, Uint32 colour)
{
    std::set<std::pair<int, int>> found;
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x)
            if (pixel(s, x, y) == colour)
                found.insert({x, y});
    return found;
}

std::vector<Uint32> copyPixels(SDL_Surface* s)
{
    std::vector<Uint32> all;
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x)
            all.push_back(pixel(s, x, y));
    return all;
}

// The real display surface of the dummy video driver.
class SphereScreen : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        screen = SDL_SetVideoMode(800, 600, 32, 0);
        ASSERT_NE(screen, nullptr) << SDL_GetError();
        ASSERT_EQ(screen->format->BytesPerPixel, 4);
        clear();
    }
    void TearDown() override
    {
        screen = nullptr;
        SDL_Quit();
    }
    void clear() { SDL_FillRect(screen, nullptr, background); }
};

// A 32-bit surface of w x h pixels whose rows are `spare` pixels longer than
// needed, inside a buffer with guard rows above and below: anything written
// outside the surface lands on a guard pixel.
struct GuardedSurface {
    static constexpr Uint32 guard = 0xDEADBEEF;
    static constexpr int guardRows = 4;
    int w, h, stride;  // px
    std::vector<Uint32> buffer;
    SDL_Surface* surface;

    GuardedSurface(int width, int height, int spare)
        : w(width), h(height), stride(width + spare),
          buffer(static_cast<size_t>(stride) * static_cast<size_t>(height + 2 * guardRows), guard)
    {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                at(x, y) = 0;
        surface = SDL_CreateRGBSurfaceFrom(&at(0, 0), w, h, 32, stride * 4, 0xFF0000, 0xFF00, 0xFF, 0);
    }
    ~GuardedSurface() { SDL_FreeSurface(surface); }
    GuardedSurface(const GuardedSurface&) = delete;
    GuardedSurface& operator=(const GuardedSurface&) = delete;

    Uint32& at(int x, int y)
    {
        return buffer[static_cast<size_t>((y + guardRows) * stride + x)];
    }
    int spoiledGuards() const
    {
        int spoiled = 0;
        for (size_t i = 0; i < buffer.size(); ++i) {
            const int row = static_cast<int>(i) / stride - guardRows;
            const int col = static_cast<int>(i) % stride;
            const bool inside = row >= 0 && row < h && col < w;
            if (!inside && buffer[i] != guard)
                ++spoiled;
        }
        return spoiled;
    }
    std::set<std::pair<int, int>> lit()
    {
        std::set<std::pair<int, int>> found;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (at(x, y) != 0)
                    found.insert({x, y});
        return found;
    }
};

// --- the dot table -------------------------------------------------------------

TEST(SphereDots, FortyOneUnitVectorsOnTwoGreatCircles)
{
    buildSphereDots();
    for (int i = 0; i < 41; ++i) {
        EXPECT_NEAR(length(sphereDots[i]), 1.0f, 1e-6f) << "entry " << i;
        if (i <= 20)
            EXPECT_EQ(sphereDots[i].z, 0.0f) << "entry " << i;
        else
            EXPECT_EQ(sphereDots[i].y, 0.0f) << "entry " << i;
        EXPECT_FALSE(near(sphereDots[i], -1, 0, 0)) << "entry " << i;
    }
}

TEST(SphereDots, SpecialPointsStandTwice)
{
    buildSphereDots();
    EXPECT_TRUE(near(sphereDots[0], 1, 0, 0));
    EXPECT_TRUE(near(sphereDots[5], 0, 1, 0));
    EXPECT_TRUE(near(sphereDots[10], 0, 1, 0));
    EXPECT_TRUE(near(sphereDots[15], 0, -1, 0));
    EXPECT_TRUE(near(sphereDots[20], 0, -1, 0));
    EXPECT_TRUE(near(sphereDots[25], 0, 0, 1));
    EXPECT_TRUE(near(sphereDots[30], 0, 0, 1));
    EXPECT_TRUE(near(sphereDots[35], 0, 0, -1));
    EXPECT_TRUE(near(sphereDots[40], 0, 0, -1));
}

TEST(SphereDots, QuarterArcsFollowTheSquares)
{
    buildSphereDots();
    const float n1 = std::sqrt(24.0f * 24 + 1);   // n = 1
    const float n4 = std::sqrt(9.0f * 9 + 16 * 16);  // n = 4
    EXPECT_TRUE(near(sphereDots[1], 24 / n1, 1 / n1, 0));
    EXPECT_TRUE(near(sphereDots[9], -9 / n4, 16 / n4, 0));
    EXPECT_TRUE(near(sphereDots[14], 9 / n4, -16 / n4, 0));
    EXPECT_TRUE(near(sphereDots[16], -24 / n1, -1 / n1, 0));
    EXPECT_TRUE(near(sphereDots[21], -24 / n1, 0, 1 / n1));
    EXPECT_TRUE(near(sphereDots[29], 9 / n4, 0, 16 / n4));
    EXPECT_TRUE(near(sphereDots[34], -9 / n4, 0, -16 / n4));
    EXPECT_TRUE(near(sphereDots[39], 9 / n4, 0, -16 / n4));
}

// --- rotations ------------------------------------------------------------------

TEST(SphereRotation, QuarterTurns)
{
    buildSphereDots();
    const float quarter = 1.5707964f;
    rotateDotsAboutZ(quarter);
    EXPECT_TRUE(near(sphereDots[0], 0, 1, 0));
    EXPECT_TRUE(near(sphereDots[5], -1, 0, 0));
    EXPECT_TRUE(near(sphereDots[25], 0, 0, 1));  // the axis stays

    buildSphereDots();
    rotateDotsAboutY(quarter);
    EXPECT_TRUE(near(sphereDots[0], 0, 0, -1));
    EXPECT_TRUE(near(sphereDots[25], 1, 0, 0));
    EXPECT_TRUE(near(sphereDots[5], 0, 1, 0));
}

TEST(SphereRotation, ManyTurnsKeepUnitLength)
{
    buildSphereDots();
    for (int i = 0; i < 5000; ++i) {
        rotateDotsAboutZ(0.37f + 0.001f * static_cast<float>(i % 7));
        rotateDotsAboutY(0.0123f);
    }
    for (int i = 0; i < 41; ++i)
        EXPECT_NEAR(length(sphereDots[i]), 1.0f, 1e-3f) << "entry " << i;
}

// --- discs ----------------------------------------------------------------------

TEST_F(SphereScreen, DiscOfRadiusOneIsTwoPixels)
{
    fillDisc(100, 50, 1, white);
    const std::set<std::pair<int, int>> expected = {{99, 50}, {100, 50}};
    EXPECT_EQ(pixelsOf(screen, white), expected);
}

TEST_F(SphereScreen, DiscOfRadiusTwoIsThreeRows)
{
    fillDisc(100, 50, 2, white);
    const std::set<std::pair<int, int>> expected = {{99, 49}, {100, 49}, {98, 50}, {99, 50},
                                                    {100, 50}, {101, 50}, {99, 51}, {100, 51}};
    EXPECT_EQ(pixelsOf(screen, white), expected);
}

TEST_F(SphereScreen, DiscsAreClippedAtTheScreenEdges)
{
    fillDisc(0, 0, 2, white);
    fillDisc(799, 599, 2, white);
    fillDisc(-2, 300, 2, white);   // wholly off the left edge
    fillDisc(802, 300, 2, white);  // wholly off the right edge
    fillDisc(400, 601, 2, white);  // wholly below
    fillDisc(801, 200, 2, white);  // its leftmost column still shows
    const std::set<std::pair<int, int>> expected = {{0, 0},     {1, 0},     {0, 1},     {798, 598},
                                                    {799, 598}, {797, 599}, {798, 599}, {799, 599},
                                                    {799, 200}};
    EXPECT_EQ(pixelsOf(screen, white), expected);
}

TEST_F(SphereScreen, NoScreenDrawsNothing)
{
    SDL_Surface* real = screen;
    screen = nullptr;
    fillDisc(10, 10, 2, white);
    buildSphereDots();
    m.ball.x = 100;
    m.ball.y = 100;
    m.ball.vx = 300;
    m.ball.vy = 0.001f;
    drawBallDots(m.ball);  // still rolls the pattern
    EXPECT_GT(sphereDots[25].x, 0.0f);
    screen = real;
    EXPECT_TRUE(pixelsOf(screen, white).empty());
}

TEST(DiscClipping, NothingOutsideTheSurfaceAtAnyEdge)
{
    GuardedSurface g(40, 30, 5);
    ASSERT_NE(g.surface, nullptr);
    screen = g.surface;
    for (int r : {1, 2, 5, 40}) {
        for (int x = -45; x <= 85; x += 1)
            for (int y : {-45, -3, -2, -1, 0, 1, 15, 28, 29, 30, 31, 32, 75})
                fillDisc(x, y, r, 0xAA);
        for (int y = -45; y <= 75; y += 1)
            for (int x : {-3, -2, -1, 0, 1, 20, 38, 39, 40, 41, 42})
                fillDisc(x, y, r, 0xBB);
    }
    EXPECT_EQ(g.spoiledGuards(), 0);
    screen = nullptr;
}

TEST(DiscClipping, EdgeDiscsKeepTheirVisibleParts)
{
    GuardedSurface g(40, 30, 5);
    screen = g.surface;
    fillDisc(0, 15, 2, 1);   // left edge
    fillDisc(40, 5, 2, 1);   // right edge: row 5 keeps 38, 39
    fillDisc(20, 0, 2, 1);   // top edge
    fillDisc(30, 30, 2, 1);  // bottom edge: only row 29
    const std::set<std::pair<int, int>> expected = {
        {0, 14}, {0, 15}, {1, 15}, {0, 16},
        {39, 4}, {38, 5}, {39, 5}, {39, 6},
        {18, 0}, {19, 0}, {20, 0}, {21, 0}, {19, 1}, {20, 1},
        {29, 29}, {30, 29}};
    EXPECT_EQ(g.lit(), expected);
    EXPECT_EQ(g.spoiledGuards(), 0);
    screen = nullptr;
}

TEST(DiscClipping, RowsFollowThePitch)
{
    GuardedSurface g(10, 10, 7);
    screen = g.surface;
    fillDisc(5, 6, 1, 0x77);
    EXPECT_EQ(g.at(4, 6), 0x77u);
    EXPECT_EQ(g.at(5, 6), 0x77u);
    EXPECT_EQ(g.lit().size(), 2u);
    EXPECT_EQ(g.spoiledGuards(), 0);
    screen = nullptr;
}

TEST(DiscClipping, OnlyThirtyTwoBitSurfacesAreWritten)
{
    std::vector<Uint8> bytes(16 * 16, 0);
    SDL_Surface* s = SDL_CreateRGBSurfaceFrom(bytes.data(), 16, 16, 8, 16, 0, 0, 0, 0);
    ASSERT_NE(s, nullptr);
    screen = s;
    fillDisc(8, 8, 2, 0xFFFFFFFF);
    for (Uint8 b : bytes)
        EXPECT_EQ(b, 0);
    screen = nullptr;
    SDL_FreeSurface(s);
}

// --- sphere halves and the ball -----------------------------------------------

TEST_F(SphereScreen, DotInTheScreenPlaneIsDrawnAsFront)
{
    for (Dot& d : sphereDots)
        d = Dot{1, 0, 0};
    drawSphereHalf(100, 200, 20, sphereBack, white, 0, 0);
    EXPECT_TRUE(pixelsOf(screen, white).empty());
    drawSphereHalf(100, 200, 20, sphereFront, white, 0, 0);
    const std::set<std::pair<int, int>> expected = {{117, 199}, {118, 199}, {116, 200}, {117, 200},
                                                    {118, 200}, {119, 200}, {117, 201}, {118, 201}};
    EXPECT_EQ(pixelsOf(screen, white), expected);
}

TEST_F(SphereScreen, BackDotsAreDashes)
{
    for (Dot& d : sphereDots)
        d = Dot{0, -1, -0.5f};
    drawSphereHalf(100, 200, 9, sphereFront, white, 0, 0);
    EXPECT_TRUE(pixelsOf(screen, white).empty());
    drawSphereHalf(100, 200, 9, sphereBack, white, 0, 0);
    const std::set<std::pair<int, int>> expected = {{99, 193}, {100, 193}};
    EXPECT_EQ(pixelsOf(screen, white), expected);
}

TEST_F(SphereScreen, WhiteDotsSurroundTheBlackOnes)
{
    buildSphereDots();
    m.ball.x = 390;
    m.ball.y = 290;
    m.ball.vx = 0.001f;
    m.ball.vy = 0.001f;
    drawBallDots(m.ball);
    const auto whites = pixelsOf(screen, white);
    const auto blacks = pixelsOf(screen, 0);
    ASSERT_FALSE(whites.empty());
    ASSERT_FALSE(blacks.empty());
    // White dots lie within 18 px of the centre plus the disc, black ones
    // within 7 px plus the disc; the white ring shows outside the black one.
    int ring = 0;
    for (const auto& p : whites) {
        const double d = std::hypot(p.first - 400, p.second - 300);
        EXPECT_LT(d, 21.0);
        if (d > 12.0)
            ++ring;
    }
    EXPECT_GT(ring, 20);
    for (const auto& p : blacks)
        EXPECT_LT(std::hypot(p.first - 400, p.second - 300), 10.0);
}

TEST_F(SphereScreen, StillBallPracticallyDoesNotRoll)
{
    buildSphereDots();
    m.ball.x = 200.4f;
    m.ball.y = 100.7f;
    m.ball.vx = 0.001f;
    m.ball.vy = 0.001f;
    drawBallDots(m.ball);
    const std::vector<Uint32> first = copyPixels(screen);
    clear();
    drawBallDots(m.ball);
    EXPECT_TRUE(copyPixels(screen) == first);
}

TEST_F(SphereScreen, MovingBallRolls)
{
    buildSphereDots();
    m.ball.x = 200;
    m.ball.y = 100;
    m.ball.vx = 300;
    m.ball.vy = 0.001f;
    drawBallDots(m.ball);
    const std::vector<Uint32> first = copyPixels(screen);
    for (int i = 0; i < 10; ++i) {
        clear();
        drawBallDots(m.ball);
    }
    EXPECT_FALSE(copyPixels(screen) == first);
}

TEST(SphereRoll, FrontDotMovesForwardAlongTheDirection)
{
    screen = nullptr;
    buildSphereDots();
    drawDotLayers(0, 0, 20, 9, 300, 0.001f);  // four rolls of 300 / 34257
    EXPECT_NEAR(sphereDots[25].x, 0.035022f, 1e-5f);
    EXPECT_NEAR(sphereDots[25].y, 0.0f, 1e-5f);

    buildSphereDots();
    drawDotLayers(0, 0, 20, 9, 0, -300);  // upward: the top dot moves up
    EXPECT_NEAR(sphereDots[25].y, -0.035022f, 1e-5f);
    EXPECT_NEAR(sphereDots[25].x, 0.0f, 1e-5f);
}

TEST(SphereRoll, BallDotsClippedNearEveryEdge)
{
    GuardedSurface g(800, 600, 3);
    screen = g.surface;
    buildSphereDots();
    m.ball.vx = 250;
    m.ball.vy = -120;
    const float spots[][2] = {{-30, -30}, {-12, 300}, {790, 300}, {400, -25}, {400, 595}, {805, 610}};
    for (const auto& s : spots) {
        m.ball.x = s[0];
        m.ball.y = s[1];
        for (int i = 0; i < 20; ++i)
            drawBallDots(m.ball);
    }
    EXPECT_EQ(g.spoiledGuards(), 0);
    EXPECT_FALSE(g.lit().empty());
    screen = nullptr;
}

}  // namespace
