// Nodes copied in one process and pasted in another, through the real X
// clipboard: the second process is this program again, started with
// --paste-to FILE, which writes what it pasted as a page file.
#include "document/PageFile.h"
#include "page/NodeClipboard.h"
#include "publish/HtmlGenerator.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace std::string_literals;

namespace {

QByteArray PageOf(std::vector<std::unique_ptr<Node>> nodes)
{
    Page page;
    for (auto& node : nodes)
        page.PutNode(std::move(node), {nullptr, int(page.topLevelNodes().size())});
    return PageFileBytes(ImageOfPage(page)).value_or(QByteArray());
}

int PasteTo(const QString& path)
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasFormat(NodeClipboard::NodesMimeType)) {
        qWarning("no nodes on the clipboard");
        return 1;
    }
    NodeClipboard::Pasted pasted = NodeClipboard::Paste(*data);
    QFile file(path);
    if (!pasted.error.isEmpty() || !file.open(QIODevice::WriteOnly))
        return 1;
    file.write(PageOf(std::move(pasted.nodes)));
    return 0;
}

} // namespace

class TestClipboardTransfer : public QObject {
    Q_OBJECT
private slots:
    void anotherProcessPastesTheSameBytes();
};

void TestClipboardTransfer::anotherProcessPastesTheSameBytes()
{
    // Every byte but the page file's terminator, in a body and in a name,
    // most of them no valid Shift_JIS; a lead byte ends the body.
    SjisString everyByte;
    for (int b = 0; b < 0xFF; ++b)
        everyByte += char(b);
    Page page;
    page.PutNode(std::make_unique<Node>("top\x80\xa0\xfd\xfe"), {});
    Node* top = page.topLevelNodes().front().get();
    top->record() = {everyByte + "\x81", false, true, false, 12, 3};
    page.PutNode(std::make_unique<Node>("child\x82"), {top, 0});
    top->child(0)->record().Body = "\r\n\x81\x39\0end"s;
    const QByteArray expected = PageFileBytes(ImageOfPage(page)).value();

    QGuiApplication::clipboard()->setMimeData(NodeClipboard::Copy({top}, {}).data.release());
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("pasted.data"));
    QProcess paster;
    paster.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    paster.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--paste-to"), out});
    // The clipboard's owner answers the other process from its event loop.
    QTRY_COMPARE_WITH_TIMEOUT(paster.state(), QProcess::NotRunning, 60000);
    QCOMPARE(paster.exitStatus(), QProcess::NormalExit);
    QCOMPARE(paster.exitCode(), 0);
    QFile pasted(out);
    QVERIFY(pasted.open(QIODevice::ReadOnly));
    QCOMPARE(pasted.readAll(), expected);
}

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    if (argc == 3 && QByteArrayView(argv[1]) == "--paste-to")
        return PasteTo(QString::fromLocal8Bit(argv[2]));
    TestClipboardTransfer test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_clipboardtransfer.moc"
