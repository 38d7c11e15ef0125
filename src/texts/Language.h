#pragma once
// The language each program speaks, and the translated form of a shared text.
//
// The window's texts are written in Chinese and translated into English
// (translations/penshelf_en.ts); penshelf-cli's own texts are written in
// English and translated into Chinese (translations/penshelf-cli_zh_CN.ts).
// lupdate finds a text by its mark: WINDOW_TEXT or CLI_TEXT in these headers
// (each program's lupdate knows only its own mark), tr() in penshelf-cli and
// in the window's classes.

#include <QString>

#include <string>

// A shared text in the window's language (Chinese).
#define WINDOW_TEXT(text) text
// A shared text in the command line's language (English).
#define CLI_TEXT(text) text

namespace penshelf::texts {

enum class Program { Window, CommandLine };

// Installs the translators for the language the user's environment asks for
// (LANGUAGE, then LC_ALL, LC_MESSAGES, LANG): the first of them that is
// Chinese or has a window translation, Qt's own texts included. The window
// stays in Chinese under C and POSIX and where no translation matches;
// penshelf-cli speaks English there. Call once the application object exists.
void installTranslators(Program program);

// A text marked WINDOW_TEXT or CLI_TEXT in the installed language.
QString translated(const char* text);
inline std::string translatedUtf8(const char* text) {
    return translated(text).toStdString();
}

}  // namespace penshelf::texts
