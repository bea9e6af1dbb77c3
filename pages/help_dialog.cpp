#include "pages/help_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace telvaro {

CHelpDlg::CHelpDlg(QWidget* parent) : QDialog(parent) {
  setObjectName("CHelpDlg");
  setWindowTitle(tr("help"));
  setModal(true);

  auto* layout = new QVBoxLayout(this);
  // The modem's own wording, kept as it is.
  for (const char* line : {QT_TR_NOOP("*There are two working mode availble in Z770, which is Config Mode and Normal Mode;"),
                           QT_TR_NOOP("*Debug page configuration is only availble under Normal Mode;"),
                           QT_TR_NOOP("*User could only control the modem via AT Commands under Normal Mode;"),
                           QT_TR_NOOP("*For rest page, it is only available for configuring under Config;")}) {
    layout->addWidget(new QLabel(tr(line), this));
  }

  auto* ok = new QPushButton(tr("OK"), this);
  ok->setObjectName("okButton");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addStretch();
  layout->addSpacing(8);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace telvaro
