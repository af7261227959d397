#pragma once

#include <QPixmap>

// Tool bar pictures, drawn at start-up.
enum class ToolImage { New, Open, Save, Undo, Redo, Cut, Copy, Paste, ExpandAll, CollapseAll, Browser, ExternalTool };

QPixmap DrawToolImage(ToolImage image);
