#pragma once

// The files the upload benchmarks send: one large file of a repeating byte
// pattern and many small pages, all in one folder.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

constexpr qint64 LargeSize = 100 * 1024 * 1024;
constexpr int SmallCount = 200;
constexpr int SmallSize = 4096;

struct UploadFiles {
    QString large;
    QStringList small;

    // False when the large file cannot be written.
    bool Write(const QDir& folder)
    {
        large = folder.filePath(QStringLiteral("large.bin"));
        QFile f(large);
        if (!f.open(QIODevice::WriteOnly))
            return false;
        QByteArray block(1024 * 1024, '\0');
        for (int i = 0; i < block.size(); ++i)
            block[i] = char((i * 31) & 0xFF);
        for (qint64 i = 0; i < LargeSize / block.size(); ++i)
            f.write(block);
        small.clear();
        for (int i = 0; i < SmallCount; ++i) {
            const QString path = folder.filePath(QStringLiteral("s%1.html").arg(i, 3, 10, QLatin1Char('0')));
            QFile s(path);
            if (s.open(QIODevice::WriteOnly))
                s.write(QByteArray(SmallSize, 'h'));
            small << path;
        }
        return true;
    }
};
