// The About dialog: application icon, name and version.
#pragma once

#include <QDialog>

namespace telvaro {

// The tool's version, as About and `telvaro-pro --version` show it.
inline constexpr const char* kTelvaroProVersion = "1.0.7";

class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace telvaro
