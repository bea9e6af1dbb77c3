// The operator's preferences, each kept where it always was: whether a
// success is confirmed with a message and the last port opened, in the [ui]
// section of the serial settings file; the language, in the user's settings
// of the platform (read before the window exists).
#pragma once

#include <QObject>
#include <QSize>
#include <QString>
#include <atomic>
#include <optional>
#include <string>

namespace telvaro {

class Preferences : public QObject {
  Q_OBJECT

 public:
  Preferences(std::string serialSettingsPath, QObject* parent);

  const std::string& SerialSettingsPath() const { return path_; }

  // Settings > "Confirm success with a message"; read from any thread.
  bool ConfirmSuccess() const { return confirmSuccess_.load(); }
  void SetConfirmSuccess(bool on);

  // The last port opened, selected at the next start.
  std::optional<int> LastPort() const;
  void SetLastPort(int com);

  // Ports typed under "Other port...", as "COM<n>=path;..." (`other_ports`).
  std::string OtherPorts() const;
  void AddOtherPort(const std::string& pair);

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
  std::string Ui(const char* key, const char* fallback, std::size_t limit = 64) const;
  void SetUi(const char* key, const std::string& value) const;

  std::string path_;
  std::atomic<bool> confirmSuccess_{true};
};

}  // namespace telvaro
