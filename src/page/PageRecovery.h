#pragma once

#include "document/PageFile.h"
#include "document/SjisString.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class Node;
class Page;
class PageDocument;
class QTimer;
class RecoveryStore;

// Keeps a copy of the open page in the recovery store while it holds
// changes its file lacks: a few seconds after a change, never at every
// keystroke. The page's bytes are made here, on the caller's thread, and
// written by the store off it.
class PageRecovery : public QObject {
    Q_OBJECT
public:
    // How long after the first change of a quiet spell the copy is written.
    static constexpr int DelayMs = 2000;

    // Typing the editor holds that is no step of the document yet.
    struct LiveBody {
        Node* node = nullptr;
        SjisString body;
        std::int32_t selStart = 0;
        std::int32_t selLength = 0;
    };

    PageRecovery(PageDocument& document, RecoveryStore& store, QObject* parent = nullptr);

    // Where the editor's typing comes from; none: the document is all.
    void SetLiveBody(std::function<std::optional<LiveBody>()> liveBody) { liveBody_ = std::move(liveBody); }

    // Something changed that the document does not know of yet (typing).
    void Touch();
    // Writes the copy at once when there are unsaved changes, and removes
    // it when there are none. Tests and shutdown call it; the timer does.
    void WriteNow();
    // Removes the page's copy: it was saved, or the user chose to lose the
    // changes. A copy waiting to be written is dropped.
    void Discard();
    // A new page is open: nothing is pending for the one before.
    void PageReplaced();

    // When the open page's copy was written, when it is newer than the
    // page file (or there is none).
    std::optional<QDateTime> NewerCopy() const;
    // Reads the open page's copy into `page`, for the caller to take.
    PageFileResult ReadCopy(Page& page, const PageFileContext& context) const;
    QString CopyPath() const;

signals:
    // The last copy could not be made (a text holds 0xFF) or written.
    void failed(const QString& message);

private:
    SjisString Key() const;
    bool HasUnsavedChanges(const std::optional<LiveBody>& live) const;

    PageDocument& document_;
    RecoveryStore& store_;
    QTimer* timer_;
    std::function<std::optional<LiveBody>()> liveBody_;
    SjisString writtenKey_; // the page file path the last copy was written for
    std::size_t bodiesSize_ = 0; // of the last copy: room for the next one
};
