// Path helpers on Shift_JIS path bytes.
#include "document/Page.h"
#include "document/PagePaths.h"

#include <QTest>

class TestPagePaths : public QObject {
    Q_OBJECT

private slots:
    void pageFilePath_data()
    {
        QTest::addColumn<QByteArray>("databasePath");
        QTest::addColumn<QByteArray>("fileName");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("document-root-not-html-folder") << QByteArray("D:\\web\\") << QByteArray("D:\\web\\diary\\index.html")
                                                       << QByteArray("D:\\web\\index.data");
        QTest::newRow("only-last-extension") << QByteArray("D:\\site\\") << QByteArray("D:\\site\\a\\b.c.html")
                                             << QByteArray("D:\\site\\b.c.data");
        QTest::newRow("slashes") << QByteArray("/srv/www/") << QByteArray("/srv/www/sub/page.htm")
                                 << QByteArray("/srv/www/page.data");
        QTest::newRow("no-extension") << QByteArray("/w/") << QByteArray("readme") << QByteArray("/w/readme.data");
        QTest::newRow("dot-in-folder-only") << QByteArray("/w/") << QByteArray("/a.b/c") << QByteArray("/w/c.data");
        // 0x95 0x5C is one character whose second byte looks like a backslash.
        QTest::newRow("sjis-trail-backslash") << QByteArray("/w/") << QByteArray("C:\\\x95\x5c.html")
                                              << QByteArray("/w/\x95\x5c.data");
    }

    void pageFilePath()
    {
        QFETCH(QByteArray, databasePath);
        QFETCH(QByteArray, fileName);
        QFETCH(QByteArray, expected);
        PageProperties page;
        page.DatabasePath = databasePath.toStdString();
        page.FileName = fileName.toStdString();
        QCOMPARE(QByteArray::fromStdString(PagePaths::PageFilePath(page)), expected);
    }

    void trailingDelimiters_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("local");
        QTest::addColumn<QByteArray>("remote");
        QTest::newRow("empty-stays-empty") << QByteArray("") << QByteArray("") << QByteArray("");
        QTest::newRow("plain") << QByteArray("a") << QByteArray("a/") << QByteArray("a/");
        QTest::newRow("already-slash") << QByteArray("a/") << QByteArray("a/") << QByteArray("a/");
        // Only '/' separates folders here: "a\" is a folder's whole name.
        QTest::newRow("backslash-is-a-name") << QByteArray("a\\") << QByteArray("a\\/") << QByteArray("a\\/");
        QTest::newRow("sjis-trail-0x5c") << QByteArray("\x95\x5c") << QByteArray("\x95\x5c/") << QByteArray("\x95\x5c/");
    }

    void trailingDelimiters()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, local);
        QFETCH(QByteArray, remote);
        QCOMPARE(QByteArray::fromStdString(PagePaths::IncludeTrailingPathDelimiter(text.toStdString())), local);
        QCOMPARE(QByteArray::fromStdString(PagePaths::IncludeTrailingSlash(text.toStdString())), remote);
    }

    void splitting()
    {
        QCOMPARE(PagePaths::ExtractFileName("/a/b/c.html"), SjisString("c.html"));
        QCOMPARE(PagePaths::ExtractFilePath("/a/b/c.html"), SjisString("/a/b/"));
        QCOMPARE(PagePaths::ExtractFileDir("/a/b/c.html"), SjisString("/a/b"));
        QCOMPARE(PagePaths::ExtractFileExt("/a/b.x/c.tar.gz"), SjisString(".gz"));
        QCOMPARE(PagePaths::ExtractFilePath("c.html"), SjisString());
        QCOMPARE(PagePaths::ChangeFileExt("x\\y.data", ".html"), SjisString("x\\y.html"));
    }
};

QTEST_GUILESS_MAIN(TestPagePaths)
#include "tst_pagepaths.moc"
