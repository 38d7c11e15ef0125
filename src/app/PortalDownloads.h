#pragma once
// Takes every download a portal page starts into the user's download folder,
// under a name nothing there has yet, and follows it in the download list
// until it has arrived, failed or been cancelled. Qt WebEngine does the
// transfer; a download interrupted midway is resumed by it as the same one.

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <map>

class QWebEngineDownloadRequest;
class QWebEngineProfile;

namespace penshelf {

class DownloadList;
class DownloadRow;

// What the downloads ask of the window.
struct PortalDownloadsHooks {
    // Told of each book package that has arrived whole, with its path; true
    // when it goes on to a pen, false when there is no pen to take it.
    // Unset: none goes to a pen.
    std::function<bool(const QString& path)> bookArrived{};
};

class PortalDownloads : public QObject {
    Q_OBJECT
  public:
    using Hooks = PortalDownloadsHooks;

    PortalDownloads(QWebEngineProfile* profile, DownloadList* list, Hooks hooks = {},
                    QObject* parent = nullptr);

  private:
    struct Download {
        QString path;  // where the file is to end up
        QPointer<DownloadRow> row;
        // The request now carrying it: a resumed download comes as a new one.
        QPointer<QWebEngineDownloadRequest> request;
    };

    void requested(QWebEngineDownloadRequest* request);
    void follow(quint32 id, QWebEngineDownloadRequest* request);
    void stateChanged(quint32 id);
    void end(quint32 id, const QString& text);

    DownloadList* list_;
    const Hooks hooks_;
    std::map<quint32, Download> downloads_;  // by the engine's download id
};

}  // namespace penshelf
