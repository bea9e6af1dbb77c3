#include "app/preferences.h"

#include <QSettings>
#include <algorithm>

#include "link/port_discovery.h"
#include "operations/serial_settings.h"

namespace telvaro {
namespace {

constexpr const char* kUiSection = "ui";
constexpr const char* kConfirmSuccessKey = "confirm_success";
constexpr const char* kLastPortKey = "last_port";
constexpr const char* kOtherPortsKey = "other_ports";
constexpr const char* kMonitorIntervalKey = "monitor_interval_ms";
constexpr const char* kLanguageKey = "window/language";
constexpr const char* kWindowSizeKey = "window/size";

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

std::string Preferences::OtherPorts() const { return Ui(kOtherPortsKey, "", 2048); }

void Preferences::AddOtherPort(const std::string& pair) {
  // One pair per COM number: a number typed again takes its new path.
  const std::string com = pair.substr(0, pair.find('=') + 1);
  std::string kept;
  const std::string list = OtherPorts();
  for (std::size_t at = 0; at < list.size();) {
    const std::size_t end = std::min(list.find(';', at), list.size());
    const std::string item = list.substr(at, end - at);
    if (!item.empty() && item.rfind(com, 0) != 0) kept += item + ";";
    at = end + 1;
  }
  SetUi(kOtherPortsKey, kept + pair);
}

int Preferences::MonitorIntervalMs() const {
  const std::string text = Ui(kMonitorIntervalKey, "");
  if (text.empty() || text.size() > 7 || text.find_first_not_of("0123456789") != std::string::npos) return 0;
  return std::stoi(text);
}

QSize Preferences::SavedWindowSize() { return Stored().value(kWindowSizeKey).toSize(); }

void Preferences::SaveWindowSize(const QSize& size) { Stored().setValue(kWindowSizeKey, size); }

QString Preferences::SavedLanguage() { return Stored().value(kLanguageKey).toString(); }

void Preferences::SaveLanguage(const QString& code) { Stored().setValue(kLanguageKey, code); }

std::string Preferences::Ui(const char* key, const char* fallback, std::size_t limit) const {
  return ReadProfileString(path_, kUiSection, key, fallback, limit);
}

void Preferences::SetUi(const char* key, const std::string& value) const {
  WriteProfileString(path_, kUiSection, key, value);  // not being able to is not reported
}

}  // namespace telvaro
