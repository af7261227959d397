#pragma once

#include <QObject>
#include <QString>

// Opens a file in the desktop's default program for it (an HTML file in the
// browser) and tells when that did not happen. The desktop's opener
// (xdg-open) starts the browser and ends with an error when it cannot (no
// browser, or one that refuses to run, as Chromium does for root); the mere
// start of the opener says nothing, so its end is watched.
class DesktopOpener : public QObject {
    Q_OBJECT
public:
    explicit DesktopOpener(QObject* parent = nullptr);

    // The opener: a program that takes the file as its one argument; empty
    // to go through QDesktopServices. By default xdg-open where installed.
    void setProgram(const QString& program) { program_ = program; }
    const QString& program() const { return program_; }

    // Starts opening `path`; failed() follows when it cannot be opened.
    void open(const QString& path);

signals:
    void failed(const QString& path);

private:
    QString program_;
};
