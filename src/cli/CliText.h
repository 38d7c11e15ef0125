#pragma once
// penshelf-cli's own texts, written in English, in the user's language
// (translations/penshelf-cli_zh_CN.ts). lupdate files a tr() under the class
// or namespace it is written in: call it outside classes, in penshelf::cli.

#include "texts/Message.h"

#include <QCoreApplication>

#include <initializer_list>
#include <string>
#include <string_view>

namespace penshelf::cli {

// lupdate files the tr() calls of a function with std:: in its signature
// under "std": such functions spell the type Text.
using Text = std::string;

// text translated, with %1…%9 filled in by values (texts::fillIn).
inline std::string tr(const char* text, std::initializer_list<std::string_view> values = {}) {
    return texts::fillIn(QCoreApplication::translate("penshelf::cli", text).toStdString(), values);
}

// A text marked CLI_TEXT or WINDOW_TEXT in src/texts, with values filled in.
inline std::string sharedText(const char* text,
                              std::initializer_list<std::string_view> values = {}) {
    return texts::fillIn(texts::translatedUtf8(text), values);
}

}  // namespace penshelf::cli
