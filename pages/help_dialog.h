// The "help" menu's dialog: four fixed lines about the modem's working modes.
#pragma once

#include <QDialog>

namespace telvaro {

class CHelpDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CHelpDlg(QWidget* parent = nullptr);
};

}  // namespace telvaro
