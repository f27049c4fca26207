// Match sprites: score sheet, player labels, paddles, paddle fade-in,
// hit sparks and the ball.
#include "art.h"
#include "game/media/atlas.h"
#include "text.h"

#include <algorithm>
#include <cmath>

namespace {

const double kPi = 3.14159265358979323846;

// --- sheet.gfx ---------------------------------------------------------

void scoreDigit(cairo_t* cr, char d, double scale, const Ink& box, const AtlasRect& cell)
{
    const std::string text(1, d);
    Font f{"DejaVu Sans Condensed Bold", 100, 0};
    Ink ink = measureText(cr, text, f);
    cairo_save(cr);
    // Every digit shares one size and baseline; centre each in its cell.
    cairo_translate(cr, cell.x + cell.w / 2.0 - (ink.x + ink.w / 2) * scale,
                    cell.y + cell.h / 2.0 - (box.y + box.h / 2) * scale);
    cairo_scale(cr, scale, scale);
    cairo_new_path(cr);
    textPath(cr, text, f, ink.x, ink.y + ink.h / 2, Align::Left);
    cairo_restore(cr);
    cairo_path_t* path = cairo_copy_path(cr);

    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, 5);
    setRgb(cr, pal::ink);
    cairo_stroke_preserve(cr);
    cairo_set_line_width(cr, 3);
    setRgb(cr, pal::teal);
    cairo_stroke_preserve(cr);
    setLinearSource(cr, 0, 6, 0, 46,
                    {{0.00, 1.00, 1.00, 1.00},
                     {0.45, 0.70, 0.90, 1.00},
                     {0.50, 0.32, 0.38, 0.70},
                     {0.53, 0.85, 0.45, 0.80},
                     {1.00, 1.00, 0.80, 0.60}});
    cairo_fill(cr);
    cairo_new_path(cr);
    cairo_append_path(cr, path);
    cairo_set_line_width(cr, 0.8);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.5);
    cairo_stroke(cr);
    cairo_path_destroy(path);
}

// One line of lettering with a dark rim, sized to fit its strip.
void stripText(cairo_t* cr, const std::string& text, double cx, double cy, double maxW, double maxH, Rgb fill,
               double spacing)
{
    Font f{"DejaVu Sans Bold", 40, spacing * 40 / 16};
    Ink ink = measureText(cr, text, f);
    double scale = std::min(maxW / ink.w, maxH / ink.h);
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, scale, scale);
    cairo_new_path(cr);
    textPath(cr, text, f, 0, 0, Align::Centre);
    cairo_restore(cr);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, 3.5);
    setRgb(cr, pal::ink);
    cairo_stroke_preserve(cr);
    setRgb(cr, fill);
    cairo_fill(cr);
}

// A line of the joystick notice, centred in its strip.
void noticeLine(cairo_t* cr, const AtlasRect& strip, const std::string& text, Rgb fill, double spacing)
{
    stripText(cr, text, strip.x + strip.w / 2.0, strip.y + strip.h / 2.0, strip.w - 30, strip.h - 5, fill, spacing);
}

void writeSheet(cairo_t* cr)
{
    // Digits: one scale for all, fitted to the widest and tallest.
    Font f{"DejaVu Sans Condensed Bold", 100, 0};
    double maxW = 0, top = 1e9, bottom = -1e9;
    for (char d = '0'; d <= '9'; ++d) {
        Ink ink = measureText(cr, std::string(1, d), f);
        maxW = std::max(maxW, ink.w);
        top = std::min(top, ink.y);
        bottom = std::max(bottom, ink.y + ink.h);
    }
    const Ink box{0, top, maxW, bottom - top};
    const double scale = std::min(33.0 / maxW, 44.0 / box.h);
    for (int d = 0; d <= 9; ++d)
        scoreDigit(cr, static_cast<char>('0' + d), scale, box, atlas::digitRects[d]);

    // Separator: two glowing diamonds in its 11 x 52 cell.
    const AtlasRect& sep = atlas::scoreSeparatorRect;
    const double sx = sep.x, mid = sx + sep.w / 2.0;
    for (double cy : {sep.y + 18.0, sep.y + 34.0}) {
        cairo_move_to(cr, mid, cy - 5.5);
        cairo_line_to(cr, sx + sep.w, cy);
        cairo_line_to(cr, mid, cy + 5.5);
        cairo_line_to(cr, sx, cy);
        cairo_close_path(cr);
        setRgb(cr, pal::ink);
        cairo_fill(cr);
        cairo_move_to(cr, mid, cy - 4);
        cairo_line_to(cr, mid + 4, cy);
        cairo_line_to(cr, mid, cy + 4);
        cairo_line_to(cr, mid - 4, cy);
        cairo_close_path(cr);
        setRgb(cr, pal::magenta);
        cairo_fill(cr);
        cairo_arc(cr, mid, cy, 1.4, 0, 2 * kPi);
        cairo_set_source_rgb(cr, 1, 0.85, 0.95);
        cairo_fill(cr);
    }

    // Match-end banner, 300 x 80.
    const AtlasRect& ban = atlas::matchEndBannerRect;
    const double bx = ban.x, by = ban.y;
    cairo_save(cr);
    cairo_rectangle(cr, bx, by, ban.w, ban.h);
    cairo_clip(cr);
    roundedRect(cr, bx + 1, by + 1, ban.w - 2, ban.h - 2, 12);
    setLinearSource(cr, 0, by + 1, 0, by + ban.h - 1, {{0, 0.10, 0.07, 0.24}, {1, 0.03, 0.03, 0.10}});
    cairo_fill(cr);
    addGlow(cr, 6, 0.9, [&](cairo_t* g) {
        roundedRect(g, bx + 4, by + 4, ban.w - 8, ban.h - 8, 10);
        setRgb(g, pal::magenta);
        cairo_set_line_width(g, 3);
        cairo_stroke(g);
    });
    roundedRect(cr, bx + 4, by + 4, ban.w - 8, ban.h - 8, 10);
    setLinearSource(cr, bx + 4, 0, bx + ban.w - 4, 0,
                    {{0, pal::magenta.r, pal::magenta.g, pal::magenta.b},
                     {1, pal::orange.r, pal::orange.g, pal::orange.b}});
    cairo_set_line_width(cr, 2.5);
    cairo_stroke(cr);
    const double bannerMid = bx + ban.w / 2.0;
    chromeText(cr, "MATCH OVER", Font{"DejaVu Sans Bold", 36, 2}, bannerMid, by + 34, Align::Centre, 0.2, 0.8, 0.75,
               0);
    setRgb(cr, pal::teal);
    cairo_rectangle(cr, bannerMid - 91, by + 59, 182, 2);
    cairo_fill(cr);
    cairo_arc(cr, bannerMid, by + 60, 3, 0, 2 * kPi);
    setRgb(cr, pal::tealCore);
    cairo_fill(cr);
    cairo_restore(cr);

    // Joystick notice: title and the three answers, 330 x 22 each.
    noticeLine(cr, atlas::joystickNoticeTitleRect, "JOYSTICK CHECK", pal::orange, 3);
    noticeLine(cr, atlas::oneJoystickRect, "1 joystick found", pal::tealCore, 0.5);
    noticeLine(cr, atlas::twoJoysticksRect, "2 joysticks found", pal::tealCore, 0.5);
    noticeLine(cr, atlas::noJoystickRect, "no joystick found", rgb255(255, 140, 170), 0.5);
}

// --- CPUPlayer.dat -----------------------------------------------------

void badge(cairo_t* cr, double x, double y, double w, double h, Rgb rim)
{
    roundedRect(cr, x + 0.5, y + 0.5, w - 1, h - 1, h / 2 - 0.5);
    setLinearSource(cr, 0, y, 0, y + h, {{0, 0.12, 0.13, 0.30}, {1, 0.04, 0.05, 0.13}});
    cairo_fill_preserve(cr);
    setRgb(cr, rim);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
}

void writeLabels(cairo_t* cr)
{
    // The row the two cuts share stays empty in both badges.
    // A person: every row of its cut but the shared last one.
    const AtlasRect& human = atlas::humanLabelRect;
    const double hx = human.x, hy = human.y;
    badge(cr, hx, hy, human.w, human.h - 1, pal::teal);
    cairo_arc(cr, hx + 14, hy + 5.8, 2.6, 0, 2 * kPi);  // head
    setRgb(cr, pal::tealCore);
    cairo_fill(cr);
    cairo_arc(cr, hx + 14, hy + 14.5, 5.2, kPi, 2 * kPi);  // shoulders
    cairo_fill(cr);
    cairo_new_path(cr);
    textPath(cr, "PLAYER", Font{"DejaVu Sans Bold", 11.5, 2.2}, hx + 76, hy + 8.5, Align::Centre);
    cairo_set_source_rgb(cr, 0.93, 0.97, 1.0);
    cairo_fill(cr);

    // The computer: the rows below the shared one; everything that names
    // it fits in the short cut, since the corner for computer vs computer
    // shows only that much.
    const AtlasRect& computer = atlas::computerLabelRect;
    const double cx = computer.x, top = computer.y + 1;
    badge(cr, cx, top, atlas::computerLabelShortRect.w - 1, computer.h - 1, pal::orange);
    // Chip icon.
    cairo_rectangle(cr, cx + 7.5, top + 3.5, 9, 9);
    setRgb(cr, pal::orange);
    cairo_fill(cr);
    cairo_rectangle(cr, cx + 9.5, top + 5.5, 5, 5);
    cairo_set_source_rgb(cr, 0.15, 0.08, 0.05);
    cairo_fill(cr);
    for (int i = 0; i < 3; ++i) {
        double p = cx + 9 + 3 * i;
        cairo_rectangle(cr, p, top + 1.6, 1, 1.9);
        cairo_rectangle(cr, p, top + 12.5, 1, 1.9);
        cairo_rectangle(cr, cx + 5.6, top + 5 + 3 * i, 1.9, 1);
        cairo_rectangle(cr, cx + 16.5, top + 5 + 3 * i, 1.9, 1);
    }
    setRgb(cr, pal::orange);
    cairo_fill(cr);
    cairo_new_path(cr);
    textPath(cr, "CPU", Font{"DejaVu Sans Bold", 11.5, 2.2}, cx + 46, top + 8, Align::Centre);
    cairo_set_source_rgb(cr, 1.0, 0.9, 0.75);
    cairo_fill(cr);
    // The wide cut adds a row of status lights after the badge.
    for (int i = 0; i < 4; ++i) {
        cairo_arc(cr, cx + 88 + 9 * i, top + 8, 2.4, 0, 2 * kPi);
        setRgb(cr, i < 3 ? pal::orange : rgb255(120, 60, 30));
        cairo_fill(cr);
    }
}

// --- paddle.dat and anifade.dat --------------------------------------

void paddleBody(cairo_t* cr, double x, bool charged)
{
    roundedRect(cr, x + 0.5, 0.5, 19, 79, 5);
    cairo_path_t* outline = cairo_copy_path(cr);
    // Metal across the body: cool at rest, hot while charged.
    const std::initializer_list<Stop> rest = {
        {0.00, 0.20, 0.22, 0.32}, {0.28, 0.88, 0.92, 0.98}, {0.50, 0.55, 0.60, 0.72}, {0.75, 0.36, 0.40, 0.52},
        {1.00, 0.14, 0.15, 0.24}};
    const std::initializer_list<Stop> charge = {
        {0.00, 0.45, 0.10, 0.12}, {0.28, 1.00, 0.90, 0.70}, {0.50, 1.00, 0.55, 0.20}, {0.75, 0.85, 0.25, 0.30},
        {1.00, 0.35, 0.06, 0.18}};
    setLinearSource(cr, x, 0, x + 20, 0, charged ? charge : rest);
    cairo_fill(cr);
    // Top and bottom caps read as separate metal parts.
    for (double y : {11.0, 68.0}) {
        cairo_rectangle(cr, x + 2, y, 16, 1);
        cairo_set_source_rgba(cr, 0.05, 0.05, 0.12, 0.8);
        cairo_fill(cr);
        cairo_rectangle(cr, x + 2, y + 1, 16, 1);
        cairo_set_source_rgba(cr, 1, 1, 1, 0.45);
        cairo_fill(cr);
    }
    // Neon core down the face.
    Rgb core = charged ? rgb255(255, 250, 200) : pal::teal;
    Rgb hot = charged ? rgb255(255, 255, 255) : pal::tealCore;
    roundedRect(cr, x + 7.5, 16, 5, 48, 2.5);
    cairo_set_source_rgb(cr, 0.04, 0.05, 0.12);
    cairo_fill(cr);
    roundedRect(cr, x + 8.5, 17, 3, 46, 1.5);
    setRgb(cr, core);
    cairo_fill(cr);
    cairo_rectangle(cr, x + 9.5, 19, 1, 42);
    setRgb(cr, hot);
    cairo_fill(cr);
    cairo_new_path(cr);
    cairo_append_path(cr, outline);
    cairo_set_line_width(cr, 1.2);
    if (charged)
        setRgb(cr, rgb255(255, 120, 40));
    else
        setRgb(cr, pal::ink);
    cairo_stroke(cr);
    cairo_path_destroy(outline);
}

void sparkle(cairo_t* cr, double x, double y, double r, Rgb c)
{
    cairo_move_to(cr, x - r, y);
    cairo_line_to(cr, x + r, y);
    cairo_move_to(cr, x, y - r);
    cairo_line_to(cr, x, y + r);
    setRgb(cr, c);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_rectangle(cr, x - 0.5, y - 0.5, 1, 1);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill(cr);
}

void writeFadeFrame(cairo_t* cr, int k, double x)
{
    // k 0..6: sparkles gather, an outline forms, the body fills in.
    Prng rng{0x5eed0000u + static_cast<std::uint32_t>(k) * 7919u};
    const int sparkles[] = {7, 12, 12, 9, 5, 2, 0};
    for (int i = 0; i < sparkles[k]; ++i) {
        double sx = x + 2.5 + std::floor(rng.range(0, 15));
        double sy = 2.5 + std::floor(rng.range(0, 75));
        double r = (rng.unit() < 0.4) ? 2 : 1;
        sparkle(cr, sx, sy, r, rng.unit() < 0.5 ? pal::teal : rgb255(170, 200, 255));
    }
    if (k == 2 || k == 3) {
        const double dash[] = {k == 2 ? 4.0 : 10.0, k == 2 ? 5.0 : 2.0};
        roundedRect(cr, x + 0.5, 0.5, 19, 79, 5);
        cairo_set_dash(cr, dash, 2, 0);
        setRgb(cr, pal::teal);
        cairo_set_line_width(cr, 1.2);
        cairo_stroke(cr);
        cairo_set_dash(cr, nullptr, 0, 0);
    }
    if (k == 4 || k == 5) {
        // The body, drawn every third (then every second) scanline.
        cairo_surface_t* body = newCanvas(20, 80);
        cairo_t* bc = cairo_create(body);
        paddleBody(bc, 0, false);
        cairo_destroy(bc);
        cairo_save(cr);
        for (int y = 0; y < 80; ++y)
            if (y % (k == 4 ? 3 : 2) == 0)
                cairo_rectangle(cr, x, y, 20, 1);
        roundedRect(cr, x + 0.5, 0.5, 19, 79, 5);
        cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
        cairo_clip(cr);
        cairo_set_source_surface(cr, body, x, 0);
        cairo_paint(cr);
        cairo_restore(cr);
        cairo_surface_destroy(body);
        roundedRect(cr, x + 0.5, 0.5, 19, 79, 5);
        setRgb(cr, pal::tealCore);
        cairo_set_line_width(cr, 1.2);
        cairo_stroke(cr);
    }
    if (k == 6)
        paddleBody(cr, x, false);
    if (k == 4 || k == 5) {
        Prng again{0xfade0000u + static_cast<std::uint32_t>(k)};
        for (int i = 0; i < 2; ++i)
            sparkle(cr, x + 3.5 + std::floor(again.range(0, 13)), 4.5 + std::floor(again.range(0, 70)), 2,
                    rgb255(255, 255, 255));
    }
}

// --- animate.dat: the hit flash, centred on a paddle at (45, 40) -------

void writeSparkFrame(cairo_t* cr, int i)
{
    // i 0..3: white-hot flash, burst with a shock ring, the ring spreading
    // and the flash gone, embers only. Drawn at half strength by the game,
    // so every shape here is solid.
    const AtlasRect& cell = atlas::hitSparkFrames[i];
    const double ox = cell.x, cx = ox + 55, cy = cell.y + 80;
    cairo_save(cr);
    cairo_rectangle(cr, ox, cell.y, cell.w, cell.h);
    cairo_clip(cr);

    auto ellipse = [&](double rx, double ry) {
        cairo_save(cr);
        cairo_translate(cr, cx, cy);
        cairo_scale(cr, rx, ry);
        cairo_new_sub_path(cr);
        cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
        cairo_restore(cr);
    };

    Prng rng{0xbeef0000u + static_cast<std::uint32_t>(i)};
    // Rays: long spikes left and right, where the ball flies off.
    const int rays = 16;
    const double rayIn[] = {8, 14, 26, 40};
    const double rayLen[] = {34, 46, 30, 0};
    const double rayW[] = {3.4, 3.0, 1.8, 0};
    for (int k = 0; k < rays && rayLen[i] > 0; ++k) {
        double a = 2 * kPi * (k + 0.5) / rays + rng.range(-0.1, 0.1);
        double horizontal = std::fabs(std::cos(a));
        double len = rayLen[i] * (0.45 + 0.75 * horizontal) * rng.range(0.85, 1.1);
        double r0 = rayIn[i];
        double bx = cx + std::cos(a) * r0, by = cy + std::sin(a) * r0 * 1.6;
        double ex = cx + std::cos(a) * (r0 + len), ey = cy + std::sin(a) * (r0 + len) * 1.6;
        double nx = -std::sin(a) * rayW[i], ny = std::cos(a) * rayW[i];
        cairo_move_to(cr, bx + nx, by + ny);
        cairo_line_to(cr, ex, ey);
        cairo_line_to(cr, bx - nx, by - ny);
        cairo_close_path(cr);
        Rgb c = (k % 3 == 0) ? pal::magenta : (k % 3 == 1 ? rgb255(255, 226, 140) : pal::teal);
        setRgb(cr, c);
        cairo_fill(cr);
    }

    // Shock rings.
    const double ringR[] = {0, 30, 42, 52};
    const double ringW[] = {0, 4, 3, 2};
    if (i >= 1) {
        ellipse(ringR[i], ringR[i] * 1.5);
        setRgb(cr, pal::teal);
        cairo_set_line_width(cr, ringW[i]);
        cairo_stroke(cr);
    }
    if (i == 2) {
        ellipse(30, 46);
        setRgb(cr, rgb255(255, 190, 90));
        cairo_set_line_width(cr, 2);
        cairo_stroke(cr);
    }

    // The flash itself on the paddle: solid bands, hot white in the middle.
    const double coreR[] = {17, 22, 0, 0};
    if (coreR[i] > 0) {
        const double bands[][4] = {{1.0, 1.0, 0.35, 0.45}, {0.8, 1.0, 0.62, 0.2}, {0.55, 1.0, 0.85, 0.5},
                                   {0.3, 1.0, 1.0, 0.92}};
        for (const auto& b : bands) {
            ellipse(coreR[i] * b[0], coreR[i] * b[0] * 2.3);
            cairo_set_source_rgb(cr, b[1], b[2], b[3]);
            cairo_fill(cr);
        }
    }

    // Embers.
    if (i >= 1) {
        for (int k = 0; k < 8 + 6 * i; ++k) {
            double a = rng.range(0, 2 * kPi);
            double d = rng.range(0.6, 1.05) * (20 + 14 * i);
            double ex = cx + std::cos(a) * d, ey = cy + std::sin(a) * d * 1.6;
            cairo_arc(cr, ex, ey, rng.range(1.0, 2.0) + (i < 3 ? 0.4 : 0), 0, 2 * kPi);
            setRgb(cr, rng.unit() < 0.5 ? rgb255(255, 210, 120) : pal::tealCore);
            cairo_fill(cr);
        }
    }
    cairo_restore(cr);
}

// --- Vardel_06.dat: the ball and its shadow ----------------------------

cairo_surface_t* drawBall()
{
    cairo_surface_t* s = newCanvas(24, 40);
    cairo_t* cr = cairo_create(s);

    // Soft shadow under the ball, rows 20..38; its edge is dithered since
    // the picture can only be fully there or not.
    cairo_surface_t* shade = newCanvas(24, 40);
    cairo_t* sc = cairo_create(shade);
    cairo_save(sc);
    cairo_translate(sc, 11, 28.5);
    cairo_scale(sc, 1.0, 0.9);
    setRadialSource(sc, 0, 0, 0, 0, 0, 10.5, {{0.0, 0, 0, 0, 1}, {0.55, 0, 0, 0, 1}, {1.0, 0, 0, 0, 0}});
    cairo_arc(sc, 0, 0, 10.5, 0, 2 * kPi);
    cairo_fill(sc);
    cairo_restore(sc);
    cairo_destroy(sc);
    cairo_surface_flush(shade);
    const int sstride = cairo_image_surface_get_stride(shade) / 4;
    const auto* spx = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(shade));
    static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    for (int y = 19; y < 39; ++y)
        for (int x = 0; x < 24; ++x) {
            double a = (spx[y * sstride + x] >> 24) / 255.0;
            if (a > (bayer[y % 4][x % 4] + 0.5) / 16.0) {
                cairo_rectangle(cr, x, y, 1, 1);
                double depth = 0.02 + 0.06 * (1 - a);
                cairo_set_source_rgb(cr, depth * 0.6, depth * 0.7, depth * 1.6);
                cairo_fill(cr);
            }
        }
    cairo_surface_destroy(shade);

    // Glossy amber ball on its 20 x 20 square.
    cairo_arc(cr, 10, 10, 9.7, 0, 2 * kPi);
    setRadialSource(cr, 7, 6.5, 0.5, 10, 10, 10.5,
                    {{0.0, 1.00, 0.95, 0.75},
                     {0.25, 1.00, 0.72, 0.22},
                     {0.70, 0.86, 0.40, 0.06},
                     {1.00, 0.42, 0.13, 0.03}});
    cairo_fill_preserve(cr);
    cairo_set_source_rgb(cr, 0.20, 0.07, 0.02);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
    // Rim light from the court's neon below.
    cairo_arc(cr, 10, 10, 8.3, kPi * 0.15, kPi * 0.85);
    cairo_set_source_rgba(cr, 1.0, 0.55, 0.65, 0.55);
    cairo_set_line_width(cr, 1.3);
    cairo_stroke(cr);
    cairo_arc(cr, 6.8, 6.2, 2.2, 0, 2 * kPi);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.9);
    cairo_fill(cr);
    cairo_destroy(cr);
    return s;
}

}  // namespace

bool writeSprites(const std::string& dir)
{
    bool ok = true;
    // Each picture is just large enough for the rectangles cut from it.
    auto emit = [&](const char* name, int threshold, const std::function<void(cairo_t*)>& draw) {
        const AtlasRect size = atlas::extentOf(name);
        cairo_surface_t* s = newCanvas(size.w, size.h);
        cairo_t* cr = cairo_create(s);
        draw(cr);
        cairo_destroy(cr);
        ok = writeSpriteBmp(dir + name, s, threshold, pal::matte) && ok;
        cairo_surface_destroy(s);
    };
    emit("sheet.gfx", 110, writeSheet);
    emit("CPUPlayer.dat", 110, writeLabels);
    emit("paddle.dat", 110, [](cairo_t* cr) {
        paddleBody(cr, atlas::paddleFrames[0].x, false);
        paddleBody(cr, atlas::paddleFrames[1].x, true);
    });
    emit("anifade.dat", 110, [](cairo_t* cr) {
        for (int k = 0; k < 7; ++k)
            writeFadeFrame(cr, k, atlas::fadeFrames[k].x);
    });
    emit("animate.dat", 110, [](cairo_t* cr) {
        for (int i = 0; i < 4; ++i)
            writeSparkFrame(cr, i);
    });
    cairo_surface_t* ball = drawBall();
    ok = writeSpriteBmp(dir + "Vardel_06.dat", ball, 110, pal::matte) && ok;
    cairo_surface_destroy(ball);
    return ok;
}
