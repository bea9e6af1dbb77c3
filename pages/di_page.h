// The DI page: the modem's digital inputs. The visible "DI_0 Config" block is
// input 0; input 1 has a block of its own that is never shown but is
// exchanged, enabled and carried to and from the record like the first.
#pragma once

#include <QString>
#include <cstdint>

#include "pages/config_page.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace telvaro {

class ConfigRecord;

class CDiPage : public ConfigPage {
  Q_OBJECT

 public:
  static constexpr int kInputs = 2;

  CDiPage(QWidget* parent, MessageSink* messages);

  void OnShow() override;
  // Nothing can be edited while the modem has no digital I/O.
  void EnableByState() override;
  int Validate(ConfigRecord& record) override;

  // Whether the modem has digital I/O; set from every accepted parameter
  // response.
  void SetIoPresent(bool present) { ioPresent = present; }
  bool ioPresent = false;

  // Page values of one input.
  struct Input {
    int counterAtPowerOn = 0;
    std::uint32_t countTrigger = 1;
    std::uint32_t filterMs = 0;
    QString alarmOffText;
    QString alarmOnText;
    int reportOverTcp = 0;
  };
  Input input[kInputs];

 private:
  struct Controls {
    QComboBox* mode;
    QComboBox* counterEdge;
    QComboBox* phoneGroup;
    QCheckBox* counterAtPowerOn;
    QLineEdit* countTrigger;
    QLineEdit* filter;
    QLineEdit* alarmOn;
    QLineEdit* alarmOff;
    QCheckBox* reportOverTcp;
  };
  void BuildBlock(QWidget* group, int index);
  void EnableBlock(const Controls& block);

  Controls controls_[kInputs];
};

}  // namespace telvaro
