#pragma once

#include <QPixmap>

#include <array>

// The tree's six node icons, drawn at start-up: 0 normal, 1 hidden,
// 2 unpublished, and the same three as shown while selected (3 to 5).
std::array<QPixmap, 6> DrawTreeImages();

// Six frames of the property bar's arrow turning from "down" (the bar can
// be expanded) to "up" (it can be collapsed).
std::array<QPixmap, 6> DrawArrowFrames();
