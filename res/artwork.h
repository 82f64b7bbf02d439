#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <vector>

// The program's artwork, drawn in code so that the repository holds no binary images.
//   128 application icon (a serial connector), 129 dark lamp, 130 lit lamp, 134 decoration (an antenna)
//   131 pin pressed in (window top-most), 132 pin lying (not top-most), both 16 by 15
//   133 strip of four 16-pixel frames, 64 by 18, on teal, the transparent colour
// Pixmaps carry the screen's device pixel ratio (or `dpr` when given), so they are drawn sharp at
// any scale factor; their logical size is the size asked for. The animation strip stays at one
// device pixel per pixel: it is cut into icon frames by pixel.
QPixmap ResIconPixmap(int id, int size, qreal dpr = 0);
QIcon ResIcon(int id);
QPixmap ResBitmap(int id);
// What an icon shows, for assistive tools.
QString ResArtworkName(int id);

inline const QColor kAnimationTransparent(0, 128, 128);
inline constexpr int kAnimationFrameWidth = 16;

// Cuts a strip into frames of `frameWidth` pixels, `transparent` becoming see-through (an image list).
std::vector<QIcon> MakeImageList(const QPixmap& strip, int frameWidth, const QColor& transparent);
