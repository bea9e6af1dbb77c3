// Settings > Export profile... and Import profile...: the pages as a readable
// profile, and a (partial) profile over the pages. Neither talks to the
// modem; an imported profile reaches it only with Write.
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <algorithm>
#include <cstdlib>

#include "app/main_dialog.h"
#include "operations/settings_file.h"
#include "pages/about_dialog.h"
#include "profile/profile.h"

namespace telvaro {

namespace {

constexpr const char* kProfileFileName = "profile.yaml";
constexpr const char* kProfileFilters = "*.yaml (*.yaml *.yml);;*.json (*.json)";
constexpr int kProblemsShown = 20;  // one message box stays on the screen

}  // namespace

QString CMainDlg::ChooseProfileFile(bool save) {
  if (options_.chooseSettingsFile) return options_.chooseSettingsFile(this, save);
  return save ? QFileDialog::getSaveFileName(this, QString(), kProfileFileName, kProfileFilters)
              : QFileDialog::getOpenFileName(this, QString(), kProfileFileName, kProfileFilters);
}

void CMainDlg::ExportProfile() {
  // As with the settings file: exactly what the pages show, after their checks.
  ConfigRecord edited = state_.record;
  if (ValidatePages(edited) < 0) {
    messages_->Show("Input wrong");
    return;
  }
  state_.record = edited;
  const QString path = ChooseProfileFile(true);
  if (path.isEmpty()) return;
  ProfileWriteOptions options;
  options.toolVersion = kTelvaroProVersion;
  options.source = ProfileSource{edited.Get(field::me_type), edited.Get(field::imei),
                                 QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss").toStdString()};
  const bool json = path.endsWith(".json", Qt::CaseInsensitive);
  const std::string text = json ? WriteProfileJson(edited, options) : WriteProfileYaml(edited, options);
  // Saved as safely as a settings file: a failed save keeps the earlier one.
  const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  const SettingsFileWrite saved = SaveFileSafely(QFile::encodeName(path).toStdString(), bytes, 0644);
  messages_->Show(saved.ok() ? QString("Profile exported (secrets left out)")
                             : QString::fromStdString(saved.message + "\n" + saved.detail));
}

void CMainDlg::ImportProfile() {
  const QString path = ChooseProfileFile(false);
  if (path.isEmpty()) return;
  // The profile goes over what the pages show now, not over the last record
  // read: edits not yet written stay unless the profile sets them.
  ConfigRecord edited = state_.record;
  if (ValidatePages(edited) < 0) {
    messages_->Show("Input wrong");
    return;
  }
  const auto environment = [](const std::string& name) -> std::optional<std::string> {
    if (const char* value = std::getenv(name.c_str())) return std::string(value);
    return std::nullopt;
  };
  const ProfileRead read = ReadProfileFile(QFile::encodeName(path).toStdString(), environment);
  std::vector<ProfileProblem> problems = read.problems;
  const std::vector<ProfileProblem> merged = MergeProfile(edited, read.profile, true);
  problems.insert(problems.end(), merged.begin(), merged.end());
  std::stable_sort(problems.begin(), problems.end(),
                   [](const ProfileProblem& a, const ProfileProblem& b) { return a.line < b.line; });
  if (!problems.empty()) {
    // Every problem in one message, by key and line; nothing is applied.
    QString text = QString("Profile not imported: %1 problem(s)").arg(problems.size());
    const QString name = QFileInfo(path).fileName();
    for (std::size_t i = 0; i < problems.size() && i < kProblemsShown; ++i) {
      const ProfileProblem& p = problems[i];
      text += QString("\n%1:%2:%3: ").arg(name).arg(p.line).arg(p.column) +
              QString::fromStdString((p.key.empty() ? "" : p.key + ": ") + p.problem);
    }
    messages_->Show(text);
    return;
  }
  state_.record = edited;
  // Shown as the window's own record: the modem's stays what the changes
  // are counted against, so the profile's settings show as not yet written.
  ShowRecord(true);
  messages_->Show(QString("Profile imported: %1 setting(s); Write sends them").arg(read.profile.settings.size()));
}

}  // namespace telvaro
