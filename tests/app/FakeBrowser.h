#pragma once

#include <QKeyEvent>
#include <QWidget>

// A top-level window captioned like a browser showing a page; counts the
// reloads (F5) it receives.
class FakeBrowser : public QWidget {
public:
    explicit FakeBrowser(const QString& caption)
    {
        setWindowTitle(caption);
        resize(240, 120);
    }
    int reloads = 0;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_F5)
            ++reloads;
    }
};
