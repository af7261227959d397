#pragma once

#include <Qt>

class QWidget;

// Dialog frames as the program's windows have them: a caption but no system
// buttons (closed by their own buttons or Esc), placed in the middle of the
// screen.
Qt::WindowFlags DialogWithoutSystemButtons();
void CentreOnScreen(QWidget* window);
