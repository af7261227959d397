#pragma once

#include "dialogs/FtpSettingList.h"
#include "dialogs/ShownText.h"

#include <QDialog>

#include <array>
#include <memory>
#include <vector>

class ExecutableFilter;
class FixedWidthFontList;
class QColorDialog;
class QFileDialog;
class QFontDialog;
class QFrame;
class QLabel;
class QLineEdit;
class SettingsStore;
struct Settings;
namespace Ui {
class TformPreferences;
}

// The preferences dialog: the settings in memory on four tabs, copied back
// by OK and Apply, and the named FTP settings, which its FTP tab shows from
// an FtpSettingList and writes to the store at once. The FTP group always
// shows the selected row's setting, and OK and Apply store what was typed
// into it there.
class TformPreferences : public QDialog {
    Q_OBJECT
public:
    TformPreferences(Settings& settings, SettingsStore& store, QWidget* parent = nullptr);
    ~TformPreferences() override;

    Ui::TformPreferences& form() { return *ui_; }
    QFileDialog* openDialog() const { return OpenDialog; }
    QFontDialog* fontDialog() const { return FontDialog; }
    QColorDialog* colorDialog() const { return ColorDialog; }

    // The five swatches, in the order of the editor tab.
    enum Swatch { EditorBG, EditorText, EditorTagSymbol, EditorTagDirective, EditorTagParameter, SwatchCount };
    // A swatch's colour, 0x00BBGGRR.
    int swatchColour(Swatch swatch) const { return swatches_[swatch]; }

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void bttnOkClick();
    void bttnCancelClick();
    void bttnApplyClick();
    void OnChange();
    void sbtnDefaultStyleSheetFileNameClick();
    void sbtnDefaultJavaScriptFileNameClick();
    void sbtnExternalToolClick();
    void bttnEditorFontNameClick();
    void sbtnEditorBGClick();
    void sbtnEditorTextClick();
    void sbtnEditorTagSymbolClick();
    void sbtnEditorTagDirectiveClick();
    void sbtnEditorTagParameterClick();
    void bttnAddFtpSettingClick();
    void editFtpSettingNameTextChange();
    void listFtpSettingNameTextClick();
    void bttnDelFtpSettingClick();
    void bttnApplyFtpSettingClick();
    void bttnForgetTlsFingerprintClick();
    void cmbbFtpProtocolChange();
    void sbtnFtpKeyFileClick();

private:
    // A label's text without its colon, for messages about its field.
    static QString fieldLabel(const QLabel* label);
    void FormShow();
    void LoadControls();
    // False, with a message, when a text cannot be stored; nothing is then stored.
    bool StoreControls();
    void connectApplyEnabling();
    void updateDefaultButton();
    void pickFile(QLineEdit* edit, const QString& filter, bool programs);
    void pickColour(Swatch swatch);
    void paintSwatch(Swatch swatch);
    QFrame* swatchFrame(Swatch swatch) const;
    // The FTP group's values; nothing (after a message) when one cannot be stored.
    std::optional<FtpSetting> ftpGroup();
    // Whether the group differs from the selected setting as stored.
    bool ftpGroupEdited() const;
    // Stores the edited group under the selected row's name; false after a message.
    bool storeFtpGroup();
    void showFtpList();
    void showFtpGroup();
    FtpProtocol shownFtpProtocol() const;
    // Enables the group's rows that apply to the chosen protocol.
    void enableFtpProtocolRows();
    void showStoreError(const QString& message);

    // The texts as shown, so that unchanged ones keep their bytes.
    enum Text { Author, Email, SupportUrl, ExternalTool, DefaultStyleSheet, DefaultJavaScript, DefaultFooter,
                EditorFontName, DefaultDirName, TextCount };

    std::unique_ptr<Ui::TformPreferences> ui_;
    Settings& settings_;
    QFileDialog* OpenDialog = nullptr;
    ExecutableFilter* programFilter_ = nullptr;
    QFontDialog* FontDialog = nullptr;
    FixedWidthFontList* fontList_ = nullptr;
    QColorDialog* ColorDialog = nullptr;
    std::array<ShownText, TextCount> shown_;
    std::array<int, SwatchCount> swatches_{};
    FtpSettingList ftpList_;
    bool fillingFtpGroup_ = false;     // the FTP list, not the user, is changing the controls
    bool atomicReplaceClicked_ = false; // the user set the box since the group was filled
};
