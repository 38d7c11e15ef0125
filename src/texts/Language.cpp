#include "texts/Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace penshelf::texts {

namespace {

// The context lupdate gives the texts marked in namespace penshelf::texts.
constexpr const char* sharedContext = "penshelf::texts";

enum class Language { Chinese, English };

// The first of the user's languages that PenShelf speaks; none (C, POSIX,
// or only languages without a translation) gives the program's own.
Language chosenLanguage(Program program) {
    const Language fallback = program == Program::Window ? Language::Chinese : Language::English;
    for (const QString& language : QLocale::system().uiLanguages()) {
        if (language == QLatin1String("C") || language == QLatin1String("POSIX")) return fallback;
        if (language.startsWith(QLatin1String("zh"))) return Language::Chinese;
        if (language.startsWith(QLatin1String("en"))) return Language::English;
    }
    return fallback;
}

void install(const QString& name, const QString& folder) {
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(name, folder)) {
        QCoreApplication::installTranslator(translator);
    } else {
        delete translator;
    }
}

}  // namespace

void installTranslators(Program program) {
    const Language language = chosenLanguage(program);
    const QString qtFolder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    // Simplified Chinese throughout, as the window's own texts are.
    install(language == Language::Chinese ? QStringLiteral("qtbase_zh_CN")
                                          : QStringLiteral("qtbase_en"),
            qtFolder);
    // The English of the shared texts serves penshelf-cli too.
    if (language == Language::English)
        install(QStringLiteral("penshelf_en"), QStringLiteral(":/i18n"));
    if (language == Language::Chinese && program == Program::CommandLine) {
        install(QStringLiteral("penshelf-cli_zh_CN"), QStringLiteral(":/i18n"));
    }
}

QString translated(const char* text) {
    return QCoreApplication::translate(sharedContext, text);
}

}  // namespace penshelf::texts
