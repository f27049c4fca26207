// The window's icon. Its pixels are drawn by the data generator into the
// program itself, so the game needs no file for it.
#pragma once

extern const int windowIconSize;              // px, width and height
extern const unsigned char windowIconRgba[];  // rows top down, R G B A bytes, alpha not premultiplied

// Hands the icon to SDL for the window about to be opened; does nothing
// when SDL cannot take it.
void setWindowIcon();
