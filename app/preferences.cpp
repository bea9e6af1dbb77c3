#include "app/preferences.h"

#include <QSettings>

#include "link/port_discovery.h"
#include "operations/serial_settings.h"

namespace telvaro {
namespace {

constexpr const char* kUiSection = "ui";
constexpr const char* kConfirmSuccessKey = "confirm_success";
constexpr const char* kLastPortKey = "last_port";
constexpr const char* kLanguageKey = "window/language";

QSettings Stored() { return QSettings(QStringLiteral("Telvaro"), QStringLiteral("Telvaro Pro")); }

}  // namespace

Preferences::Preferences(std::string serialSettingsPath, QObject* parent)
    : QObject(parent), path_(std::move(serialSettingsPath)) {
  confirmSuccess_ = Ui(kConfirmSuccessKey, "1") != "0";
}

void Preferences::SetConfirmSuccess(bool on) {
  confirmSuccess_ = on;
  emit confirmSuccessChanged(on);
  SetUi(kConfirmSuccessKey, on ? "1" : "0");
}

std::optional<int> Preferences::LastPort() const { return ParseComName(Ui(kLastPortKey, "")); }

void Preferences::SetLastPort(int com) { SetUi(kLastPortKey, "COM" + std::to_string(com)); }

QString Preferences::SavedLanguage() { return Stored().value(kLanguageKey).toString(); }

void Preferences::SaveLanguage(const QString& code) { Stored().setValue(kLanguageKey, code); }

std::string Preferences::Ui(const char* key, const char* fallback) const {
  return ReadProfileString(path_, kUiSection, key, fallback, 64);
}

void Preferences::SetUi(const char* key, const std::string& value) const {
  WriteProfileString(path_, kUiSection, key, value);  // not being able to is not reported
}

}  // namespace telvaro
