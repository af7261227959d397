// The folder chooser's OK rule, the About box and the splash screen.
#include "common/ModalAnswer.h"
#include "controls/TFolderTreeViewEx.h"
#include "controls/TLightLabel.h"
#include "dialogs/ProgramPictures.h"
#include "dialogs/TformAbout.h"
#include "dialogs/TformFolderDialog.h"
#include "dialogs/TformSplash.h"
#include "ui_TformAbout.h"
#include "ui_TformFolderDialog.h"

#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>

class TestSmallDialogs : public QObject {
    Q_OBJECT

private:
    QTemporaryDir home_;

private slots:
    void initTestCase()
    {
        // The chooser's tree selects the place holding the current folder.
        qputenv("HOME", home_.path().toLocal8Bit());
        QDir::setCurrent("/");
    }

    void chooserOkFollowsTheChosenFolder_data()
    {
        QTest::addColumn<QString>("preset");
        QTest::addColumn<QString>("select"); // "": no selection change; "drives": the computer's node
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("preset") << "/preset" << "" << true << "/preset";
        QTest::newRow("none") << "" << "" << false << "";
        QTest::newRow("a-folder-chosen") << "" << "home" << true << "home";
        QTest::newRow("the-computer-is-no-folder") << "/preset" << "drives" << false << "/preset";
    }

    void chooserOkFollowsTheChosenFolder()
    {
        QFETCH(QString, preset);
        QFETCH(QString, select);
        QFETCH(bool, enabled);
        QFETCH(QString, chosen);
        TformFolderDialog chooser;
        QCOMPARE(chooser.size(), QSize(293, 439));
        chooser.setChosenFolder(preset);
        chooser.show();
        TFolderTreeViewEx& tree = *chooser.form().FolderTreeView;
        QVERIFY(!tree.ShowIncludeHidden());
        QCOMPARE(tree.SelectedDir(), TFolderTreeViewEx::sdCurrent);
        QCOMPARE(TFolderTreeViewEx::pathOf(tree.currentItem()), QStringLiteral("/"));
        if (select == "drives")
            tree.setCurrentItem(tree.topLevelItem(0));
        else if (select == "home")
            tree.setCurrentItem(tree.itemForPath(home_.path()));
        QCOMPARE(chooser.form().bttnOk->isEnabled(), enabled);
        QCOMPARE(chooser.chosenFolder(), chosen == "home" ? home_.path() : chosen);
    }

    // A folder dropped on another one moves on disk only once the user says
    // so; No is the default.
    void chooserAsksBeforeMovingAFolder_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("yes-moves") << int(QMessageBox::Yes);
        QTest::newRow("no-leaves-it") << int(QMessageBox::No);
    }
    void chooserAsksBeforeMovingAFolder()
    {
        QFETCH(int, answer);
        const QString from = home_.filePath("日記"), into = home_.filePath("site");
        QVERIFY(QDir().mkpath(from) && QDir().mkpath(into));
        TformFolderDialog chooser;
        chooser.show();
        QVERIFY(QTest::qWaitForWindowExposed(&chooser));
        TFolderTreeViewEx& tree = *chooser.form().FolderTreeView;
        tree.itemForPath(home_.path())->setExpanded(true);
        tree.scrollToItem(tree.itemForPath(into));
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(from)});
        const QPoint pos = tree.visualItemRect(tree.itemForPath(into)).center();
        QDragEnterEvent enter(pos, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QDragMoveEvent move(pos, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QDropEvent drop(pos, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        Box question;
        Answer(QMessageBox::StandardButton(answer), &question);
        for (QEvent* event : std::initializer_list<QEvent*>{&enter, &move, &drop})
            QApplication::sendEvent(tree.viewport(), event);
        QVERIFY(drop.isAccepted());
        QTRY_VERIFY(question.seen);
        QCOMPARE(question.title, QStringLiteral("質問"));
        QCOMPARE(question.text, QStringLiteral("フォルダ “%1” を “%2” の中へ移動しますか？").arg(from, into));
        QCOMPARE(question.defaultButton, QMessageBox::No);
        const bool moved = answer == QMessageBox::Yes;
        QTRY_COMPARE(QFileInfo::exists(into + "/日記"), moved);
        QCOMPARE(QFileInfo::exists(from), !moved);
        QDir(home_.path()).removeRecursively();
        QDir().mkpath(home_.path());
    }

    void aboutBoxShowsTheProgramAndItsHomePage()
    {
        TformAbout about;
        Ui::TformAbout& ui = about.form();
        QCOMPARE(about.windowTitle(), QStringLiteral("バージョン情報"));
        QVERIFY(about.width() >= 368 && about.height() >= 123);
        QCOMPARE(ui.lablProductName->text(), QStringLiteral("Tav Outliner 1.8"));
        QCOMPARE(ui.lablVersion->text(), QStringLiteral("Release 9"));
        QCOMPARE(ui.LightLabel->JumpType(), TLightLabel::jtHome);
        QCOMPARE(ui.LightLabel->JumpTo(), QStringLiteral("https://tav-outliner.example.org/"));
        QCOMPARE(ui.imageLogo->pixmap().deviceIndependentSize(), QSizeF(200, 40));
        QVERIFY(ui.bttnOk->isDefault());
        about.show();
        QTest::mouseClick(ui.bttnOk, Qt::LeftButton);
        QCOMPARE(about.result(), int(QDialog::Accepted));
    }

    void iconButtonShowsTheSplashUntilClicked()
    {
        TformAbout about;
        about.show();
        QString caption;
        QSize size;
        WhenModal<TformSplash>([&](TformSplash* splash) {
            caption = splash->windowTitle();
            size = splash->size();
            auto* picture = splash->findChild<QLabel*>(QStringLiteral("imageSplash"));
            QTest::mouseClick(picture, Qt::LeftButton, {}, QPoint(100, 100));
        });
        QTest::mouseClick(about.form().sbtnApplicationIcon, Qt::LeftButton);
        QCOMPARE(caption, QStringLiteral("ちょぉっと待っててネ☆"));
        QCOMPARE(size, QSize(360, 270));
        QVERIFY(!about.findChild<TformSplash*>()); // destroyed once closed
    }

    void picturesAreSharpAtTwiceTheScale()
    {
        for (qreal ratio : {1.0, 2.0}) {
            QCOMPARE(SplashPicture(ratio).size(), QSize(360, 270) * ratio);
            QCOMPARE(AboutPicture(ratio).size(), QSize(200, 40) * ratio);
            QCOMPARE(ProgramIcon().pixmap(QSize(32, 32), ratio).size(), QSize(32, 32) * ratio);
        }
    }
};

QTEST_MAIN(TestSmallDialogs)
#include "tst_smalldialogs.moc"
