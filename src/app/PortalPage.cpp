#include "app/PortalPage.h"

#include "app/PortalAddress.h"

#include <QWebEngineLoadingInfo>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineSettings>

namespace penshelf {

PortalPage::PortalPage(QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile, parent) {
    // The local notice stands in for Chromium's error page.
    settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    connect(this, &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
        // A link that turns out to be a download stops its load; it does not fail.
        if (info.status() == QWebEngineLoadingInfo::LoadFailedStatus) {
            setHtml(portalUnavailablePage());
        }
    });
    connect(this, &QWebEnginePage::newWindowRequested, this,
            [this](QWebEngineNewWindowRequest& request) {
                // The request is left unanswered, so no window opens. Only a
                // web page is shown instead: a file: page would show the
                // computer's files, data: and javascript: would run the
                // opener's script outside its own address.
                const QUrl url = request.requestedUrl();
                if (portalUrl(url.toString(QUrl::FullyEncoded).toStdString())) load(url);
            });
}

}  // namespace penshelf
