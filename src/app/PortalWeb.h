#pragma once
// What the web view of the portal tabs runs on: a page in a profile that
// keeps the portal's cookies and cache in the user's data folder between
// runs, and the downloads it starts. Made when the first page is shown, so
// the web engine starts only once a portal tab is chosen.

#include "app/PortalDownloads.h"

#include <QObject>
#include <QPointer>
#include <QString>

class QUrl;
class QWebEnginePage;
class QWebEngineProfile;
class QWebEngineView;

namespace penshelf {

class DownloadList;

class PortalWeb : public QObject {
    Q_OBJECT
  public:
    // hooks go on to the downloads the pages start.
    PortalWeb(QWebEngineView* view, DownloadList* downloads, PortalDownloads::Hooks hooks = {},
              QObject* parent = nullptr);
    ~PortalWeb() override;

    void load(const QUrl& page);
    // The local notice, for when there is no page to show.
    void showNotice();

  private:
    QWebEnginePage* page();

    QPointer<QWebEngineView> view_;
    DownloadList* list_;
    const PortalDownloads::Hooks hooks_;
    QWebEngineProfile* profile_ = nullptr;
    QPointer<QWebEnginePage> page_;
    PortalDownloads* downloads_ = nullptr;
};

}  // namespace penshelf
