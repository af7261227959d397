#pragma once

#include <QString>

class QWidget;

// The program's one error display: every command that fails shows its text
// here, in a message box with the error icon.
void ShowError(QWidget* parent, const QString& message, const QString& caption = QStringLiteral("失敗"));
