#include "pages/help_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace telvaro {

CHelpDlg::CHelpDlg(QWidget* parent) : QDialog(parent) {
  setObjectName("CHelpDlg");
  setWindowTitle("help");
  setModal(true);

  auto* layout = new QVBoxLayout(this);
  // The modem's own wording, kept as it is.
  for (const char* line : {"*There are two working mode availble in Z770, which is Config Mode and Normal Mode;",
                           "*Debug page configuration is only availble under Normal Mode;",
                           "*User could only control the modem via AT Commands under Normal Mode;",
                           "*For rest page, it is only available for configuring under Config;"}) {
    layout->addWidget(new QLabel(line, this));
  }

  auto* ok = new QPushButton("OK", this);
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
