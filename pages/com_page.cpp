#include "pages/com_page.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>

#include "record/config_record.h"

namespace telvaro {

namespace {

constexpr int kCaptionX = 20;
constexpr int kCaptionWidth = 110;
constexpr int kListX = kCaptionX + kCaptionWidth + 10;
constexpr int kListWidth = 140;
constexpr int kRowHeight = 22;
constexpr int kFirstRowY = 28;
constexpr int kRowPitch = 32;

QComboBox* AddList(QWidget* group, const char* caption, const char* name, int row) {
  const int y = kFirstRowY + row * kRowPitch;
  auto* label = new QLabel(caption, group);
  label->setGeometry(kCaptionX, y, kCaptionWidth, kRowHeight);
  auto* list = new QComboBox(group);
  list->setObjectName(name);
  list->setGeometry(kListX, y, kListWidth, kRowHeight);
  label->setBuddy(list);
  return list;
}

void Fill(QComboBox* list, const ItemList& items) {
  for (const char* item : items.items) list->addItem(QString::fromLatin1(item));
}

// A record index outside the list leaves the list without a selection.
void Select(QComboBox* list, int index) { list->setCurrentIndex(index < list->count() ? index : -1); }

}  // namespace

CComPage::CComPage(QWidget* parent, MessageSink* messages) : ConfigPage(parent, messages) {
  setObjectName(QStringLiteral("CComPage"));
  auto* group = new QGroupBox("Serial Interface", this);
  group->setGeometry(8, 8, 414, kFirstRowY + 5 * kRowPitch + 4);
  baudRateList_ = AddList(group, "Baud Rate", "baudRateList", 0);
  dataBitsList_ = AddList(group, "Data Bits", "dataBitsList", 1);
  parityList_ = AddList(group, "Parity", "parityList", 2);
  stopBitsList_ = AddList(group, "Stop Bits", "stopBitsList", 3);
  flowControlList_ = AddList(group, "Flow Control", "flowControlList", 4);
  for (QComboBox* list : {baudRateList_, dataBitsList_, parityList_, stopBitsList_, flowControlList_})
    AddInputControl(list);
}

void CComPage::OnShow() {
  Fill(baudRateList_, items::BaudRate);
  Fill(dataBitsList_, items::DataBits);
  Fill(parityList_, items::Parity);
  Fill(stopBitsList_, items::StopBits);
  Fill(flowControlList_, items::FlowControl);
  const SerialSelections selections = LoadSerialSettings(settingsPath_);
  Select(baudRateList_, selections.baudRate);
  Select(dataBitsList_, selections.dataBits);
  Select(parityList_, selections.parity);
  Select(stopBitsList_, selections.stopBits);
  Select(flowControlList_, selections.flowControl);
  SetInputsEnabled(true);
  ShowValues();
}

void CComPage::ShowRecord(const ConfigRecord& record) {
  Select(baudRateList_, record.Get(field::baud_index));
  Select(dataBitsList_, record.Get(field::data_bits_index));
  Select(parityList_, record.Get(field::parity_index));
  Select(stopBitsList_, record.Get(field::stop_bits_index));
  ShowValues();
}

SerialSelections CComPage::Selections() const {
  return {baudRateList_->currentIndex(), dataBitsList_->currentIndex(), parityList_->currentIndex(),
          stopBitsList_->currentIndex(), flowControlList_->currentIndex()};
}

}  // namespace telvaro
