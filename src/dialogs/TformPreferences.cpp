#include "dialogs/TformPreferences.h"

#include "dialogs/DialogHelpers.h"
#include "dialogs/ExecutableFilter.h"
#include "dialogs/FileFilter.h"
#include "dialogs/FixedWidthFontList.h"
#include "dialogs/FtpProtocolCaption.h"
#include "dialogs/PreferencesRules.h"
#include "document/TextCodec.h"
#include "editor/ColourEditor.h"
#include "editor/EditorFont.h"
#include "settings/Settings.h"
#include "ui_TformPreferences.h"

#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>
#include <QShowEvent>

namespace {

int BgrFromColour(const QColor& c)
{
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}

// A stored index that is not a position of the list selects nothing, and
// selecting nothing stores the value back unchanged: odd values survive.
void SelectIndex(QComboBox* combo, int index)
{
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
}
int SelectedIndex(const QComboBox* combo, int previous)
{
    return combo->currentIndex() >= 0 ? combo->currentIndex() : previous;
}

} // namespace

TformPreferences::TformPreferences(Settings& settings, SettingsStore& store, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TformPreferences>()), settings_(settings),
      ftpList_(settings, store)
{
    ui_->setupUi(this);

    OpenDialog = new QFileDialog(this, QStringLiteral("開く"));
    OpenDialog->setObjectName(QStringLiteral("OpenDialog"));
    OpenDialog->setFileMode(QFileDialog::ExistingFile);
    OpenDialog->setOption(QFileDialog::DontUseNativeDialog);
    FontDialog = new QFontDialog(this);
    FontDialog->setObjectName(QStringLiteral("FontDialog"));
    FontDialog->setWindowTitle(QStringLiteral("フォント"));
    FontDialog->setOptions(QFontDialog::DontUseNativeDialog);
    fontList_ = new FixedWidthFontList(FontDialog);
    ColorDialog = new QColorDialog(this);
    ColorDialog->setObjectName(QStringLiteral("ColorDialog"));
    ColorDialog->setWindowTitle(QStringLiteral("色の設定"));
    ColorDialog->setOption(QColorDialog::DontUseNativeDialog);

    connect(ui_->bttnOk, &QPushButton::clicked, this, &TformPreferences::bttnOkClick);
    connect(ui_->bttnCancel, &QPushButton::clicked, this, &TformPreferences::bttnCancelClick);
    connect(ui_->bttnApply, &QPushButton::clicked, this, &TformPreferences::bttnApplyClick);
    connect(ui_->sbtnDefaultStyleSheetFileName, &QToolButton::clicked, this,
            &TformPreferences::sbtnDefaultStyleSheetFileNameClick);
    connect(ui_->sbtnDefaultJavaScriptFileName, &QToolButton::clicked, this,
            &TformPreferences::sbtnDefaultJavaScriptFileNameClick);
    connect(ui_->sbtnExternalTool, &QToolButton::clicked, this, &TformPreferences::sbtnExternalToolClick);
    connect(ui_->bttnEditorFontName, &QPushButton::clicked, this, &TformPreferences::bttnEditorFontNameClick);
    connect(ui_->sbtnEditorBG, &QToolButton::clicked, this, &TformPreferences::sbtnEditorBGClick);
    connect(ui_->sbtnEditorText, &QToolButton::clicked, this, &TformPreferences::sbtnEditorTextClick);
    connect(ui_->sbtnEditorTagSymbol, &QToolButton::clicked, this, &TformPreferences::sbtnEditorTagSymbolClick);
    connect(ui_->sbtnEditorTagDirective, &QToolButton::clicked, this, &TformPreferences::sbtnEditorTagDirectiveClick);
    connect(ui_->sbtnEditorTagParameter, &QToolButton::clicked, this, &TformPreferences::sbtnEditorTagParameterClick);
    connect(ui_->bttnAddFtpSetting, &QPushButton::clicked, this, &TformPreferences::bttnAddFtpSettingClick);
    connect(ui_->editFtpSettingNameText, &QLineEdit::textChanged, this, &TformPreferences::editFtpSettingNameTextChange);
    connect(ui_->listFtpSettingNameText, &QListWidget::itemSelectionChanged, this,
            &TformPreferences::listFtpSettingNameTextClick);
    connect(ui_->bttnDelFtpSetting, &QPushButton::clicked, this, &TformPreferences::bttnDelFtpSettingClick);
    connect(ui_->bttnApplyFtpSetting, &QPushButton::clicked, this, &TformPreferences::bttnApplyFtpSettingClick);
    connect(ui_->bttnForgetTlsFingerprint, &QPushButton::clicked, this,
            &TformPreferences::bttnForgetTlsFingerprintClick);
    connect(ui_->cboxFtpAtomicReplace, &QCheckBox::clicked, this, [this] { atomicReplaceClicked_ = true; });
    for (FtpProtocol protocol : FtpProtocolChoices())
        ui_->cmbbFtpProtocol->addItem(FtpProtocolCaption(protocol), static_cast<int>(protocol));
    connect(ui_->cmbbFtpProtocol, &QComboBox::currentIndexChanged, this, &TformPreferences::cmbbFtpProtocolChange);
    connect(ui_->sbtnFtpKeyFile, &QToolButton::clicked, this, &TformPreferences::sbtnFtpKeyFileClick);
    connect(ui_->PageControl, &QTabWidget::currentChanged, this, &TformPreferences::updateDefaultButton);
    connectApplyEnabling();
    AddPageKeys(ui_->PageControl);
}

TformPreferences::~TformPreferences() = default;

QString TformPreferences::fieldLabel(const QLabel* label)
{
    QString text = label->text();
    text.remove(u'：');
    return text;
}

void TformPreferences::connectApplyEnabling()
{
    for (const QString& name : ApplyEnablingControls()) {
        QWidget* control = findChild<QWidget*>(name);
        Q_ASSERT(control);
        if (auto* edit = qobject_cast<QLineEdit*>(control))
            connect(edit, &QLineEdit::textChanged, this, &TformPreferences::OnChange);
        else if (auto* combo = qobject_cast<QComboBox*>(control))
            connect(combo, &QComboBox::currentIndexChanged, this, &TformPreferences::OnChange);
        else if (auto* box = qobject_cast<QCheckBox*>(control))
            connect(box, &QCheckBox::clicked, this, &TformPreferences::OnChange);
    }
}

void TformPreferences::OnChange()
{
    if (!fillingFtpGroup_)
        ui_->bttnApply->setEnabled(true);
}

void TformPreferences::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TformPreferences::FormShow()
{
    ui_->PageControl->setCurrentWidget(ui_->tabGeneral);
    LoadControls();
    ui_->bttnApply->setEnabled(false);
    ui_->cmbbBootOnAction->setFocus();
}

// --- Load and store ----------------------------------------------------------

void TformPreferences::LoadControls()
{
    const Settings& s = settings_;
    SelectIndex(ui_->cmbbBootOnAction, s.BootOnAction);
    ui_->editAuthor->setText(shown_[Author].load(s.Author));
    ui_->editEmail->setText(shown_[Email].load(s.Email));
    ui_->editSupportUrl->setText(shown_[SupportUrl].load(s.SupportUrl));
    ui_->editExternalTool->setText(shown_[ExternalTool].load(s.ExternalTool));
    ui_->cboxGenerator->setChecked(s.Generator);

    ui_->editDefaultStyleSheetFileName->setText(shown_[DefaultStyleSheet].load(s.DefaultStyleSheetFileName));
    ui_->editDefaultJavaScriptFileName->setText(shown_[DefaultJavaScript].load(s.DefaultJavaScriptFileName));
    ui_->cboxDefaultEnableStyleSheet->setChecked(s.DefaultEnableStyleSheet);
    ui_->cboxDefaultEnableJavaScript->setChecked(s.DefaultEnableJavaScript);
    SelectIndex(ui_->cmbbDefaultFooterAction, s.DefaultFooterAction);
    ui_->memoDefaultFooter->setPlainText(shown_[DefaultFooter].load(s.DefaultFooter));
    SelectIndex(ui_->cmbbDefaultTagCase, s.DefaultTagCase);

    ui_->bttnEditorFontName->setText(shown_[EditorFontName].load(s.EditorFontName));
    ui_->cboxEditorTextBold->setChecked(s.EditorTextBold);
    ui_->cboxEditorTextItalic->setChecked(s.EditorTextItalic);
    ui_->cboxEditorTagSymbolBold->setChecked(s.EditorTagSymbolBold);
    ui_->cboxEditorTagSymbolItalic->setChecked(s.EditorTagSymbolItalic);
    ui_->cboxEditorTagDirectiveBold->setChecked(s.EditorTagDirectiveBold);
    ui_->cboxEditorTagDirectiveItalic->setChecked(s.EditorTagDirectiveItalic);
    ui_->cboxEditorTagParameterBold->setChecked(s.EditorTagParameterBold);
    ui_->cboxEditorTagParameterItalic->setChecked(s.EditorTagParameterItalic);
    QFont font = FontDialog->currentFont();
    if (s.EditorFontSize > 0)
        font.setPointSize(s.EditorFontSize);
    fontList_->setCurrentFont(font);
    swatches_ = {s.EditorBGColor, s.EditorTextColor, s.EditorTagSymbolColor, s.EditorTagDirectiveColor,
                 s.EditorTagParameterColor};
    for (int i = 0; i < SwatchCount; ++i)
        paintSwatch(Swatch(i));
    ui_->cboxEditorAutoIndent->setChecked(s.EditorAutoIndent);
    ui_->cboxEditorSaveCurPos->setChecked(s.EditorSaveCurPos);

    // The group starts on the default setting, with its row selected, so
    // that what is typed into it has a setting to go to.
    ftpList_.load();
    showFtpList();
    ui_->editFtpDirName->setText(shown_[DefaultDirName].load(s.DefaultDirName));
    ui_->cboxFtpDefaultUpload->setChecked(s.DefaultUpload);
}

bool TformPreferences::StoreControls()
{
    // Every text is encoded before anything is stored, so that a refused one
    // leaves the settings as they were.
    const struct {
        Text text;
        QString label;
        QString now;
    } fields[] = {
        {Author, fieldLabel(ui_->lablAuthor), ui_->editAuthor->text()},
        {Email, fieldLabel(ui_->lablEmail), ui_->editEmail->text()},
        {SupportUrl, fieldLabel(ui_->lablSupportUrl), ui_->editSupportUrl->text()},
        {ExternalTool, fieldLabel(ui_->lablExternalTool), ui_->editExternalTool->text()},
        {DefaultStyleSheet, fieldLabel(ui_->lablDefaultStyleSheetFileName), ui_->editDefaultStyleSheetFileName->text()},
        {DefaultJavaScript, fieldLabel(ui_->lablDefaultJavaScriptFileName), ui_->editDefaultJavaScriptFileName->text()},
        {EditorFontName, fieldLabel(ui_->lablEditorFontName), ui_->bttnEditorFontName->text()},
        {DefaultDirName, fieldLabel(ui_->lablFtpDirName), ui_->editFtpDirName->text()},
    };
    std::array<SjisString, TextCount> bytes;
    for (const auto& f : fields) {
        std::optional<SjisString> encoded = EncodeFieldOrWarn(this, f.label, f.now, &shown_[f.text]);
        if (!encoded)
            return false;
        bytes[f.text] = std::move(*encoded);
    }
    // What was typed into the FTP group goes to the setting it shows.
    if (!storeFtpGroup())
        return false;
    // The footer is HTML: what code page 932 lacks becomes a character reference.
    const QString footer = ui_->memoDefaultFooter->toPlainText();
    bytes[DefaultFooter] = footer == shown_[DefaultFooter].text ? shown_[DefaultFooter].bytes
                                                                 : TextCodec::FromUnicodeWithReferences(footer);

    Settings& s = settings_;
    s.BootOnAction = SelectedIndex(ui_->cmbbBootOnAction, s.BootOnAction);
    s.Author = bytes[Author];
    s.Email = bytes[Email];
    s.SupportUrl = bytes[SupportUrl];
    s.ExternalTool = bytes[ExternalTool];
    s.Generator = ui_->cboxGenerator->isChecked();
    s.DefaultStyleSheetFileName = bytes[DefaultStyleSheet];
    s.DefaultJavaScriptFileName = bytes[DefaultJavaScript];
    s.DefaultEnableStyleSheet = ui_->cboxDefaultEnableStyleSheet->isChecked();
    s.DefaultEnableJavaScript = ui_->cboxDefaultEnableJavaScript->isChecked();
    s.DefaultFooterAction = SelectedIndex(ui_->cmbbDefaultFooterAction, s.DefaultFooterAction);
    s.DefaultFooter = bytes[DefaultFooter];
    s.DefaultTagCase = SelectedIndex(ui_->cmbbDefaultTagCase, s.DefaultTagCase);
    s.EditorFontName = bytes[EditorFontName];
    s.EditorTextBold = ui_->cboxEditorTextBold->isChecked();
    s.EditorTextItalic = ui_->cboxEditorTextItalic->isChecked();
    s.EditorTagSymbolBold = ui_->cboxEditorTagSymbolBold->isChecked();
    s.EditorTagSymbolItalic = ui_->cboxEditorTagSymbolItalic->isChecked();
    s.EditorTagDirectiveBold = ui_->cboxEditorTagDirectiveBold->isChecked();
    s.EditorTagDirectiveItalic = ui_->cboxEditorTagDirectiveItalic->isChecked();
    s.EditorTagParameterBold = ui_->cboxEditorTagParameterBold->isChecked();
    s.EditorTagParameterItalic = ui_->cboxEditorTagParameterItalic->isChecked();
    s.EditorBGColor = swatches_[EditorBG];
    s.EditorTextColor = swatches_[EditorText];
    s.EditorTagSymbolColor = swatches_[EditorTagSymbol];
    s.EditorTagDirectiveColor = swatches_[EditorTagDirective];
    s.EditorTagParameterColor = swatches_[EditorTagParameter];
    s.EditorAutoIndent = ui_->cboxEditorAutoIndent->isChecked();
    s.EditorSaveCurPos = ui_->cboxEditorSaveCurPos->isChecked();
    s.DefaultDirName = bytes[DefaultDirName];
    s.DefaultUpload = ui_->cboxFtpDefaultUpload->isChecked();
    return true;
}

void TformPreferences::bttnOkClick()
{
    if (StoreControls())
        accept();
}

void TformPreferences::bttnApplyClick()
{
    if (!StoreControls())
        return;
    LoadControls();
    ui_->bttnApply->setEnabled(false);
}

void TformPreferences::bttnCancelClick()
{
    reject();
}

// --- Pickers -------------------------------------------------------------------

void TformPreferences::pickFile(QLineEdit* edit, const QString& filter, bool programs)
{
    const QStringList filters = NameFilters(filter);
    OpenDialog->setNameFilters(filters);
    OpenDialog->selectNameFilter(filters.value(0));
    if (programs) {
        if (!programFilter_) {
            programFilter_ = new ExecutableFilter(this);
            connect(OpenDialog, &QFileDialog::filterSelected, programFilter_,
                    [this](const QString& selected) { programFilter_->setActive(selected == OpenDialog->nameFilters().value(0)); });
        }
        programFilter_->setActive(true);
        OpenDialog->setProxyModel(programFilter_);
    } else {
        OpenDialog->setProxyModel(nullptr);
    }
    const bool confirmed = OpenDialog->exec() == QDialog::Accepted && !OpenDialog->selectedFiles().isEmpty();
    if (programs)
        OpenDialog->setProxyModel(nullptr);
    if (confirmed)
        edit->setText(QDir::toNativeSeparators(OpenDialog->selectedFiles().first()));
}

void TformPreferences::sbtnDefaultStyleSheetFileNameClick()
{
    pickFile(ui_->editDefaultStyleSheetFileName,
             QStringLiteral("スタイルシートファイル（*.css）|*.css|すべてのファイル（*.*）|*.*"), false);
}

void TformPreferences::sbtnDefaultJavaScriptFileNameClick()
{
    pickFile(ui_->editDefaultJavaScriptFileName,
             QStringLiteral("JavaScript ファイル（*.js）|*.js|すべてのファイル（*.*）|*.*"), false);
}

void TformPreferences::sbtnExternalToolClick()
{
#ifdef _WIN32
    pickFile(ui_->editExternalTool, QStringLiteral("実行ファイル（*.exe）|*.exe|すべてのファイル（*.*）|*.*"), false);
#else
    // Programs here have no extension: the first filter lists what may be run.
    pickFile(ui_->editExternalTool, QStringLiteral("実行ファイル|*|すべてのファイル（*.*）|*.*"), true);
#endif
}

void TformPreferences::bttnEditorFontNameClick()
{
    // A stored font that is not installed opens on the font the editor
    // shows in its place.
    QFont preset = EditorFont(ui_->bttnEditorFontName->text(), settings_.EditorFontSize);
    preset.setBold(false);
    preset.setItalic(false);
    fontList_->setCurrentFont(preset);
    if (FontDialog->exec() != QDialog::Accepted)
        return;
    const QFont chosen = FontDialog->selectedFont();
    if (!EncodeFieldOrWarn(this, fieldLabel(ui_->lablEditorFontName), chosen.family()))
        return;
    ui_->bttnEditorFontName->setText(chosen.family());
    // The size goes straight into the settings: Cancel does not take it back.
    if (chosen.pointSize() > 0)
        settings_.EditorFontSize = chosen.pointSize();
    OnChange();
}

QFrame* TformPreferences::swatchFrame(Swatch swatch) const
{
    QFrame* frames[] = {ui_->shapEditorBG, ui_->shapEditorText, ui_->shapEditorTagSymbol, ui_->shapEditorTagDirective,
                        ui_->shapEditorTagParameter};
    return frames[swatch];
}

void TformPreferences::paintSwatch(Swatch swatch)
{
    QFrame* frame = swatchFrame(swatch);
    QPalette p = frame->palette();
    p.setColor(QPalette::Window, ColourFromBgr(swatches_[swatch]));
    frame->setPalette(p);
}

void TformPreferences::pickColour(Swatch swatch)
{
    ColorDialog->setCurrentColor(ColourFromBgr(swatches_[swatch]));
    if (ColorDialog->exec() != QDialog::Accepted)
        return;
    swatches_[swatch] = BgrFromColour(ColorDialog->selectedColor());
    paintSwatch(swatch);
}

void TformPreferences::sbtnEditorBGClick() { pickColour(EditorBG); }
void TformPreferences::sbtnEditorTextClick() { pickColour(EditorText); }
void TformPreferences::sbtnEditorTagSymbolClick() { pickColour(EditorTagSymbol); }
void TformPreferences::sbtnEditorTagDirectiveClick() { pickColour(EditorTagDirective); }
void TformPreferences::sbtnEditorTagParameterClick() { pickColour(EditorTagParameter); }
