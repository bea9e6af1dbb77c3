// The operator's preferences, kept in the user's settings (on Windows an INI
// file beside the serial settings file, elsewhere the platform's): whether
// a success is confirmed with a message, the last port opened and the
// language (read before the window exists). The serial settings file holds
// only what other copies of the tool read there; a [ui] section an earlier
// version left in it is read once and moved here.
#pragma once

#include <QObject>
#include <QSize>
#include <QString>
#include <QVariant>
#include <atomic>
#include <optional>
#include <string>

namespace telvaro {

class Preferences : public QObject {
  Q_OBJECT

 public:
  // `storedPath`: an INI file to keep them in instead of the platform's
  // user settings (tests keep theirs apart this way); empty for the latter.
  Preferences(std::string serialSettingsPath, QString storedPath, QObject* parent);

  const std::string& SerialSettingsPath() const { return path_; }

  // Where the serial settings file is kept when no path is given: next to
  // the program when it can be written, else in the user's own folder
  // (%APPDATA%\Telvaro on Windows, ~/.config/Telvaro elsewhere).
  static std::string DefaultSerialSettingsPath();

  // Settings > "Confirm success with a message"; read from any thread.
  bool ConfirmSuccess() const { return confirmSuccess_.load(); }
  void SetConfirmSuccess(bool on);

  // The last port opened, selected at the next start.
  std::optional<int> LastPort() const;
  void SetLastPort(int com);

  // Ports typed under "Other port...", as "COM<n>=path;..." (`other_ports`).
  std::string OtherPorts() const;
  // A network address is a pair too ("COM<n>=tcp://HOST:PORT"); only the last
  // kRememberedAddresses of those are kept.
  void AddOtherPort(const std::string& pair);
  static constexpr long kRememberedAddresses = 5;

  // The monitor's interval in milliseconds (`monitor_interval_ms`); 0 when
  // not set, for the monitor's own default.
  int MonitorIntervalMs() const;

  // The window's size when it last closed (`window/size`); invalid when none.
  static QSize SavedWindowSize();
  static void SaveWindowSize(const QSize& size);

  // Settings > Language, used from the next start; empty for the system's.
  static QString SavedLanguage();
  static void SaveLanguage(const QString& code);

 signals:
  void confirmSuccessChanged(bool on);

 private:
  // Moves the [ui] section of an earlier version out of the serial settings file.
  void MoveOldSection();
  void Store(const char* key, const QVariant& value) const;
  QVariant Value(const char* key) const;

  std::string path_;
  QString storedPath_;
  std::atomic<bool> confirmSuccess_{true};
};

}  // namespace telvaro
