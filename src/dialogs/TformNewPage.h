#pragma once

#include <QDialog>
#include <QString>
#include <memory>

class Page;
struct PageProperties;
class QFileDialog;
class QLineEdit;
class TformFolderDialog;
struct Settings;
namespace Ui {
class TformNewPage;
}

// The new page dialog: the page's title, HTML output file and document root.
// OK asks before the names point at a page file or HTML file that exists,
// creates the document root and the HTML file's folder when they are
// missing, writes the names into the page and gives the page's options their
// new-page values; Cancel leaves the page as it was. The fields keep their
// text between showings; a leading "~" in a path is the home folder.
class TformNewPage : public QDialog {
    Q_OBJECT
public:
    TformNewPage(Page& page, const Settings& settings, QWidget* parent = nullptr);
    ~TformNewPage() override;

    // The chooser that the document root's button opens.
    void setFolderDialog(TformFolderDialog* folderDialog) { folderDialog_ = folderDialog; }

    Ui::TformNewPage& form() { return *ui_; }
    QFileDialog* saveDialog() const { return SaveDialog; }

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void EditChange();
    void sbtnFileNameClick();
    void sbtnDatabasePathClick();
    void bttnOkClick();
    void bttnCancelClick();

private:
    void FormShow();
    void warn(const QString& text, QLineEdit* field);
    // Asks before the names point at files that exist; false keeps the dialog open.
    bool confirmOverwrite(const PageProperties& names);
    // Makes the document root and the HTML file's folder; false after saying why not.
    bool createFolders(const PageProperties& names, const QString& typedRoot);

    std::unique_ptr<Ui::TformNewPage> ui_;
    Page& page_;
    const Settings& settings_;
    TformFolderDialog* folderDialog_ = nullptr;
    QFileDialog* SaveDialog = nullptr;
    QString lastChosenName_; // the save dialog offers the name chosen last time
};
