// The game's icon: a neon paddle meeting the amber ball on a night-blue
// court. One vector drawing gives the desktop's PNGs at every size, the SVG
// and the pixels the game sets as its window icon.
#include "art.h"

#include <cairo-svg.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/stat.h>

namespace {

const double kPi = 3.14159265358979323846;

// Draws into the square 0..1 of cr's user space. `size` is the pixel size
// it will be seen at: small icons drop the fine detail and keep the shapes
// on whole pixels.
void drawIcon(cairo_t* cr, double size)
{
    const bool small = size < 40;
    const double px = 1.0 / size;  // one pixel in user units
    const double g = 1.0 / 16;     // one cell of the small icons' grid

    // The court: a rounded tile with a soft light from the top.
    const double inset = small ? 0.5 * px : 0.03;
    roundedRect(cr, inset, inset, 1 - 2 * inset, 1 - 2 * inset, small ? 2.5 * g : 0.16);
    setLinearSource(cr, 0, 0, 0, 1, {{0, 0.09, 0.13, 0.30}, {1, pal::nightDeep.r, pal::nightDeep.g, pal::nightDeep.b}});
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, small ? px : 0.02);
    setRgb(cr, pal::teal, 0.55);
    cairo_stroke(cr);

    // The dotted centre line.
    if (!small) {
        const double dash[] = {0.045, 0.045};
        cairo_set_dash(cr, dash, 2, 0.02);
        cairo_set_line_width(cr, 0.025);
        cairo_set_line_cap(cr, CAIRO_LINE_CAP_BUTT);
        setRgb(cr, pal::textDim, 0.45);
        cairo_move_to(cr, 0.5, 0.1);
        cairo_line_to(cr, 0.5, 0.9);
        cairo_stroke(cr);
        cairo_set_dash(cr, nullptr, 0, 0);
    }

    // The paddle: a glowing bar near the left edge, lit on its inner side.
    const double padX = small ? 3 * g : 0.16;
    const double padW = small ? 3 * g : 0.13;
    const double padY = small ? 3 * g : 0.2;
    const double padH = 1 - 2 * padY;
    if (!small) {
        roundedRect(cr, padX - 0.1, padY - 0.05, padW + 0.2, padH + 0.1, 0.1);
        setLinearSource(cr, padX - 0.1, 0, padX + padW + 0.1, 0,
                        {{0, pal::teal.r, pal::teal.g, pal::teal.b, 0},
                         {0.5, pal::teal.r, pal::teal.g, pal::teal.b, 0.45},
                         {1, pal::teal.r, pal::teal.g, pal::teal.b, 0}});
        cairo_fill(cr);
    }
    roundedRect(cr, padX, padY, padW, padH, small ? g : 0.04);
    setLinearSource(cr, padX, 0, padX + padW, 0,
                    {{0, 0.10, 0.55, 0.75}, {1, pal::tealCore.r, pal::tealCore.g, pal::tealCore.b}});
    cairo_fill(cr);

    // The ball, flying up and away from the paddle, with its trail.
    const double bx = small ? 10.5 * g : 0.66;
    const double by = small ? 5.5 * g : 0.36;
    const double br = small ? 3.5 * g : 0.17;
    if (!small) {
        cairo_move_to(cr, 0.32, 0.62);
        cairo_line_to(cr, bx - br * 0.55, by - br * 0.85);
        cairo_line_to(cr, bx + br * 0.55, by + br * 0.85);
        cairo_close_path(cr);
        setLinearSource(cr, 0.32, 0.62, bx, by,
                        {{0, pal::orange.r, pal::orange.g, pal::orange.b, 0},
                         {1, pal::orange.r, pal::orange.g, pal::orange.b, 0.55}});
        cairo_fill(cr);
    }
    cairo_arc(cr, bx, by, br, 0, 2 * kPi);
    setRadialSource(cr, bx - br * 0.35, by - br * 0.4, br * 0.1, bx, by, br,
                    {{0, 1.0, 0.97, 0.78}, {0.45, 1.0, 0.76, 0.29}, {1, 0.66, 0.31, 0.05}});
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, small ? 0.6 * px : 0.012);
    setRgb(cr, pal::ink, 0.7);
    cairo_stroke(cr);
}

cairo_surface_t* renderIcon(int size)
{
    cairo_surface_t* s = newCanvas(size, size);
    cairo_t* cr = cairo_create(s);
    cairo_scale(cr, size, size);
    drawIcon(cr, size);
    cairo_destroy(cr);
    return s;
}

bool makeDirs(const std::string& path)
{
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/') {
            const std::string part = path.substr(0, i);
            if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST)
                return false;
        }
    }
    return true;
}

bool writeSvg(const std::string& path)
{
    const double size = 256;
    cairo_surface_t* s = cairo_svg_surface_create(path.c_str(), size, size);
    cairo_svg_surface_set_document_unit(s, CAIRO_SVG_UNIT_PX);
    cairo_t* cr = cairo_create(s);
    cairo_scale(cr, size, size);
    drawIcon(cr, size);
    cairo_destroy(cr);
    cairo_surface_finish(s);
    const bool ok = cairo_surface_status(s) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(s);
    return ok;
}

// The window icon as a C++ array of straight (not premultiplied) RGBA bytes.
bool writeIconSource(const std::string& path, int size)
{
    cairo_surface_t* s = renderIcon(size);
    cairo_surface_flush(s);
    const int stride = cairo_image_surface_get_stride(s);
    const unsigned char* data = cairo_image_surface_get_data(s);
    std::FILE* f = std::fopen(path.c_str(), "w");
    if (!f) {
        cairo_surface_destroy(s);
        return false;
    }
    std::fprintf(f, "// Written by voltari_assetgen --icons: the window icon's pixels.\n");
    std::fprintf(f, "#include \"game/media/windowicon.h\"\n\n");
    std::fprintf(f, "const int windowIconSize = %d;\n", size);
    std::fprintf(f, "const unsigned char windowIconRgba[%d] = {", size * size * 4);
    for (int y = 0; y < size; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(data + y * stride);
        for (int x = 0; x < size; ++x) {
            const std::uint32_t p = row[x];
            const unsigned a = p >> 24;
            auto straight = [a](unsigned c) { return a ? (c * 255 + a / 2) / a : 0u; };
            if (x % 4 == 0)
                std::fprintf(f, "\n   ");
            std::fprintf(f, " %u,%u,%u,%u,", straight((p >> 16) & 0xff), straight((p >> 8) & 0xff),
                         straight(p & 0xff), a);
        }
    }
    std::fprintf(f, "\n};\n");
    cairo_surface_destroy(s);
    return std::fclose(f) == 0;
}

}  // namespace

bool writeIcons(const std::string& hicolorDir, const std::string& sourcePath)
{
    for (int size : {16, 32, 48, 64, 128, 192, 256, 512}) {
        const std::string dir = hicolorDir + std::to_string(size) + "x" + std::to_string(size) + "/apps";
        cairo_surface_t* s = renderIcon(size);
        const bool ok = makeDirs(dir) && savePng(dir + "/voltari.png", s);
        cairo_surface_destroy(s);
        if (!ok)
            return false;
    }
    const std::string scalable = hicolorDir + "scalable/apps";
    return makeDirs(scalable) && writeSvg(scalable + "/voltari.svg") && writeIconSource(sourcePath, 64);
}
