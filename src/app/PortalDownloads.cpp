#include "app/PortalDownloads.h"

#include "app/DesktopNotifications.h"
#include "app/DownloadList.h"
#include "app/DownloadName.h"
#include "app/WindowTexts.h"
#include "books/BookHeader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QStandardPaths>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>

namespace penshelf {
namespace {

using Reason = QWebEngineDownloadRequest::DownloadInterruptReason;

// Chromium's reason for an interrupted download, as the user is told it.
const char* reasonText(Reason reason) {
    switch (reason) {
        case Reason::FileNoSpace:
            return texts::diskFull;
        case Reason::FileAccessDenied:
            return texts::folderNotWritable;
        case Reason::FileNameTooLong:
            return texts::nameTooLong;
        case Reason::NetworkTimeout:
            return texts::networkTimeout;
        case Reason::NetworkDisconnected:
            return texts::networkDown;
        case Reason::ServerUnauthorized:
        case Reason::ServerForbidden:
            return texts::serverRefused;
        case Reason::ServerCertProblem:
            return texts::serverCertificate;
        default:
            break;
    }
    const int code = static_cast<int>(reason);
    // 38: the connection ended before the announced length had arrived.
    if (code == 38) return texts::transferCut;
    if (code >= 1 && code < 20) return texts::fileNotSaved;
    if (code >= 20 && code < 30) return texts::networkFailed;
    if (code >= 30 && code < 40) return texts::serverFailed;
    return texts::unknownFailure;
}

QString failed(const char* reason) {
    return texts::translated(texts::downloadFailed) + texts::translated(reason);
}

QString withPath(const char* text, const QString& path) {
    return texts::translated(text).arg(QDir::toNativeSeparators(path));
}

}  // namespace

PortalDownloads::PortalDownloads(QWebEngineProfile* profile, DownloadList* list, Hooks hooks,
                                 QObject* parent)
    : QObject(parent), list_(list), hooks_(std::move(hooks)) {
    connect(profile, &QWebEngineProfile::downloadRequested, this, &PortalDownloads::requested);
}

void PortalDownloads::requested(QWebEngineDownloadRequest* request) {
    const quint32 id = request->id();
    if (downloads_.count(id)) {
        // Resumed after an interruption: the same download into the same file.
        follow(id, request);
        request->accept();
        return;
    }
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    const QString name = unusedDownloadName(
        folder, plainDownloadName(request->suggestedFileName()), [&](const QString& candidate) {
            const QString path = QDir(folder).filePath(candidate);
            for (const auto& [other, download] : downloads_) {
                if (download.path == path) return true;
            }
            return false;
        });
    DownloadRow* row = list_->addRow(name);
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        request->cancel();
        row->end(failed(texts::noDownloadFolder));
        return;
    }
    downloads_[id] = Download{.path = QDir(folder).filePath(name), .row = row, .request = {}};
    connect(row->cancel, &QPushButton::clicked, this, [this, id] {
        const auto found = downloads_.find(id);
        if (found != downloads_.end() && found->second.request) found->second.request->cancel();
    });
    // The name is set whole: a folder part in it would lead out of the folder.
    request->setDownloadDirectory(folder);
    request->setDownloadFileName(name);
    follow(id, request);
    request->accept();
}

void PortalDownloads::follow(quint32 id, QWebEngineDownloadRequest* request) {
    downloads_[id].request = request;
    const auto progress = [this, id, request] {
        const auto found = downloads_.find(id);
        if (found == downloads_.end() || found->second.request != request) return;
        if (found->second.row) {
            found->second.row->setProgress(request->receivedBytes(), request->totalBytes());
        }
    };
    connect(request, &QWebEngineDownloadRequest::receivedBytesChanged, this, progress);
    connect(request, &QWebEngineDownloadRequest::totalBytesChanged, this, progress);
    connect(request, &QWebEngineDownloadRequest::stateChanged, this, [this, id, request] {
        const auto found = downloads_.find(id);
        if (found != downloads_.end() && found->second.request == request) stateChanged(id);
    });
}

void PortalDownloads::stateChanged(quint32 id) {
    Download& download = downloads_[id];
    QWebEngineDownloadRequest* request = download.request;
    switch (request->state()) {
        case QWebEngineDownloadRequest::DownloadCompleted: {
            const QString path = download.path;
            QString text = withPath(texts::fileDownloaded, path);
            if (isBookPackageSource(QFile::encodeName(path).toStdString())) {
                const bool toPen = hooks_.bookArrived && hooks_.bookArrived(path);
                text = withPath(toPen ? texts::bookDownloaded : texts::bookDownloadedNoPen, path);
            }
            notifyDesktop(QCoreApplication::translate("PortalDownloads", "下载完成"), text);
            end(id, text);
            break;
        }
        case QWebEngineDownloadRequest::DownloadInterrupted: {
            // Qt WebEngine has given up resuming it, but keeps the part that
            // arrived, even once cancelled. The name was free when the
            // download began, so that file is this download's own.
            const QString partial = partialDownloadName(download.path);
            const QString text = failed(reasonText(request->interruptReason()));
            notifyDesktop(QCoreApplication::translate("PortalDownloads", "下载失败"), text);
            end(id, text);
            request->cancel();
            QFile::remove(partial);
            break;
        }
        case QWebEngineDownloadRequest::DownloadCancelled:
            end(id, texts::translated(texts::downloadCancelled));
            break;
        default:
            break;
    }
}

void PortalDownloads::end(quint32 id, const QString& text) {
    const auto found = downloads_.find(id);
    if (found == downloads_.end()) return;
    if (found->second.row) found->second.row->end(text);
    downloads_.erase(found);
}

}  // namespace penshelf
