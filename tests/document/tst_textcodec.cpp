// The codec between the model's code page 932 bytes and the widgets'
// Unicode: every byte string comes back unchanged, bytes that are no
// character show as private-use characters, and Unicode without a code is
// refused or written as a reference.
#include "document/TextCodec.h"

#include <QTest>

namespace {

template <std::size_t N>
SjisString B(const char (&s)[N])
{
    return SjisString(s, N - 1);
}

QString Hex(SjisView bytes)
{
    return QString::fromLatin1(QByteArray(bytes.data(), qsizetype(bytes.size())).toHex(' '));
}

QString CodePoint(char32_t code)
{
    return QString::fromUcs4(&code, 1);
}

// Fails with the bytes named unless they decode and encode back unchanged.
bool RoundTrips(const SjisString& bytes, QString& failure)
{
    const QString text = TextCodec::ToUnicode(bytes);
    const std::optional<SjisString> strict = TextCodec::FromUnicodeStrict(text);
    if (strict == bytes && TextCodec::FromUnicodeWithReferences(text) == bytes
        && !text.contains(QChar::ReplacementCharacter))
        return true;
    failure = Hex(bytes) + QStringLiteral(" came back as ") + (strict ? Hex(*strict) : QStringLiteral("nothing"));
    return false;
}

} // namespace

class TestTextCodec : public QObject {
    Q_OBJECT

private slots:
    void everySingleByteAndPairRoundTrips()
    {
        QString failure;
        for (int first = 0; first < 0x100; ++first) {
            QVERIFY2(RoundTrips(SjisString(1, char(first)), failure), qPrintable(failure));
            for (int second = 0; second < 0x100; ++second)
                QVERIFY2(RoundTrips(SjisString{char(first), char(second)}, failure), qPrintable(failure));
        }
    }

    void decodes_data()
    {
        QTest::addColumn<SjisString>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("controls-as-they-are") << B("\x1a\x1c\x82\xa0\x7f") << QStringLiteral("\x1a\x1c\u3042\x7f");
        QTest::newRow("tilde-backslash") << B("~\\") << QStringLiteral("~\\");
        QTest::newRow("hiragana") << B("\x82\xa0") << QStringLiteral("\u3042");
        QTest::newRow("trail-5c") << B("\x95\x5c") << QStringLiteral("\u8868");
        QTest::newRow("half-width-katakana") << B("\xb1\xdf") << QStringLiteral("\uff71\uff9f");
        QTest::newRow("user-defined-area") << B("\xf0\x40") << QStringLiteral("\ue000");
        QTest::newRow("ibm-kanji") << B("\xfa\x5c") << QStringLiteral("\u7e8a");
        QTest::newRow("row-2-symbol") << B("\x81\xe0") << QStringLiteral("\u2252");
        // Duplicates whose character encodes to another code keep their bytes.
        QTest::newRow("nec-row-13-duplicate") << B("\x87\x90") << CodePoint(0xF8790);
        QTest::newRow("nec-selected-ibm-kanji") << B("\xed\x40") << CodePoint(0xFED40);
        QTest::newRow("unassigned-pair") << B("\x85\x40") << CodePoint(0xF8540);
        QTest::newRow("stray-bytes") << B("\x80\xff") << CodePoint(0xF0080) + CodePoint(0xF00FF);
        QTest::newRow("lead-at-end") << B("a\x82") << QStringLiteral("a") + CodePoint(0xF0082);
        QTest::newRow("lead-before-control") << B("\x82\n") << CodePoint(0xF0082) + QStringLiteral("\n");
    }
    void decodes()
    {
        QFETCH(SjisString, bytes);
        QFETCH(QString, text);
        QCOMPARE(TextCodec::ToUnicode(bytes), text);
    }

    // Text a user types or pastes: characters without a code are refused by
    // the strict encoder and become references in bodies.
    void encodes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("unencodable"); // empty: all encodable
        QTest::addColumn<SjisString>("withReferences");
        QTest::newRow("ascii-controls") << QStringLiteral("\x1a\x7f") << QString() << B("\x1a\x7f");
        QTest::newRow("japanese") << QStringLiteral("a\u3042\uff71") << QString() << B("a\x82\xa0\xb1");
        QTest::newRow("emoji") << QStringLiteral("a\U0001F600b") << QStringLiteral("\U0001F600") << B("a&#x1F600;b");
        QTest::newRow("yen-sign") << QStringLiteral("\u00a5") << QStringLiteral("\u00a5") << B("&#xA5;");
        QTest::newRow("replacement-character") << QStringLiteral("\ufffd") << QStringLiteral("\ufffd") << B("&#xFFFD;");
        QTest::newRow("lone-surrogate") << QString(QChar(0xD800)) << QString(QChar(0xD800)) << B("&#xD800;");
        QTest::newRow("stand-in-byte") << CodePoint(0xF0080) << QString() << B("\x80");
        QTest::newRow("plane-15-not-a-stand-in") << CodePoint(0xF0041) << CodePoint(0xF0041) << B("&#xF0041;");
    }
    void encodes()
    {
        QFETCH(QString, text);
        QFETCH(QString, unencodable);
        QFETCH(SjisString, withReferences);
        QCOMPARE(TextCodec::FromUnicodeWithReferences(text), withReferences);
        QCOMPARE(TextCodec::FirstUnencodable(text).value_or(QString()), unencodable);
        QCOMPARE(TextCodec::FromUnicodeStrict(text).has_value(), unencodable.isEmpty());
        if (unencodable.isEmpty())
            QCOMPARE(*TextCodec::FromUnicodeStrict(text), withReferences);
    }
};

QTEST_APPLESS_MAIN(TestTextCodec)
#include "tst_textcodec.moc"
