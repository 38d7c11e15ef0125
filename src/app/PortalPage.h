#pragma once
// The portal's page in the web view. A new window that a link or a script
// asks for opens in the same view when it is a web page and not at all
// otherwise; a page that cannot be reached gives way to the local notice.

#include <QWebEnginePage>

namespace penshelf {

class PortalPage : public QWebEnginePage {
    Q_OBJECT
  public:
    PortalPage(QWebEngineProfile* profile, QObject* parent = nullptr);
};

}  // namespace penshelf
