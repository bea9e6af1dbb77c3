// The Networks page: the modem's live status (signal, registration, operator,
// GPRS and TCP state, counters). Its one input is the "Update Frequency" edit.
#pragma once

#include <QString>

#include "pages/config_page.h"

class QLabel;
class QLineEdit;
class QToolButton;

namespace telvaro {

class ConfigRecord;

class CNetworksPage : public ConfigPage {
  Q_OBJECT

 public:
  CNetworksPage(QWidget* parent, MessageSink* messages);

  // Every value label goes back to its waiting text until the coming
  // parameter response refills it.
  void ClearForRead() override;

  // Shows the status fields of a received record and its update frequency.
  void ShowRecord(ConfigRecord& record) override;
  // The status fields alone: what the monitor refreshes. The update
  // frequency, a setting the operator may be editing, stays as it is.
  void ShowStatus(const ConfigRecord& record);
  // The "Monitor" toggle beside the signal bars; the window wires it.
  QToolButton* MonitorButton() const { return monitorButton_; }
  // "Update Frequency" into rssi_interval: 1 to 3600 seconds.
  int Validate(ConfigRecord& record) override;

  // The "Rx Level" group for a received level: icon, "RSSI:" and dBm labels.
  void ShowSignalLevel(int rssi);

  // Lit bars of the signal icon now shown, 0..3.
  int SignalBars() const { return signalBars_; }

  QString updateFrequency;  // seconds, as text

 private:
  QLineEdit* updateFrequencyEdit_;
  QLabel* smsCenterValue_;
  QLabel* registrationValue_;
  QLabel* operatorValue_;
  QLabel* cellIdValue_;
  QLabel* rssiLabel_;
  QToolButton* signalIcon_;
  QToolButton* monitorButton_;
  QLabel* dbLabel_;
  QLabel* localIpValue_;
  QLabel* gprsStatusValue_;
  QLabel* tcpStatusValue_;
  QLabel* txBytesValue_;
  QLabel* rxBytesValue_;
  int signalBars_ = 0;
};

}  // namespace telvaro
