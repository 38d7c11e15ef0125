#include "app/StartUp.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>

#include <unistd.h>

#include <cstdio>
#include <utility>
#include <vector>

namespace penshelf {
namespace {

struct HeldMessage {
    QtMsgType type;
    QString category;
    QString text;
};

// The handler before ours: Qt's own unless another was installed.
QtMessageHandler passOn = nullptr;
std::vector<HeldMessage> held;

QByteArray shownVariable(const char* name) {
    const QByteArray value = qgetenv(name);
    return value.isEmpty() ? QByteArrayLiteral("unset") : value;
}

void holdPlatformMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    const QString category = QString::fromLatin1(context.category ? context.category : "");
    if (type == QtFatalMsg && text.contains(QLatin1String("platform plugin"))) {
        // Qt would abort (status 134) after a page of plugin names.
        std::fprintf(stderr,
                     "penshelf: cannot open a display to show the window on (DISPLAY %s, "
                     "WAYLAND_DISPLAY %s)\n",
                     shownVariable("DISPLAY").constData(),
                     shownVariable("WAYLAND_DISPLAY").constData());
        std::fflush(stderr);
        _exit(1);
    }
    if (type != QtFatalMsg && category.startsWith(QLatin1String("qt.qpa"))) {
        held.push_back({type, category, text});
        return;
    }
    passOn(type, context, text);
}

}  // namespace

void answerInfoOptions(int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    (void)parser.parse(args);  // the unknown options are Qt's or Chromium's
    const bool helpAll = parser.isSet(QStringLiteral("help-all"));
    if (!parser.isSet(help) && !helpAll && !parser.isSet(version)) return;
    // Only an application object without a display: the help names the
    // program as it was started.
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(PENSHELF_VERSION));
    if (parser.isSet(version)) parser.showVersion();
    if (helpAll) parser.process(app);  // Qt's options shown too
    parser.showHelp();
}

DisplayFailureGuard::DisplayFailureGuard()
    : previous_(qInstallMessageHandler(holdPlatformMessages)) {
    passOn = previous_;
}

DisplayFailureGuard::~DisplayFailureGuard() {
    qInstallMessageHandler(previous_);
    for (const HeldMessage& message : std::exchange(held, {})) {
        const QByteArray category = message.category.toLatin1();
        const QMessageLogContext context(nullptr, 0, nullptr, category.constData());
        previous_(message.type, context, message.text);
    }
}

}  // namespace penshelf
