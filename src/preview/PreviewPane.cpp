#include "preview/PreviewPane.h"

#include <QBuffer>
#include <QDesktopServices>
#include <QFile>
#include <QMimeDatabase>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>
#include <QWebEngineUrlSchemeHandler>
#include <QWebEngineView>

namespace {

// The preview's own addresses: the path of a local file, so that relative
// addresses in the page resolve as they do beside the output file.
const QByteArray SchemeName = QByteArrayLiteral("tav-preview");

// Must happen before the engine starts, that is before the first profile.
void RegisterScheme()
{
    static const bool registered = [] {
        QWebEngineUrlScheme scheme(SchemeName);
        scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
        scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::LocalScheme
                        | QWebEngineUrlScheme::LocalAccessAllowed);
        QWebEngineUrlScheme::registerScheme(scheme);
        return true;
    }();
    (void)registered;
}

QUrl PreviewUrl(const QUrl& fileUrl)
{
    QUrl url = fileUrl;
    url.setScheme(QString::fromLatin1(SchemeName));
    return url;
}

QUrl FileUrl(const QUrl& previewUrl)
{
    if (previewUrl.scheme() != QLatin1String(SchemeName))
        return previewUrl;
    QUrl url = previewUrl;
    url.setScheme(QStringLiteral("file"));
    return url;
}

} // namespace

// Answers the preview's addresses: the page from memory, anything else as
// the file of that path, read from disk as a web server would.
class PageSchemeHandler : public QWebEngineUrlSchemeHandler {
public:
    using QWebEngineUrlSchemeHandler::QWebEngineUrlSchemeHandler;
    QString pagePath;
    QByteArray bytes;
    QByteArray contentType;

    void requestStarted(QWebEngineUrlRequestJob* job) override
    {
        const QString path = job->requestUrl().path();
        if (path == pagePath) {
            auto* buffer = new QBuffer(job);
            buffer->setData(bytes);
            job->reply(contentType, buffer);
            return;
        }
        auto* file = new QFile(path, job);
        if (!file->open(QIODevice::ReadOnly)) {
            job->fail(QWebEngineUrlRequestJob::UrlNotFound);
            return;
        }
        const QString type = QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension).name();
        job->reply(type.toUtf8(), file);
    }
};

// Link clicks leave the preview to the desktop's browser; everything else
// (the preview's own loads, in-page anchors, the page's scripts) stays.
class PreviewWebPage : public QWebEnginePage {
public:
    using QWebEnginePage::QWebEnginePage;
    std::function<void(const QUrl&)> openLink = [](const QUrl& url) { QDesktopServices::openUrl(url); };

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override
    {
        if (type != NavigationTypeLinkClicked || !isMainFrame)
            return true;
        // The hidden sections' toggles and in-page anchors do not leave the page.
        if (url.scheme() == QLatin1String("javascript"))
            return true;
        if (url.hasFragment() && url.adjusted(QUrl::RemoveFragment) == this->url().adjusted(QUrl::RemoveFragment))
            return true;
        openLink(FileUrl(url));
        return false;
    }

    // A link with a target (target="_blank") asks for a new window: a page
    // of its own catches that window's first address and hands it over.
    QWebEnginePage* createWindow(WebWindowType) override
    {
        auto* catcher = new LinkCatcher(profile(), this);
        catcher->openLink = openLink;
        return catcher;
    }

private:
    class LinkCatcher : public QWebEnginePage {
    public:
        using QWebEnginePage::QWebEnginePage;
        std::function<void(const QUrl&)> openLink;

    protected:
        bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override
        {
            if (!handedOver_) {
                handedOver_ = true;
                openLink(FileUrl(url));
                deleteLater();
            }
            return false;
        }

    private:
        bool handedOver_ = false;
    };
};

PreviewPane::PreviewPane(QWidget* parent) : QWidget(parent)
{
    RegisterScheme();
    // A profile without a storage name keeps everything in memory; with no
    // cache at all, a style sheet changed on disk shows at the next refresh.
    profile_ = new QWebEngineProfile(this);
    profile_->setHttpCacheType(QWebEngineProfile::NoCache);
    profile_->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    pages_ = new PageSchemeHandler(this);
    profile_->installUrlSchemeHandler(SchemeName, pages_);
    page_ = new PreviewWebPage(profile_, this);
    QWebEngineSettings* settings = page_->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, true);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    // Each refresh is a load: the keys stay with the tree or the editor.
    settings->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    view_ = new QWebEngineView(this);
    view_->setPage(page_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    connect(page_, &QWebEnginePage::loadFinished, this, &PreviewPane::loadFinished);
}

PreviewPane::~PreviewPane()
{
    // The page goes before its profile.
    delete view_;
    delete page_;
}

void PreviewPane::setLinkOpener(std::function<void(const QUrl&)> opener)
{
    page_->openLink = std::move(opener);
}

void PreviewPane::showPage(const QByteArray& bytes, const QString& charset, const QUrl& baseUrl)
{
    // A large page can take longer to load than the pause between two
    // refreshes: starting over would show nothing until the typing stops,
    // so the newest page waits for the one under way.
    if (loading_) {
        waiting_ = WaitingPage{bytes, charset, baseUrl};
        return;
    }
    // While a load is under way the page reports the old position as zero:
    // keep the one taken before it.
    restoreScroll_ = page_->scrollPosition();
    Load(bytes, charset, baseUrl);
}

void PreviewPane::Load(const QByteArray& bytes, const QString& charset, const QUrl& baseUrl)
{
    loading_ = true;
    pages_->pagePath = baseUrl.path();
    pages_->bytes = bytes;
    pages_->contentType = "text/html;charset=" + charset.toLatin1();
    page_->load(PreviewUrl(baseUrl));
}

void PreviewPane::scrollToMarker(const QString& id)
{
    if (loading_) {
        pendingMarker_ = id;
        return;
    }
    // Escaped, so that no quote in the id can end the script's string.
    QString literal = id;
    literal.replace(QLatin1Char('\\'), QLatin1String("\\\\")).replace(QLatin1Char('\''), QLatin1String("\\'"));
    page_->runJavaScript(QStringLiteral("(function(){var e=document.getElementById('%1');"
                                        "if(e)e.scrollIntoView();})()")
                             .arg(literal));
}

void PreviewPane::loadFinished(bool ok)
{
    if (!loading_)
        return; // a navigation inside the page (an anchor), not ours
    loading_ = false;
    if (!pendingMarker_.isEmpty() && !waiting_) {
        scrollToMarker(std::exchange(pendingMarker_, QString()));
    } else {
        page_->runJavaScript(
            QStringLiteral("window.scrollTo(%1,%2)").arg(restoreScroll_.x()).arg(restoreScroll_.y()));
    }
    const std::optional<WaitingPage> next = std::exchange(waiting_, std::nullopt);
    emit pageShown(ok);
    // Unless a receiver of the signal already showed a newer page.
    if (next && !loading_)
        Load(next->bytes, next->charset, next->baseUrl);
}
