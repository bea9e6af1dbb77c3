#include "app/preferences.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <algorithm>
#include <vector>

#include "link/network_address.h"
#include "link/port_discovery.h"
#include "operations/serial_settings.h"

namespace telvaro {
namespace {

constexpr const char* kConfirmSuccessKey = "window/confirm_success";
constexpr const char* kLastPortKey = "window/last_port";
constexpr const char* kOtherPortsKey = "window/other_ports";
constexpr const char* kMonitorIntervalKey = "window/monitor_interval_ms";
constexpr const char* kLanguageKey = "window/language";
constexpr const char* kWindowSizeKey = "window/size";

// Where an earlier version kept the first two, and under which keys.
constexpr const char* kOldSection = "ui";
constexpr const char* kOldConfirmSuccessKey = "confirm_success";
constexpr const char* kOldLastPortKey = "last_port";

QString UserFolder() {
#ifdef _WIN32
  const QString roaming = qEnvironmentVariable("APPDATA");
  if (!roaming.isEmpty()) return QDir::fromNativeSeparators(roaming) + "/Telvaro";
#endif
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/Telvaro";
}

#ifdef _WIN32
// Windows keeps the window's preferences beside the serial settings file, so a
// copy run from a stick keeps its own and an installed one uses %APPDATA%.
constexpr const char* kWindowsPreferencesFile = "Telvaro_Pro_user.ini";
#endif

QSettings Platform() {
#ifdef _WIN32
  const QString serial = QFile::decodeName(Preferences::DefaultSerialSettingsPath().c_str());
  return QSettings(QFileInfo(serial).dir().filePath(kWindowsPreferencesFile), QSettings::IniFormat);
#else
  return QSettings(QStringLiteral("Telvaro"), QStringLiteral("Telvaro Pro"));
#endif
}

}  // namespace

std::string Preferences::DefaultSerialSettingsPath() {
  // In the file system's own encoding, as the core opens files with narrow
  // names (the ANSI code page on Windows).
  return SerialSettingsLocation(QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString(),
                                QFile::encodeName(UserFolder()).toStdString());
}

Preferences::Preferences(std::string serialSettingsPath, QString storedPath, QObject* parent)
    : QObject(parent), path_(std::move(serialSettingsPath)), storedPath_(std::move(storedPath)) {
  MoveOldSection();
  confirmSuccess_ = Value(kConfirmSuccessKey).toString() != "0" && Value(kConfirmSuccessKey).toString() != "false";
}

QVariant Preferences::Value(const char* key) const {
  if (storedPath_.isEmpty()) return Platform().value(key);
  return QSettings(storedPath_, QSettings::IniFormat).value(key);
}

void Preferences::Store(const char* key, const QVariant& value) const {
  if (storedPath_.isEmpty()) {
    Platform().setValue(key, value);
  } else {
    QSettings(storedPath_, QSettings::IniFormat).setValue(key, value);
  }
}

void Preferences::MoveOldSection() {
  if (path_.empty() || !HasProfileSection(path_, kOldSection)) return;
  const std::pair<const char*, const char*> moved[] = {{kOldConfirmSuccessKey, kConfirmSuccessKey},
                                                       {kOldLastPortKey, kLastPortKey}};
  for (const auto& [oldKey, key] : moved) {
    // A value already kept here is newer than the file's.
    const std::string value = ReadProfileString(path_, kOldSection, oldKey, "", 64);
    if (!value.empty() && !Value(key).isValid()) Store(key, QString::fromStdString(value));
  }
  // A file that cannot be written keeps its section, and is tried again at
  // the next start; the values here win from then on.
  (void)RemoveProfileSection(path_, kOldSection);
}

void Preferences::SetConfirmSuccess(bool on) {
  confirmSuccess_ = on;
  emit confirmSuccessChanged(on);
  Store(kConfirmSuccessKey, QString(on ? "1" : "0"));
}

std::optional<int> Preferences::LastPort() const { return ParseComName(Value(kLastPortKey).toString().toStdString()); }

void Preferences::SetLastPort(int com) { Store(kLastPortKey, QString("COM%1").arg(com)); }

QString Preferences::SavedLanguage() { return Platform().value(kLanguageKey).toString(); }

void Preferences::SaveLanguage(const QString& code) { Platform().setValue(kLanguageKey, code); }

QSize Preferences::SavedWindowSize() { return Platform().value(kWindowSizeKey).toSize(); }

void Preferences::SaveWindowSize(const QSize& size) { Platform().setValue(kWindowSizeKey, size); }

std::string Preferences::OtherPorts() const { return Value(kOtherPortsKey).toString().left(2048).toStdString(); }

void Preferences::AddOtherPort(const std::string& pair) {
  // One pair per COM number: a number typed again takes its new path.
  const std::string com = pair.substr(0, pair.find('=') + 1);
  std::vector<std::string> items;
  const std::string list = OtherPorts();
  for (std::size_t at = 0; at < list.size();) {
    const std::size_t end = std::min(list.find(';', at), list.size());
    const std::string item = list.substr(at, end - at);
    if (!item.empty() && item.rfind(com, 0) != 0) items.push_back(item);
    at = end + 1;
  }
  items.push_back(pair);
  // Only the last few network addresses are kept; the oldest go first.
  const auto isAddress = [](const std::string& item) { return IsNetworkAddress(item.substr(item.find('=') + 1)); };
  for (auto n = std::count_if(items.begin(), items.end(), isAddress); n > kRememberedAddresses; --n)
    items.erase(std::find_if(items.begin(), items.end(), isAddress));
  std::string kept;
  for (const std::string& item : items) kept += (kept.empty() ? "" : ";") + item;
  Store(kOtherPortsKey, QString::fromStdString(kept));
}

int Preferences::MonitorIntervalMs() const {
  bool ok = false;
  const int ms = Value(kMonitorIntervalKey).toString().toInt(&ok);
  return ok && ms > 0 && ms <= 3600000 ? ms : 0;
}

}  // namespace telvaro
