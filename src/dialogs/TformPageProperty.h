#pragma once

#include "dialogs/PagePropertyRules.h"
#include "dialogs/ShownText.h"

#include <QDialog>

#include <array>
#include <memory>

class Page;
class SettingsStore;
struct Settings;
namespace Ui {
class TformPageProperty;
}

// The page properties dialog: every property of the open page on two tabs,
// written back into the page on OK. It also shows the times of the page's
// HTML file and the server and user of the chosen FTP setting.
class TformPageProperty : public QDialog {
    Q_OBJECT
public:
    TformPageProperty(Page& page, const Settings& settings, const SettingsStore& store, QWidget* parent = nullptr);
    ~TformPageProperty() override;

    Ui::TformPageProperty& form() { return *ui_; }

    // What the creation date shows where the file system keeps no
    // creation time.
    static QString NoCreationTimeText();
    // How an FTP setting the list lacks is shown.
    static QString MissingFtpSettingText(const QString& name);

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void bttnOkClick();
    void bttnCancelClick();
    void cmbbFtpSettingNameChange(int index);

private:
    void FormShow();
    void showFileDates();
    void showFtpSetting(SjisView name);

    // The texts as shown, so that unchanged ones keep their bytes.
    enum Text { Title, FileName, DatabasePath, Category, CategoryUrl, Doctype, StyleSheet, JavaScript, RemoteFolder,
                TextCount };

    std::unique_ptr<Ui::TformPageProperty> ui_;
    Page& page_;
    const Settings& settings_;
    const SettingsStore& store_;
    std::array<ShownText, TextCount> shown_;
    FtpSettingChoices ftpChoices_;
};
