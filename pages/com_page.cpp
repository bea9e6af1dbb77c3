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

QComboBox* AddList(QWidget* group, const QString& caption, const char* name, int row) {
  const int y = kFirstRowY + row * kRowPitch;
  auto* label = new QLabel(caption, group);
  label->setGeometry(kCaptionX, y, kCaptionWidth, kRowHeight);
  auto* list = new QComboBox(group);
  list->setObjectName(name);
  list->setGeometry(kListX, y, kListWidth, kRowHeight);
  label->setBuddy(list);
  return list;
}

}  // namespace

CComPage::CComPage(QWidget* parent, MessageSink* messages) : ConfigPage(parent, messages) {
  setObjectName(QStringLiteral("CComPage"));
  auto* group = new QGroupBox(tr("Serial Interface"), this);
  group->setGeometry(8, 8, 414, kFirstRowY + 5 * kRowPitch + 4);
  baudRateList_ = AddList(group, tr("Baud Rate"), "baudRateList", 0);
  dataBitsList_ = AddList(group, tr("Data Bits"), "dataBitsList", 1);
  parityList_ = AddList(group, tr("Parity"), "parityList", 2);
  stopBitsList_ = AddList(group, tr("Stop Bits"), "stopBitsList", 3);
  flowControlList_ = AddList(group, tr("Flow Control"), "flowControlList", 4);
  ValueExchange& exchange = Exchange();
  exchange.List(baudRateList_).Link(field::baud_index);
  exchange.List(dataBitsList_).Link(field::data_bits_index);
  exchange.List(parityList_).Link(field::parity_index);
  exchange.List(stopBitsList_).Link(field::stop_bits_index);
  exchange.List(flowControlList_).Link(field::flow_control_index);
}

void CComPage::OnShow() {
  FillList(baudRateList_, items::BaudRate);
  FillList(dataBitsList_, items::DataBits);
  FillList(parityList_, items::Parity);
  FillList(stopBitsList_, items::StopBits);
  FillList(flowControlList_, items::FlowControl);
  const SerialSelections selections = LoadSerialSettings(settingsPath_);
  SelectIndex(baudRateList_, selections.baudRate);
  SelectIndex(dataBitsList_, selections.dataBits);
  SelectIndex(parityList_, selections.parity);
  SelectIndex(stopBitsList_, selections.stopBits);
  SelectIndex(flowControlList_, selections.flowControl);
  SetInputsEnabled(true);
  ShowValues();
}

void CComPage::ShowRecord(ConfigRecord& record) {
  // Flow control keeps its selection: the settings file or the operator set it.
  const int flowControl = flowControlList_->currentIndex();
  ConfigPage::ShowRecord(record);
  flowControlList_->setCurrentIndex(flowControl);
}

SerialSelections CComPage::Selections() const {
  return {baudRateList_->currentIndex(), dataBitsList_->currentIndex(), parityList_->currentIndex(),
          stopBitsList_->currentIndex(), flowControlList_->currentIndex()};
}

}  // namespace telvaro
