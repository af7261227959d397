#include "page/SaveRoad.h"

#include "document/Page.h"
#include "document/PagePaths.h"
#include "publish/HtmlGenerator.h"
#include "publish/HtmlWriter.h"
#include "settings/Settings.h"
#include "upload/UploadStore.h"

SaveOutcome SavePageFiles(Page& page, const Settings& settings, const SaveRequest& request)
{
    SaveOutcome outcome;
    if (request.pageFile) {
        outcome.pageFile = WritePageFile(page, settings.pageFileContext());
        if (!outcome.pageFile.ok()) {
            outcome.failed = SaveOutcome::Failed::PageFile;
            outcome.message = outcome.pageFile.message;
            return outcome;
        }
    }
    const SjisString html = GeneratePageHtml(page, settings.generatorOptions(), request.now);
    const HtmlWriteResult written = WritePageHtml(page, html, settings.StartFolder);
    if (!written.ok()) {
        outcome.failed = SaveOutcome::Failed::Html;
        outcome.message = written.message;
        return outcome;
    }
    if (request.queue) {
        try {
            UpdateQueueAfterSave(*request.queue, PagePaths::PageFilePath(page), page.Upload);
        } catch (const StoreWriteError& e) {
            outcome.failed = SaveOutcome::Failed::Queue;
            outcome.message = QString::fromStdString(e.what());
        }
    }
    return outcome;
}
