#include "canvas.h"

#include <algorithm>
#include <cstdio>
#include <vector>

cairo_surface_t* newCanvas(int w, int h)
{
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    cairo_t* cr = cairo_create(s);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_destroy(cr);
    return s;
}

namespace {

// One box pass over a line of premultiplied channels: n values, `stride`
// apart, averaged over 2r+1 with zeros beyond the edges.
void boxLine(const std::uint32_t* src, std::uint32_t* dst, int n, int stride, int r, std::vector<std::uint32_t>& sums)
{
    const std::uint32_t div = static_cast<std::uint32_t>(2 * r + 1);
    sums.assign(4, 0);
    for (int i = 0; i <= r && i < n; ++i)
        for (int c = 0; c < 4; ++c)
            sums[c] += (src[i * stride] >> (8 * c)) & 0xffu;
    for (int i = 0; i < n; ++i) {
        std::uint32_t px = 0;
        for (int c = 0; c < 4; ++c)
            px |= ((sums[c] + div / 2) / div) << (8 * c);
        dst[i * stride] = px;
        int add = i + r + 1;
        int drop = i - r;
        for (int c = 0; c < 4; ++c) {
            if (add < n)
                sums[c] += (src[add * stride] >> (8 * c)) & 0xffu;
            if (drop >= 0)
                sums[c] -= (src[drop * stride] >> (8 * c)) & 0xffu;
        }
    }
}

}  // namespace

void blurSurface(cairo_surface_t* s, int radius)
{
    if (radius < 1)
        return;
    cairo_surface_flush(s);
    const int w = cairo_image_surface_get_width(s);
    const int h = cairo_image_surface_get_height(s);
    const int stride = cairo_image_surface_get_stride(s) / 4;
    auto* px = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(s));
    std::vector<std::uint32_t> tmp(static_cast<size_t>(stride) * h);
    std::vector<std::uint32_t> sums;
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < h; ++y)
            boxLine(px + y * stride, tmp.data() + y * stride, w, 1, radius, sums);
        for (int x = 0; x < w; ++x)
            boxLine(tmp.data() + x, px + x, h, stride, radius, sums);
    }
    cairo_surface_mark_dirty(s);
}

namespace {

void layerOnto(cairo_t* cr, double radius, double strength, cairo_operator_t op,
               const std::function<void(cairo_t*)>& draw)
{
    cairo_surface_t* target = cairo_get_target(cr);
    const int w = cairo_image_surface_get_width(target);
    const int h = cairo_image_surface_get_height(target);
    cairo_surface_t* layer = newCanvas(w, h);
    cairo_t* lcr = cairo_create(layer);
    cairo_matrix_t m;
    cairo_get_matrix(cr, &m);
    cairo_set_matrix(lcr, &m);
    draw(lcr);
    cairo_destroy(lcr);
    // Three box passes of radius r spread about as far as a gaussian of 1.7r;
    // divide so `radius` reads as the visible spread.
    blurSurface(layer, std::max(1, static_cast<int>(radius / 1.7 + 0.5)));
    cairo_save(cr);
    cairo_identity_matrix(cr);
    cairo_set_operator(cr, op);
    cairo_set_source_surface(cr, layer, 0, 0);
    cairo_paint_with_alpha(cr, strength);
    cairo_restore(cr);
    cairo_surface_destroy(layer);
}

}  // namespace

void addGlow(cairo_t* cr, double radius, double strength, const std::function<void(cairo_t*)>& draw)
{
    layerOnto(cr, radius, strength, CAIRO_OPERATOR_ADD, draw);
}

void addShadow(cairo_t* cr, double radius, double strength, const std::function<void(cairo_t*)>& draw)
{
    layerOnto(cr, radius, strength, CAIRO_OPERATOR_OVER, draw);
}

namespace {

void setGradientSource(cairo_t* cr, cairo_pattern_t* gradient, std::initializer_list<Stop> stops)
{
    for (const Stop& s : stops)
        cairo_pattern_add_color_stop_rgba(gradient, s.at, s.r, s.g, s.b, s.a);
    cairo_set_source(cr, gradient);
    cairo_pattern_destroy(gradient);  // cr holds it now
}

}  // namespace

void setLinearSource(cairo_t* cr, double x0, double y0, double x1, double y1, std::initializer_list<Stop> stops)
{
    setGradientSource(cr, cairo_pattern_create_linear(x0, y0, x1, y1), stops);
}

void setRadialSource(cairo_t* cr, double cx0, double cy0, double r0, double cx1, double cy1, double r1,
                     std::initializer_list<Stop> stops)
{
    setGradientSource(cr, cairo_pattern_create_radial(cx0, cy0, r0, cx1, cy1, r1), stops);
}

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r)
{
    const double pi = 3.14159265358979323846;
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -pi / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, pi / 2);
    cairo_arc(cr, x + r, y + h - r, r, pi / 2, pi);
    cairo_arc(cr, x + r, y + r, r, pi, 3 * pi / 2);
    cairo_close_path(cr);
}

namespace {

struct Px {
    int r, g, b;
};

// A colour the eye (or a sloppy colour key) could take for the key is moved
// towards grey-blue; exact key colour included.
Px awayFromKey(Px p)
{
    if (p.r <= 40 && p.g >= 215 && p.b >= 215)
        p.r = 48;
    return p;
}

void put16(std::vector<unsigned char>& v, unsigned x)
{
    v.push_back(x & 0xff);
    v.push_back((x >> 8) & 0xff);
}

void put32(std::vector<unsigned char>& v, unsigned x)
{
    put16(v, x & 0xffff);
    put16(v, x >> 16);
}

template <class PixelFn>
bool writeBmp(const std::string& path, int w, int h, PixelFn pixel)
{
    const unsigned rowBytes = (static_cast<unsigned>(w) * 3 + 3) & ~3u;
    const unsigned dataBytes = rowBytes * static_cast<unsigned>(h);
    std::vector<unsigned char> out;
    out.reserve(54 + dataBytes);
    out.push_back('B');
    out.push_back('M');
    put32(out, 54 + dataBytes);
    put32(out, 0);
    put32(out, 54);
    put32(out, 40);
    put32(out, static_cast<unsigned>(w));
    put32(out, static_cast<unsigned>(h));  // positive: rows stored bottom-up
    put16(out, 1);
    put16(out, 24);
    put32(out, 0);  // BI_RGB
    put32(out, dataBytes);
    put32(out, 2835);  // 72 dpi
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            Px p = pixel(x, y);
            out.push_back(static_cast<unsigned char>(p.b));
            out.push_back(static_cast<unsigned char>(p.g));
            out.push_back(static_cast<unsigned char>(p.r));
        }
        for (unsigned pad = static_cast<unsigned>(w) * 3; pad < rowBytes; ++pad)
            out.push_back(0);
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    ok = (std::fclose(f) == 0) && ok;
    return ok;
}

}  // namespace

namespace {

// threshold 0: every pixel is kept (full-screen pictures).
bool writeKeyed(const std::string& path, cairo_surface_t* s, int threshold, Rgb matte)
{
    cairo_surface_flush(s);
    const int w = cairo_image_surface_get_width(s);
    const int h = cairo_image_surface_get_height(s);
    const int stride = cairo_image_surface_get_stride(s) / 4;
    const auto* px = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(s));
    const int mr = static_cast<int>(matte.r * 255 + 0.5);
    const int mg = static_cast<int>(matte.g * 255 + 0.5);
    const int mb = static_cast<int>(matte.b * 255 + 0.5);
    return writeBmp(path, w, h, [&](int x, int y) {
        std::uint32_t p = px[y * stride + x];
        int a = static_cast<int>(p >> 24);
        if (threshold > 0 && (a < threshold || a == 0))
            return Px{0, 255, 255};
        // Premultiplied colour over the matte.
        auto over = [&](int c, int m) { return std::min(255, c + (m * (255 - a) + 127) / 255); };
        Px q{over(static_cast<int>((p >> 16) & 0xff), mr), over(static_cast<int>((p >> 8) & 0xff), mg),
             over(static_cast<int>(p & 0xff), mb)};
        return awayFromKey(q);
    });
}

}  // namespace

bool writeSpriteBmp(const std::string& path, cairo_surface_t* s, int threshold, Rgb matte)
{
    return writeKeyed(path, s, threshold < 1 ? 1 : threshold, matte);
}

bool writeScreenBmp(const std::string& path, cairo_surface_t* s)
{
    return writeKeyed(path, s, 0, Rgb{0, 0, 0});
}

cairo_surface_t* readBmp(const std::string& path)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return nullptr;
    std::vector<unsigned char> d;
    unsigned char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        d.insert(d.end(), buf, buf + n);
    std::fclose(f);
    auto u32 = [&](size_t o) {
        return static_cast<unsigned>(d[o]) | (static_cast<unsigned>(d[o + 1]) << 8) |
               (static_cast<unsigned>(d[o + 2]) << 16) | (static_cast<unsigned>(d[o + 3]) << 24);
    };
    if (d.size() < 54 || d[0] != 'B' || d[1] != 'M' || d[28] != 24)
        return nullptr;
    const unsigned off = u32(10);
    const int w = static_cast<int>(u32(18));
    const int h = static_cast<int>(u32(22));
    if (w <= 0 || h <= 0 || w > 8192 || h > 8192)
        return nullptr;
    const unsigned rowBytes = (static_cast<unsigned>(w) * 3 + 3) & ~3u;
    if (off + static_cast<size_t>(rowBytes) * h > d.size())
        return nullptr;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
    const int stride = cairo_image_surface_get_stride(s) / 4;
    auto* px = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(s));
    for (int y = 0; y < h; ++y) {
        const unsigned char* row = d.data() + off + static_cast<size_t>(rowBytes) * (h - 1 - y);
        for (int x = 0; x < w; ++x) {
            unsigned b = row[3 * x], g = row[3 * x + 1], r = row[3 * x + 2];
            bool key = r == 0 && g == 255 && b == 255;
            px[y * stride + x] = key ? 0u : (0xff000000u | (r << 16) | (g << 8) | b);
        }
    }
    cairo_surface_mark_dirty(s);
    return s;
}

bool savePng(const std::string& path, cairo_surface_t* s)
{
    return cairo_surface_write_to_png(s, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

std::uint32_t Prng::next()
{
    // xorshift32
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

double Prng::unit() { return (next() >> 8) / 16777216.0; }

double Prng::range(double lo, double hi) { return lo + (hi - lo) * unit(); }
