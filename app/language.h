// The window's language. It follows the system's locale unless the operator
// chose one (Settings > Language, kept for the next start) or the command
// line gives --lang; a text without a translation stays in English, and
// English is always offered.
#pragma once

#include <QCommandLineOption>
#include <QString>
#include <vector>

namespace telvaro {

struct Language {
  QString code;  // "en", "de", "zh_CN"
  QString name;  // in its own language
};

// The program's --lang option; its value goes to InstallLanguage.
QCommandLineOption LanguageOption();

// English, then each language whose translation is installed.
std::vector<Language> AvailableLanguages();

// Installs the translation for `requested` (a code such as "de" or "zh_CN",
// or a locale name such as "de_AT.UTF-8"); when empty, the operator's saved
// choice, else the system's locale. Replaces what an earlier call installed.
// Returns the code in effect ("en" when no translation fits).
QString InstallLanguage(const QString& requested = QString());

// The code InstallLanguage put in effect last ("en" before any call).
QString CurrentLanguage();

}  // namespace telvaro
