#pragma once
// What the web view of the portal tabs runs on: a page in a profile that
// keeps the portal's cookies and cache in the user's data folder between
// runs, and the downloads it starts. Made when the first page is shown, so
// the web engine starts only once a portal tab is chosen.

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QUrl;
class QWebEnginePage;
class QWebEngineProfile;
class QWebEngineView;

namespace penshelf {

class DownloadList;
class PortalDownloads;

class PortalWeb : public QObject {
    Q_OBJECT
  public:
    PortalWeb(QWebEngineView* view, DownloadList* downloads, QObject* parent = nullptr);
    ~PortalWeb() override;

    void load(const QUrl& page);
    // The local notice, for when there is no page to show.
    void showNotice();

    // Told of each book package downloaded whole; see PortalDownloads.
    std::function<bool(const QString& path)> bookArrived;

  private:
    QWebEnginePage* page();

    QPointer<QWebEngineView> view_;
    DownloadList* list_;
    QWebEngineProfile* profile_ = nullptr;
    QPointer<QWebEnginePage> page_;
    PortalDownloads* downloads_ = nullptr;
};

}  // namespace penshelf
