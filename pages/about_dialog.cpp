#include "pages/about_dialog.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QtGlobal>
#include <QVBoxLayout>

#include "widgets/icons.h"

namespace telvaro {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setObjectName("CAboutDlg");
  setWindowTitle(tr("About Telvaro Pro"));
  setModal(true);

  auto* icon = new QLabel(this);
  icon->setPixmap(icons::Application().pixmap(32, 32));
  icon->setAlignment(Qt::AlignTop);

  auto* name = new QLabel("Telvaro Pro V1.0.7", this);
  QFont bold = name->font();
  bold.setBold(true);
  name->setFont(bold);
  auto* text = new QVBoxLayout;
  text->setSpacing(6);
  text->addWidget(name);
  text->addWidget(new QLabel(tr("Configuration tool for Telvaro GSM/GPRS modems"), this));
  auto* versions = new QLabel(tr("Version %1, Qt %2").arg(kTelvaroProVersion, qVersion()), this);
  versions->setObjectName("versions");
  versions->setTextInteractionFlags(Qt::TextSelectableByMouse);
  text->addWidget(versions);

  auto* ok = new QPushButton(tr("OK"), this);
  ok->setObjectName("okButton");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);

  auto* row = new QHBoxLayout;
  row->addWidget(icon);
  row->addSpacing(12);
  row->addLayout(text);
  row->addSpacing(16);
  row->addWidget(ok, 0, Qt::AlignTop);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 16, 16, 16);
  layout->addLayout(row);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace telvaro
