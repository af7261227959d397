#pragma once

#include <QIcon>
#include <QPixmap>

// The program's pictures: its icon (drawn as an SVG, compiled in as PNGs
// of every size) and the splash and About box pictures, drawn here so that
// they are sharp at any device pixel ratio.
QIcon ProgramIcon();
// 360 x 270 logical pixels.
QPixmap SplashPicture(qreal devicePixelRatio);
// 200 x 40 logical pixels.
QPixmap AboutPicture(qreal devicePixelRatio);
