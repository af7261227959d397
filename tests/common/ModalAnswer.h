#pragma once

// Answers modal windows that a command under test opens: the next one of a
// given kind that becomes the active modal window is handed to a function,
// from the modal window's own event loop.

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <functional>

// Calls `act` with the next modal window of type `Dialog` once it shows.
// Gives up after five seconds, so that a window that never comes fails the
// test instead of leaving a timer behind.
template <typename Dialog> void WhenModal(std::function<void(Dialog*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    const QDeadlineTimer deadline(5000);
    QObject::connect(timer, &QTimer::timeout, [timer, deadline, act] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) {
            if (deadline.hasExpired())
                timer->deleteLater();
            return;
        }
        timer->stop();
        timer->deleteLater();
        act(dialog);
    });
    timer->start();
}

// What a message box said, and the answer given to it.
struct Box {
    QString title;
    QString text;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    bool seen = false;
};

// Answers the next message box that opens with `button`, then runs `next`
// (to answer the box that this answer opens, for example).
inline void Answer(QMessageBox::StandardButton button, Box* seen = nullptr, std::function<void()> next = {})
{
    WhenModal<QMessageBox>([button, seen, next](QMessageBox* box) {
        if (seen) {
            seen->title = box->windowTitle();
            seen->text = box->text();
            seen->defaultButton = box->standardButton(box->defaultButton());
            seen->seen = true;
        }
        box->button(button)->click();
        if (next)
            next();
    });
}
