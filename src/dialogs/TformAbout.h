#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class TformAbout;
}

// The About box: the program's name, version and release, its icon (a click
// shows the splash screen) and a link to the program's home page.
class TformAbout : public QDialog {
    Q_OBJECT
public:
    explicit TformAbout(QWidget* parent = nullptr);
    ~TformAbout() override;

    Ui::TformAbout& form() { return *ui_; }

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void sbtnApplicationIconClick();

private:
    std::unique_ptr<Ui::TformAbout> ui_;
};
