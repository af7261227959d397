#include "page/PageRecovery.h"

#include "document/Page.h"
#include "document/PagePaths.h"
#include "document/TextCodec.h"
#include "page/PageDocument.h"
#include "page/RecoveryStore.h"

#include <QFile>
#include <QTimer>
#include <memory>

PageRecovery::PageRecovery(PageDocument& document, RecoveryStore& store, QObject* parent)
    : QObject(parent), document_(document), store_(store), timer_(new QTimer(this))
{
    timer_->setSingleShot(true);
    timer_->setInterval(DelayMs);
    connect(timer_, &QTimer::timeout, this, &PageRecovery::WriteNow);
    connect(&document_, &PageDocument::changed, this, &PageRecovery::Touch);
    // Only a save removes the copy at once. A new page starting over must
    // not take the copy it may be offered; undoing back to the saved state
    // is a change like any other, and the timer finds nothing to keep.
    connect(&document_, &PageDocument::saved, this, &PageRecovery::Discard);
}

SjisString PageRecovery::Key() const
{
    return PagePaths::PageFilePath(document_.page());
}

QString PageRecovery::CopyPath() const
{
    return store_.CopyPath(Key());
}

void PageRecovery::Touch()
{
    // Not restarted by each keystroke: steady typing still gets its copy.
    if (!timer_->isActive())
        timer_->start();
}

bool PageRecovery::HasUnsavedChanges(const std::optional<LiveBody>& live) const
{
    return document_.IsModified() || (live && live->body != live->node->record().Body);
}

void PageRecovery::WriteNow()
{
    timer_->stop();
    std::optional<LiveBody> live = liveBody_ ? liveBody_() : std::nullopt;
    if (live && !live->node)
        live.reset();
    if (!HasUnsavedChanges(live)) {
        Discard();
        return;
    }
    // The typing goes into the copy as it stands, without ending the run.
    // Only the page's content is copied here; its bytes are made and
    // written off this thread.
    Page& page = document_.page();
    if (bodiesSize_ == 0) // the first copy: growing the room as it fills costs more than a count
        for (const auto& top : page.topLevelNodes())
            top->forEachInSubtree([this](const Node* node) { bodiesSize_ += node->record().Body.size(); });
    PageFileImage image;
    if (live) {
        TRecord& record = live->node->record();
        std::swap(record.Body, live->body);
        std::swap(record.SelStart, live->selStart);
        std::swap(record.SelLength, live->selLength);
        image = ImageOfPage(page, bodiesSize_);
        std::swap(record.Body, live->body);
        std::swap(record.SelStart, live->selStart);
        std::swap(record.SelLength, live->selLength);
    } else {
        image = ImageOfPage(page, bodiesSize_);
    }
    bodiesSize_ = image.bodies.size();
    const SjisString key = Key();
    if (!writtenKey_.empty() && writtenKey_ != key)
        store_.Remove(writtenKey_); // the page was renamed: one copy per page
    const QString previousError = store_.LastError();
    auto shared = std::make_shared<const PageFileImage>(std::move(image));
    store_.Write(key, [shared]() -> RecoveryStore::CopyBytes {
        if (std::optional<QByteArray> bytes = PageFileBytes(*shared))
            return {std::move(*bytes), {}};
        return {{}, QStringLiteral("ページファイルに保存できないバイト (0xFF) がテキストに含まれています。")};
    });
    writtenKey_ = key;
    if (!previousError.isEmpty())
        emit failed(previousError);
}

void PageRecovery::Discard()
{
    timer_->stop();
    if (!writtenKey_.empty() && writtenKey_ != Key())
        store_.Remove(writtenKey_);
    store_.Remove(Key());
    writtenKey_.clear();
}

void PageRecovery::PageReplaced()
{
    timer_->stop();
    writtenKey_.clear();
}

std::optional<QDateTime> PageRecovery::NewerCopy() const
{
    return store_.NewerCopy(Key());
}

PageFileResult PageRecovery::ReadCopy(Page& page, const PageFileContext& context) const
{
    const QString path = CopyPath();
    QFile file(path);
    const SjisString shownPath = TextCodec::FromUnicodeWithReferences(path);
    if (!file.open(QIODevice::ReadOnly)) {
        PageFileResult result;
        result.status = PageFileStatus::CannotOpen;
        result.path = shownPath;
        result.message = QStringLiteral("復元用コピー “%1” を開けません。\n%2").arg(path, file.errorString());
        return result;
    }
    return ReadPageFileFrom(file, page, context, shownPath);
}
