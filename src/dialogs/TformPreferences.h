#pragma once

#include "dialogs/ShownText.h"

#include <QDialog>

#include <array>
#include <memory>
#include <vector>

class ExecutableFilter;
class QColorDialog;
class QFileDialog;
class QFontDialog;
class QFrame;
class QLineEdit;
class SettingsStore;
struct Settings;
namespace Ui {
class TformPreferences;
}

// The preferences dialog: the settings in memory on four tabs, copied back
// by OK and Apply, and the named FTP settings, which its FTP tab writes to
// the store at once - each setting together with the list of names, so that
// the two always agree.
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

private:
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
    struct FtpFields;
    std::optional<FtpFields> ftpFields();
    void showFtpSetting(SjisView name);
    void showTlsFingerprint(SjisView fingerprint);
    // The name of the selected list row; nothing when no row is selected.
    std::optional<SjisString> selectedFtpName() const;
    // Writes the names list into the settings and the store; false after a message.
    bool storeSettingNames();
    void showStoreError(const QString& message);

    // The texts as shown, so that unchanged ones keep their bytes.
    enum Text { Author, Email, SupportUrl, ExternalTool, DefaultStyleSheet, DefaultJavaScript, DefaultFooter,
                EditorFontName, DefaultDirName, TextCount };

    std::unique_ptr<Ui::TformPreferences> ui_;
    Settings& settings_;
    SettingsStore& store_;
    QFileDialog* OpenDialog = nullptr;
    ExecutableFilter* programFilter_ = nullptr;
    QFontDialog* FontDialog = nullptr;
    QColorDialog* ColorDialog = nullptr;
    std::array<ShownText, TextCount> shown_;
    std::array<int, SwatchCount> swatches_{};
    std::vector<SjisString> ftpNames_; // the names of the list's rows, as stored
    bool fillingFtpGroup_ = false;     // the FTP list, not the user, is changing the edits
    SjisString ftpFingerprint_;        // the shown setting's trusted certificate, as stored
    bool atomicReplaceClicked_ = false; // the user set the box since the group was filled
};
