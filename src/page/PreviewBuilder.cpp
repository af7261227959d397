#include "page/PreviewBuilder.h"

#include "document/Page.h"
#include "page/PageDocument.h"
#include "settings/Settings.h"

#include <QTimer>
#include <utility>

PreviewBuilder::PreviewBuilder(PageDocument& document, const Settings& settings, QObject* parent)
    : QObject(parent), document_(document), settings_(settings), timer_(new QTimer(this))
{
    timer_->setSingleShot(true);
    timer_->setInterval(DefaultDelayMs);
    connect(timer_, &QTimer::timeout, this, &PreviewBuilder::BuildNow);
    connect(&document_, &PageDocument::changed, this, &PreviewBuilder::Touch);
    worker_ = std::thread([this] { Work(); });
}

PreviewBuilder::~PreviewBuilder()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        waiting_.reset();
    }
    wake_.notify_one();
    worker_.join();
    // A result the worker posted and the event loop has not delivered dies
    // with this object: Qt drops the events of a deleted receiver.
}

void PreviewBuilder::SetDelay(int ms)
{
    timer_->setInterval(ms);
}

void PreviewBuilder::SetActive(bool active)
{
    active_ = active;
    if (!active_)
        timer_->stop();
}

void PreviewBuilder::Touch()
{
    // Restarted by every change: steady typing waits, the pause shows it.
    if (active_)
        timer_->start();
}

PreviewSource PreviewBuilder::Snapshot()
{
    std::optional<PageRecovery::LiveBody> live = liveBody_ ? liveBody_() : std::nullopt;
    if (live && !live->node)
        live.reset();
    Page& page = document_.page();
    if (bodiesSize_ == 0) // the first copy: growing the room as it fills costs more than a count
        for (const auto& top : page.topLevelNodes())
            top->forEachInSubtree([this](const Node* node) { bodiesSize_ += node->record().Body.size(); });
    PreviewSource source;
    // The typing goes into the copy as it stands, without ending the run:
    // swapped in for the copy and back, so the document never sees it.
    if (live)
        std::swap(live->node->record().Body, live->body);
    source.image = ImageOfPage(page, bodiesSize_);
    if (live)
        std::swap(live->node->record().Body, live->body);
    bodiesSize_ = source.image.bodies.size();
    source.options = settings_.generatorOptions();
    source.now = QDateTime::currentDateTime();
    return source;
}

int PreviewBuilder::BuildNow()
{
    timer_->stop();
    Job job{++lastId_, std::make_shared<const PreviewSource>(Snapshot())};
    {
        std::lock_guard lock(mutex_);
        waiting_ = std::move(job); // an older request not yet started is dropped
    }
    wake_.notify_one();
    return lastId_;
}

void PreviewBuilder::Work()
{
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || waiting_; });
            if (stopping_)
                return;
            job = std::move(*waiting_);
            waiting_.reset();
        }
        PreviewPage page = MakePreviewPage(*job.source);
        job.source.reset(); // a large page's copy goes now, not with the next job
        QMetaObject::invokeMethod(
            this, [this, id = job.id, page = std::move(page)] { Deliver(id, page); }, Qt::QueuedConnection);
    }
}

void PreviewBuilder::Deliver(int id, const PreviewPage& page)
{
    if (id != lastId_)
        return; // a newer request is on its way
    emit ready(page.bytes, page.charsetName, id);
}
