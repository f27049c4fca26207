#include "text.h"

#include "canvas.h"

#include <pango/pangocairo.h>

namespace {

PangoLayout* makeLayout(cairo_t* cr, const std::string& text, const Font& f, bool markup)
{
    PangoLayout* layout = pango_cairo_create_layout(cr);
    cairo_font_options_t* opt = cairo_font_options_create();
    cairo_font_options_set_hint_style(opt, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(opt, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_antialias(opt, CAIRO_ANTIALIAS_GRAY);
    pango_cairo_context_set_font_options(pango_layout_get_context(layout), opt);
    pango_layout_context_changed(layout);
    cairo_font_options_destroy(opt);

    PangoFontDescription* desc = pango_font_description_from_string(f.family);
    pango_font_description_set_absolute_size(desc, f.px * PANGO_SCALE);
    pango_layout_set_font_description(layout, desc);
    pango_font_description_free(desc);
    if (f.spacing != 0) {
        PangoAttrList* attrs = pango_attr_list_new();
        pango_attr_list_insert(attrs, pango_attr_letter_spacing_new(static_cast<int>(f.spacing * PANGO_SCALE)));
        pango_layout_set_attributes(layout, attrs);
        pango_attr_list_unref(attrs);
    }
    if (markup)
        pango_layout_set_markup(layout, text.c_str(), -1);
    else
        pango_layout_set_text(layout, text.c_str(), -1);
    return layout;
}

// The ink box ignores letter spacing after the last glyph, so centred
// spaced lettering stays centred.
Ink inkOf(PangoLayout* layout)
{
    PangoRectangle ink;
    pango_layout_get_extents(layout, &ink, nullptr);
    return Ink{ink.x / double(PANGO_SCALE), ink.y / double(PANGO_SCALE), ink.width / double(PANGO_SCALE),
                ink.height / double(PANGO_SCALE)};
}

// Origin for the layout so the ink box lands at (x by align, centred on y).
void origin(const Ink& ink, double x, double y, Align align, double& ox, double& oy)
{
    double left = x;
    if (align == Align::Centre)
        left = x - ink.w / 2;
    else if (align == Align::Right)
        left = x - ink.w;
    ox = left - ink.x;
    oy = y - ink.h / 2 - ink.y;
}

Ink place(cairo_t* cr, const std::string& text, const Font& f, double x, double y, Align align, bool markup,
          bool asPath)
{
    PangoLayout* layout = makeLayout(cr, text, f, markup);
    Ink ink = inkOf(layout);
    double ox, oy;
    origin(ink, x, y, align, ox, oy);
    cairo_save(cr);
    cairo_move_to(cr, ox, oy);
    if (asPath)
        pango_cairo_layout_path(cr, layout);
    else
        pango_cairo_show_layout(cr, layout);
    cairo_restore(cr);  // keeps the path
    g_object_unref(layout);
    return Ink{ox + ink.x, oy + ink.y, ink.w, ink.h};
}

}  // namespace

Ink measureText(cairo_t* cr, const std::string& text, const Font& f)
{
    PangoLayout* layout = makeLayout(cr, text, f, false);
    Ink ink = inkOf(layout);
    g_object_unref(layout);
    return ink;
}

Ink textPath(cairo_t* cr, const std::string& text, const Font& f, double x, double y, Align align)
{
    return place(cr, text, f, x, y, align, false, true);
}

Ink showMarkup(cairo_t* cr, const std::string& markup, const Font& f, double x, double y, Align align)
{
    return place(cr, markup, f, x, y, align, true, false);
}

void chromeText(cairo_t* cr, const std::string& text, const Font& f, double x, double y, Align align,
                double glowR, double glowG, double glowB, double glowRadius)
{
    if (glowRadius > 0) {
        addGlow(cr, glowRadius, 1.0, [&](cairo_t* g) {
            textPath(g, text, f, x, y, align);
            cairo_set_source_rgb(g, glowR, glowG, glowB);
            cairo_set_line_width(g, f.px * 0.12);
            cairo_fill_preserve(g);
            cairo_stroke(g);
        });
    }
    cairo_new_path(cr);
    Ink ink = textPath(cr, text, f, x, y, align);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, f.px * 0.09);
    cairo_set_source_rgb(cr, 0.03, 0.03, 0.10);
    cairo_stroke_preserve(cr);

    // Mirror metal: bright sky above a hard horizon, warm ground below.
    setLinearSource(cr, 0, ink.y, 0, ink.y + ink.h,
                    {{0.00, 0.98, 1.00, 1.00},
                     {0.30, 0.62, 0.84, 0.98},
                     {0.52, 0.20, 0.26, 0.55},
                     {0.54, 0.55, 0.22, 0.50},
                     {0.80, 1.00, 0.55, 0.42},
                     {1.00, 1.00, 0.90, 0.70}});
    cairo_fill_preserve(cr);

    // Thin light rim on the letters' edges.
    cairo_set_line_width(cr, 1.0);
    cairo_set_source_rgba(cr, 1, 1, 1, 0.35);
    cairo_stroke(cr);
}
