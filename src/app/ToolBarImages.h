#pragma once

#include <QPixmap>

// Tool bar pictures, drawn at start-up.
enum class ToolImage { Undo, Cut, Copy, Paste, ExpandAll, CollapseAll };

QPixmap DrawToolImage(ToolImage image);
