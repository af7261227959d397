// The hyperlink label: its three looks under the mouse and what a click opens.
#include "controls/TLightLabel.h"

#include <QDesktopServices>
#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

// Stands in for the desktop's "open".
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QStringList opened;
public slots:
    void open(const QUrl& url) { opened << url.toString(); }
};

class TestLightLabel : public QObject {
    Q_OBJECT

private:
    UrlCatcher catcher_;

    static void send(TLightLabel& label, char step)
    {
        const QPointF inside(2, 2);
        const QPointF outside(-20, -20);
        switch (step) {
        case 'e': {
            QEnterEvent enter(inside, inside, label.mapToGlobal(inside));
            QApplication::sendEvent(&label, &enter);
            break;
        }
        case 'l': {
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(&label, &leave);
            break;
        }
        case 'p': QTest::mousePress(&label, Qt::LeftButton, {}, inside.toPoint()); break;
        case 'r': QTest::mouseRelease(&label, Qt::LeftButton, {}, inside.toPoint()); break;
        case 'o': QTest::mouseRelease(&label, Qt::LeftButton, {}, outside.toPoint()); break;
        }
    }

private slots:
    void initTestCase()
    {
        for (const char* scheme : {"https", "mailto", "file"})
            QDesktopServices::setUrlHandler(scheme, &catcher_, "open");
    }
    void init() { catcher_.opened.clear(); }

    void jumpTargets_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("jumpTo");
        QTest::addColumn<QStringList>("targets");
        QTest::newRow("home") << int(TLightLabel::jtHome) << "https://h.example/" << QStringList{"https://h.example/"};
        QTest::newRow("custom") << int(TLightLabel::jtCust) << "https://c.example/" << QStringList{"https://c.example/"};
        QTest::newRow("mail") << int(TLightLabel::jtMail) << "a@b.example" << QStringList{"mailto:a@b.example"};
        QTest::newRow("mail-empty-opens-nothing") << int(TLightLabel::jtMail) << "" << QStringList{};
        QTest::newRow("file-absolute") << int(TLightLabel::jtFile) << "/w/a.html" << QStringList{"file:///w/a.html"};
        QTest::newRow("file-relative") << int(TLightLabel::jtFile) << "w/a.html" << QStringList{"file:///w/a.html"};
        QTest::newRow("none") << int(TLightLabel::jtNone) << "https://n.example/" << QStringList{};
        QTest::newRow("caption-without-jump-to") << int(TLightLabel::jtCaption) << "" << QStringList{"https://caption.example/"};
        QTest::newRow("caption-ignores-jump-to") << int(TLightLabel::jtCaption) << "https://x.example/"
                                                 << QStringList{"https://caption.example/"};
    }

    void jumpTargets()
    {
        QFETCH(int, type);
        QFETCH(QString, jumpTo);
        QFETCH(QStringList, targets);
        TLightLabel label;
        label.setText("https://caption.example/");
        label.setJumpType(TLightLabel::TJumpType(type));
        label.setJumpTo(jumpTo);
        label.resize(200, 20);
        QSignalSpy clicks(&label, &TLightLabel::OnClick);
        send(label, 'e');
        send(label, 'p');
        send(label, 'r');
        QCOMPARE(catcher_.opened, targets);
        QCOMPARE(clicks.count(), 1); // a target that opens nothing still clicks
    }

    void looks_data()
    {
        QTest::addColumn<QString>("steps"); // e enter, l leave, p press, r release inside, o release outside
        QTest::addColumn<bool>("lightEnabled");
        QTest::addColumn<bool>("clickEnabled");
        QTest::addColumn<QString>("look");
        QTest::newRow("rest") << "" << true << true << "default";
        QTest::newRow("over") << "e" << true << true << "light";
        QTest::newRow("over-light-disabled") << "e" << false << true << "default";
        QTest::newRow("pressed") << "ep" << true << true << "click";
        QTest::newRow("pressed-click-disabled") << "ep" << true << false << "light";
        QTest::newRow("released-inside") << "epr" << true << true << "light";
        QTest::newRow("released-light-disabled-still-light") << "epr" << false << true << "light";
        QTest::newRow("pressed-moved-out-released") << "eplo" << true << true << "default";
        QTest::newRow("left") << "el" << true << true << "default";
    }

    void looks()
    {
        QFETCH(QString, steps);
        QFETCH(bool, lightEnabled);
        QFETCH(bool, clickEnabled);
        QFETCH(QString, look);
        TLightLabel label;
        label.resize(100, 20);
        label.setLightEnabled(lightEnabled);
        label.setClickEnabled(clickEnabled);
        label.setLightColor(Qt::yellow);
        label.setClickColor(Qt::green);
        label.setDefaultColor(Qt::white);
        QSignalSpy enters(&label, &TLightLabel::OnMouseEnter);
        for (QChar step : steps)
            send(label, step.toLatin1());
        const std::map<QString, std::pair<QColor, LabelFont>> looks{
            {"default", {Qt::white, label.DefaultFont()}},
            {"light", {Qt::yellow, label.LightFont()}},
            {"click", {Qt::green, label.ClickFont()}},
        };
        QCOMPARE(label.currentColor(), looks.at(look).first);
        QCOMPARE(label.currentFont().color, looks.at(look).second.color);
        QCOMPARE(label.currentFont().font.underline(), looks.at(look).second.font.underline());
        QCOMPARE(enters.count(), int(steps.count('e')));
    }
};

QTEST_MAIN(TestLightLabel)
#include "tst_lightlabel.moc"
