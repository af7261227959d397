// The preview pane beside the editor and the command that opens the written
// HTML file in the desktop's browser. The pane exists only in a build with
// Qt WebEngine; without it the window has no pane and no item for it.
#include "app/TformMain.h"
#include "document/TextCodec.h"
#include "page/PageDocument.h"
#include "page/PreviewBuilder.h"
#include "page/PreviewContent.h"
#include "publish/HtmlWriter.h"
#include "ui_TformMain.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QMenu>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>

#ifdef TAV_HAVE_PREVIEW
#include "preview/PreviewPane.h"
#endif


void TformMain::createPreviewCommands()
{
    auto* browser = new QAction(QStringLiteral("ブラウザで開く(&B)"), this);
    browser->setObjectName(QStringLiteral("MainMenu_TB"));
    browser->setStatusTip(QStringLiteral("保存した HTML ファイルをデスクトップのブラウザで開きます。"));
    connect(browser, &QAction::triggered, this, &TformMain::OpenInBrowser);
    ui_->MainMenu_T->insertAction(ui_->Mainmenu_TP, browser);

#ifdef TAV_HAVE_PREVIEW
    MainMenu_TW_ = new QAction(QStringLiteral("プレビュー(&W)"), this);
    MainMenu_TW_->setObjectName(QStringLiteral("MainMenu_TW"));
    MainMenu_TW_->setCheckable(true);
    MainMenu_TW_->setShortcut(QKeySequence(Qt::Key_F12));
    MainMenu_TW_->setStatusTip(QStringLiteral("生成されるページを編集画面の横に表示します。"));
    connect(MainMenu_TW_, &QAction::toggled, this, &TformMain::setPreviewShown);
    // After the view toggle: both arrange the window's panes.
    const QList<QAction*> items = ui_->MainMenu_T->actions();
    const qsizetype after = items.indexOf(ui_->MainMenu_TV);
    ui_->MainMenu_T->insertAction(items.value(after + 1), MainMenu_TW_);
    addAction(MainMenu_TW_);

    // The editor and the pane share the place the editor had.
    previewSplitter_ = new QSplitter(Qt::Horizontal);
    previewSplitter_->setObjectName(QStringLiteral("PreviewSplitter"));
    previewSplitter_->setChildrenCollapsible(false);
    QWidget* editor = ui_->panlEditor;
    ui_->Splitter->replaceWidget(ui_->Splitter->indexOf(editor), previewSplitter_);
    previewSplitter_->addWidget(editor);
    editor->show();
    previewSplitter_->setStretchFactor(0, 1);
    ui_->Splitter->setStretchFactor(1, 1);
    connect(previewSplitter_, &QSplitter::splitterMoved, this, &TformMain::StorePreviewSettings);

    // Made off this thread from a copy of the page, the typing included.
    previewBuilder_ = new PreviewBuilder(document_, settings_, this);
    previewBuilder_->SetLiveBody([this] { return LiveBody(); });
    previewBuilder_->SetActive(false);
    connect(previewBuilder_, &PreviewBuilder::ready, this,
            [this](const QByteArray& bytes, const QString& charset, int) {
                if (!preview_ || !preview_->isVisible())
                    return;
                const QString file =
                    TextCodec::NativePath(CompleteHtmlFileName(page_.FileName, settings_.StartFolder));
                preview_->showPage(bytes, charset, QUrl::fromLocalFile(file));
            });
#endif
}

void TformMain::ApplyPreviewSettings()
{
    if (MainMenu_TW_ && MainMenu_TW_->isChecked() != settings_.Preview)
        MainMenu_TW_->setChecked(settings_.Preview);
}

void TformMain::StorePreviewSettings()
{
#ifdef TAV_HAVE_PREVIEW
    settings_.Preview = MainMenu_TW_->isChecked();
    if (preview_ && preview_->isVisible())
        settings_.Position.PreviewWidth = previewSplitter_->sizes().value(1);
#endif
}

void TformMain::setPreviewShown(bool shown)
{
#ifdef TAV_HAVE_PREVIEW
    // The pane starts its browser engine when first shown, not before:
    // a user who never opens it pays nothing for it.
    if (!preview_ && shown) {
        preview_ = new PreviewPane;
        preview_->setObjectName(QStringLiteral("PreviewPane"));
        previewSplitter_->addWidget(preview_);
        previewSplitter_->setStretchFactor(1, 0);
    }
    if (!preview_)
        return;
    if (!shown)
        StorePreviewSettings();
    preview_->setVisible(shown);
    previewBuilder_->SetActive(shown);
    settings_.Preview = shown;
    if (shown) {
        const int total = previewSplitter_->width();
        const int width = std::clamp(settings_.Position.PreviewWidth, 1, std::max(total - 1, 1));
        previewSplitter_->setSizes({std::max(total - width, 1), width});
        RefreshPreview();
    }
#else
    (void)shown;
#endif
}

// Generates the page as it is in memory and shows it, converted as the HTML
// file will be, with relative addresses resolved in the output file's folder.
void TformMain::RefreshPreview()
{
#ifdef TAV_HAVE_PREVIEW
    if (!preview_ || !preview_->isVisible())
        return;
    previewBuilder_->BuildNow();
#endif
}

// The preview follows the typing, and the selection to its node's heading.
void TformMain::PreviewTyped()
{
#ifdef TAV_HAVE_PREVIEW
    if (previewBuilder_ && previewBuilder_->IsActive())
        previewBuilder_->Touch();
#endif
}

void TformMain::PreviewShowNode(const Node* node)
{
#ifdef TAV_HAVE_PREVIEW
    if (preview_ && preview_->isVisible() && node) {
        const QString anchor = PreviewAnchorIdOf(page_, node);
        if (!anchor.isEmpty())
            preview_->scrollToMarker(anchor);
    }
#else
    (void)node;
#endif
}

void TformMain::OpenInBrowser()
{
    const QString file = TextCodec::NativePath(CompleteHtmlFileName(page_.FileName, settings_.StartFolder));
    if (!QFileInfo::exists(file)) {
        statusBar()->showMessage(QStringLiteral("HTML ファイルがまだありません。保存してから開いてください。"));
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}
