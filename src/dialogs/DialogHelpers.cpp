#include "dialogs/DialogHelpers.h"

#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>

bool AskYesNo(QWidget* parent, QMessageBox::Icon icon, const QString& caption, const QString& text,
              QMessageBox::StandardButton defaultButton)
{
    QMessageBox box(icon, caption, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("はい(&Y)"));
    box.button(QMessageBox::No)->setText(QStringLiteral("いいえ(&N)"));
    box.setDefaultButton(defaultButton);
    return box.exec() == QMessageBox::Yes;
}

void AddPageKeys(QTabWidget* tabs)
{
    QWidget* window = tabs->window();
    const auto turn = [tabs](int step) {
        const int count = tabs->count();
        if (count > 0)
            tabs->setCurrentIndex((tabs->currentIndex() + step + count) % count);
    };
    auto* next = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Tab), window);
    QObject::connect(next, &QShortcut::activated, tabs, [turn] { turn(1); });
    auto* previous = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), window);
    QObject::connect(previous, &QShortcut::activated, tabs, [turn] { turn(-1); });
}
