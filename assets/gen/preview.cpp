// Contact sheet: every picture over a checkerboard (so the keyed-out parts
// show), with the rectangles the game cuts from each one outlined.
#include "art.h"
#include "game/media/atlas.h"
#include "game/media/layout.h"
#include "text.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

struct Cut {
    int x, y, w, h;
};

struct Entry {
    const char* file;
    double x, y, scale;
    std::vector<Cut> cuts;
};

void checker(cairo_t* cr, double x, double y, double w, double h)
{
    cairo_save(cr);
    cairo_rectangle(cr, x, y, w, h);
    cairo_clip(cr);
    for (int j = 0; j * 8 < h; ++j)
        for (int i = 0; i * 8 < w; ++i) {
            double v = ((i + j) % 2) ? 0.78 : 0.58;
            cairo_set_source_rgb(cr, v, v, v);
            cairo_rectangle(cr, x + i * 8, y + j * 8, 8, 8);
            cairo_fill(cr);
        }
    cairo_restore(cr);
}

bool place(cairo_t* cr, const std::string& dir, const Entry& e)
{
    cairo_surface_t* img = readBmp(dir + e.file);
    if (!img)
        return false;
    const double w = cairo_image_surface_get_width(img) * e.scale;
    const double h = cairo_image_surface_get_height(img) * e.scale;
    checker(cr, e.x, e.y, w, h);
    cairo_save(cr);
    cairo_translate(cr, e.x, e.y);
    cairo_scale(cr, e.scale, e.scale);
    cairo_set_source_surface(cr, img, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), e.scale >= 1 ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
    cairo_paint(cr);
    cairo_restore(cr);
    for (const Cut& c : e.cuts) {
        cairo_rectangle(cr, e.x + c.x * e.scale + 0.5, e.y + c.y * e.scale + 0.5, c.w * e.scale - 1,
                        c.h * e.scale - 1);
    }
    cairo_set_source_rgba(cr, 1, 0.2, 0.2, 0.9);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    char label[128];
    std::snprintf(label, sizeof label, "%s  %dx%d", e.file, cairo_image_surface_get_width(img),
                  cairo_image_surface_get_height(img));
    cairo_set_source_rgb(cr, 0.85, 0.9, 1.0);
    showMarkup(cr, label, Font{"DejaVu Sans", 12, 0}, e.x, e.y + h + 10, Align::Left);
    cairo_surface_destroy(img);
    return true;
}

// Every distinct atlas rectangle cut from `file`.
std::vector<Cut> cutsOf(const char* file)
{
    std::vector<Cut> v;
    for (const atlas::AtlasEntry& e : atlas::entries) {
        if (std::string(e.file) != file)
            continue;
        for (int i = 0; i < e.count; ++i) {
            const AtlasRect& r = e.rects[i];
            bool seen = false;
            for (const Cut& c : v)
                seen = seen || (c.x == r.x && c.y == r.y && c.w == r.w && c.h == r.h);
            if (!seen)
                v.push_back(Cut{r.x, r.y, r.w, r.h});
        }
    }
    return v;
}

// Copies a rectangle of a picture like the game's blit (key colour left out).
void blit(cairo_t* cr, cairo_surface_t* img, double sx, double sy, double w, double h, double dx, double dy,
          double alpha = 1.0)
{
    cairo_save(cr);
    cairo_rectangle(cr, dx, dy, w, h);
    cairo_clip(cr);
    cairo_set_source_surface(cr, img, dx - sx, dy - sy);
    cairo_paint_with_alpha(cr, alpha);
    cairo_restore(cr);
}

void blit(cairo_t* cr, cairo_surface_t* img, const AtlasRect& r, double dx, double dy, double alpha = 1.0)
{
    blit(cr, img, r.x, r.y, r.w, r.h, dx, dy, alpha);
}

// A frame of play as the match draws it, scaled into the sheet.
bool drawMatch(cairo_t* cr, const std::string& dir, double x, double y, double scale)
{
    const char* files[] = {"screen_0.gfx", "Vardel_06.dat", "paddle.dat", "animate.dat", "sheet.gfx",
                           "CPUPlayer.dat"};
    cairo_surface_t* img[6];
    bool ok = true;
    for (int i = 0; i < 6; ++i) {
        img[i] = readBmp(dir + files[i]);
        ok = ok && img[i];
    }
    if (ok) {
        cairo_save(cr);
        cairo_translate(cr, x, y);
        cairo_scale(cr, scale, scale);
        cairo_rectangle(cr, 0, 0, 800, 600);
        cairo_clip(cr);
        blit(cr, img[0], 0, 0, 800, 600, 0, 0);
        blit(cr, img[1], atlas::hitSparkFrames[0], 250, 318);
        // The sphere of dots the game draws over the ball.
        for (int i = 0; i < 12; ++i) {
            double a = i * 3.14159265358979 / 6;
            cairo_rectangle(cr, 260 + 20 * std::cos(a), 328 + 20 * std::sin(a) * 0.6, 2, 2);
        }
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_fill(cr);
        for (int i = 0; i < 8; ++i) {
            double a = i * 3.14159265358979 / 4;
            cairo_rectangle(cr, 260 + 9 * std::cos(a), 328 + 9 * std::sin(a), 2, 2);
        }
        cairo_set_source_rgb(cr, 0, 0, 0);
        cairo_fill(cr);
        blit(cr, img[2], atlas::paddleFrames[0], 180, 300);
        blit(cr, img[2], atlas::paddleFrames[1], 600, 180);
        blit(cr, img[3], atlas::hitSparkFrames[1], 180 - layout::sparkOffsetX, 300 - layout::sparkOffsetY, 0.5);
        blit(cr, img[4], atlas::digitRects[3], layout::leftDigitX, layout::scoreTop);
        blit(cr, img[4], atlas::scoreSeparatorRect, layout::separatorX, layout::scoreTop);
        blit(cr, img[4], atlas::digitRects[7], layout::rightDigitX, layout::scoreTop);
        blit(cr, img[5], atlas::computerLabelRect, layout::leftLabel.x, layout::leftLabel.y);
        blit(cr, img[5], atlas::humanLabelRect, layout::rightLabel.x, layout::rightLabel.y);
        cairo_restore(cr);
    }
    for (cairo_surface_t* s : img)
        if (s)
            cairo_surface_destroy(s);
    return ok;
}

}  // namespace

bool writePreview(const std::string& dir, const std::string& pngPath)
{
    std::vector<Entry> entries = {
        {"screen_1.gfx", 20, 20, 0.5, {}},
        {"screen_0.gfx", 440, 20, 0.5, {}},
        {"screen_2.gfx", 860, 20, 0.5, {}},
        {"qelvane.gfx", 1280, 20, 0.5, {}},
        {"nback.gfx", 20, 350, 0.5, {Cut{50, 150, 700, 200}, Cut{0, 350, 800, 250}}},
        {"lev_1.dat", 860, 350, 0.5, {}},
        {"lev_2.dat", 860, 505, 0.5, {}},
        {"pic_1.dat", 20, 680, 0.5, {}},
        {"pic_2.dat", 440, 680, 0.5, {}},
        {"pic_3.dat", 860, 680, 0.5, {}},
        {"pic_4.dat", 1280, 680, 0.5, {}},
        {"pic_5.dat", 20, 810, 0.5, {}},
        {"animate.dat", 440, 810, 1, cutsOf("animate.dat")},
        {"paddle.dat", 20, 1010, 2, cutsOf("paddle.dat")},
        {"anifade.dat", 140, 1010, 2, cutsOf("anifade.dat")},
        {"Vardel_06.dat", 480, 1010, 4, {Cut{0, 0, 20, 20}}},
        {"CPUPlayer.dat", 620, 1010, 2, cutsOf("CPUPlayer.dat")},
        {"sheet.gfx", 920, 810, 1, cutsOf("sheet.gfx")},
    };

    cairo_surface_t* s = newCanvas(1720, 1200);
    cairo_t* cr = cairo_create(s);
    cairo_set_source_rgb(cr, 0.12, 0.13, 0.17);
    cairo_paint(cr);
    bool ok = true;
    for (const Entry& e : entries)
        ok = place(cr, dir, e) && ok;

    // The menu as the game composes it: backdrop, page, court strip.
    const struct {
        const char* file;
        int x, y;
    } layers[] = {{"nback.gfx", 0, 0},
                  {"pic_3.dat", layout::menuPage.x, layout::menuPage.y},
                  {"lev_2.dat", layout::courtStrip.x, layout::courtStrip.y}};
    cairo_save(cr);
    cairo_translate(cr, 440, 350);
    cairo_scale(cr, 0.5, 0.5);
    for (const auto& l : layers) {
        cairo_surface_t* img = readBmp(dir + l.file);
        if (!img) {
            ok = false;
            continue;
        }
        cairo_set_source_surface(cr, img, l.x, l.y);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
        cairo_paint(cr);
        cairo_surface_destroy(img);
    }
    cairo_restore(cr);
    cairo_set_source_rgb(cr, 0.85, 0.9, 1.0);
    showMarkup(cr, "menu as shown: nback.gfx + pic_3.dat + lev_2.dat", Font{"DejaVu Sans", 12, 0}, 440, 660,
               Align::Left);

    ok = drawMatch(cr, dir, 1280, 350, 0.5) && ok;
    cairo_set_source_rgb(cr, 0.85, 0.9, 1.0);
    showMarkup(cr, "match as drawn: court 2, CPU left, scores 3 : 7", Font{"DejaVu Sans", 12, 0}, 1280, 660,
               Align::Left);

    cairo_destroy(cr);
    ok = savePng(pngPath, s) && ok;
    cairo_surface_destroy(s);
    return ok;
}

bool bmpToPng(const std::string& bmp, const std::string& png)
{
    cairo_surface_t* img = readBmp(bmp);
    if (!img)
        return false;
    bool ok = savePng(png, img);
    cairo_surface_destroy(img);
    return ok;
}
