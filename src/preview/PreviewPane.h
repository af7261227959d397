#pragma once

#include <QByteArray>
#include <QPointF>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <optional>

class QWebEngineProfile;
class QWebEngineView;
class PageSchemeHandler;
class PreviewWebPage;

// Shows a generated page as a browser would: the bytes in their own
// character set, relative style sheets, scripts and images resolved against
// the output file's folder, the page's scripts running. A link click opens
// the link in the desktop's browser and leaves the pane where it was. The
// pane keeps no cache, cookies or storage on disk. The page is served from
// memory under its output file's path, and everything else under that path
// is read from disk, so there is no size limit and nothing is written.
class PreviewPane : public QWidget {
    Q_OBJECT
public:
    explicit PreviewPane(QWidget* parent = nullptr);
    ~PreviewPane() override;

    // Loads `bytes`, decoded as `charset` (the name the page's meta element
    // gives), with relative addresses resolved against `baseUrl` (the output
    // file). The scroll position is kept across loads.
    void showPage(const QByteArray& bytes, const QString& charset, const QUrl& baseUrl);
    // Scrolls to the element of this id, now or once the page being loaded
    // is there.
    void scrollToMarker(const QString& id);

    QWebEngineView* view() const { return view_; }
    // What a clicked link is handed to; by default the desktop's browser.
    void setLinkOpener(std::function<void(const QUrl&)> opener);

signals:
    // A page given to showPage is shown (false: it could not be loaded).
    void pageShown(bool ok);

private:
    void Load(const QByteArray& bytes, const QString& charset, const QUrl& baseUrl);
    void loadFinished(bool ok);

    struct WaitingPage {
        QByteArray bytes;
        QString charset;
        QUrl baseUrl;
    };

    QWebEngineProfile* profile_ = nullptr;
    PageSchemeHandler* pages_ = nullptr;
    PreviewWebPage* page_ = nullptr;
    QWebEngineView* view_ = nullptr;
    QPointF restoreScroll_;
    QString pendingMarker_;
    bool loading_ = false;
    std::optional<WaitingPage> waiting_; // the newest page, shown when the load under way ends
};
