#include "texts/Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace penshelf::texts {

namespace {

// The context lupdate gives the texts marked in namespace penshelf::texts.
constexpr const char* sharedContext = "penshelf::texts";

// Installs name's translation into locale's language from folder, if there is one.
bool install(const QLocale& locale, const QString& name, const QString& folder) {
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(locale, name, QStringLiteral("_"), folder)) {
        return QCoreApplication::installTranslator(translator);
    }
    delete translator;
    return false;
}

}  // namespace

void installTranslators(Program program) {
    const QString qtFolder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    const QString ours = QStringLiteral(":/i18n");
    // Simplified Chinese throughout, as the window's own texts are.
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    for (const QString& language : QLocale::system().uiLanguages()) {
        if (language == QLatin1String("C") || language == QLatin1String("POSIX")) break;
        const QLocale locale(language);
        if (locale.language() == QLocale::Chinese) {
            install(chinese, QStringLiteral("qtbase"), qtFolder);
            if (program == Program::CommandLine)
                install(chinese, QStringLiteral("penshelf-cli"), ours);
            return;
        }
        // The window's translation also holds the texts penshelf-cli shares with it.
        if (install(locale, QStringLiteral("penshelf"), ours)) {
            install(locale, QStringLiteral("qtbase"), qtFolder);
            if (program == Program::CommandLine)
                install(locale, QStringLiteral("penshelf-cli"), ours);
            return;
        }
    }
    // No language PenShelf speaks: the window keeps its Chinese, penshelf-cli its English.
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    if (program == Program::Window) {
        install(chinese, QStringLiteral("qtbase"), qtFolder);
    } else {
        install(english, QStringLiteral("penshelf"), ours);
        install(english, QStringLiteral("qtbase"), qtFolder);
    }
}

QString translated(const char* text) {
    return QCoreApplication::translate(sharedContext, text);
}

}  // namespace penshelf::texts
