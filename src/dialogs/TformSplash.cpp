#include "dialogs/TformSplash.h"

#include "dialogs/DialogFrame.h"
#include "dialogs/ProgramPictures.h"
#include "ui_TformSplash.h"

#include <QApplication>
#include <QMouseEvent>

TformSplash::TformSplash(QWidget* parent)
    // Without an owner it is the start-up splash screen (no task bar entry,
    // above the windows being made); with one, a dialog that can be modal.
    : QDialog(parent, (parent ? Qt::Dialog : Qt::SplashScreen) | Qt::FramelessWindowHint),
      ui_(std::make_unique<Ui::TformSplash>())
{
    ui_->setupUi(this);
    setFixedSize(360, 270);
    ui_->imageSplash->setPixmap(SplashPicture(devicePixelRatioF()));
    ui_->imageSplash->installEventFilter(this);
}

TformSplash::~TformSplash() = default;

void TformSplash::ShowNow()
{
    show();
    repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TformSplash::showEvent(QShowEvent* event)
{
    CentreOnScreen(this);
    QDialog::showEvent(event);
}

bool TformSplash::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui_->imageSplash && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        imageSplashClick();
    return QDialog::eventFilter(watched, event);
}

void TformSplash::imageSplashClick()
{
    close();
}
