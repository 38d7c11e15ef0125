#include "app/PortalWeb.h"

#include "app/PortalAddress.h"
#include "app/PortalDownloads.h"
#include "app/PortalPage.h"
#include "soap/ServiceEndpoint.h"

#include <QCoreApplication>

#include <QDir>
#include <QStandardPaths>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace penshelf {
namespace {

// The page cache's limit; Chromium keeps no single answer above an eighth of it.
constexpr int portalCacheBytes = 64 << 20;

QString noServicePage() {
    const QString title = QCoreApplication::translate("PortalWeb", "未设置服务地址");
    const QString text =
        QCoreApplication::translate("PortalWeb",
                                    "未设置服务地址，无法打开此页面。服务地址由环境变量 %1 设置。")
            .arg(QString::fromLatin1(soap::serviceUrlVariable));
    return QStringLiteral(
               "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1</title>"
               "<style>body{font-family:sans-serif;color:#444;text-align:center;margin-top:4em}"
               "h1{font-size:1.4em}</style></head><body><h1>%1</h1><p>%2</p></body></html>")
        .arg(title.toHtmlEscaped(), text.toHtmlEscaped());
}

}  // namespace

PortalWeb::PortalWeb(QWebEngineView* view, DownloadList* downloads, PortalDownloads::Hooks hooks,
                     QObject* parent)
    : QObject(parent), view_(view), list_(downloads), hooks_(std::move(hooks)) {}

PortalWeb::~PortalWeb() {
    // A profile must outlive its pages; the page normally goes with the view.
    delete page_;
    delete downloads_;
    delete profile_;
}

void PortalWeb::load(const QUrl& url) {
    if (QWebEnginePage* shown = page()) shown->load(url);
}

void PortalWeb::showNotice() {
    QWebEnginePage* shown = page();
    if (!shown) return;
    // Without an address of the service, no network would help.
    shown->setHtml(qEnvironmentVariableIsEmpty(soap::serviceUrlVariable) ? noServicePage()
                                                                         : portalUnavailablePage());
}

QWebEnginePage* PortalWeb::page() {
    if (profile_ || !view_) return page_;
    // A login at the portal lasts as long as its cookie says, across runs, as
    // in the desktop's browser; the page cache is kept beside it. Without a
    // data folder nothing is kept.
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (data.isEmpty()) {
        profile_ = new QWebEngineProfile();
    } else {
        // Where Qt WebEngine puts a profile of this name anyway: it makes
        // that folder as the profile is made.
        const QString storage = QDir(data).filePath(QStringLiteral("QtWebEngine/portal"));
        profile_ = new QWebEngineProfile(QStringLiteral("portal"));
        profile_->setPersistentStoragePath(storage);
        profile_->setCachePath(QDir(storage).filePath(QStringLiteral("cache")));
        profile_->setPersistentCookiesPolicy(QWebEngineProfile::AllowPersistentCookies);
        // Chromium sizes the cache by the free disk (320 MiB here) and keeps
        // any answer up to an eighth of that: every book package downloaded
        // was also written 40 MiB deep into the cache, then thrown away. The
        // portal's pages and pictures fit in far less.
        profile_->setHttpCacheMaximumSize(portalCacheBytes);
    }
    downloads_ = new PortalDownloads(profile_, list_, hooks_);
    page_ = new PortalPage(profile_, view_);
    view_->setPage(page_);
    return page_;
}

}  // namespace penshelf
