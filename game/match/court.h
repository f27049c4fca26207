// The court's fixed geometry in px of the 800 x 600 display (origin top
// left, y down). The match, the drawing code and the data generator's
// court pictures all take their numbers from here. No SDL, so that the
// generator can read it too.
#pragma once

constexpr int courtWidth = 800;   // px: also the display's width
constexpr int courtHeight = 600;  // px: also the display's height
constexpr int centreLineX = 400;  // px: crossing it frees the other side's hit lock
constexpr int courtCentreY = 300; // px

constexpr int ballSize = 20;      // px: side of the ball's square
constexpr int paddleWidth = 20;   // px
constexpr int paddleHeight = 80;  // px

// Zones: a paddle's x stays at or right of the lower bound and its right
// edge (x + paddleWidth) at or left of the upper one.
constexpr int leftZoneMinX = 0;     // px
constexpr int leftZoneMaxX = 301;   // px
constexpr int rightZoneMinX = 500;  // px
constexpr int rightZoneMaxX = 800;  // px

// Where the ball (top-left of its square) is put for every serve.
constexpr int serveX = 390;  // px
constexpr int serveY = 290;  // px

// Paddle starting places (top-left): created at mid height, put a little
// higher, centred on the serve spot's row, before every match.
constexpr int leftPaddleStartX = 0;     // px
constexpr int rightPaddleStartX = 779;  // px
constexpr int paddleCreatedY = 300;     // px
constexpr int paddleMatchY = 260;       // px

// The two centre posts of court 2: the ball bounces off them while its x
// lies strictly between postMinX and postMaxX and its y within a post's
// rows (bounds included).
constexpr int postMinX = 385;         // px
constexpr int postMaxX = 415;         // px
constexpr int upperPostTopY = 75;     // px
constexpr int upperPostBottomY = 175; // px
constexpr int lowerPostTopY = 425;    // px
constexpr int lowerPostBottomY = 525; // px
