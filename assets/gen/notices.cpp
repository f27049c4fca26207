// "netmsg.dat": how a network game ended, one glass panel per ending, for
// the game window (the game draws no text of its own).
#include "art.h"
#include "text.h"

#include "game/media/atlas.h"

namespace {

struct NoticeText {
    const char* line;  // what happened
    const char* hint;  // what it means for the player; may be empty
};

// In the order of NetNotice.
const NoticeText kNotices[atlas::netNoticeCount] = {
    {"THE OTHER PLAYER LEFT THE GAME", "You play on alone."},
    {"THE HOST ENDED THE GAME", ""},
    {"THE GAME YOU WATCHED HAS ENDED", ""},
    {"THE CONNECTION WAS LOST", "You play on alone."},
    {"THE OTHER MACHINE STOPPED ANSWERING", "You play on alone."},
    {"NO GAME ANSWERED AT THAT ADDRESS", "Check the address, and that the host is waiting."},
    {"YOU NEED THE SAME VOLTARI AS THE HOST", "Both players need the same version and data."},
    {"THAT GAME HAS NO SEAT FOR YOU", "Try watching it, or another game."},
    {"THE HOST LET YOU GO", "Your game sent keys that were not yours to press."},
    {"THE OTHER PLAYER WAS LET GO", "Its game sent keys that were not its own."},
    {"THE GAMES WENT APART", "The session is saved in the game folder."},
    {"THE HOST IS BUSY", "Try again in a moment."},
};

void drawNotice(cairo_t* cr, const NoticeText& n)
{
    const double w = atlas::netNoticeWidth, h = atlas::netNoticeHeight;
    panel(cr, w, h, 12, pal::magenta);
    const bool hinted = n.hint[0] != '\0';
    textPath(cr, n.line, Font{"DejaVu Sans Bold", 18, 1.2}, w / 2, hinted ? 21 : h / 2, Align::Centre);
    cairo_set_line_width(cr, 3);
    setRgb(cr, pal::ink);
    cairo_stroke_preserve(cr);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill(cr);
    if (hinted) {
        textPath(cr, n.hint, Font{"DejaVu Sans Bold", 12, 0.5}, w / 2, 41, Align::Centre);
        setRgb(cr, pal::teal);
        cairo_fill(cr);
    }
}

}  // namespace

bool writeNotices(const std::string& dir)
{
    const AtlasRect extent = atlas::extentOf("netmsg.dat");
    cairo_surface_t* sheet = newCanvas(extent.w, extent.h);
    cairo_t* cr = cairo_create(sheet);
    for (int i = 0; i < atlas::netNoticeCount; ++i) {
        const AtlasRect& r = atlas::netNoticeRects[i];
        cairo_save(cr);
        cairo_translate(cr, r.x, r.y);
        drawNotice(cr, kNotices[i]);
        cairo_restore(cr);
    }
    cairo_destroy(cr);
    const bool ok = writeSpriteBmp(dir + "netmsg.dat", sheet, 128, pal::matte);
    cairo_surface_destroy(sheet);
    return ok;
}
