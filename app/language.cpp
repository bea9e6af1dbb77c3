#include "app/language.h"
#include "app/preferences.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

namespace telvaro {
namespace {

constexpr const char* kFilePrefix = "telvaro_";

// The shipped translations and the name each language calls itself.
struct Shipped {
  const char* code;
  const char* name;
};
constexpr Shipped kShipped[] = {{"de", "Deutsch"}, {"zh_CN", "简体中文"}};

// Beside the program, in the build tree beside its folder, and where the
// package installs them.
QStringList TranslationFolders() {
  const QString dir = QCoreApplication::applicationDirPath();
  return {dir + "/translations", dir + "/../translations", dir + "/../share/telvaro-pro/translations"};
}

QString TranslationFile(const QString& code) {
  for (const QString& folder : TranslationFolders()) {
    const QString path = QDir(folder).filePath(kFilePrefix + code + ".qm");
    if (QFile::exists(path)) return path;
  }
  return QString();
}

// The shipped code that serves a requested language: "de_AT" is served by
// "de", "zh" and "zh_Hans_CN" by "zh_CN".
QString ShippedCodeFor(const QString& requested) {
  const QLocale locale(requested);
  for (const Shipped& shipped : kShipped) {
    const QLocale candidate(QString::fromLatin1(shipped.code));
    if (locale.language() == candidate.language() && locale.language() != QLocale::C) return shipped.code;
  }
  return QString();
}

std::unique_ptr<QTranslator>& Installed() {
  static std::unique_ptr<QTranslator> translator;
  return translator;
}
QString& Current() {
  static QString code = QStringLiteral("en");
  return code;
}
std::unique_ptr<QTranslator>& InstalledQt() {
  static std::unique_ptr<QTranslator> translator;
  return translator;
}

}  // namespace

QCommandLineOption LanguageOption() {
  return QCommandLineOption(
      "lang", "Shows the window in <language> (en, de, zh_CN); the system's language otherwise.", "language");
}

std::vector<Language> AvailableLanguages() {
  std::vector<Language> languages{{QStringLiteral("en"), QStringLiteral("English")}};
  for (const Shipped& shipped : kShipped)
    if (!TranslationFile(shipped.code).isEmpty())
      languages.push_back({QString::fromLatin1(shipped.code), QString::fromUtf8(shipped.name)});
  return languages;
}

QString InstallLanguage(const QString& requested) {
  for (auto* slot : {&Installed(), &InstalledQt()}) {
    if (*slot) QCoreApplication::removeTranslator(slot->get());
    slot->reset();
  }
  Current() = QStringLiteral("en");
  QString wanted = requested;
  if (wanted.isEmpty()) wanted = Preferences::SavedLanguage();
  if (wanted.isEmpty()) wanted = QLocale::system().name();
  const QString code = ShippedCodeFor(wanted);
  const QString file = code.isEmpty() ? QString() : TranslationFile(code);
  auto translator = std::make_unique<QTranslator>();
  if (file.isEmpty() || !translator->load(file)) return QStringLiteral("en");
  QCoreApplication::installTranslator(translator.get());
  Installed() = std::move(translator);
  Current() = code;
  // Qt's own texts (the Yes and No of message boxes, the file dialogs), when
  // the system has them.
  auto qt = std::make_unique<QTranslator>();
  if (qt->load(QLocale(code), QStringLiteral("qtbase"), QStringLiteral("_"),
               QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(qt.get());
    InstalledQt() = std::move(qt);
  }
  return code;
}

QString CurrentLanguage() { return Current(); }

}  // namespace telvaro
