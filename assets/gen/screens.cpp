// Full-screen pictures: the three courts and the studio logo.
#include "art.h"
#include "game/match/court.h"
#include "text.h"

#include <cmath>

namespace {

const double kPi = 3.14159265358979323846;

struct CourtLook {
    Rgb top, bottom;   // floor gradient
    Rgb line;          // main neon
    Rgb leftTint, rightTint;
    Rgb accent;        // posts, goal lines
};

CourtLook lookOf(int court)
{
    if (court == 3)  // bonus court: hot sunset violet
        return CourtLook{rgb255(30, 6, 40), rgb255(58, 10, 52), rgb255(255, 150, 60), rgb255(255, 90, 60),
                         rgb255(255, 60, 190), rgb255(255, 220, 90)};
    return CourtLook{rgb255(6, 9, 28), rgb255(12, 20, 50), pal::teal, pal::teal, pal::magenta, pal::orange};
}

void floor(cairo_t* cr, const CourtLook& k)
{
    setLinearSource(cr, 0, 0, 0, 600, {{0, k.top.r, k.top.g, k.top.b}, {1, k.bottom.r, k.bottom.g, k.bottom.b}});
    cairo_paint(cr);

    // Faint floor grid, fading out before the score band at the top.
    cairo_surface_t* grid = newCanvas(800, 600);
    cairo_t* gc = cairo_create(grid);
    setRgb(gc, k.line, 0.07);
    cairo_set_line_width(gc, 1);
    for (int x = 20; x < 800; x += 40) {
        cairo_move_to(gc, x + 0.5, 0);
        cairo_line_to(gc, x + 0.5, 600);
    }
    for (int y = 20; y < 600; y += 40) {
        cairo_move_to(gc, 0, y + 0.5);
        cairo_line_to(gc, 800, y + 0.5);
    }
    cairo_stroke(gc);
    cairo_destroy(gc);
    cairo_pattern_t* mask = cairo_pattern_create_linear(0, 50, 0, 140);
    cairo_pattern_add_color_stop_rgba(mask, 0, 0, 0, 0, 0);
    cairo_pattern_add_color_stop_rgba(mask, 1, 0, 0, 0, 1);
    cairo_set_source_surface(cr, grid, 0, 0);
    cairo_mask(cr, mask);
    cairo_pattern_destroy(mask);
    cairo_surface_destroy(grid);

    // Each player's zone carries its colour, strongest at the goal line.
    auto tintZone = [cr](int x0, int x1, Rgb tint, double alphaAtX0, double alphaAtX1) {
        setLinearSource(cr, x0, 0, x1, 0,
                        {{0, tint.r, tint.g, tint.b, alphaAtX0}, {1, tint.r, tint.g, tint.b, alphaAtX1}});
        cairo_rectangle(cr, x0, 0, x1 - x0, courtHeight);
        cairo_fill(cr);
    };
    tintZone(leftZoneMinX, leftZoneMaxX, k.leftTint, 0.13, 0.02);
    tintZone(rightZoneMinX, rightZoneMaxX, k.rightTint, 0.02, 0.13);

    // Darken the score band a touch so digits and labels sit calmly on it.
    setLinearSource(cr, 0, 0, 0, 64, {{0, 0, 0, 0.02, 0.45}, {1, 0, 0, 0.02, 0.0}});
    cairo_rectangle(cr, 0, 0, 800, 64);
    cairo_fill(cr);
}

void post(cairo_t* cr, const CourtLook& k, double y0, double y1)
{
    // One ball wide, just right of the centre line.
    const double x0 = centreLineX + 1, x1 = centreLineX + ballSize - 1;
    addGlow(cr, 16, 0.9, [&](cairo_t* g) {
        roundedRect(g, x0 - 3, y0 - 3, x1 - x0 + 6, y1 - y0 + 6, 9);
        setRgb(g, k.accent);
        cairo_fill(g);
    });
    // Steel pillar with a hot rim.
    roundedRect(cr, x0, y0, x1 - x0, y1 - y0, 8);
    setLinearSource(cr, x0, 0, x1, 0,
                    {{0.0, 0.22, 0.24, 0.32},
                     {0.3, 0.86, 0.89, 0.95},
                     {0.55, 0.48, 0.52, 0.62},
                     {1.0, 0.16, 0.17, 0.25}});
    cairo_fill_preserve(cr);
    setRgb(cr, k.accent);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    // Rivets and a glowing slot down the middle.
    for (double y : {y0 + 9, y1 - 9}) {
        cairo_arc(cr, (x0 + x1) / 2, y, 2.2, 0, 2 * kPi);
        cairo_set_source_rgb(cr, 0.12, 0.13, 0.2);
        cairo_fill(cr);
    }
    cairo_move_to(cr, (x0 + x1) / 2, y0 + 18);
    cairo_line_to(cr, (x0 + x1) / 2, y1 - 18);
    setRgb(cr, k.accent);
    cairo_set_line_width(cr, 3);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_stroke(cr);
}

void cornerBrackets(cairo_t* cr, Rgb c, double x0, double y0, double x1, double y1)
{
    const double a = 18;
    neon(cr, c, 2, 6, 0.6, [&](cairo_t* g) {
        cairo_move_to(g, x0, y0 + a); cairo_line_to(g, x0, y0); cairo_line_to(g, x0 + a, y0);
        cairo_move_to(g, x1 - a, y0); cairo_line_to(g, x1, y0); cairo_line_to(g, x1, y0 + a);
        cairo_move_to(g, x1, y1 - a); cairo_line_to(g, x1, y1); cairo_line_to(g, x1 - a, y1);
        cairo_move_to(g, x0 + a, y1); cairo_line_to(g, x0, y1); cairo_line_to(g, x0, y1 - a);
    });
}

}  // namespace

// Neon: a wide soft glow and a thin hot core along the same path.
void neon(cairo_t* cr, Rgb c, double width, double glowRadius, double glowStrength,
          const std::function<void(cairo_t*)>& path, const double* dash, int ndash)
{
    addGlow(cr, glowRadius, glowStrength, [&](cairo_t* g) {
        path(g);
        setRgb(g, c);
        cairo_set_line_width(g, width * 3);
        if (dash)
            cairo_set_dash(g, dash, ndash, 0);
        cairo_stroke(g);
    });
    path(cr);
    setRgb(cr, c);
    cairo_set_line_width(cr, width);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    if (dash)
        cairo_set_dash(cr, dash, ndash, 0);
    cairo_stroke(cr);
    // White-hot centre of the tube.
    path(cr);
    Rgb core{(c.r + 2) / 3, (c.g + 2) / 3, (c.b + 2) / 3};
    setRgb(cr, core, 0.85);
    cairo_set_line_width(cr, width * 0.4);
    cairo_stroke(cr);
    cairo_set_dash(cr, nullptr, 0, 0);
}

cairo_surface_t* renderCourt(int court)
{
    const CourtLook k = lookOf(court);
    cairo_surface_t* s = newCanvas(courtWidth, courtHeight);
    cairo_t* cr = cairo_create(s);
    floor(cr, k);

    // Walls top and bottom, goal lines at the sides (dimmer: they are open).
    neon(cr, k.line, 2, 10, 0.7, [](cairo_t* g) {
        cairo_move_to(g, 0, courtHeight - 3);
        cairo_line_to(g, courtWidth, courtHeight - 3);
    });
    neon(cr, k.line, 1.5, 6, 0.35, [](cairo_t* g) {
        cairo_move_to(g, 0, 1.5);
        cairo_line_to(g, courtWidth, 1.5);
    });
    neon(cr, k.leftTint, 2, 12, 0.8, [](cairo_t* g) {
        cairo_move_to(g, 2, 70);
        cairo_line_to(g, 2, 590);
    });
    neon(cr, k.rightTint, 2, 12, 0.8, [](cairo_t* g) {
        cairo_move_to(g, courtWidth - 2, 70);
        cairo_line_to(g, courtWidth - 2, 590);
    });

    // Zone limits: just outside the space the paddles may use.
    const double zoneDash[] = {6, 10};
    neon(cr, k.leftTint, 1.5, 8, 0.45, [](cairo_t* g) {
        cairo_move_to(g, leftZoneMaxX + 0.5, 72);
        cairo_line_to(g, leftZoneMaxX + 0.5, 588);
    }, zoneDash, 2);
    neon(cr, k.rightTint, 1.5, 8, 0.45, [](cairo_t* g) {
        cairo_move_to(g, rightZoneMinX - 0.5, 72);
        cairo_line_to(g, rightZoneMinX - 0.5, 588);
    }, zoneDash, 2);
    cornerBrackets(cr, k.leftTint, 10, 72, 292, 588);
    cornerBrackets(cr, k.rightTint, 508, 72, 790, 588);

    // Centre line and circle.
    const double centreDash[] = {16, 12};
    Rgb centre{(k.line.r * 2 + 1) / 3, (k.line.g * 2 + 1) / 3, (k.line.b * 2 + 1) / 3};
    neon(cr, centre, 3, 12, 0.9, [court](cairo_t* g) {
        if (court == 2) {  // the posts stand on the line; leave them room
            const double spans[][2] = {{206, 414}, {556, 590}};
            for (const auto& sp : spans) {
                cairo_move_to(g, centreLineX, sp[0]);
                cairo_line_to(g, centreLineX, sp[1]);
            }
            return;
        }
        cairo_move_to(g, centreLineX, 74);
        cairo_line_to(g, centreLineX, 590);
    }, centreDash, 2);
    neon(cr, k.line, 2.5, 12, 0.8, [](cairo_t* g) {
        cairo_new_sub_path(g);
        cairo_arc(g, centreLineX, 330, 58, 0, 2 * kPi);
    });
    neon(cr, k.line, 1.5, 6, 0.5, [](cairo_t* g) {
        cairo_new_sub_path(g);
        cairo_arc(g, centreLineX, 330, 6, 0, 2 * kPi);
    });

    if (court == 2) {
        // Over the rows where the ball's square meets a post.
        post(cr, k, upperPostTopY + 1, upperPostBottomY + ballSize - 1);
        post(cr, k, lowerPostTopY + 1, lowerPostBottomY + ballSize - 1);
    }
    if (court == 3) {
        // The bonus court wears a star in its centre circle.
        neon(cr, k.accent, 2, 10, 0.8, [](cairo_t* g) {
            for (int i = 0; i < 10; ++i) {
                double a = -kPi / 2 + i * kPi / 5;
                double r = (i % 2) ? 16 : 38;
                double x = centreLineX + r * std::cos(a), y = 330 + r * std::sin(a);
                if (i == 0)
                    cairo_move_to(g, x, y);
                else
                    cairo_line_to(g, x, y);
            }
            cairo_close_path(g);
        });
    }
    cairo_destroy(cr);
    return s;
}

namespace {

cairo_surface_t* renderLogo()
{
    cairo_surface_t* s = newCanvas(800, 600);
    cairo_t* cr = cairo_create(s);
    setRadialSource(cr, 400, 260, 20, 400, 300, 520, {{0, 0.07, 0.06, 0.18}, {1, 0.01, 0.01, 0.03}});
    cairo_paint(cr);

    // Emblem: a ring cut by a lightning stroke that doubles as the Q's tail.
    const double cx = 400, cy = 215, r = 78;
    auto ring = [&](cairo_t* g) {
        cairo_new_sub_path(g);
        cairo_arc(g, cx, cy, r, kPi * 0.35, kPi * 0.15 + 2 * kPi);
    };
    auto bolt = [&](cairo_t* g) {
        cairo_move_to(g, cx + 8, cy - 56);
        cairo_line_to(g, cx - 26, cy + 8);
        cairo_line_to(g, cx + 2, cy + 8);
        cairo_line_to(g, cx - 12, cy + 58);
        cairo_line_to(g, cx + 30, cy - 8);
        cairo_line_to(g, cx + 4, cy - 8);
        cairo_line_to(g, cx + 22, cy - 56);
        cairo_close_path(g);
    };
    auto tail = [&](cairo_t* g) {
        cairo_move_to(g, cx + 40, cy + 40);
        cairo_line_to(g, cx + 104, cy + 100);
    };
    addGlow(cr, 30, 1.0, [&](cairo_t* g) {
        ring(g);
        setRgb(g, pal::teal);
        cairo_set_line_width(g, 16);
        cairo_stroke(g);
        tail(g);
        setRgb(g, pal::magenta);
        cairo_stroke(g);
        bolt(g);
        setRgb(g, pal::orange);
        cairo_fill(g);
    });
    // Ring and tail: a wide coloured stroke, then a thin bright core.
    auto tube = [&](const std::function<void(cairo_t*)>& path, Rgb colour, double width) {
        path(cr);
        setRgb(cr, colour);
        cairo_set_line_width(cr, width);
        cairo_stroke(cr);
    };
    tube(ring, pal::teal, 10);
    tube(ring, pal::tealCore, 3);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    tube(tail, pal::magenta, 10);
    tube(tail, Rgb{1, 0.75, 0.92}, 3);
    bolt(cr);
    setLinearSource(cr, 0, cy - 56, 0, cy + 58, {{0, 1, 0.95, 0.6}, {1, 1, 0.45, 0.1}});
    cairo_fill_preserve(cr);
    setRgb(cr, pal::ink);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);

    chromeText(cr, "QELVANE", Font{"DejaVu Sans Bold", 84, 10}, 400, 392, Align::Centre, 0.9, 0.2, 0.7, 18);

    Font tag{"DejaVu Sans Bold", 20, 12};
    Ink t = measureText(cr, "ARCADE WORKS", tag);
    const double ty = 462;
    neon(cr, pal::teal, 2, 8, 0.7, [&](cairo_t* g) {
        cairo_move_to(g, 400 - t.w / 2 - 150, ty);
        cairo_line_to(g, 400 - t.w / 2 - 22, ty);
        cairo_move_to(g, 400 + t.w / 2 + 22, ty);
        cairo_line_to(g, 400 + t.w / 2 + 150, ty);
    });
    addGlow(cr, 8, 0.8, [&](cairo_t* g) {
        textPath(g, "ARCADE WORKS", tag, 400, ty, Align::Centre);
        setRgb(g, pal::orange);
        cairo_fill(g);
    });
    textPath(cr, "ARCADE WORKS", tag, 400, ty, Align::Centre);
    cairo_set_source_rgb(cr, 1, 0.82, 0.55);
    cairo_fill(cr);
    cairo_destroy(cr);
    return s;
}

}  // namespace

bool writeScreens(const std::string& dir)
{
    bool ok = true;
    const struct {
        int court;
        const char* file;
    } courts[] = {{1, "screen_1.gfx"}, {2, "screen_0.gfx"}, {3, "screen_2.gfx"}};
    for (const auto& c : courts) {
        cairo_surface_t* s = renderCourt(c.court);
        ok = writeScreenBmp(dir + c.file, s) && ok;
        cairo_surface_destroy(s);
    }
    cairo_surface_t* logo = renderLogo();
    ok = writeScreenBmp(dir + "qelvane.gfx", logo) && ok;
    cairo_surface_destroy(logo);
    return ok;
}
