// PenShelf: the desktop companion for point-reading pens.

#include "app/AppDelegate.h"
#include "device/PlatformChoice.h"
#include "texts/Language.h"

#include <QApplication>
#include <QIcon>
#include <QMainWindow>

#include <unistd.h>

#include <cstdio>

int main(int argc, char* argv[]) {
    // Qt WebEngine's sandbox refuses to start as root; the portal pages are
    // the vendor's own, shown in a view without file access.
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    QApplication app(argc, argv);
    penshelf::texts::installTranslators(penshelf::texts::Program::Window);
    QApplication::setApplicationName(QStringLiteral("PenShelf"));
    QApplication::setApplicationDisplayName(
        QCoreApplication::translate("main", "PenShelf 点读笔助手"));
    QApplication::setDesktopFileName(QStringLiteral("org.penshelf.penshelf"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.penshelf.PenShelf"),
                                                 QIcon(QStringLiteral(":/penshelf.svg"))));

    // PENSHELF_SIMULATE=<folder>: every subfolder is a pen (see SimulatedPlatform).
    const penshelf::PlatformChoice choice = penshelf::makePlatformFromEnvironment();
    if (!choice.platform) {
        std::fprintf(stderr, "penshelf: %s\n", choice.error.c_str());
        return 1;
    }
    penshelf::AppDelegate delegate(*choice.platform);
    delegate.applicationDidFinishLaunching();
    delegate.window()->show();
    return app.exec();
}
