// Every data file the game reads, grouped by kind.
#pragma once

#include "canvas.h"

#include <functional>
#include <string>

// Shared look: night-blue court, teal and magenta neon, amber ball.
namespace pal {
const Rgb night{0.035, 0.05, 0.13};
const Rgb nightDeep{0.02, 0.025, 0.07};
const Rgb teal = rgb255(40, 226, 200);
const Rgb tealCore = rgb255(200, 255, 240);
const Rgb magenta = rgb255(255, 60, 190);
const Rgb orange = rgb255(255, 150, 40);
const Rgb ink = rgb255(8, 10, 28);           // outlines
const Rgb matte = rgb255(10, 14, 36);        // what sprite edges blend into
const Rgb textDim = rgb255(150, 166, 212);
}  // namespace pal

// A neon tube along `path`: wide soft glow, coloured tube, white-hot core.
void neon(cairo_t* cr, Rgb c, double width, double glowRadius, double glowStrength,
          const std::function<void(cairo_t*)>& path, const double* dash = nullptr, int ndash = 0);

// A dark glass panel with a neon rim, filling a w x h canvas (px), corner radius r.
void panel(cairo_t* cr, double w, double h, double r, Rgb rim);

// Courts: 1 plain, 2 with the centre posts, 3 the bonus court.
cairo_surface_t* renderCourt(int court);

// Each writes its files into dir (ending in '/'); false on a write error.
bool writeSprites(const std::string& dir);
bool writeScreens(const std::string& dir);
bool writeMenu(const std::string& dir);
bool writeSounds(const std::string& dir);
bool writeMusic(const std::string& dir);
bool writeNotices(const std::string& dir);

// The icon in hicolorDir (ending in '/'): <n>x<n>/apps/voltari.png at the
// desktop's sizes and scalable/apps/voltari.svg; and the window icon's
// pixels as a C++ source file.
bool writeIcons(const std::string& hicolorDir, const std::string& sourcePath);

// Contact sheet of every picture in dir, atlas rectangles outlined.
bool writePreview(const std::string& dir, const std::string& pngPath);
bool bmpToPng(const std::string& bmp, const std::string& png);
