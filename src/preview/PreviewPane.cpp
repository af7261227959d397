#include "preview/PreviewPane.h"

#include <QDesktopServices>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

// Link clicks leave the preview to the desktop's browser; everything else
// (the preview's own loads, in-page anchors, the page's scripts) stays.
class PreviewPage : public QWebEnginePage {
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
        openLink(url);
        return false;
    }
};

PreviewPane::PreviewPane(QWidget* parent) : QWidget(parent)
{
    // A profile without a storage name keeps everything in memory.
    profile_ = new QWebEngineProfile(this);
    profile_->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    profile_->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    page_ = new PreviewPage(profile_, this);
    QWebEngineSettings* settings = page_->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, true);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
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
    // While a load is under way the page reports the old position as zero:
    // keep the one taken before it.
    if (!loading_)
        restoreScroll_ = page_->scrollPosition();
    loading_ = true;
    page_->setContent(bytes, QStringLiteral("text/html;charset=") + charset, baseUrl);
}

void PreviewPane::scrollToMarker(const QString& id)
{
    if (loading_) {
        pendingMarker_ = id;
        return;
    }
    // The id is passed as a JSON-like string literal so that no quote in it
    // can end the script.
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
    if (!pendingMarker_.isEmpty()) {
        scrollToMarker(std::exchange(pendingMarker_, QString()));
    } else {
        page_->runJavaScript(
            QStringLiteral("window.scrollTo(%1,%2)").arg(restoreScroll_.x()).arg(restoreScroll_.y()));
    }
    emit pageShown(ok);
}
