// PenShelf: the desktop companion for point-reading pens.

#include "app/AppDelegate.h"
#include "app/SingleInstance.h"
#include "app/StartUp.h"
#include "app/WindowGeometry.h"
#include "device/PlatformChoice.h"
#include "texts/Language.h"

#include <QApplication>
#include <QIcon>
#include <QMainWindow>

#include <unistd.h>

#include <cstdio>
#include <optional>

int main(int argc, char* argv[]) {
    penshelf::answerInfoOptions(argc, argv);
    // Qt WebEngine's sandbox refuses to start as root; the portal pages are
    // the vendor's own, shown in a view without file access.
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    std::optional<penshelf::DisplayFailureGuard> displayGuard(std::in_place);
    QApplication app(argc, argv);
    displayGuard.reset();
    penshelf::texts::installTranslators(penshelf::texts::Program::Window);
    QApplication::setApplicationName(QStringLiteral("PenShelf"));
    QApplication::setApplicationDisplayName(
        QCoreApplication::translate("main", "PenShelf 点读笔助手"));
    QApplication::setDesktopFileName(QStringLiteral("org.penshelf.penshelf"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.penshelf.PenShelf"),
                                                 QIcon(QStringLiteral(":/penshelf.svg"))));

    penshelf::SingleInstance instance;
    if (instance.handedOver()) return 0;

    // PENSHELF_SIMULATE=<folder>: every subfolder is a pen (see SimulatedPlatform).
    const penshelf::PlatformChoice choice = penshelf::makePlatformFromEnvironment();
    if (!choice.platform) {
        std::fprintf(stderr, "penshelf: %s\n", choice.error.c_str());
        return 1;
    }
    penshelf::AppDelegate delegate(*choice.platform);
    delegate.applicationDidFinishLaunching();
    instance.setWindow(delegate.window());
    penshelf::rememberGeometry(delegate.window());
    delegate.window()->show();
    return app.exec();
}
