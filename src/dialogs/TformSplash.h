#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class TformSplash;
}

// The splash screen: a borderless picture in the middle of the screen,
// shown while the program starts and, modally, from the About box. A click
// on the picture closes it. Made without an owner, it is the start-up
// splash screen; with one, a dialog for exec().
class TformSplash : public QDialog {
    Q_OBJECT
public:
    explicit TformSplash(QWidget* parent = nullptr);
    ~TformSplash() override;

    // Shows the window and paints it at once, without waiting for the
    // event loop (start-up has none yet).
    void ShowNow();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void imageSplashClick();

private:
    std::unique_ptr<Ui::TformSplash> ui_;
};
