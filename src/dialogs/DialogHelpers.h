#pragma once

#include <QMessageBox>
#include <QString>

class QTabWidget;

// A Yes/No question in a message box with Japanese button captions; true
// for Yes.
bool AskYesNo(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text,
              QMessageBox::StandardButton defaultButton);

// Ctrl+Tab and Ctrl+Shift+Tab turn the pages of `tabs` from any control of
// its window, also from a drop-down list, which would otherwise take the
// keys for its own search.
void AddPageKeys(QTabWidget* tabs);
