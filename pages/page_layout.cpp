#include "pages/page_layout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

namespace telvaro::layout {

QLabel* Label(QWidget* parent, const QString& text, int x, int y, int width, int height) {
  auto* label = new QLabel(text, parent);
  label->setGeometry(x, y, width, height);
  return label;
}

QLabel* Value(QWidget* parent, const char* name, int x, int y, int width, int height) {
  QLabel* label = Label(parent, QString(), x, y, width, height);
  label->setObjectName(name);
  label->setTextFormat(Qt::PlainText);
  // Operators copy these (IMEI, cell, operator, local IP) into their notes.
  label->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return label;
}

QLineEdit* Edit(QWidget* parent, const char* name, int x, int y, int width, int height) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  edit->setGeometry(x, y, width, height);
  return edit;
}

QCheckBox* Check(QWidget* parent, const QString& text, const char* name, int x, int y, int width, int height) {
  auto* box = new QCheckBox(text, parent);
  box->setObjectName(name);
  box->setGeometry(x, y, width, height);
  return box;
}

QComboBox* List(QWidget* parent, const char* name, int x, int y, int width, int height) {
  auto* list = new QComboBox(parent);
  list->setObjectName(name);
  list->setGeometry(x, y, width, height);
  return list;
}

QGroupBox* Group(QWidget* parent, const QString& title, int x, int y, int width, int height) {
  auto* group = new QGroupBox(title, parent);
  group->setGeometry(x, y, width, height);
  return group;
}

}  // namespace telvaro::layout
