// Drawing surfaces, soft glows and the BMP files the game loads.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

struct Rgb {
    double r, g, b;  // 0..1
};

inline Rgb rgb255(int r, int g, int b) { return Rgb{r / 255.0, g / 255.0, b / 255.0}; }
inline void setRgb(cairo_t* cr, Rgb c, double a = 1.0) { cairo_set_source_rgba(cr, c.r, c.g, c.b, a); }

// Transparent ARGB32 canvas; the caller destroys it.
cairo_surface_t* newCanvas(int w, int h);

// Three box passes per axis: close enough to a gaussian for glows.
void blurSurface(cairo_surface_t* s, int radius);

// Paints whatever `draw` puts on a scratch layer, blurred by `radius` px,
// added onto cr's target at `strength`. Light adds up like real neon.
void addGlow(cairo_t* cr, double radius, double strength, const std::function<void(cairo_t*)>& draw);

// Same scratch-layer idea, composited normally (for drop shadows).
void addShadow(cairo_t* cr, double radius, double strength, const std::function<void(cairo_t*)>& draw);

// One colour stop of a gradient: offset 0..1, colour and alpha 0..1.
struct Stop {
    double at;
    double r, g, b;
    double a = 1.0;
};

// Makes a linear (x0, y0 to x1, y1) or radial (circle 0 to circle 1)
// gradient cr's source, in cr's current user space.
void setLinearSource(cairo_t* cr, double x0, double y0, double x1, double y1, std::initializer_list<Stop> stops);
void setRadialSource(cairo_t* cr, double cx0, double cy0, double r0, double cx1, double cy1, double r1,
                     std::initializer_list<Stop> stops);

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r);

// The game keys out exact (0,255,255). Sprites: a pixel whose alpha reaches
// `threshold` becomes opaque, blended over `matte`; the rest becomes the key.
// No kept pixel may come close to the key colour, so those are nudged.
bool writeSpriteBmp(const std::string& path, cairo_surface_t* s, int threshold, Rgb matte);
// Full-screen pictures: opaque everywhere, and never the key colour.
bool writeScreenBmp(const std::string& path, cairo_surface_t* s);

// Reads back a 24-bit BMP written above into an opaque ARGB32 canvas, with
// key-coloured pixels left fully transparent. Null when it cannot.
cairo_surface_t* readBmp(const std::string& path);

bool savePng(const std::string& path, cairo_surface_t* s);

// Small fixed-seed generator so every build draws the same stars and sparkles.
struct Prng {
    std::uint32_t state;
    std::uint32_t next();
    double unit();                       // [0, 1)
    double range(double lo, double hi);  // [lo, hi)
};
