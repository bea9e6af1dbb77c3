// The operator's preferences, each kept where it always was: whether a
// success is confirmed with a message and the last port opened, in the [ui]
// section of the serial settings file; the language, in the user's settings
// of the platform (read before the window exists).
#pragma once

#include <QObject>
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

  // Settings > Language, used from the next start; empty for the system's.
  static QString SavedLanguage();
  static void SaveLanguage(const QString& code);

 signals:
  void confirmSuccessChanged(bool on);

 private:
  std::string Ui(const char* key, const char* fallback) const;
  void SetUi(const char* key, const std::string& value) const;

  std::string path_;
  std::atomic<bool> confirmSuccess_{true};
};

}  // namespace telvaro
