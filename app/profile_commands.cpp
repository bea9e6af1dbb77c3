// Settings > Export profile... and Import profile...: the pages as a readable
// profile, and a (partial) profile over the pages. Neither talks to the
// modem; an imported profile reaches it only with Write.
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>
#include <cstdlib>

#include "app/main_dialog.h"
#include "operations/settings_file.h"
#include "pages/about_dialog.h"
#include "record/factory_defaults.h"
#include "profile/profile.h"

namespace telvaro {

namespace {

constexpr const char* kProfileFileName = "profile.yaml";
constexpr const char* kProfileFilters = "*.yaml (*.yaml *.yml);;*.json (*.json)";
constexpr int kProblemsShown = 20;  // one message box stays on the screen

// One small form: a line per variable, named as the profile names it.
std::optional<std::vector<std::string>> AskProfileVariables(QWidget* parent, const std::vector<std::string>& names) {
  QDialog dialog(parent);
  dialog.setWindowTitle(QCoreApplication::translate("telvaro::CMainDlg", "Profile variables"));
  auto* form = new QFormLayout(&dialog);
  form->addRow(new QLabel(QCoreApplication::translate("telvaro::CMainDlg", "The profile needs values for these names:")));
  std::vector<QLineEdit*> edits;
  for (const std::string& name : names) {
    auto* edit = new QLineEdit(&dialog);
    edit->setObjectName(QString::fromStdString("variable_" + name));
    form->addRow(QString::fromStdString("${" + name + "}"), edit);
    edits.push_back(edit);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  form->addRow(buttons);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  std::vector<std::string> values;
  for (QLineEdit* edit : edits) values.push_back(edit->text().toStdString());
  return values;
}

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
  // Secrets only when asked for: such a file is then readable by its owner alone.
  const MessageAnswer secrets = messages_->AskActFirst(tr("Put the SIM PIN and the passwords into the profile?"),
                                                       QString(), tr("Include passwords and PINs"),
                                                       tr("Leave them out"), tr("Cancel"));
  if (secrets != MessageAnswer::Act && secrets != MessageAnswer::GoOn) return;
  const bool includeSecrets = secrets == MessageAnswer::Act;
  // A minimal profile carries only what differs from the factory defaults,
  // so that applied to another unit it changes only those settings.
  const bool minimal = messages_->AskDefaultNo(tr("Only settings that differ from the factory defaults?"),
                                               tr("Export profile")) == MessageAnswer::Yes;
  const QString path = ChooseProfileFile(true);
  if (path.isEmpty()) return;
  ProfileWriteOptions options;
  options.includeSecrets = includeSecrets;
  if (minimal) {
    options.onlyDifferentFrom = edited;
    ApplyFactoryDefaults(*options.onlyDifferentFrom);
  }
  options.toolVersion = kTelvaroProVersion;
  options.source = ProfileSource{edited.Get(field::me_type), edited.Get(field::imei),
                                 QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss").toStdString()};
  const bool json = path.endsWith(".json", Qt::CaseInsensitive);
  const std::string text = json ? WriteProfileJson(edited, options) : WriteProfileYaml(edited, options);
  // Saved as safely as a settings file: a failed save keeps the earlier one.
  const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  // A file holding secrets is new 0600, or an earlier one narrowed to its owner.
  const SettingsFileWrite saved =
      SaveFileSafely(QFile::encodeName(path).toStdString(), bytes, includeSecrets ? 0600 : 0644, includeSecrets);
  if (!saved.ok()) {
    messages_->Show(QString::fromStdString(saved.message + "\n" + saved.detail));
    return;
  }
  ShowSuccess(includeSecrets ? QString("Profile exported with passwords and PINs (readable by you alone)")
                             : QString("Profile exported (secrets left out)"));
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
  // A ${NAME} takes a value typed this session, else the environment's; the
  // ones still without are asked for together, once.
  std::vector<std::string> missing;
  const auto variables = [this, &missing](const std::string& name) -> std::optional<std::string> {
    if (const auto typed = profileVariables_.find(name); typed != profileVariables_.end()) return typed->second;
    if (const char* value = std::getenv(name.c_str())) return std::string(value);
    if (std::find(missing.begin(), missing.end(), name) == missing.end()) missing.push_back(name);
    return std::nullopt;
  };
  const std::string file = QFile::encodeName(path).toStdString();
  ProfileRead read = ReadProfileFile(file, variables);
  if (!missing.empty()) {
    const auto values =
        options_.askProfileVariables ? options_.askProfileVariables(this, missing) : AskProfileVariables(this, missing);
    if (!values) return;
    for (std::size_t i = 0; i < missing.size() && i < values->size(); ++i) profileVariables_[missing[i]] = (*values)[i];
    missing.clear();
    read = ReadProfileFile(file, variables);
  }
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
