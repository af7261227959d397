// The program as a user meets it through its menus: the first run, a run
// that restores the last one, saving, opening, damaged files, the upload
// queue, recent files, dropped files and unsaved changes.
#include "app/CommandLine.h"
#include "app/DesktopOpener.h"
#include "app/OutlineModel.h"
#include "app/TformMain.h"
#include "page/PageDocument.h"
#include "common/ModalAnswer.h"
#include "controls/TOpenFileHistories.h"
#include "document/PageFile.h"
#include "document/PagePaths.h"
#include "document/TextCodec.h"
#include "editor/ColourEditor.h"
#include "settings/SettingsStore.h"
#include "ui_TformMain.h"
#include "upload/UploadStore.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QRegularExpression>
#include <QScreen>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <QWindow>

namespace {

SjisString Bytes(const QString& text) { return TextCodec::FromUnicodeWithReferences(text); }

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A page file made from a page, for the runs to open.
void WritePage(const QString& folder, const char* name, const std::function<void(Page&)>& fill)
{
    Page page;
    page.ResetPage({});
    page.Title = name;
    page.FileName = Bytes(folder + "/" + name + ".html");
    page.DatabasePath = Bytes(folder + "/");
    fill(page);
    PageFileContext context;
    QVERIFY(WritePageFile(page, context).ok());
}

// One run of the program: its stores in a temporary folder, its window.
struct Run {
    QString folder;
    QSettingsStore store;
    QSettingsStore recent;
    Settings settings;
    PageDocument document;
    Page& page = document.page();
    std::unique_ptr<TformMain> window;

    explicit Run(const QString& dir)
        : folder(dir), store(dir + "/QUIB.conf"), recent(dir + "/OFH.conf")
    {
        settings.ProgramFolder = Bytes(dir + "/program/");
        settings.StartFolder = Bytes(dir + "/start/");
        QDir().mkpath(dir + "/program");
        QDir().mkpath(dir + "/start");
    }
    ~Run()
    {
        if (window && window->isVisible()) {
            if (window->isModified())
                Answer(QMessageBox::Discard);
            window->close();
        }
    }
    void start(const QString& commandLine = QString())
    {
        window = std::make_unique<TformMain>(document, settings);
        window->setStores(&store, &recent);
        window->setCommandLineFile(commandLine);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    Ui::TformMain& ui() { return window->form(); }
    ColourEditor* editor() { return ui().RichEdit; }
    QStringList recentCaptions()
    {
        QStringList captions;
        const QList<QAction*> actions = ui().MainMenu_FO->actions();
        for (qsizetype i = actions.indexOf(ui().MainMenu_FO_Recent) + 1; i < actions.size(); ++i)
            captions << actions[i]->text();
        return captions;
    }
};

} // namespace

// Stands in for the desktop's "open": records what would have been opened.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

class TestShell : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString path(const QString& name) const { return dir_.filePath(name); }

private slots:
    void commandLineIsOnePath_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("file");
        QTest::newRow("none") << QStringList() << QString();
        QTest::newRow("plain") << QStringList{"/w/a.data"} << "/w/a.data";
        QTest::newRow("blanks-without-quotes") << QStringList{"/w/my", "page.data"} << "/w/my page.data";
        QTest::newRow("quoted") << QStringList{"\"/w/my", "page.data\""} << "/w/my page.data";
        QTest::newRow("lone-quote") << QStringList{"\""} << QString();
    }

    void commandLineIsOnePath()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, file);
        QCOMPARE(CommandLineFile(arguments), file);
    }

    void init()
    {
        QDir(dir_.path()).removeRecursively();
        QDir().mkpath(dir_.path());
    }

    void firstRunOpensCentredUntitledPage()
    {
        Run run(dir_.path());
        run.start();
        const QRect screen = run.window->screen()->availableGeometry();
        QCOMPARE(run.window->geometry().size(), QSize(638, 600));
        QCOMPARE(run.window->geometry().topLeft(),
                 QPoint((screen.width() - 638) / 2, (screen.height() - 600) / 2));
        QCOMPARE(run.page.Title, SjisString("Welcome to Tav Outliner 1.8"));
        QCOMPARE(run.page.FileName, run.settings.ProgramFolder + "untitled.html");
        QCOMPARE(run.page.DatabasePath, run.settings.ProgramFolder);
        QCOMPARE(run.page.Category, SjisString("Tav Outliner 1.8 Document"));
        QVERIFY(run.ui().MainMenu_TIR->isChecked());
        QVERIFY(run.ui().MainMenu_TIO->isChecked());
        QVERIFY(!run.ui().MainMenu_TS->isChecked());
        QVERIFY(!run.ui().MainMenu_FSR->isEnabled());
        QVERIFY(run.recentCaptions().isEmpty());
        QVERIFY(!run.window->isModified());
        QCOMPARE(run.window->windowTitle(), QStringLiteral("Welcome to Tav Outliner 1.8[*] - Tav Outliner"));
    }

    void secondRunRestoresTheFirst()
    {
        WritePage(dir_.path(), "last", [](Page& p) {
            Node* kept = p.AddChildNode(nullptr);
            p.RenameNode(kept, "kept node");
            p.RenameNode(p.AddChildNode(p.AddChildNode(kept)), "deep");
        });
        {
            Run first(dir_.path());
            first.start();
            first.window->setGeometry(40, 50, 700, 520);
            first.ui().MainMenu_TIR->setChecked(false);
            QVERIFY(first.window->OpenPage(path("last.data")));
            first.ui().MainMenu_TE->trigger(); // expand all
            first.window->selectNode(first.page.NodeAt(2));
            first.settings.BootOnAction = 0; // as the preferences would set it
            first.window->close();
        }
        QVERIFY(QFile::exists(path("OFH.conf")));
        Run second(dir_.path());
        second.start();
        QCOMPARE(second.window->geometry(), QRect(40, 50, 700, 520));
        QCOMPARE(second.page.Title, SjisString("last"));
        QCOMPARE(second.page.NodeCount(), 3);
        QCOMPARE(second.page.NodeAt(0)->name(), SjisString("kept node"));
        // Where the user left it: the deep node selected, its parents open.
        QCOMPARE(second.window->selectedNode(), second.page.NodeAt(2));
        QCOMPARE(second.window->boundNode(), second.page.NodeAt(2));
        QVERIFY(second.ui().TreeView->isExpanded(second.window->outlineModel().indexOf(second.page.NodeAt(1))));
        QVERIFY(!second.ui().MainMenu_TIR->isChecked());
        QCOMPARE(second.recentCaptions(), QStringList{"&0 " + QDir::toNativeSeparators(path("last.data"))});
    }

    void bootOnActionZeroWithoutTheFileKeepsTheNames()
    {
        {
            Run first(dir_.path());
            first.store.writeInteger("Preferences", "BootOnAction", 0);
            first.store.writeText(QString(), "LastTitle", "gone");
            first.store.writeText(QString(), "LastFileName", Bytes(path("gone.html")));
            first.store.writeText(QString(), "LastDatabasePath", Bytes(dir_.path() + "/"));
        }
        Run run(dir_.path());
        run.start();
        QCOMPARE(run.page.Title, SjisString("gone"));
        QCOMPARE(run.page.NodeCount(), 0);
    }

    void saveWritesPageFileHtmlAndQueue()
    {
        Run run(dir_.path());
        run.start();
        run.page.DatabasePath = Bytes(dir_.path() + "/");
        run.page.FileName = Bytes(path("out/euc.html"));
        QDir().mkpath(path("out"));
        run.page.CharacterSet = Charset::EucJp;
        run.page.Upload = true;
        run.ui().MainMenu_TIR->setChecked(false);
        run.ui().MainMenu_FNS->trigger();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return); // accept the new name
        run.window->selectNode(run.page.NodeAt(0));
        run.editor()->setFocus();
        QTest::keyClicks(run.editor(), QStringLiteral("saved "));
        QInputMethodEvent typed;
        typed.setCommitString(QString::fromUtf8("\xe3\x81\x82"));
        QApplication::sendEvent(run.editor(), &typed);
        QVERIFY(run.window->isModified());

        run.ui().MainMenu_FSS->trigger();
        QVERIFY(!run.window->isModified());
        QCOMPARE(run.window->statusBar()->currentMessage(), QStringLiteral("保存しました。"));
        const QByteArray pageFile = ReadFile(path("euc.data"));
        QVERIFY(pageFile.startsWith("Tav Outliner 1.4"));
        QVERIFY(pageFile.contains("saved \x82\xa0"));
        const QByteArray html = ReadFile(path("out/euc.html"));
        QVERIFY(html.contains("saved \xa4\xa2"));
        QVERIFY(html.contains("charset=euc-jp"));
        QVERIFY(html.endsWith("</Html>\r\n"));
        const std::vector<SjisString> queue = ReadUploadQueue(run.store);
        QCOMPARE(queue.size(), size_t(1));
        QCOMPARE(queue[0], Bytes(path("euc.data")));
        QCOMPARE(run.recentCaptions(), QStringList{"&0 " + path("euc.data")});

        // The next edit clears the message.
        QTest::keyClicks(run.editor(), QStringLiteral("x"));
        QVERIFY(run.window->statusBar()->currentMessage().isEmpty());
    }

    void saveSourceOnlyLeavesThePageFile()
    {
        Run run(dir_.path());
        run.start();
        run.page.DatabasePath = Bytes(dir_.path() + "/");
        run.page.FileName = "plain.html"; // no folder: the start folder
        run.page.CharacterSet = Charset::ShiftJis;
        run.ui().MainMenu_FSS->trigger();
        const QByteArray before = ReadFile(path("plain.data"));
        QVERIFY(!before.isEmpty());
        run.ui().MainMenu_FNC->trigger();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);

        run.ui().MainMenu_FSC->trigger();
        QCOMPARE(ReadFile(path("plain.data")), before);
        QCOMPARE(run.page.FileName, run.settings.StartFolder + "plain.html");
        QVERIFY(ReadFile(path("start/plain.html")).contains(TextCodec::Sjis("新しいノード").c_str()));
        QVERIFY(run.window->isModified()); // the page file still lacks the node
    }

    void openDialogOpensTheDataFileOfAnHtmlFile()
    {
        WritePage(dir_.path(), "x", [](Page& p) { p.RenameNode(p.AddChildNode(nullptr), "from x"); });
        QFile(path("x.html")).open(QIODevice::WriteOnly);
        Run run(dir_.path());
        run.start();
        QCOMPARE(run.window->openDialog()->windowTitle(), QStringLiteral("開く"));
        QCOMPARE(run.window->openDialog()->nameFilters(),
                 QStringList({QStringLiteral("ページファイル（*.data） (*.data)"), QStringLiteral("すべてのファイル（*.*） (*)")}));
        WhenModal<QFileDialog>([this](QFileDialog* dialog) {
            dialog->setDirectory(dir_.path());
            dialog->selectNameFilter(dialog->nameFilters().last());
            // As a user types the name into the dialog.
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(name);
            name->setText(path("x.html"));
            QMetaObject::invokeMethod(dialog, "accept");
        });
        // Never hang: a dialog still open then is closed. The window is the
        // context, so the timer dies with it should the test end first.
        QTimer::singleShot(5000, run.window.get(), [&run] { run.window->openDialog()->reject(); });
        run.ui().MainMenu_FOP->trigger();
        QCOMPARE(run.page.NodeCount(), 1);
        QCOMPARE(run.page.NodeAt(0)->name(), SjisString("from x"));
        QCOMPARE(run.page.FileName, Bytes(path("x.html")));
        QCOMPARE(run.page.DatabasePath, Bytes(dir_.path() + "/"));
    }

    // The messages name the file the user chose, and the page file read
    // for it when that is another one. %1 is the test's folder.
    void unreadableFilesAreReportedAndTheOpenPageStays_data()
    {
        QTest::addColumn<QByteArray>("content"); // of bad.data; empty: no such file
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("text");
        const QString otherFile = QStringLiteral("“%1/%2” を開けませんでした。ページは同じ名前の .data ファイルから読み込みます。\n");
        QTest::newRow("newer") << QByteArray("Tav Outliner 2.0\xff") << "bad.data" << QStringLiteral("未知の形式")
                               << QStringLiteral("“%1/bad.data” は新しいバージョン形式のファイルです。Tav Outliner 2.0 以降をお使いください。");
        QTest::newRow("foreign") << QByteArray("hello") << "bad.data" << QStringLiteral("未知の形式")
                                 << QStringLiteral("“%1/bad.data” は対応していない形式のファイルです。\n");
        QTest::newRow("foreign-page-of-html") << QByteArray("hello") << "bad.html" << QStringLiteral("未知の形式")
                                              << otherFile.arg("%1", "bad.html")
                + QStringLiteral("“%1/bad.data” は対応していない形式のファイルです。\n");
        QTest::newRow("missing") << QByteArray() << "bad.data" << QStringLiteral("失敗")
                                 << QStringLiteral("ページファイル “%1/bad.data” を開けませんでした: No such file or directory");
        QTest::newRow("not-a-page") << QByteArray() << "ftpd.py" << QStringLiteral("失敗")
                                    << otherFile.arg("%1", "ftpd.py")
                + QStringLiteral("ページファイル “%1/ftpd.data” を開けませんでした: No such file or directory");
    }

    void unreadableFilesAreReportedAndTheOpenPageStays()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, chosen);
        QFETCH(QString, caption);
        QFETCH(QString, text);
        if (!content.isEmpty()) {
            QFile f(path("bad.data"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        QFile(path("ftpd.py")).open(QIODevice::WriteOnly);
        WritePage(dir_.path(), "good", [](Page& p) { p.RenameNode(p.AddChildNode(nullptr), "good node"); });
        Run run(dir_.path());
        run.start();
        QVERIFY(run.window->OpenPage(path("good.data")));
        const QStringList listed = run.recentCaptions();
        Box box;
        Answer(QMessageBox::Ok, &box);
        QVERIFY(!run.window->OpenPage(path(chosen)));
        QVERIFY(box.seen);
        QCOMPARE(box.title, caption);
        QCOMPARE(box.text, text.arg(dir_.path()));
        QCOMPARE(run.recentCaptions(), listed); // a page that did not open is not listed
        // The page that was open is still the one a save writes.
        QCOMPARE(run.page.Title, SjisString("good"));
        QCOMPARE(run.page.NodeAt(0)->name(), SjisString("good node"));
        QCOMPARE(PagePaths::PageFilePath(run.page), Bytes(path("good.data")));
        run.ui().MainMenu_FNS->trigger();
        QCOMPARE(run.page.NodeCount(), 2);
    }

    void damagedFileOpensWhatCouldBeRead()
    {
        WritePage(dir_.path(), "cut", [](Page& p) {
            p.RenameNode(p.AddChildNode(nullptr), "first");
            p.RenameNode(p.AddChildNode(nullptr), "second");
        });
        QFile f(path("cut.data"));
        QVERIFY(f.open(QIODevice::ReadWrite));
        f.resize(f.size() - 5);
        f.close();
        Run run(dir_.path());
        run.start();
        Box box;
        Answer(QMessageBox::Ok, &box);
        QVERIFY(run.window->OpenPage(path("cut.data")));
        QCOMPARE(box.title, QStringLiteral("警告"));
        QVERIFY(box.text.contains("cut.data"));
        QCOMPARE(run.page.NodeCount(), 2);
        run.ui().MainMenu_FSS->trigger();
        QVERIFY(QFile::exists(path("cut.data.bak")));
    }

    void unsavedChangesAreAskedAboutOnClose()
    {
        Run run(dir_.path());
        run.start();
        run.page.DatabasePath = Bytes(dir_.path() + "/");
        run.page.FileName = "asked.html";
        run.ui().MainMenu_FNS->trigger();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(run.window->isModified());
        QVERIFY(run.window->isWindowModified());

        Box box;
        Answer(QMessageBox::Cancel, &box);
        run.window->close();
        QVERIFY(box.seen);
        QCOMPARE(box.title, QStringLiteral("質問"));
        QVERIFY(run.window->isVisible());
        QVERIFY(!QFile::exists(path("asked.data")));

        Answer(QMessageBox::Save);
        run.window->close();
        QVERIFY(!run.window->isVisible());
        QVERIFY(QFile::exists(path("asked.data")));
    }

    void openingAnotherPageAsksFirst()
    {
        WritePage(dir_.path(), "other", [](Page&) {});
        Run run(dir_.path());
        run.start();
        run.ui().MainMenu_FNS->trigger();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        Answer(QMessageBox::Cancel);
        QVERIFY(!run.window->OpenPage(path("other.data")));
        QCOMPARE(run.page.NodeCount(), 1);
        Answer(QMessageBox::Discard);
        QVERIFY(run.window->OpenPage(path("other.data")));
        QCOMPARE(run.page.NodeCount(), 0);
        QVERIFY(!run.window->isModified());
    }

    void clearingTheUploadQueueAsksFirst()
    {
        Run run(dir_.path());
        run.start();
        UpdateQueueAfterSave(run.store, "/w/a.data", true);
        Box question;
        Answer(QMessageBox::Cancel, &question);
        run.ui().MainMenu_TD->trigger();
        QCOMPARE(question.title, QStringLiteral("質問"));
        QCOMPARE(question.text, QStringLiteral("ファイルアップロードに指定されたファイルのキューを、全てキャンセルします"));
        QCOMPARE(ReadUploadQueue(run.store).size(), size_t(1));

        // The question, then the information its answer opens.
        Box information;
        Answer(QMessageBox::Ok, nullptr, [&information] { Answer(QMessageBox::Ok, &information); });
        run.ui().MainMenu_TD->trigger();
        QTRY_VERIFY(information.seen);
        QCOMPARE(information.title, QStringLiteral("情報"));
        QCOMPARE(information.text, QStringLiteral("削除しました。"));
        QVERIFY(ReadUploadQueue(run.store).empty());
    }

    void droppedFilesOpenTheFirstOnly()
    {
        WritePage(dir_.path(), "one", [](Page& p) { p.RenameNode(p.AddChildNode(nullptr), "one"); });
        WritePage(dir_.path(), "two", [](Page& p) { p.RenameNode(p.AddChildNode(nullptr), "two"); });
        Run run(dir_.path());
        run.start();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path("one.data")), QUrl::fromLocalFile(path("two.data")),
                      QUrl::fromLocalFile(path("three.data"))});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(run.window.get(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(run.window.get(), &drop);
        QCOMPARE(run.page.Title, SjisString("one"));
    }

    // Saving the changed page rebuilds the recent-files menu, clicked entry
    // included, before the page is opened.
    void recentFileOpensAfterSavingTheChangedPage()
    {
        WritePage(dir_.path(), "wanted", [](Page& p) { p.RenameNode(p.AddChildNode(nullptr), "wanted node"); });
        Run run(dir_.path());
        run.recent.setValue(QString(), "Tav Outliner", path("wanted.data") + "\r\n");
        run.start();
        run.page.DatabasePath = Bytes(dir_.path() + "/");
        run.page.FileName = "changed.html";
        run.ui().MainMenu_TIR->setChecked(false);
        run.ui().MainMenu_FNS->trigger();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(run.recentCaptions(), QStringList{"&0 " + path("wanted.data")});
        const QList<QAction*> items = run.ui().MainMenu_FO->actions();
        QAction* wanted = items[items.indexOf(run.ui().MainMenu_FO_Recent) + 1];

        // Every handler of the click gets the clicked path, also one that
        // runs after the window has saved and rebuilt the list.
        QString handedOut;
        connect(run.window->recentFiles(), &TOpenFileHistories::OnOpenFile,
                [&handedOut](QAction*, const QString& fileName) {
                    // Read here, in instrumented code, so that a sanitizer sees a freed path.
                    handedOut = QString(fileName.constData(), fileName.size());
                });
        // A failure to open would wait for an answer: close it and fail.
        QTimer failures;
        connect(&failures, &QTimer::timeout, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                if (box->windowTitle() != QStringLiteral("質問"))
                    box->reject();
        });
        failures.start(20);
        Answer(QMessageBox::Save);
        wanted->trigger();
        QCOMPARE(handedOut, path("wanted.data"));
        QVERIFY(QFile::exists(path("changed.data")));
        QCOMPARE(run.page.Title, SjisString("wanted"));
        QCOMPARE(run.page.NodeAt(0)->name(), SjisString("wanted node"));
        QCOMPARE(run.recentCaptions(), QStringList({"&0 " + path("wanted.data"), "&1 " + path("changed.data")}));
    }

    // A last page that is there but cannot be read (a newer version, a
    // drive that answers with errors) is remembered for the next run until
    // another page is opened or saved.
    void unreadableLastPageIsKeptForTheNextRun_data()
    {
        QTest::addColumn<QString>("then");
        QTest::addColumn<QString>("storedTitle");
        QTest::newRow("closed-at-once") << "close" << "unread";
        QTest::newRow("another-opened") << "open" << "other";
        QTest::newRow("untitled-saved") << "save" << "Welcome to Tav Outliner 1.8";
    }
    void unreadableLastPageIsKeptForTheNextRun()
    {
        QFETCH(QString, then);
        QFETCH(QString, storedTitle);
        QFile f(path("unread.data"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Tav Outliner 9.0\xff");
        f.close();
        WritePage(dir_.path(), "other", [](Page&) {});
        Run run(dir_.path());
        run.store.writeInteger("Preferences", "BootOnAction", 0);
        run.store.writeText(QString(), "LastTitle", "unread");
        run.store.writeText(QString(), "LastFileName", Bytes(path("unread.html")));
        run.store.writeText(QString(), "LastDatabasePath", Bytes(dir_.path() + "/"));
        Answer(QMessageBox::Ok);
        run.start();
        QCOMPARE(run.page.FileName, run.settings.ProgramFolder + "untitled.html");
        run.ui().MainMenu_TIR->setChecked(false);
        if (then == "open")
            QVERIFY(run.window->OpenPage(path("other.data")));
        else if (then == "save")
            QVERIFY(run.window->SavePage());
        run.window->close();
        QCOMPARE(run.store.readText(QString(), "LastTitle", ""), Bytes(storedTitle));
        if (then == "close")
            QCOMPARE(run.store.readText(QString(), "LastFileName", ""), Bytes(path("unread.html")));
        QCOMPARE(ReadFile(path("unread.data")), QByteArray("Tav Outliner 9.0\xff"));
    }

    // Files open the first page wherever they are dropped; text dropped on
    // the editor goes into the body. The events come to the window as the
    // platform delivers them.
    void dropsOnTheWindowsParts_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<bool>("files");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("body");
        QTest::newRow("files-on-editor") << "editor" << true << "one" << "";
        QTest::newRow("files-on-tree") << "tree" << true << "one" << "";
        QTest::newRow("files-on-status-bar") << "status" << true << "one" << "";
        QTest::newRow("text-on-editor") << "editor" << false << "start" << "dropped text";
    }
    void dropsOnTheWindowsParts()
    {
        QFETCH(QString, target);
        QFETCH(bool, files);
        QFETCH(QString, title);
        QFETCH(QString, body);
        WritePage(dir_.path(), "one", [](Page& p) { p.RenameNode(p.AddChildNode(nullptr), "one"); });
        WritePage(dir_.path(), "start", [](Page& p) { p.RenameNode(p.AddChildNode(nullptr), "start"); });
        Run run(dir_.path());
        run.start(path("start.data"));
        run.window->selectNode(run.page.NodeAt(0));
        QWidget* widget = target == "editor" ? run.editor()->viewport()
                        : target == "tree"   ? run.ui().TreeView->viewport()
                                             : static_cast<QWidget*>(run.window->statusBar());
        QMimeData data;
        if (files)
            data.setUrls({QUrl::fromLocalFile(path("one.data")), QUrl::fromLocalFile(path("start.data"))});
        else
            data.setText("dropped text");
        QWindow* window = run.window->windowHandle();
        const QPointF at = widget->mapTo(run.window.get(), widget->rect().center());
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window, &drop);
        QCOMPARE(run.page.Title, Bytes(title));
        QCOMPARE(run.editor()->text().contains("file:"), false);
        if (!body.isEmpty())
            QVERIFY2(run.editor()->text().contains(body), qPrintable(run.editor()->text()));
    }

    void commandLineOpensTheDataFileOfTheNamedFile()
    {
        WritePage(dir_.path(), "cmd", [](Page& p) { p.RenameNode(p.AddChildNode(nullptr), "cmd node"); });
        Run run(dir_.path());
        run.start(path("cmd.html"));
        QCOMPARE(run.page.NodeCount(), 1);
        QCOMPARE(run.page.Title, SjisString("cmd"));
        QCOMPARE(run.recentCaptions(), QStringList{"&0 " + path("cmd.data")});
    }

    // However the command line names the page, it is one entry, by its
    // absolute path, and the page's folder is absolute too.
    void commandLinePageIsListedOnceByItsAbsolutePath_data()
    {
        QTest::addColumn<QString>("commandLine"); // relative to the test's folder
        QTest::newRow("relative") << "site/page.data";
        QTest::newRow("dotted") << "./site/../site/page.data";
        QTest::newRow("through-a-link") << "link/page.data";
        QTest::newRow("html-of-the-page") << "site/page.html";
    }
    void commandLinePageIsListedOnceByItsAbsolutePath()
    {
        QFETCH(QString, commandLine);
        QDir().mkpath(path("site"));
        QVERIFY(QFile::link(path("site"), path("link")));
        WritePage(path("site"), "page", [](Page&) {});
        const QString absolute = path("site/page.data");
        Run run(dir_.path());
        run.recent.setValue(QString(), "Tav Outliner", absolute + "\r\n/other.data\r\n");
        const QString before = QDir::currentPath();
        QDir::setCurrent(dir_.path());
        run.start(commandLine);
        QDir::setCurrent(before);
        QCOMPARE(run.page.Title, SjisString("page"));
        const QString listed = QDir::cleanPath(QFileInfo(path(commandLine)).absolutePath() + "/page.data");
        QCOMPARE(run.recentCaptions(), QStringList({"&0 " + listed, "&1 /other.data"}));
        QCOMPARE(run.page.DatabasePath, Bytes(QFileInfo(listed).absolutePath() + "/"));
    }

    // A recent file that does not open: the user is asked, with No as the
    // default, whether to take it off the list.
    void recentEntryThatFailsCanBeForgotten_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("listedAfter");
        QTest::newRow("yes-forgets") << int(QMessageBox::Yes) << QStringList{"&0 /kept.data"};
        QTest::newRow("no-keeps") << int(QMessageBox::No) << QStringList{"&0 %1", "&1 /kept.data"};
    }
    void recentEntryThatFailsCanBeForgotten()
    {
        QFETCH(int, answer);
        QFETCH(QStringList, listedAfter);
        const QString gone = path("gone.data");
        listedAfter.replaceInStrings("%1", gone);
        Run run(dir_.path());
        run.recent.setValue(QString(), "Tav Outliner", gone + "\r\n/kept.data\r\n");
        run.start();
        const QList<QAction*> items = run.ui().MainMenu_FO->actions();
        Box question;
        Answer(QMessageBox::StandardButton(answer), &question);
        items[items.indexOf(run.ui().MainMenu_FO_Recent) + 1]->trigger();
        QVERIFY(question.seen);
        QCOMPARE(question.title, QStringLiteral("質問"));
        QVERIFY2(question.text.startsWith("ページファイル “" + gone + "” を開けませんでした"), qPrintable(question.text));
        QVERIFY(question.text.endsWith("“" + gone + "” を最近使ったファイルの一覧から削除しますか？"));
        QCOMPARE(question.defaultButton, QMessageBox::No);
        QCOMPARE(run.recentCaptions(), listedAfter);
        run.window->close();
        QCOMPARE(run.recent.value(QString(), "Tav Outliner")->split("\r\n", Qt::SkipEmptyParts),
                 listedAfter.replaceInStrings(QRegularExpression("^&. "), ""));
    }

    void unreadableCommandLinePageIsNotTheSaveTarget()
    {
        QFile f(path("newer.data"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("Tav Outliner 9.0\xff");
        f.close();
        Run run(dir_.path());
        Answer(QMessageBox::Ok);
        run.start(path("newer.data"));
        QCOMPARE(run.page.FileName, run.settings.ProgramFolder + "untitled.html");
        run.ui().MainMenu_FSS->trigger();
        QCOMPARE(ReadFile(path("newer.data")), QByteArray("Tav Outliner 9.0\xff"));
    }

    void browserManualAndExternalToolOpenWhatTheyShould()
    {
        UrlCatcher opened;
        QDesktopServices::setUrlHandler("file", &opened, "open");
        Run run(dir_.path());
        run.start();
        run.window->manualOpener()->setProgram(QString()); // through the URL handler
        // Both browser commands open the written HTML file; before it is
        // written they say so instead.
        auto* openInBrowser = run.window->findChild<QAction*>("MainMenu_TB");
        QVERIFY(openInBrowser);
        run.page.FileName = Bytes(path("shown.html"));
        openInBrowser->trigger();
        QVERIFY(opened.urls.isEmpty());
        QVERIFY(run.window->statusBar()->currentMessage().contains("保存してから"));
        QFile html(path("shown.html"));
        QVERIFY(html.open(QIODevice::WriteOnly));
        html.close();
        run.ui().MainMenu_TII->trigger();
        openInBrowser->trigger();
        run.ui().MainMenu_HO->trigger();
        QDesktopServices::unsetUrlHandler("file");
        QCOMPARE(opened.urls.size(), 3);
        QCOMPARE(opened.urls[0].toLocalFile(), path("shown.html"));
        QCOMPARE(opened.urls[1].toLocalFile(), path("shown.html"));
        QVERIFY(opened.urls[2].toLocalFile().endsWith("/Tav Outliner 1.8.html"));
        QVERIFY(QFile::exists(opened.urls[2].toLocalFile()));

        // The external tool gets the HTML file as its one parameter.
        const QString tool = path("tool.sh");
        QFile script(tool);
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\nprintf '%s' \"$*\" > \"$0.out\"\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        run.settings.ExternalTool = Bytes(tool);
        run.ui().Mainmenu_TP->trigger();
        QTRY_VERIFY(QFile::exists(tool + ".out"));
        QTRY_COMPARE(ReadFile(tool + ".out"), path("shown.html").toUtf8());
    }

    // The opener ends with an error when no browser starts; the user is
    // told where the manual is.
    void manualThatDoesNotOpenIsNamed_data()
    {
        QTest::addColumn<QString>("openerEnds"); // the opener script's last line; empty: no opener
        QTest::addColumn<bool>("told");
        QTest::newRow("opened") << "exit 0" << false;
        QTest::newRow("no-browser-starts") << "exit 4" << true;
        QTest::newRow("opener-missing") << "" << true;
    }
    void manualThatDoesNotOpenIsNamed()
    {
        QFETCH(QString, openerEnds);
        QFETCH(bool, told);
        const QString opener = path("opener.sh");
        if (!openerEnds.isEmpty()) {
            QFile script(opener);
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write("#!/bin/sh\nprintf '%s' \"$1\" > \"$0.arg\"\n" + openerEnds.toUtf8() + "\n");
            script.close();
            script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        Run run(dir_.path());
        run.start();
        run.window->manualOpener()->setProgram(opener);
        Box box;
        if (told)
            Answer(QMessageBox::Ok, &box);
        run.ui().MainMenu_HO->trigger();
        if (told) {
            QTRY_VERIFY(box.seen);
            QCOMPARE(box.title, QStringLiteral("失敗"));
            QVERIFY2(box.text.endsWith("/Tav Outliner 1.8.html"), qPrintable(box.text));
            QVERIFY(QFile::exists(box.text.section('\n', -1)));
        } else {
            QTRY_VERIFY(run.window->manualOpener()->findChildren<QObject*>().isEmpty()); // the opener ended
            QVERIFY(ReadFile(opener + ".arg").endsWith("/Tav Outliner 1.8.html"));
            QCOMPARE(QApplication::activeModalWidget(), nullptr);
        }
    }

    void aRunThatOpensNothingWritesNoRecentFiles()
    {
        Run run(dir_.path());
        run.recent.setValue(QString(), "Tav Outliner", "/kept\r\n");
        run.start();
        run.window->close();
        QCOMPARE(*run.recent.value(QString(), "Tav Outliner"), QStringLiteral("/kept\r\n"));
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
