// The Com page: the modem's own serial interface settings.
#pragma once

#include <string>

#include "operations/serial_settings.h"
#include "pages/config_page.h"

class QComboBox;

namespace telvaro {

class ConfigRecord;

class CComPage : public ConfigPage {
  Q_OBJECT

 public:
  CComPage(QWidget* parent, MessageSink* messages);

  // The serial settings file that preselects the lists; set before OnShow.
  void SetSettingsPath(std::string path) { settingsPath_ = std::move(path); }
  const std::string& SettingsPath() const { return settingsPath_; }

  // Fills the five lists, preselects them from the serial settings file and
  // enables them.
  void OnShow() override;

  // Selects baud rate, data bits, parity and stop bits of a record. Flow
  // control keeps its selection: the file or the operator sets it.
  void ShowRecord(ConfigRecord& record) override;

  // The five selections now made (-1 where a list has none).
  SerialSelections Selections() const;

 private:
  std::string settingsPath_;
  QComboBox* baudRateList_;
  QComboBox* dataBitsList_;
  QComboBox* parityList_;
  QComboBox* stopBitsList_;
  QComboBox* flowControlList_;
};

}  // namespace telvaro
