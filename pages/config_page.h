// What every configuration page has in common: the page operations the main
// window runs on all pages (on show, DisableAll, EnableByState,
// ClearForRead), the value exchange, and the back pointer to the window for
// cross-page calls (null while the page is being created; every cross-page
// call is skipped while it is null).
#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "pages/page_host.h"
#include "pages/value_exchange.h"

namespace telvaro {

class ConfigRecord;

class ConfigPage : public QWidget {
  Q_OBJECT

 public:
  ConfigPage(QWidget* parent, MessageSink* messages);

  // Runs once when the page is created.
  virtual void OnShow() {}
  // Disables every input control of the page; values are not changed.
  virtual void DisableAll();
  // Takes values, enables each control from the page's own state, sends the
  // page's cross-page signals, shows values.
  virtual void EnableByState();
  // Resets what the coming parameter response will refill, then shows values.
  virtual void ClearForRead() { ShowValues(); }

  // The page's step of showing a record: its values from the record, then
  // shown. A page may correct the record where it must (the Basic page's
  // PIN lock and clock request).
  virtual void ShowRecord(ConfigRecord& record);
  // The page's validator: takes its values and stores them into the record
  // with the page's checks. 0, or a negative result after the failing check's
  // one message; a value refused while being taken is a failure (-1) too, so
  // nothing the operator was told was refused is ever sent.
  virtual int Validate(ConfigRecord& record);
  // The control the last failed Validate names (the refused value, or the
  // one its message is about); null when it passed.
  QWidget* FailedControl() const { return exchange_.FailedControl(); }
  // The controls whose value from the modem the last Validate kept
  // unrefused, since the operator cannot reach them to correct it.
  const std::vector<QWidget*>& KeptControls() const { return exchange_.Kept(); }

  // The validator on a copy, without a word: no message, no focus moved, no
  // control changed. 0, or the failing check's result with its message in
  // `refusal`. What a Write would send is found this way.
  int StoreQuietly(ConfigRecord& record, std::string* refusal);
  // What the operator calls the setting `control` stands for: its accessible
  // name, a check box's own text, the label that is its buddy, or the caption
  // on its left on the same line, after the title of the group it sits in.
  virtual QString SettingName(const QWidget* control) const;
  // The linked rows, to compare records as the page shows them.
  std::vector<ValueExchange::RecordRow> RecordRows() const { return exchange_.RecordRows(); }

  bool TakeValues() { return exchange_.Take(); }
  void ShowValues() const { exchange_.Show(); }

  void SetMainDlg(PageHost* host) { mainDlg = host; }
  PageHost* MainDlg() const { return mainDlg; }
  // While the page is stored quietly, a sink that only keeps the first text.
  MessageSink* Messages() const;
  bool Quiet() const { return quietSink_ != nullptr; }

  // The exchange's controls followed by those added with AddInputControl.
  std::vector<QWidget*> InputControls() const;

 protected:
  ValueExchange& Exchange() { return exchange_; }
  // Input controls outside the exchange (combo boxes, grids), which DisableAll
  // and the default EnableByState switch too.
  void AddInputControl(QWidget* control) { extraControls_.push_back(control); }
  // Enables or disables every input control at once.
  void SetInputsEnabled(bool enabled);
  // A page's own check failed: its one message, the control it is about
  // remembered for FailedControl, and the validator's result.
  int Refuse(QWidget* control, const char* message, int code);
  // A page's own check passes a control that still shows the modem's value
  // and lies out of the operator's reach (noted as kept).
  bool KeepModemsOwn(QWidget* control) { return exchange_.KeepModemsOwn(control); }

  PageHost* mainDlg = nullptr;

 private:
  MessageSink* messages_;
  MessageSink* quietSink_ = nullptr;
  ValueExchange exchange_;
  std::vector<QWidget*> extraControls_;
};

}  // namespace telvaro
