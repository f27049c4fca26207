// Lettering through pango (fonts found by fontconfig).
#pragma once

#include <cairo.h>

#include <string>

enum class Align { Left, Centre, Right };

struct Font {
    const char* family;  // e.g. "DejaVu Sans Bold"
    double px;           // em size in px
    double spacing;      // extra px between letters
};

struct Ink {
    double x, y, w, h;  // ink box, px
};

// Ink box of `text` as textPath would place it at the origin.
Ink measureText(cairo_t* cr, const std::string& text, const Font& f);

// Appends the glyph outlines to cr's path: ink box at x by `align`,
// vertically centred on y. Returns the ink box as placed.
Ink textPath(cairo_t* cr, const std::string& text, const Font& f, double x, double y, Align align);

// Draws pango markup (coloured spans) directly; same placement rule.
Ink showMarkup(cairo_t* cr, const std::string& markup, const Font& f, double x, double y, Align align);

// Chrome lettering: dark outline, mirror-metal gradient fill, coloured
// glow behind (glowRadius 0: none).
void chromeText(cairo_t* cr, const std::string& text, const Font& f, double x, double y, Align align,
                double glowR, double glowG, double glowB, double glowRadius);
