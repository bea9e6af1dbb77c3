// The About dialog: application icon, name and version.
#pragma once

#include <QDialog>

namespace telvaro {

class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace telvaro
