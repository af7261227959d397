#pragma once

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>
#include <QUrl>

// A page loaded in headless Chromium, as a reader's browser shows it. The
// page carries a probe script that writes what it finds into an element
// <pre id="probe">; the result is that element's text once the page's
// scripts have run, or the reason there is none.
struct ChromiumProbe {
    bool ok = false;
    QString text;  // the probe's text, entities resolved
    QString error; // why there is no text
};

// The browser, or an empty text when it is not installed (the test skips).
inline QString ChromiumPath()
{
    return QStandardPaths::findExecutable(QStringLiteral("chromium"));
}

// `profile` is a fresh folder for the browser's own files.
inline ChromiumProbe RunChromiumProbe(const QString& chromium, const QString& pageFile, const QString& profile)
{
    QProcess browser;
    // Without the network switches the browser keeps trying hosts this
    // closed machine cannot reach.
    browser.start(chromium, {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"),
                             QStringLiteral("--disable-gpu"), QStringLiteral("--disable-quic"),
                             QStringLiteral("--no-first-run"), QStringLiteral("--disable-background-networking"),
                             QStringLiteral("--disable-component-update"), QStringLiteral("--disable-sync"),
                             QStringLiteral("--user-data-dir=") + profile,
                             QStringLiteral("--virtual-time-budget=2000"), QStringLiteral("--dump-dom"),
                             QUrl::fromLocalFile(pageFile).toString()});
    ChromiumProbe result;
    if (!browser.waitForFinished(20000)) {
        browser.kill();
        browser.waitForFinished();
        result.error = QStringLiteral("chromium did not finish within 20 s");
        return result;
    }
    const QString dom = QString::fromUtf8(browser.readAllStandardOutput());
    const QRegularExpressionMatch probe =
        QRegularExpression(QStringLiteral("<pre id=\"probe\">([^<]*)</pre>")).match(dom);
    if (!probe.hasMatch()) {
        result.error = QString::fromUtf8(browser.readAllStandardError()).right(2000);
        return result;
    }
    result.ok = true;
    result.text = probe.captured(1);
    result.text.replace(QLatin1String("&gt;"), QLatin1String(">"))
        .replace(QLatin1String("&lt;"), QLatin1String("<"))
        .replace(QLatin1String("&amp;"), QLatin1String("&"));
    return result;
}
