// Main menu: backdrop with the title, one page per game type, one strip
// per court.
#include "art.h"
#include "text.h"

#include <cmath>

namespace {

const double kPi = 3.14159265358979323846;

cairo_surface_t* renderBackdrop()
{
    cairo_surface_t* s = newCanvas(800, 600);
    cairo_t* cr = cairo_create(s);
    setLinearSource(cr, 0, 0, 0, 600,
                    {{0.0, 0.02, 0.02, 0.08},
                     {0.45, 0.10, 0.04, 0.20},
                     {0.62, 0.22, 0.05, 0.26},
                     {1.0, 0.03, 0.03, 0.10}});
    cairo_paint(cr);

    // Stars.
    Prng rng{0x57a75u};
    for (int i = 0; i < 170; ++i) {
        double x = rng.range(0, 800), y = rng.range(0, 380);
        double r = rng.unit() < 0.12 ? 1.3 : 0.7;
        double b = rng.range(0.35, 1.0);
        cairo_arc(cr, x, y, r, 0, 2 * kPi);
        cairo_set_source_rgba(cr, 0.8, 0.85, 1.0, b);
        cairo_fill(cr);
    }

    // Striped sun sinking behind the horizon at y 380.
    const double sx = 400, sy = 330, sr = 150;
    addGlow(cr, 40, 0.6, [&](cairo_t* g) {
        cairo_arc(g, sx, sy, sr, 0, 2 * kPi);
        setRgb(g, pal::magenta);
        cairo_fill(g);
    });
    cairo_save(cr);
    cairo_arc(cr, sx, sy, sr, 0, 2 * kPi);
    cairo_clip(cr);
    setLinearSource(cr, 0, sy - sr, 0, sy + sr, {{0, 1.0, 0.88, 0.35}, {0.5, 1.0, 0.45, 0.35}, {1, 0.9, 0.15, 0.6}});
    cairo_paint(cr);
    for (int i = 0; i < 8; ++i) {
        double y = sy + 10 + i * 17;
        cairo_rectangle(cr, sx - sr, y, 2 * sr, 2 + i * 1.4);
    }
    cairo_set_source_rgb(cr, 0.12, 0.04, 0.22);
    cairo_fill(cr);
    cairo_restore(cr);

    // Ground with a perspective grid.
    cairo_rectangle(cr, 0, 380, 800, 220);
    setLinearSource(cr, 0, 380, 0, 600, {{0, 0.10, 0.02, 0.18}, {1, 0.02, 0.02, 0.08}});
    cairo_fill(cr);
    neon(cr, pal::magenta, 1.5, 8, 0.7, [](cairo_t* g) {
        for (int i = -14; i <= 14; ++i) {
            cairo_move_to(g, 400 + i * 18, 380);
            cairo_line_to(g, 400 + i * 120, 600);
        }
        double y = 380, step = 6;
        while (y < 600) {
            cairo_move_to(g, 0, y);
            cairo_line_to(g, 800, y);
            y += step;
            step *= 1.35;
        }
    });

    // Title.
    chromeText(cr, "VOLTARI", Font{"DejaVu Sans Bold", 104, 14}, 400, 70, Align::Centre, 1.0, 0.25, 0.75, 22);
    Font tag{"DejaVu Sans Bold", 15, 9};
    Ink t = measureText(cr, "NEON BAT & BALL", tag);
    neon(cr, pal::teal, 1.5, 6, 0.7, [&](cairo_t* g) {
        cairo_move_to(g, 400 - t.w / 2 - 120, 134);
        cairo_line_to(g, 400 - t.w / 2 - 16, 134);
        cairo_move_to(g, 400 + t.w / 2 + 16, 134);
        cairo_line_to(g, 400 + t.w / 2 + 120, 134);
    });
    textPath(cr, "NEON BAT & BALL", tag, 400, 134, Align::Centre);
    setRgb(cr, pal::tealCore);
    cairo_fill(cr);
    cairo_destroy(cr);
    return s;
}

struct GameType {
    const char* name;
    const char* lines[3];
    int level;  // 0: no computer; 4: both computers
};

const GameType kTypes[5] = {
    {"2 PLAYERS", {"Two players, one keyboard.", "Left: W A S D, smash L-SHIFT", "Right: arrows, smash R-SHIFT"}, 0},
    {"CPU EASY", {"The computer plays left.", "You play right: arrow keys,", "smash with R-SHIFT. Warm up!"}, 1},
    {"CPU MEDIUM", {"The computer plays left.", "You play right: arrow keys,", "smash with R-SHIFT. A fair fight."}, 2},
    {"CPU HARD", {"The computer plays left.", "You play right: arrow keys,", "smash with R-SHIFT. No mercy."}, 3},
    {"CPU vs CPU", {"Two computers play it out.", "Sit back and watch the rally.", "ESC returns to this menu."}, 4},
};

cairo_surface_t* renderPage(int entry)
{
    const double W = 700, H = 200;
    cairo_surface_t* s = newCanvas(700, 200);
    cairo_t* cr = cairo_create(s);
    panel(cr, W, H, 16, pal::teal);

    Font head{"DejaVu Sans Bold", 12, 4};
    textPath(cr, "GAME TYPE", head, 30, 22, Align::Left);
    setRgb(cr, pal::teal);
    cairo_fill(cr);

    const double rowY0 = 48, rowH = 31;
    for (int i = 0; i < 5; ++i) {
        double cy = rowY0 + rowH * i;
        Font f{"DejaVu Sans Bold", 18, 1.5};
        if (i == entry) {
            addGlow(cr, 8, 0.7, [&](cairo_t* g) {
                roundedRect(g, 18, cy - 12, 300, 24, 12);
                setRgb(g, pal::magenta);
                cairo_fill(g);
            });
            roundedRect(cr, 18, cy - 12, 300, 24, 12);
            setLinearSource(cr, 18, 0, 318, 0,
                            {{0, pal::magenta.r, pal::magenta.g, pal::magenta.b},
                             {1, pal::orange.r, pal::orange.g, pal::orange.b}});
            cairo_fill(cr);
            // Cursor arrow.
            cairo_move_to(cr, 30, cy - 6);
            cairo_line_to(cr, 39, cy);
            cairo_line_to(cr, 30, cy + 6);
            cairo_close_path(cr);
            cairo_set_source_rgb(cr, 1, 1, 1);
            cairo_fill(cr);
            textPath(cr, kTypes[i].name, f, 52, cy, Align::Left);
            cairo_set_line_width(cr, 3);
            cairo_set_source_rgb(cr, 0.35, 0.05, 0.2);
            cairo_stroke_preserve(cr);
            cairo_set_source_rgb(cr, 1, 1, 1);
            cairo_fill(cr);
        } else {
            textPath(cr, kTypes[i].name, f, 52, cy, Align::Left);
            setRgb(cr, pal::textDim);
            cairo_fill(cr);
        }
    }

    // Right half: what the chosen game type is.
    cairo_move_to(cr, 346.5, 24);
    cairo_line_to(cr, 346.5, 176);
    setRgb(cr, pal::teal, 0.35);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);

    const GameType& t = kTypes[entry];
    chromeText(cr, t.name, Font{"DejaVu Sans Bold", 30, 2}, 372, 46, Align::Left, 1.0, 0.3, 0.7, 8);

    // Who plays which side: two paddle icons with tags.
    auto side = [&](double x, bool computer) {
        roundedRect(cr, x, 76, 10, 34, 3);
        setRgb(cr, computer ? pal::orange : pal::teal);
        cairo_fill(cr);
        textPath(cr, computer ? "CPU" : "YOU", Font{"DejaVu Sans Bold", 11, 1.5}, x + 5, 122, Align::Centre);
        setRgb(cr, computer ? pal::orange : pal::tealCore);
        cairo_fill(cr);
    };
    side(380, t.level != 0);
    side(470, t.level == 4);
    cairo_arc(cr, 430, 93, 5, 0, 2 * kPi);
    cairo_set_source_rgb(cr, 1.0, 0.65, 0.15);
    cairo_fill(cr);
    const double dash[] = {3, 4};
    cairo_set_dash(cr, dash, 2, 0);
    cairo_move_to(cr, 396, 93);
    cairo_line_to(cr, 462, 93);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.35);
    cairo_stroke(cr);
    cairo_set_dash(cr, nullptr, 0, 0);

    // Difficulty meter for the computer levels.
    if (t.level >= 1 && t.level <= 3) {
        textPath(cr, "SKILL", Font{"DejaVu Sans Bold", 11, 2}, 520, 84, Align::Left);
        setRgb(cr, pal::textDim);
        cairo_fill(cr);
        for (int b = 0; b < 3; ++b) {
            roundedRect(cr, 520 + b * 22, 94, 18, 16, 3);
            if (b < t.level) {
                setRgb(cr, b == 2 ? pal::magenta : pal::orange);
                cairo_fill(cr);
            } else {
                setRgb(cr, pal::textDim, 0.6);
                cairo_set_line_width(cr, 1.2);
                cairo_stroke(cr);
            }
        }
    }

    for (int l = 0; l < 3; ++l) {
        textPath(cr, t.lines[l], Font{"DejaVu Sans", 13, 0}, 372, 145 + 17 * l, Align::Left);
        cairo_set_source_rgb(cr, 0.84, 0.88, 0.98);
        cairo_fill(cr);
    }
    cairo_destroy(cr);
    return s;
}

cairo_surface_t* renderStrip(int court)
{
    const double W = 800, H = 250;
    cairo_surface_t* s = newCanvas(800, 250);
    cairo_t* cr = cairo_create(s);
    setLinearSource(cr, 0, 0, 0, H, {{0, 0.05, 0.04, 0.14}, {1, 0.02, 0.02, 0.06}});
    cairo_paint(cr);
    neon(cr, pal::magenta, 2, 8, 0.8, [&](cairo_t* g) {
        cairo_move_to(g, 0, 3);
        cairo_line_to(g, W, 3);
    });

    // Thumbnail of the very court the match will use.
    cairo_surface_t* courtPic = renderCourt(court == 1 ? 1 : 2);
    const double tx = 50, ty = 26, tw = 224, th = 168;
    addGlow(cr, 10, 0.8, [&](cairo_t* g) {
        cairo_rectangle(g, tx - 3, ty - 3, tw + 6, th + 6);
        setRgb(g, pal::teal);
        cairo_set_line_width(g, 3);
        cairo_stroke(g);
    });
    cairo_save(cr);
    cairo_translate(cr, tx, ty);
    cairo_scale(cr, tw / 800, th / 600);
    cairo_set_source_surface(cr, courtPic, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_BEST);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_surface_destroy(courtPic);
    cairo_rectangle(cr, tx - 1.5, ty - 1.5, tw + 3, th + 3);
    setRgb(cr, pal::tealCore);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);

    const double x = 310;
    textPath(cr, court == 1 ? "COURT 1 OF 2" : "COURT 2 OF 2", Font{"DejaVu Sans Bold", 13, 4}, x, 42, Align::Left);
    setRgb(cr, pal::teal);
    cairo_fill(cr);
    chromeText(cr, court == 1 ? "NEON CLASSIC" : "TWIN POSTS", Font{"DejaVu Sans Bold", 40, 3}, x, 84,
               Align::Left, 0.2, 0.85, 0.8, 10);
    const char* l1 = court == 1 ? "An open court: nothing between you" : "Two steel posts guard the centre line.";
    const char* l2 = court == 1 ? "and your rival but pure speed." : "Bank your shots off them - or get caught.";
    textPath(cr, l1, Font{"DejaVu Sans", 15, 0}, x, 124, Align::Left);
    textPath(cr, l2, Font{"DejaVu Sans", 15, 0}, x, 145, Align::Left);
    cairo_set_source_rgb(cr, 0.84, 0.88, 0.98);
    cairo_fill(cr);

    // Court switch: arrows around two dots, the current one lit.
    const double cy = 178;
    for (int side = -1; side <= 1; side += 2) {
        double ax = x + 60 + side * 52;
        cairo_move_to(cr, ax + side * 8, cy);
        cairo_line_to(cr, ax - side * 4, cy - 8);
        cairo_line_to(cr, ax - side * 4, cy + 8);
        cairo_close_path(cr);
        setRgb(cr, pal::orange);
        cairo_fill(cr);
    }
    for (int d = 0; d < 2; ++d) {
        cairo_arc(cr, x + 50 + 20 * d, cy, 5, 0, 2 * kPi);
        if (d + 1 == court) {
            setRgb(cr, pal::magenta);
            cairo_fill(cr);
        } else {
            setRgb(cr, pal::textDim);
            cairo_set_line_width(cr, 1.5);
            cairo_stroke(cr);
        }
    }
    textPath(cr, "LEFT / RIGHT to switch", Font{"DejaVu Sans Bold", 12, 1}, x + 130, cy, Align::Left);
    setRgb(cr, pal::textDim);
    cairo_fill(cr);

    // Key help along the bottom.
    cairo_rectangle(cr, 0, 214, W, 36);
    cairo_set_source_rgb(cr, 0.01, 0.01, 0.04);
    cairo_fill(cr);
    cairo_move_to(cr, 0, 214.5);
    cairo_line_to(cr, W, 214.5);
    setRgb(cr, pal::teal, 0.5);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    const std::string keys =
        "<span foreground='#ffa040'>UP/DOWN</span> game type   "
        "<span foreground='#ffa040'>LEFT/RIGHT</span> court   "
        "<span foreground='#ffa040'>ENTER or SPACE</span> play   "
        "<span foreground='#ffa040'>M</span> music   "
        "<span foreground='#ffa040'>ESC</span> quit";
    cairo_set_source_rgb(cr, 0.80, 0.84, 0.95);
    showMarkup(cr, keys, Font{"DejaVu Sans Bold", 14, 0.5}, W / 2, 232, Align::Centre);
    cairo_destroy(cr);
    return s;
}

}  // namespace

void panel(cairo_t* cr, double w, double h, double r, Rgb rim)
{
    roundedRect(cr, 1, 1, w - 2, h - 2, r);
    setLinearSource(cr, 0, 0, 0, h, {{0, 0.07, 0.07, 0.19}, {1, 0.03, 0.03, 0.10}});
    cairo_fill(cr);
    addGlow(cr, 5, 0.8, [&](cairo_t* gl) {
        roundedRect(gl, 4, 4, w - 8, h - 8, r - 3);
        setRgb(gl, rim);
        cairo_set_line_width(gl, 2);
        cairo_stroke(gl);
    });
    roundedRect(cr, 4, 4, w - 8, h - 8, r - 3);
    setRgb(cr, rim);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
}

bool writeMenu(const std::string& dir)
{
    bool ok = true;
    cairo_surface_t* back = renderBackdrop();
    ok = writeScreenBmp(dir + "nback.gfx", back) && ok;
    cairo_surface_destroy(back);
    for (int entry = 0; entry < 5; ++entry) {
        cairo_surface_t* page = renderPage(entry);
        ok = writeSpriteBmp(dir + "pic_" + std::to_string(entry + 1) + ".dat", page, 128, pal::matte) && ok;
        cairo_surface_destroy(page);
    }
    for (int court = 1; court <= 2; ++court) {
        cairo_surface_t* strip = renderStrip(court);
        ok = writeScreenBmp(dir + "lev_" + std::to_string(court) + ".dat", strip) && ok;
        cairo_surface_destroy(strip);
    }
    return ok;
}
