#include "app/ErrorDisplay.h"

#include <QMessageBox>

void ShowError(QWidget* parent, const QString& message, const QString& caption)
{
    QMessageBox::critical(parent, caption, message);
}
