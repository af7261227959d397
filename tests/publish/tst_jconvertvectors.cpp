// Byte vectors for the character-code unit: detection, each converter, the
// dispatch, line breaks, Base64 and MIME headers.
#include "publish/Jconvert.h"

#include <QTest>

#include <map>
#include <string>

namespace {

// Bytes of a literal, embedded NULs included.
template <std::size_t N>
QByteArray B(const char (&s)[N])
{
    return QByteArray(s, N - 1);
}

std::string_view View(const QByteArray& bytes)
{
    return std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QByteArray Bytes(const std::string& s)
{
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

using Converter = std::string (*)(std::string_view);

const std::map<QString, Converter>& Converters()
{
    static const std::map<QString, Converter> converters = {
        {"jis2euc", jis2euc},     {"jis2sjis", jis2sjis},     {"euc2sjis", euc2sjis},
        {"sjis2euc", sjis2euc},   {"euc2jis83", euc2jis83},   {"sjis2jis83", sjis2jis83},
    };
    return converters;
}

} // namespace

class TestJconvert : public QObject {
    Q_OBJECT

private slots:
    void detectsCode_data();
    void detectsCode();
    void binaryTestCoversOnlyStrictCheckLen();

    void converts_data();
    void converts();
    void emptyTextConvertsToEmpty();

    void pairArithmetic_data();
    void pairArithmetic();
    void pairArithmeticWrapsOnBytes();

    void dispatches_data();
    void dispatches();

    void detectsLineBreak_data();
    void detectsLineBreak();
    void convertsLineBreaks_data();
    void convertsLineBreaks();

    void encodesBase64_data();
    void encodesBase64();
    void createsHeaderString_data();
    void createsHeaderString();
};

void TestJconvert::detectsCode_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("code");

    QTest::newRow("empty") << B("") << CODE_ASCII;
    QTest::newRow("one-byte-never-examined") << B("\xff") << CODE_ASCII;
    QTest::newRow("ascii") << B("Hello, world\r\n") << CODE_ASCII;
    QTest::newRow("last-byte-never-a-step") << B("a\x82") << CODE_ASCII;
    QTest::newRow("80-a0-unchanged") << B("\x80\xa0" "a") << CODE_ASCII;
    QTest::newRow("bel-after-sjis") << B("\x82\xa0\x07" "a") << CODE_BINARY;
    QTest::newRow("ff-early") << B("ab\xff" "cd") << CODE_BINARY;
    QTest::newRow("nul-early") << B("ab\0cd") << CODE_BINARY;
    QTest::newRow("jis83") << B("\x1b$B$\"\x1b(B") << CODE_JIS83;
    QTest::newRow("jis78") << B("\x1b$@$\"\x1b(J") << CODE_JIS78;
    QTest::newRow("esc-paren-only") << B("\x1b(Jabc") << CODE_ASCII;
    QTest::newRow("esc-dollar-cut-short") << B("a\x1b$") << CODE_ASCII;
    QTest::newRow("sjis-hiragana") << B("a\x82\xa0" "b") << CODE_SJIS;
    QTest::newRow("sjis-lead-9f") << B("\x9f\x40") << CODE_SJIS;
    QTest::newRow("euc-lead-f0") << B("\xf0\xa1") << CODE_EUC;
    QTest::newRow("euc-trail-f0") << B("\xb0\xf5") << CODE_EUC;
    QTest::newRow("euc-kanji-undecided") << B("\xa4\xa2\xa4\xa4") << CODE_EUC_OR_SJIS;
    QTest::newRow("hankaku-pairs-undecided") << B("\xb1\xb2\xb3\xb4") << CODE_EUC_OR_SJIS;
    QTest::newRow("hankaku-then-ascii") << B("\xb1" "a") << CODE_SJIS;
    QTest::newRow("hankaku-then-ff") << B("\xb1\xff") << CODE_ASCII;
    QTest::newRow("8e-sjis-trail") << B("\x8e\x40") << CODE_SJIS;
    QTest::newRow("8e-hankaku-undecided") << B("\x8e\xb1" "a") << CODE_EUC_OR_SJIS;
    QTest::newRow("e0-sjis-trail") << B("\xe0\x40" "a") << CODE_SJIS;
    QTest::newRow("e0-fd-euc") << B("\xe0\xfd" "a") << CODE_EUC;
    QTest::newRow("e0-undecided") << B("\xe0\xa1" "a") << CODE_EUC_OR_SJIS;
    QTest::newRow("lookahead-finds-sjis") << B("\xb1\xe0\xa1\x85" "a") << CODE_SJIS;
    QTest::newRow("lookahead-finds-euc") << B("\xb1\xe0\xa1\xfe" "a") << CODE_EUC;
    QTest::newRow("lookahead-undecided") << B("\xb1\xe0\xa1\xa1") << CODE_EUC_OR_SJIS;
    // The byte that ends the look-ahead is not the start of a step.
    QTest::newRow("lookahead-skips-its-end") << B("\xb1\xe0\x1b$B") << CODE_EUC_OR_SJIS;
    QTest::newRow("undecided-then-sjis") << B("\xb1\xb2\x82\xa0") << CODE_SJIS;

    QByteArray late = B("\x82\xa0") + QByteArray(598, 'a') + B("\x07" "b");
    QTest::newRow("bel-at-600-after-sjis") << late << CODE_SJIS;
    QByteArray lateBinary = QByteArray(600, 'a') + B("\x01" "b");
    QTest::newRow("nul-beyond-check-len-in-scan") << lateBinary << CODE_BINARY;
}

void TestJconvert::detectsCode()
{
    QFETCH(QByteArray, text);
    QFETCH(int, code);
    QCOMPARE(InCodeCheck(View(text)), code);
}

void TestJconvert::binaryTestCoversOnlyStrictCheckLen()
{
    const QByteArray text = B("abc\x82\xa0\x07" "x");
    QCOMPARE(STRICT_CHECK_LEN, 512);
    QCOMPARE(InCodeCheck(View(text)), CODE_BINARY);
    STRICT_CHECK_LEN = 4;
    const int shortCheck = InCodeCheck(View(text));
    STRICT_CHECK_LEN = 512;
    QCOMPARE(shortCheck, CODE_SJIS);
}

void TestJconvert::converts_data()
{
    QTest::addColumn<QString>("routine");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("output");

    // Shift_JIS -> ISO-2022-JP
    QTest::newRow("sjis-hiragana-between-ascii") << "sjis2jis83" << B("a\x82\xa0" "b") << B("a\x1b$B$\"\x1b(Bb");
    QTest::newRow("sjis-ends-in-two-byte") << "sjis2jis83" << B("\x82\xa0\x82\xa2") << B("\x1b$B$\"$$\x1b(B");
    QTest::newRow("sjis-line-break-leaves-two-byte")
        << "sjis2jis83" << B("\x82\xa0\r\n\x82\xa2") << B("\x1b$B$\"\x1b(B\r\n\x1b$B$$\x1b(B");
    QTest::newRow("sjis-hankaku-voiced") << "sjis2jis83" << B("\xb6\xde") << B("\x1b$B%,\x1b(B");
    QTest::newRow("sjis-hankaku-semivoiced") << "sjis2jis83" << B("\xca\xdf") << B("\x1b$B%Q\x1b(B");
    QTest::newRow("sjis-hankaku-ha-voiced") << "sjis2jis83" << B("\xca\xde") << B("\x1b$B%P\x1b(B");
    QTest::newRow("sjis-hankaku-to-voiced") << "sjis2jis83" << B("\xc4\xde") << B("\x1b$B%I\x1b(B");
    QTest::newRow("sjis-hankaku-vu") << "sjis2jis83" << B("\xb3\xde") << B("\x1b$B%t\x1b(B");
    QTest::newRow("sjis-hankaku-mark-not-merged") << "sjis2jis83" << B("\xb1\xde") << B("\x1b$B%\"!+\x1b(B");
    QTest::newRow("sjis-hankaku-na-voiced-not-merged") << "sjis2jis83" << B("\xc5\xde") << B("\x1b$B%J!+\x1b(B");
    QTest::newRow("sjis-hankaku-ka-semivoiced-not-merged")
        << "sjis2jis83" << B("\xb6\xdf") << B("\x1b$B%+!,\x1b(B");
    QTest::newRow("sjis-hankaku-marks-alone") << "sjis2jis83" << B("\xde\xdf") << B("\x1b$B!+!,\x1b(B");
    QTest::newRow("sjis-hankaku-symbols")
        << "sjis2jis83" << B("\xa1\xa2\xa3\xa4\xa5\xb0") << B("\x1b$B!#!V!W!\"!&!<\x1b(B");
    QTest::newRow("sjis-hankaku-wo-small-a-tsu-n")
        << "sjis2jis83" << B("\xa6\xa7\xaf\xdd") << B("\x1b$B%r%!%C%s\x1b(B");
    QTest::newRow("sjis-hankaku-mixed-with-kanji")
        << "sjis2jis83" << B("\x88\x9f\xb6\xde" "x") << B("\x1b$B0!%,\x1b(Bx");
    QTest::newRow("sjis-lead-on-last-byte") << "sjis2jis83" << B("a\x82") << B("a\x1b$B#\xe1\x1b(B");
    QTest::newRow("sjis-esc-copied-in-one-byte") << "sjis2jis83" << B("\x1b" "a") << B("\x1b" "a");

    // EUC-JP -> ISO-2022-JP
    QTest::newRow("euc-hiragana") << "euc2jis83" << B("a\xa4\xa2\n") << B("a\x1b$B$\"\x1b(B\n");
    QTest::newRow("euc-hankaku-voiced") << "euc2jis83" << B("\x8e\xb6\x8e\xde") << B("\x1b$B%,\x1b(B");
    QTest::newRow("euc-hankaku-semivoiced") << "euc2jis83" << B("\x8e\xca\x8e\xdf") << B("\x1b$B%Q\x1b(B");
    QTest::newRow("euc-hankaku-mark-not-merged")
        << "euc2jis83" << B("\x8e\xb1\x8e\xde") << B("\x1b$B%\"!+\x1b(B");
    QTest::newRow("euc-hankaku-then-kanji") << "euc2jis83" << B("\x8e\xb6\xb0\xa1") << B("\x1b$B%+0!\x1b(B");
    QTest::newRow("euc-lead-on-last-byte") << "euc2jis83" << B("\xa4") << B("\x1b$B$\0\x1b(B");
    QTest::newRow("euc-three-byte-form-as-pairs")
        << "euc2jis83" << B("\x8f\xa2\xaf") << B("\x1b$B\x0f\"/\0\x1b(B");
    QTest::newRow("euc-8e-without-kana-is-a-pair") << "euc2jis83" << B("\x8e\x41") << B("\x1b$B\x0e\x41\x1b(B");
    QTest::newRow("euc-8e-on-last-byte") << "euc2jis83" << B("\x8e") << B("\x1b$B\x0e\0\x1b(B");

    // Shift_JIS <-> EUC-JP
    QTest::newRow("sjis-to-euc") << "sjis2euc" << B("a\x82\xa0\x88\x9f" "b") << B("a\xa4\xa2\xb0\xa1" "b");
    QTest::newRow("sjis-hankaku-to-euc") << "sjis2euc" << B("\xb1\xde") << B("\x8e\xb1\x8e\xde");
    QTest::newRow("sjis-to-euc-lead-on-last-byte") << "sjis2euc" << B("\x82") << B("\xa3\xe1");
    QTest::newRow("euc-to-sjis") << "euc2sjis" << B("a\xa4\xa2\xb0\xa1" "b") << B("a\x82\xa0\x88\x9f" "b");
    QTest::newRow("euc-hankaku-to-sjis") << "euc2sjis" << B("\x8e\xb1\x8e\xde") << B("\xb1\xde");
    QTest::newRow("euc-80-ff-copied") << "euc2sjis" << B("\x80\xff") << B("\x80\xff");
    QTest::newRow("euc-8e-on-last-byte") << "euc2sjis" << B("a\x8e") << B("a\0");
    QTest::newRow("euc-three-byte-form-as-pairs") << "euc2sjis" << B("\x8f\xa2\xaf") << B("xA\x88\x1f");

    // ISO-2022-JP -> EUC-JP and Shift_JIS; every ESC ( x returns to one-byte mode
    QTest::newRow("jis-to-euc") << "jis2euc" << B("a\x1b$B$\"0!\x1b(Jb") << B("a\xa4\xa2\xb0\xa1" "b");
    QTest::newRow("jis-to-euc-controls-copied") << "jis2euc" << B("\x1b$B$\"\r\n") << B("\xa4\xa2\r\n");
    QTest::newRow("jis-to-euc-esc-paren-b") << "jis2euc" << B("\x1b$B$\"\x1b(B" "b") << B("\xa4\xa2" "b");
    QTest::newRow("jis-to-euc-unknown-escape-keeps-mode") << "jis2euc" << B("\x1b$B$\"\x1bKLM") << B("\xa4\xa2\xcd");
    QTest::newRow("jis-to-euc-byte-after-escape-is-data") << "jis2euc" << B("\x1b$B\x1b(J") << B("\x1b\xa8\xca");
    QTest::newRow("jis-escape-ends-text") << "jis2euc" << B("ab\x1b(B") << B("ab");
    QTest::newRow("jis-escape-cut-short") << "jis2euc" << B("ab\x1b$") << B("ab");
    QTest::newRow("jis-to-sjis") << "jis2sjis" << B("a\x1b$B$\"0!\x1b(Jb") << B("a\x82\xa0\x88\x9f" "b");
    QTest::newRow("jis78-to-sjis") << "jis2sjis" << B("\x1b$@$\"\x1b(J") << B("\x82\xa0");
    QTest::newRow("jis-to-sjis-odd-byte-at-end") << "jis2sjis" << B("\x1b$B$") << B("\x82\x7e");
    QTest::newRow("jis-to-sjis-escape-cut-short") << "jis2sjis" << B("\x1b$B$\"\x1b(") << B("\x82\xa0");
}

void TestJconvert::converts()
{
    QFETCH(QString, routine);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, output);
    QVERIFY(Converters().count(routine));
    QCOMPARE(Bytes(Converters().at(routine)(View(input))), output);
}

void TestJconvert::emptyTextConvertsToEmpty()
{
    for (const auto& [name, convert] : Converters())
        QVERIFY2(convert({}).empty(), qPrintable(name));
    for (int target : {CODE_JIS83, CODE_EUC, CODE_SJIS})
        QVERIFY(ConvertJCode({}, target).empty());
    QVERIFY(ConvertReturnCode({}, RC_LF).empty());
    QCOMPARE(ReturnCodeCheck({}), RC_NONE);
    QVERIFY(CreateHeaderString({}).empty());
}

void TestJconvert::pairArithmetic_data()
{
    QTest::addColumn<int>("j1");
    QTest::addColumn<int>("j2");
    QTest::addColumn<int>("s1");
    QTest::addColumn<int>("s2");

    QTest::newRow("ideographic-space") << 0x21 << 0x21 << 0x81 << 0x40;
    QTest::newRow("odd-row-below-7f") << 0x21 << 0x5F << 0x81 << 0x7E;
    QTest::newRow("odd-row-skips-7f") << 0x21 << 0x60 << 0x81 << 0x80;
    QTest::newRow("odd-row-last") << 0x21 << 0x7E << 0x81 << 0x9E;
    QTest::newRow("even-row-first") << 0x22 << 0x21 << 0x81 << 0x9F;
    QTest::newRow("even-row-last") << 0x22 << 0x7E << 0x81 << 0xFC;
    QTest::newRow("hiragana-a") << 0x24 << 0x22 << 0x82 << 0xA0;
    QTest::newRow("kanji-a") << 0x30 << 0x21 << 0x88 << 0x9F;
    QTest::newRow("row-62-last") << 0x5E << 0x7E << 0x9F << 0xFC;
    QTest::newRow("row-63-first") << 0x5F << 0x21 << 0xE0 << 0x40;
    QTest::newRow("row-84") << 0x74 << 0x26 << 0xEA << 0xA4;
    QTest::newRow("row-94-last") << 0x7E << 0x7E << 0xEF << 0xFC;
}

void TestJconvert::pairArithmetic()
{
    QFETCH(int, j1);
    QFETCH(int, j2);
    QFETCH(int, s1);
    QFETCH(int, s2);
    const QByteArray jis = QByteArray(1, char(j1)) + char(j2);
    const QByteArray sjis = QByteArray(1, char(s1)) + char(s2);
    using Byte = unsigned char;
    QCOMPARE(Bytes(ToSjis(Byte(j1), Byte(j2))), sjis);
    QCOMPARE(Bytes(ToJis(Byte(s1), Byte(s2))), jis);
}

void TestJconvert::pairArithmeticWrapsOnBytes()
{
    QCOMPARE(Bytes(ToSjis(0xFF, 0xFF)), B("\xb0\x1f"));
    QCOMPARE(Bytes(ToSjis(0x00, 0x00)), B("\x70\x7e"));
    QCOMPARE(Bytes(ToJis(0x00, 0x00)), B("\x1f\xe1"));
    QCOMPARE(Bytes(ToJis(0xFF, 0xFF)), B("\x9e\x81"));
}

void TestJconvert::dispatches_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("input"); // -1: detected
    QTest::addColumn<int>("target");
    QTest::addColumn<QByteArray>("output");

    const QByteArray sjis = B("a\x82\xa0\xe9\x9f" "b");
    const QByteArray euc = B("a\xa4\xa2\xf2\xa1" "b");
    const QByteArray jis = B("a\x1b$B$\"r!\x1b(Bb");
    QTest::newRow("sjis-to-jis") << sjis << -1 << CODE_JIS83 << jis;
    QTest::newRow("sjis-to-euc") << sjis << -1 << CODE_EUC << euc;
    QTest::newRow("sjis-to-sjis-unchanged") << sjis << -1 << CODE_SJIS << sjis;
    QTest::newRow("euc-to-sjis") << euc << -1 << CODE_SJIS << sjis;
    QTest::newRow("euc-to-jis") << euc << -1 << CODE_JIS83 << jis;
    QTest::newRow("jis-to-sjis") << jis << -1 << CODE_SJIS << sjis;
    QTest::newRow("jis-to-euc") << jis << -1 << CODE_EUC << euc;
    QTest::newRow("jis-to-jis-unchanged") << jis << -1 << CODE_JIS83 << jis;
    QTest::newRow("jis78-to-jis83-unchanged") << B("\x1b$@$\"") << -1 << CODE_JIS83 << B("\x1b$@$\"");
    QTest::newRow("undecided-unchanged") << B("\xb1\xb2\xb3\xb4") << -1 << CODE_JIS83 << B("\xb1\xb2\xb3\xb4");
    QTest::newRow("binary-unchanged") << B("\x82\xa0\x07" "a") << -1 << CODE_EUC << B("\x82\xa0\x07" "a");
    QTest::newRow("ascii-unchanged") << B("abc") << -1 << CODE_JIS83 << B("abc");
    QTest::newRow("other-target-unchanged") << sjis << -1 << CODE_JIS78 << sjis;
    QTest::newRow("strict-sjis-taken-as-euc") << sjis << CODE_EUC << CODE_SJIS << Bytes(euc2sjis(View(sjis)));
    QTest::newRow("strict-undecided-unchanged") << sjis << CODE_EUC_OR_SJIS << CODE_JIS83 << sjis;
    QTest::newRow("strict-unknown-input-gives-nothing") << sjis << 7 << CODE_JIS83 << QByteArray();
    QTest::newRow("strict-unknown-input-other-target") << sjis << 7 << CODE_ASCII << sjis;
}

void TestJconvert::dispatches()
{
    QFETCH(QByteArray, text);
    QFETCH(int, input);
    QFETCH(int, target);
    QFETCH(QByteArray, output);
    const std::string converted =
        input < 0 ? ConvertJCode(View(text), target) : StrictConvertJCode(View(text), input, target);
    QCOMPARE(Bytes(converted), output);
}

void TestJconvert::detectsLineBreak_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("kind");
    QTest::newRow("none") << B("abc") << RC_NONE;
    QTest::newRow("crlf") << B("a\r\n" "b") << RC_CRLF;
    QTest::newRow("crlf-ends-text") << B("a\r\n") << RC_CRLF;
    QTest::newRow("cr-ends-text") << B("a\r") << RC_CR;
    QTest::newRow("cr") << B("a\rb\r\n") << RC_CR;
    QTest::newRow("lf-first") << B("a\n\r\n") << RC_LF;
}

void TestJconvert::detectsLineBreak()
{
    QFETCH(QByteArray, text);
    QFETCH(int, kind);
    QCOMPARE(ReturnCodeCheck(View(text)), kind);
}

void TestJconvert::convertsLineBreaks_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("input"); // -1: detected
    QTest::addColumn<int>("target");
    QTest::addColumn<QByteArray>("output");

    QTest::newRow("crlf-to-lf") << B("a\r\nb\r\n") << -1 << RC_LF << B("a\nb\n");
    QTest::newRow("crlf-to-cr") << B("a\r\nb") << -1 << RC_CR << B("a\rb");
    QTest::newRow("crlf-lone-cr-kept") << B("a\r\nb\rc") << -1 << RC_LF << B("a\nb\rc");
    QTest::newRow("cr-to-crlf") << B("a\rb\r") << -1 << RC_CRLF << B("a\r\nb\r\n");
    QTest::newRow("cr-keeps-crlf") << B("a\rb\r\nc") << -1 << RC_LF << B("a\nb\r\nc");
    QTest::newRow("lf-to-crlf") << B("a\nb\n") << -1 << RC_CRLF << B("a\r\nb\r\n");
    QTest::newRow("lf-keeps-crlf") << B("a\nb\r\nc") << -1 << RC_CR << B("a\rb\r\nc");
    QTest::newRow("lf-blank-lines") << B("\n\n") << -1 << RC_CR << B("\r\r");
    QTest::newRow("same-kind-unchanged") << B("a\r\n") << -1 << RC_CRLF << B("a\r\n");
    QTest::newRow("no-break-unchanged") << B("abc") << -1 << RC_LF << B("abc");
    QTest::newRow("other-target-removes") << B("a\r\nb\r\n") << -1 << RC_NONE << B("ab");
    QTest::newRow("strict-lf-in-crlf-text") << B("a\r\nb\nc") << RC_LF << RC_CR << B("a\r\nb\rc");
    QTest::newRow("strict-none-unchanged") << B("a\r\n") << RC_NONE << RC_LF << B("a\r\n");
    QTest::newRow("strict-unknown-unchanged") << B("a\r\n") << 9 << RC_LF << B("a\r\n");
}

void TestJconvert::convertsLineBreaks()
{
    QFETCH(QByteArray, text);
    QFETCH(int, input);
    QFETCH(int, target);
    QFETCH(QByteArray, output);
    const std::string converted = input < 0 ? ConvertReturnCode(View(text), target)
                                            : StrictConvertReturnCode(View(text), input, target);
    QCOMPARE(Bytes(converted), output);
}

void TestJconvert::encodesBase64_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("empty") << B("") << B("");
    QTest::newRow("one") << B("a") << B("YQ==");
    QTest::newRow("two") << B("ab") << B("YWI=");
    QTest::newRow("three") << B("abc") << B("YWJj");
    QTest::newRow("six") << B("Man is") << B("TWFuIGlz");
    QTest::newRow("high-bytes") << B("\xff\xfe\xfd") << B("//79");
    QTest::newRow("nul") << B("\0") << B("AA==");
}

void TestJconvert::encodesBase64()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, text);
    QCOMPARE(Bytes(EncodeBase64(View(bytes))), text);
}

void TestJconvert::createsHeaderString_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QByteArray>("encoded");
    QTest::newRow("ascii-unchanged") << B("Subject: hello") << B("Subject: hello");
    QTest::newRow("one-run") << B("Subject: \x82\xa0\x82\xa2 x")
                             << B("Subject: =?ISO-2022-JP?B?GyRCJCIkJBsoQg==?= x");
    QTest::newRow("two-runs")
        << B("\x82\xa0 \x82\xa0") << B("=?ISO-2022-JP?B?GyRCJCIbKEI=?= =?ISO-2022-JP?B?GyRCJCIbKEI=?=");
    QTest::newRow("hankaku-copied") << B("\xb1\x82\xa0") << B("\xb1=?ISO-2022-JP?B?GyRCJCIbKEI=?=");
    QTest::newRow("lead-on-last-byte") << B("a\x82") << B("a=?ISO-2022-JP?B?GyRCI+EbKEI=?=");
}

void TestJconvert::createsHeaderString()
{
    QFETCH(QByteArray, header);
    QFETCH(QByteArray, encoded);
    QCOMPARE(Bytes(CreateHeaderString(View(header))), encoded);
}

QTEST_APPLESS_MAIN(TestJconvert)
#include "tst_jconvertvectors.moc"
