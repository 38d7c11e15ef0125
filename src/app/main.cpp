// PenShelf: the desktop companion for point-reading pens.

#include "app/AppDelegate.h"
#include "books/MountTable.h"

#include <QApplication>
#include <QMainWindow>

#include <unistd.h>

int main(int argc, char* argv[]) {
    // Qt WebEngine's sandbox refuses to start as root; the portal pages are
    // the vendor's own, shown in a view without file access.
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("PenShelf"));
    QApplication::setApplicationDisplayName(QStringLiteral("PenShelf 点读笔助手"));

    penshelf::MountTable volumes;
    penshelf::AppDelegate delegate(volumes);
    delegate.applicationDidFinishLaunching();
    delegate.window()->show();
    return app.exec();
}
