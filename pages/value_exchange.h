// A page's table: one row per control, in the page's fixed exchange order.
// A row binds the control to its page value (text limit or number range
// included) and, when the control stands for a record field, to that field
// with its reading kind. Shared code does the rest for every page:
//   Show / Take   page values to and from the controls. Take stops at the
//                 first failure (text too long, not an integer, integer out
//                 of range) with one message and the focus on that control;
//                 later values keep their previous contents.
//   Load / Store  the record to page values, and page values (with their
//                 checks, such as a schedule time or hex digits) back to the
//                 record. Store stops at the first failing check with its
//                 message.
// Both remember the control that failed, so a refused Write can lead the
// operator to it. Only what the operator can correct is refused: a value the
// modem sent that its row cannot hold, in a control that is hidden or
// disabled and still shows it as it came, is kept (the record's bytes go
// back as they came) and listed by Kept().
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "record/config_record.h"
#include "record/setting_rules.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QWidget;

namespace telvaro {

class MessageSink;

// What a failed check stores instead: its message and the validator's result.
struct StoreFailure {
  std::string message;
  int code = -1;
};

class ValueExchange {
 public:
  class Row;

  explicit ValueExchange(MessageSink* messages = nullptr) : messages_(messages) {}
  void SetMessages(MessageSink* messages) { messages_ = messages; }
  // The page the controls lie on: a control is within the operator's reach
  // while it is enabled and not hidden on it.
  void SetPage(const QWidget* page) { page_ = page; }

  // Rows, in exchange order. The values live in the page.
  Row Text(QLineEdit* edit, QString* value, int maxLength);  // maxLength <= 0: no limit
  Row Signed(QLineEdit* edit, std::int32_t* value, std::int32_t min, std::int32_t max);
  Row Unsigned(QLineEdit* edit, std::uint32_t* value, std::uint32_t min, std::uint32_t max);
  // The same with the field's range from the setting rules.
  Row Signed(QLineEdit* edit, std::int32_t* value, NumberRange range);
  Row Unsigned(QLineEdit* edit, std::uint32_t* value, NumberRange range);
  Row Check(QCheckBox* box, int* value);
  // A drop-down list: not mirrored in a page value (its selection is the
  // value), so show and take leave it alone; it is a row for its record field
  // and for DisableAll.
  Row List(QComboBox* list);

  void Show() const;
  // True when every control was taken.
  bool Take();

  // Record to page values (controls untouched until Show).
  void Load(const ConfigRecord& record);
  // Page values to the record, checks in their rank order; 0, or the failing
  // check's code after its message has been shown.
  int Store(ConfigRecord& record) const;

  // The controls bound, in exchange order (what DisableAll switches off).
  std::vector<QWidget*> Controls() const;

  // A linked row's place in the record and how the record reads there, so
  // that two records can be compared row by row as the page shows them.
  struct RecordRow {
    QWidget* control;
    std::size_t offset;   // the bytes the row stores
    std::size_t width;
    std::uint8_t bit;     // the one bit of a mask or role row; 0 for whole bytes
    std::function<QString(const ConfigRecord&)> describe;
  };
  std::vector<RecordRow> RecordRows() const;

  // While quiet, a failed take moves no focus: the pending-changes check
  // takes and stores the pages as Write would, behind the operator's back,
  // while they type (its messages go to a sink that only keeps them).
  void SetQuiet(bool quiet) { quiet_ = quiet; }
  bool Quiet() const { return quiet_; }

  // The control of the last Take or Store that failed; null when the last
  // one passed. A page's own check names its control with MarkFailed.
  QWidget* FailedControl() const { return failed_; }
  void MarkFailed(QWidget* control) { failed_ = control; }

  // The controls the last Take and Store kept the modem's value of, unrefused.
  const std::vector<QWidget*>& Kept() const { return kept_; }
  // True, and `control` noted as kept, when it shows the value the record
  // gave it and lies out of the operator's reach: a page's own check then
  // lets it pass.
  bool KeepModemsOwn(QWidget* control) const;

 private:
  // A check box's 0/1 (an int, like a signed number's value, so it is told
  // apart by its own type).
  struct CheckValue {
    int* value;
  };
  using Value = std::variant<QString*, std::int32_t*, std::uint32_t*, CheckValue, QComboBox*>;
  using Loader = std::function<void(const ConfigRecord&)>;
  using Storer = std::function<std::optional<StoreFailure>(ConfigRecord&)>;
  struct Binding {
    QWidget* control;
    Value value;
    std::function<void()> show;
    std::function<QString()> take;  // the failure message; empty when taken
    Loader load;
    Storer store;
    const int* gate = nullptr;  // stored only while *gate == 1
    int rank = 0;               // stores run in rank order, then exchange order
    std::function<QString(const ConfigRecord&)> describe{};  // the field as the control shows it
    std::size_t offset = 0;
    std::size_t width = 0;
    std::uint8_t bit = 0;
    // A text row whose length the validator checks with its own message:
    // the take leaves it alone.
    bool lengthByCheck = false;
    // What the control showed when the record was last loaded.
    std::optional<QString> loaded{};
  };
  Row Add(Binding binding);
  void Fail(QWidget* control, const QString& message) const;
  // The control shows the record's value and the operator cannot reach it.
  bool ModemsOwn(const Binding& binding) const;

  MessageSink* messages_;
  const QWidget* page_ = nullptr;
  bool quiet_ = false;
  std::vector<Binding> bindings_;
  mutable QWidget* failed_ = nullptr;
  mutable std::vector<QWidget*> kept_;
};

// Links a row to its record field. Each row takes at most one link; a link
// that does not fit the row's page value is a programming error (throws).
class ValueExchange::Row {
 public:
  Row(ValueExchange* exchange, std::size_t index) : exchange_(exchange), index_(index) {}

  // Text rows.
  Row& Link(const Field<FieldKind::Text>& f, int element = 0);
  // Number rows: the low bits of the page value.
  Row& Link(const Field<FieldKind::Byte>& f, int element = 0);
  Row& Link(const Field<FieldKind::U16>& f, int element = 0);
  // List rows: the selection. No selection stores 255, except that a record
  // byte outside the list (shown as no selection) is kept as it came.
  Row& Link(const Field<FieldKind::Index>& f, int element = 0);
  // Check rows: ticked by the flag's reading kind, stored as the box shows
  // it: 0 when unticked, 1 when ticked. Only a flag that reads any non-zero
  // byte as on keeps the modem's own "on" value while its box stays ticked.
  Row& Link(const Field<FieldKind::FlagIsOne>& f, int element = 0);
  Row& Link(const Field<FieldKind::FlagNonZero>& f, int element = 0);
  Row& Link(const Field<FieldKind::FlagPositive>& f, int element = 0);
  // Check rows: one bit of a mask; the other named bits are kept, bits
  // without a name are written 0 (the record's setter clears them).
  Row& LinkBit(const Field<FieldKind::BitMask>& f, std::uint8_t bit);
  Row& LinkPhoneRole(int slot, std::uint8_t role);
  Row& LinkGroupMember(int group, int slot);
  // Text rows of special forms.
  Row& LinkPhoneNumber(int slot);
  // "hh:mm" into the hour and minute of a schedule time; a time that does not
  // decode leaves the text as it was.
  Row& LinkScheduleTime(const Field<FieldKind::Time>& f, int element, std::string message);
  // Two hex digits; 0 is stored while *enable is not 1.
  Row& LinkHexByte(const Field<FieldKind::Byte>& f, const int* enable, std::string message);
  // Pairs of hex digits into a packet field.
  Row& LinkHexPacket(const Field<FieldKind::HexPacket>& f, std::string message);

  // Stored only while *enable is 1 (checks too); otherwise the record keeps
  // its value.
  Row& When(const int* enable);
  // A text longer than maxLength fails with this message on store (a record
  // from the modem can fill a box beyond what typing allows).
  Row& StoreLimit(int maxLength, std::string message, int code = -1);
  // The page's validator checks the text's length with its own message
  // (the PINs): taking it never refuses a length.
  Row& LengthByCheck();
  // Order of this row's store among the page's stores (default 0, first).
  Row& Rank(int rank);

 private:
  Binding& Self();
  template <typename T>
  T* ValueAs(const char* what);
  int* CheckAs(const char* what);
  // Where the link stores and how the record reads there.
  void Place(const FieldInfo& f, int element, std::function<QString(const ConfigRecord&)> describe,
             std::uint8_t bit = 0);

  ValueExchange* exchange_;
  std::size_t index_;
};

// Record texts are 8-bit: each byte is one character on the page and back.
QString FromRecordText(const std::string& text);
std::string ToRecordText(const QString& text);

// Fills a drop-down list with an item list, index 0 first.
void FillList(QComboBox* list, const ItemList& items);
// Selects a record index; an index outside the list leaves no selection.
void SelectIndex(QComboBox* list, int index);

// The toolkit's messages for a failed take.
QString IntegerRequiredText();
QString SignedRangeText(std::int32_t min, std::int32_t max);
QString UnsignedRangeText(std::uint32_t min, std::uint32_t max);
QString TextTooLongText(int maxLength);

}  // namespace telvaro
