#pragma once

#include "page/PageRecovery.h"
#include "page/PreviewContent.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class PageDocument;
class QTimer;
struct Settings;

// Makes the preview's bytes while the user writes. A build copies the page
// on the GUI thread (the one cost the editor feels) and generates and
// converts it on a worker thread of its own. Requests never queue up: the
// newest replaces one still waiting, and a result that a newer request has
// overtaken is dropped, so `ready` brings only the newest page.
class PreviewBuilder : public QObject {
    Q_OBJECT
public:
    // How long the page must stay unchanged before a build starts.
    static constexpr int DefaultDelayMs = 300;

    PreviewBuilder(PageDocument& document, const Settings& settings, QObject* parent = nullptr);
    ~PreviewBuilder() override; // waits for the build under way, if any

    // Where the editor's typing comes from; none: the document is all.
    void SetLiveBody(std::function<std::optional<PageRecovery::LiveBody>()> liveBody) { liveBody_ = std::move(liveBody); }
    void SetDelay(int ms);
    // Inactive (no pane shows the page), changes start no builds.
    void SetActive(bool active);
    bool IsActive() const { return active_; }

    // Something changed (the document announces its own changes; typing is
    // announced by the editor): build once changes pause for the delay.
    void Touch();
    // Builds at once, active or not; returns the request's id, which grows.
    int BuildNow();

    // The copy a build works on, as it stands now (the editor's typing
    // included), with the preferences the save uses.
    PreviewSource Snapshot();

signals:
    void ready(const QByteArray& bytes, const QString& charsetName, int requestId);

private:
    struct Job {
        int id = 0;
        std::shared_ptr<const PreviewSource> source;
    };
    void Work();
    void Deliver(int id, const PreviewPage& page);

    PageDocument& document_;
    const Settings& settings_;
    QTimer* timer_;
    std::function<std::optional<PageRecovery::LiveBody>()> liveBody_;
    bool active_ = true;
    int lastId_ = 0;
    std::size_t bodiesSize_ = 0; // of the last copy: room for the next one

    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<Job> waiting_; // guarded by mutex_
    bool stopping_ = false;      // guarded by mutex_
    std::thread worker_;
};
