// A text converted a block at a time gives, byte for byte, what the
// whole-text routine gives, for every block size from 1 to 64 bytes and the
// production size: characters, escapes, CR LF and Base64 groups split at any
// byte, ISO-2022-JP's mode carried over, the detection deciding late. On a
// processor with AVX-512 the Shift_JIS converters run twice, once on its
// 64-byte vectors and once on the SSE2 chunks.
#include "publish/Jconvert.h"
#include "publish/JconvertSjisWide.h"
#include "publish/JconvertStream.h"

#include <QTest>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

struct Routine {
    std::function<JconvertStream()> stream;
    std::function<std::string(std::string_view)> whole;
};

std::vector<Routine>& Routines()
{
    static std::vector<Routine> routines;
    return routines;
}

// Seeded random text in the style of one code (0 Shift_JIS, 1 EUC-JP,
// 2 ISO-2022-JP), with half-width katakana and voiced marks, every kind of
// line break, bytes that are invalid in any code, and now and then an ASCII
// head longer than the detection's binary test.
std::string RandomText(std::mt19937& random, int style, std::size_t minLength = 0)
{
    auto byte = [&random](int low, int high) { return char(low + int(random() % unsigned(high - low + 1))); };
    std::string text;
    if (random() % 4 == 0)
        text.append(400 + random() % 400, 'a');
    const std::size_t length = minLength + random() % 600;
    while (text.size() < length) {
        switch (random() % 12) {
        case 0: text += "\r\n"; break;
        case 1: text += random() % 2 ? "\r" : "\n"; break;
        case 2: text += byte(0x20, 0x7E); break;
        case 3: { // half-width katakana and a mark, in EUC-JP each after 0x8E
            const std::string prefix = style == 1 ? "\x8e" : "";
            text += prefix + byte(0xA1, 0xDF) + prefix + (random() % 2 ? "\xde" : "\xdf");
            break;
        }
        case 4: text += byte(0, 0xFF); break;                                             // anything
        case 5:
            if (style == 2)
                text += random() % 2 ? "\x1b$B" : random() % 2 ? "\x1b(B" : "\x1b(J";
            else
                text += '\x8e', text += byte(0xA1, 0xDF); // EUC-JP katakana, or a lead
            break;
        default:
            if (style == 0) {
                text += byte(0x81, 0x9F), text += byte(0x40, 0xFC);
            } else if (style == 1) {
                text += byte(0xA1, 0xFE), text += byte(0xA1, 0xFE);
            } else {
                text += byte(0x21, 0x7E), text += byte(0x21, 0x7E);
            }
        }
    }
    return text;
}

QByteArray Bytes(const std::string& s)
{
    return QByteArray(s.data(), qsizetype(s.size()));
}

} // namespace

class TestJconvertStream : public QObject {
    Q_OBJECT

private slots:
    void streamedEqualsWhole_data();
    void streamedEqualsWhole();
};

void TestJconvertStream::streamedEqualsWhole_data()
{
    QTest::addColumn<int>("routine");
    auto add = [](const QString& name, std::function<JconvertStream()> stream,
                  std::function<std::string(std::string_view)> whole) {
        QTest::newRow(qPrintable(name)) << int(Routines().size());
        Routines().push_back({std::move(stream), std::move(whole)});
    };
    const std::pair<const char*, int> codes[] = {{"jis", CODE_JIS83}, {"euc", CODE_EUC}, {"sjis", CODE_SJIS}};
    for (auto [to, target] : codes) {
        add(QStringLiteral("detected-to-%1").arg(to), [target] { return JconvertStream::DetectedCode(target); },
            [target](std::string_view t) { return ConvertJCode(t, target); });
        for (auto [from, input] : codes)
            add(QStringLiteral("%1-to-%2").arg(from, to), [=] { return JconvertStream::Code(input, target); },
                [=](std::string_view t) { return StrictConvertJCode(t, input, target); });
    }
    const std::pair<const char*, int> kinds[] = {{"crlf", RC_CRLF}, {"cr", RC_CR}, {"lf", RC_LF}, {"none", RC_NONE}};
    for (auto [to, target] : kinds) {
        add(QStringLiteral("breaks-detected-to-%1").arg(to),
            [target] { return JconvertStream::DetectedLineBreaks(target); },
            [target](std::string_view t) { return ConvertReturnCode(t, target); });
        for (auto [from, input] : kinds)
            if (input != RC_NONE)
                add(QStringLiteral("breaks-%1-to-%2").arg(from, to),
                    [=] { return JconvertStream::LineBreaks(input, target); },
                    [=](std::string_view t) { return StrictConvertReturnCode(t, input, target); });
    }
    add(QStringLiteral("base64"), [] { return JconvertStream::Base64(); }, EncodeBase64);
}

void TestJconvertStream::streamedEqualsWhole()
{
    QFETCH(int, routine);
    const Routine& r = Routines()[std::size_t(routine)];
    std::vector<std::size_t> blockSizes;
    for (std::size_t size = 1; size <= 64; ++size)
        blockSizes.push_back(size);
    blockSizes.push_back(JconvertStream::BlockSize);

    jconvert::SetSjisWide(true);
    std::vector<bool> paths = {jconvert::SjisWideEnabled()};
    if (paths[0])
        paths.push_back(false);
    for (bool wide : paths) {
        jconvert::SetSjisWide(wide);
        std::mt19937 random(20261209);
        for (int n = 0; n < 170; ++n) {
            // The last texts span several of the converters' 4 KiB chunks,
            // which only long input reaches; small blocks go character by character.
            const bool isLong = n >= 150;
            const std::string text = RandomText(random, n % 3, isLong ? 9000 + random() % 9000 : 0);
            const std::string whole = r.whole(text);
            for (std::size_t blockSize : blockSizes) {
                if (isLong && blockSize % 16 != 7 && blockSize != JconvertStream::BlockSize)
                    continue; // a few sizes are enough to cross every chunk boundary
                std::string streamed;
                const JconvertStream::Sink sink = [&streamed](std::string_view out) { streamed += out; };
                JconvertStream stream = r.stream();
                for (std::size_t at = 0; at < text.size(); at += blockSize)
                    stream.Feed(std::string_view(text).substr(at, blockSize), sink);
                stream.Finish(sink);
                if (streamed != whole) {
                    const std::size_t at = std::size_t(
                        std::mismatch(streamed.begin(), streamed.end(), whole.begin(), whole.end()).first -
                        streamed.begin());
                    jconvert::SetSjisWide(true);
                    QFAIL(qPrintable(
                        QStringLiteral("%1text %2 (%3), blocks of %4: output differs at byte %5: %6 vs %7")
                            .arg(wide ? "AVX-512, " : "").arg(n).arg(QString(Bytes(text).toHex()))
                            .arg(blockSize).arg(at)
                            .arg(QString(Bytes(streamed.substr(at, 8)).toHex()),
                                 QString(Bytes(whole.substr(at, 8)).toHex()))));
                }
            }
        }
    }
    jconvert::SetSjisWide(true);
}

QTEST_APPLESS_MAIN(TestJconvertStream)
#include "tst_jconvertstream.moc"
