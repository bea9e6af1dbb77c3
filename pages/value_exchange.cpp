#include "pages/value_exchange.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QComboBox>
#include <QLineEdit>
#include <algorithm>
#include <limits>
#include <optional>
#include <stdexcept>
#include <type_traits>
#include <utility>

#include "base/session_events.h"
#include "record/conversions.h"

namespace telvaro {

namespace {

// QLineEdit's own default, which stands for "no limit".
constexpr int kNoLengthLimit = 32767;
// A phone book slot: the number's text, then its role byte.
constexpr std::size_t kPhoneNumberWidth = 21;

// Parses decimal text with an optional sign; spaces around the number are
// allowed, anything else (including empty text) is not a number. Values that
// cannot fit a 32-bit field either way are refused here too, so the caller
// only has to check its own type and range.
std::optional<std::int64_t> ParseDecimal(const QString& text) {
  const QString t = text.trimmed();
  int pos = 0;
  bool negative = false;
  if (pos < t.size() && (t[pos] == u'+' || t[pos] == u'-')) {
    negative = t[pos] == u'-';
    ++pos;
  }
  if (pos == t.size()) return std::nullopt;
  constexpr std::int64_t kCap = std::int64_t{1} << 33;  // beyond any 32-bit value
  std::int64_t value = 0;
  for (; pos < t.size(); ++pos) {
    const char16_t c = t[pos].unicode();
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + (c - u'0');
    if (value > kCap) return std::nullopt;
  }
  return negative ? -value : value;
}

}  // namespace

QString IntegerRequiredText() {
  return QCoreApplication::translate("telvaro::ValueExchange", "Please enter an integer.");
}

QString SignedRangeText(std::int32_t min, std::int32_t max) {
  return QCoreApplication::translate("telvaro::ValueExchange", "Please enter an integer between %1 and %2.")
      .arg(min)
      .arg(max);
}

QString UnsignedRangeText(std::uint32_t min, std::uint32_t max) {
  return QCoreApplication::translate("telvaro::ValueExchange", "Please enter an integer between %1 and %2.")
      .arg(min)
      .arg(max);
}

QString TextTooLongText(int maxLength) {
  return QCoreApplication::translate("telvaro::ValueExchange", "Please enter no more than %1 characters.")
      .arg(maxLength);
}

ValueExchange::Row ValueExchange::Add(Binding binding) {
  bindings_.push_back(std::move(binding));
  return Row(this, bindings_.size() - 1);
}

ValueExchange::Row ValueExchange::Text(QLineEdit* edit, QString* value, int maxLength) {
  return Add({edit, value,
              [edit, value, maxLength] {
                // QLineEdit cuts text longer than its limit; a value that is
                // already longer keeps its full text on screen so that it is
                // never shortened silently, and the next take reports it.
                const int limit =
                    maxLength > 0 ? std::max(maxLength, static_cast<int>(value->size())) : kNoLengthLimit;
                edit->setMaxLength(limit);
                edit->setText(*value);
              },
              [edit, value, maxLength] {
                const QString text = edit->text();
                if (maxLength > 0 && text.size() > maxLength) return TextTooLongText(maxLength);
                *value = text;
                return QString();
              },
              {}, {}});
}

ValueExchange::Row ValueExchange::Signed(QLineEdit* edit, std::int32_t* value, std::int32_t min, std::int32_t max) {
  return Add({edit, value, [edit, value] { edit->setText(QString::number(*value)); },
              [edit, value, min, max] {
                const auto parsed = ParseDecimal(edit->text());
                if (!parsed || *parsed < std::numeric_limits<std::int32_t>::min() ||
                    *parsed > std::numeric_limits<std::int32_t>::max()) {
                  return IntegerRequiredText();
                }
                if (*parsed < min || *parsed > max) return SignedRangeText(min, max);
                *value = static_cast<std::int32_t>(*parsed);
                return QString();
              },
              {}, {}});
}

ValueExchange::Row ValueExchange::Unsigned(QLineEdit* edit, std::uint32_t* value, std::uint32_t min,
                                           std::uint32_t max) {
  return Add({edit, value, [edit, value] { edit->setText(QString::number(*value)); },
              [edit, value, min, max] {
                const auto parsed = ParseDecimal(edit->text());
                if (!parsed || *parsed > std::numeric_limits<std::uint32_t>::max()) return IntegerRequiredText();
                // A negative number is an integer, just not one this field
                // accepts: the range message says what is.
                if (*parsed < std::int64_t{min} || *parsed > std::int64_t{max}) return UnsignedRangeText(min, max);
                *value = static_cast<std::uint32_t>(*parsed);
                return QString();
              },
              {}, {}});
}

ValueExchange::Row ValueExchange::Signed(QLineEdit* edit, std::int32_t* value, NumberRange range) {
  return Signed(edit, value, range.min, range.max);
}

ValueExchange::Row ValueExchange::Unsigned(QLineEdit* edit, std::uint32_t* value, NumberRange range) {
  return Unsigned(edit, value, static_cast<std::uint32_t>(range.min), static_cast<std::uint32_t>(range.max));
}

ValueExchange::Row ValueExchange::Check(QCheckBox* box, int* value) {
  return Add({box, CheckValue{value}, [box, value] { box->setChecked(*value == 1); },
              [box, value] {
                *value = box->isChecked() ? 1 : 0;
                return QString();
              },
              {}, {}});
}

ValueExchange::Row ValueExchange::List(QComboBox* list) {
  return Add({list, list, [] {}, [] { return QString(); }, {}, {}});
}

void ValueExchange::Show() const {
  for (const Binding& binding : bindings_) binding.show();
}

namespace {

// What a text or number row's control shows; nothing for boxes and lists.
std::optional<QString> ShownText(const QWidget* control) {
  if (const auto* edit = qobject_cast<const QLineEdit*>(control)) return edit->text();
  return std::nullopt;
}

}  // namespace

bool ValueExchange::ModemsOwn(const Binding& binding) const {
  if (!binding.loaded || page_ == nullptr) return false;
  const QWidget* control = binding.control;
  const bool reachable = control->isEnabled() && control->isVisibleTo(page_);
  return !reachable && ShownText(control) == binding.loaded;
}

bool ValueExchange::KeepModemsOwn(QWidget* control) const {
  for (const Binding& binding : bindings_) {
    if (binding.control != control || !ModemsOwn(binding)) continue;
    kept_.push_back(control);
    return true;
  }
  return false;
}

bool ValueExchange::Take() {
  failed_ = nullptr;
  kept_.clear();
  for (const Binding& binding : bindings_) {
    if (binding.lengthByCheck) {
      *std::get<QString*>(binding.value) = qobject_cast<QLineEdit*>(binding.control)->text();
      continue;
    }
    const QString failure = binding.take();
    if (failure.isEmpty()) continue;
    // Nothing the operator could correct: the value stays as the record gave it.
    if (ModemsOwn(binding)) {
      kept_.push_back(binding.control);
      continue;
    }
    failed_ = binding.control;
    Fail(binding.control, failure);
    return false;
  }
  return true;
}

void ValueExchange::Load(const ConfigRecord& record) {
  for (Binding& binding : bindings_) {
    if (!binding.load) continue;
    binding.load(record);
    // What Show will put in the control: compared later to tell the modem's
    // value from one typed since.
    if (const auto* text = std::get_if<QString*>(&binding.value)) {
      binding.loaded = **text;
    } else if (const auto* number = std::get_if<std::int32_t*>(&binding.value)) {
      binding.loaded = QString::number(**number);
    } else if (const auto* count = std::get_if<std::uint32_t*>(&binding.value)) {
      binding.loaded = QString::number(**count);
    }
  }
}

int ValueExchange::Store(ConfigRecord& record) const {
  failed_ = nullptr;
  std::vector<const Binding*> order;
  for (const Binding& binding : bindings_)
    if (binding.store) order.push_back(&binding);
  std::stable_sort(order.begin(), order.end(), [](const Binding* a, const Binding* b) { return a->rank < b->rank; });
  for (const Binding* binding : order) {
    if (binding->gate != nullptr && *binding->gate != 1) continue;
    if (const auto failure = binding->store(record)) {
      // A failed check stores nothing: the record keeps the modem's bytes.
      if (ModemsOwn(*binding)) {
        kept_.push_back(binding->control);
        continue;
      }
      failed_ = binding->control;
      if (messages_ != nullptr) messages_->ShowMessage(failure->message);
      return failure->code;
    }
  }
  return 0;
}

std::vector<QWidget*> ValueExchange::Controls() const {
  std::vector<QWidget*> controls;
  controls.reserve(bindings_.size());
  for (const Binding& binding : bindings_) controls.push_back(binding.control);
  return controls;
}

std::vector<ValueExchange::RecordRow> ValueExchange::RecordRows() const {
  std::vector<RecordRow> rows;
  for (const Binding& binding : bindings_)
    if (binding.describe) rows.push_back({binding.control, binding.offset, binding.width, binding.bit, binding.describe});
  return rows;
}

// Rows linked to the record.

ValueExchange::Binding& ValueExchange::Row::Self() { return exchange_->bindings_[index_]; }

void ValueExchange::Row::Place(const FieldInfo& f, int element, std::function<QString(const ConfigRecord&)> describe,
                               std::uint8_t bit) {
  Binding& self = Self();
  self.offset = f.ElementOffset(element);
  self.width = f.ElementWidth();
  self.bit = bit;
  self.describe = std::move(describe);
}

namespace {

QString TickText(bool on) { return on ? QStringLiteral("ticked") : QStringLiteral("not ticked"); }

}  // namespace

template <typename T>
T* ValueExchange::Row::ValueAs(const char* what) {
  Binding& self = Self();
  if (self.load || self.store) throw std::logic_error(std::string("a second record link on a row: ") + what);
  T* const* value = std::get_if<T*>(&self.value);
  if (value == nullptr) throw std::logic_error(std::string("record link does not fit its row: ") + what);
  return *value;
}

int* ValueExchange::Row::CheckAs(const char* what) {
  Binding& self = Self();
  if (self.load || self.store) throw std::logic_error(std::string("a second record link on a row: ") + what);
  const CheckValue* check = std::get_if<CheckValue>(&self.value);
  if (check == nullptr) throw std::logic_error(std::string("record link does not fit its row: ") + what);
  return check->value;
}

ValueExchange::Row& ValueExchange::Row::Link(const Field<FieldKind::Text>& f, int element) {
  QString* value = ValueAs<QString>(f.name);
  Self().load = [=](const ConfigRecord& r) { *value = FromRecordText(r.Get(f, element)); };
  Self().store = [=](ConfigRecord& r) -> std::optional<StoreFailure> {
    // Only a record from the modem (a text filling its field without a
    // terminator) can give a value longer than the field holds: the field
    // keeps what it came with rather than a cut copy.
    const std::string text = ToRecordText(*value);
    if (text.size() < f.ElementWidth()) r.Set(f, text, element);
    return std::nullopt;
  };
  Place(f, element, [=](const ConfigRecord& r) { return FromRecordText(r.Get(f, element)); });
  return *this;
}

namespace {

// Number rows hold an int32 or uint32 page value; the field takes its low bits.
template <typename Variant, FieldKind K>
void LinkNumber(const Variant& value, const Field<K>& f, int element,
                std::function<void(const ConfigRecord&)>& load,
                std::function<std::optional<StoreFailure>(ConfigRecord&)>& store) {
  if (load || store) throw std::logic_error(std::string("a second record link on a row: ") + f.name);
  using Stored = decltype(std::declval<const ConfigRecord&>().Get(f, element));
  const auto get = [=](const ConfigRecord& r) { return std::uint32_t{r.Get(f, element)}; };
  const auto set = [=](ConfigRecord& r, std::uint32_t v) { r.Set(f, static_cast<Stored>(v), element); };
  if (auto* const* s = std::get_if<std::int32_t*>(&value)) {
    std::int32_t* v = *s;
    load = [=](const ConfigRecord& r) { *v = static_cast<std::int32_t>(get(r)); };
    store = [=](ConfigRecord& r) -> std::optional<StoreFailure> {
      set(r, static_cast<std::uint32_t>(*v));
      return std::nullopt;
    };
  } else if (auto* const* u = std::get_if<std::uint32_t*>(&value)) {
    std::uint32_t* v = *u;
    load = [=](const ConfigRecord& r) { *v = get(r); };
    store = [=](ConfigRecord& r) -> std::optional<StoreFailure> {
      set(r, *v);
      return std::nullopt;
    };
  } else {
    throw std::logic_error(std::string("record link does not fit its row: ") + f.name);
  }
}

// The byte goes out as the box shows it. A flag read as "exactly 1" or "1 to
// 127" shows a 2 or a 0x80 unticked, and sending such a byte back would
// switch on behind an unticked box what the operator sees as off. Only a flag
// that reads every non-zero byte as on keeps the modem's own "on" value (2,
// say) while its box stays ticked.
template <typename FlagField>
void LinkFlag(int* value, const FlagField& f, int element, std::function<void(const ConfigRecord&)>& load,
              std::function<std::optional<StoreFailure>(ConfigRecord&)>& store) {
  constexpr bool kKeepsModemsOn = std::is_same_v<FlagField, Field<FieldKind::FlagNonZero>>;
  load = [=](const ConfigRecord& r) { *value = r.IsOn(f, element) ? 1 : 0; };
  store = [=](ConfigRecord& r) -> std::optional<StoreFailure> {
    const bool on = *value == 1;
    if (!(on && kKeepsModemsOn && r.IsOn(f, element))) r.SetFlag(f, on, element);
    return std::nullopt;
  };
}

}  // namespace

ValueExchange::Row& ValueExchange::Row::Link(const Field<FieldKind::Byte>& f, int element) {
  LinkNumber(Self().value, f, element, Self().load, Self().store);
  Place(f, element, [=](const ConfigRecord& r) { return QString::number(r.Get(f, element)); });
  return *this;
}

ValueExchange::Row& ValueExchange::Row::Link(const Field<FieldKind::U16>& f, int element) {
  LinkNumber(Self().value, f, element, Self().load, Self().store);
  Place(f, element, [=](const ConfigRecord& r) { return QString::number(r.Get(f, element)); });
  return *this;
}

ValueExchange::Row& ValueExchange::Row::Link(const Field<FieldKind::Index>& f, int element) {
  QComboBox* list = ValueAs<QComboBox>(f.name);
  Self().load = [=](const ConfigRecord& r) { SelectIndex(list, r.Get(f, element)); };
  Self().store = [=](ConfigRecord& r) -> std::optional<StoreFailure> {
    const int index = list->currentIndex();
    if (index >= 0) {
      r.Set(f, static_cast<std::uint8_t>(index), element);
    } else if (r.Get(f, element) < f.list->size()) {
      // Nothing selected and nothing the modem sent: the index -1 as a byte.
      r.Set(f, 0xFF, element);
    }
    return std::nullopt;
  };
  Place(f, element, [=](const ConfigRecord& r) {
    const std::uint8_t index = r.Get(f, element);
    return index < f.list->size() ? QString::fromLatin1(f.list->Text(index)) : QStringLiteral("(none: %1)").arg(index);
  });
  return *this;
}

ValueExchange::Row& ValueExchange::Row::Link(const Field<FieldKind::FlagIsOne>& f, int element) {
  LinkFlag(CheckAs(f.name), f, element, Self().load, Self().store);
  Place(f, element, [=](const ConfigRecord& r) { return TickText(r.IsOn(f, element)); });
  return *this;
}

ValueExchange::Row& ValueExchange::Row::Link(const Field<FieldKind::FlagNonZero>& f, int element) {
  LinkFlag(CheckAs(f.name), f, element, Self().load, Self().store);
  Place(f, element, [=](const ConfigRecord& r) { return TickText(r.IsOn(f, element)); });
  return *this;
}

ValueExchange::Row& ValueExchange::Row::Link(const Field<FieldKind::FlagPositive>& f, int element) {
  LinkFlag(CheckAs(f.name), f, element, Self().load, Self().store);
  Place(f, element, [=](const ConfigRecord& r) { return TickText(r.IsOn(f, element)); });
  return *this;
}

ValueExchange::Row& ValueExchange::Row::LinkBit(const Field<FieldKind::BitMask>& f, std::uint8_t bit) {
  int* value = CheckAs(f.name);
  Self().load = [=](const ConfigRecord& r) { *value = (r.Get(f) & bit) != 0 ? 1 : 0; };
  Self().store = [=](ConfigRecord& r) -> std::optional<StoreFailure> {
    // Through the record's setter: the modem defines no bits beyond the
    // boxes, and those are written 0.
    const std::uint8_t others = r.Get(f) & static_cast<std::uint8_t>(~bit);
    r.Set(f, static_cast<std::uint8_t>(others | (*value == 1 ? bit : 0)));
    return std::nullopt;
  };
  Place(f, 0, [=](const ConfigRecord& r) { return TickText((r.RawByte(f.offset) & bit) != 0); }, bit);
  return *this;
}

ValueExchange::Row& ValueExchange::Row::LinkPhoneRole(int slot, std::uint8_t role) {
  int* value = CheckAs("phone_book role");
  Self().load = [=](const ConfigRecord& r) { *value = (r.PhoneBook(slot).roles & role) != 0 ? 1 : 0; };
  Self().store = [=](ConfigRecord& r) -> std::optional<StoreFailure> {
    PhoneBookEntry entry = r.PhoneBook(slot);
    entry.roles = static_cast<std::uint8_t>((entry.roles & ~role) | (*value == 1 ? role : 0));
    r.SetPhoneBook(slot, entry);
    return std::nullopt;
  };
  Place(field::phone_book, slot, [=](const ConfigRecord& r) { return TickText((r.PhoneBook(slot).roles & role) != 0); },
        role);
  // Only the role byte behind the slot's number.
  Self().offset += kPhoneNumberWidth;
  Self().width = 1;
  return *this;
}

ValueExchange::Row& ValueExchange::Row::LinkGroupMember(int group, int slot) {
  int* value = CheckAs("phone_groups member");
  const auto bit = static_cast<std::uint16_t>(1u << slot);
  Self().load = [=](const ConfigRecord& r) { *value = r.IsGroupMember(group, slot) ? 1 : 0; };
  Self().store = [=](ConfigRecord& r) -> std::optional<StoreFailure> {
    const std::uint16_t mask = r.PhoneGroupMask(group);
    r.SetPhoneGroupMask(group, static_cast<std::uint16_t>((mask & ~bit) | (*value == 1 ? bit : 0)));
    return std::nullopt;
  };
  Place(field::phone_groups, group, [=](const ConfigRecord& r) { return TickText(r.IsGroupMember(group, slot)); });
  return *this;
}

ValueExchange::Row& ValueExchange::Row::LinkPhoneNumber(int slot) {
  QString* value = ValueAs<QString>("phone_book number");
  Self().load = [=](const ConfigRecord& r) { *value = FromRecordText(r.PhoneBook(slot).number); };
  Self().store = [=](ConfigRecord& r) -> std::optional<StoreFailure> {
    PhoneBookEntry entry = r.PhoneBook(slot);
    entry.number = ToRecordText(*value);
    r.SetPhoneBook(slot, entry);
    return std::nullopt;
  };
  Place(field::phone_book, slot, [=](const ConfigRecord& r) { return FromRecordText(r.PhoneBook(slot).number); });
  Self().width = kPhoneNumberWidth;
  return *this;
}

ValueExchange::Row& ValueExchange::Row::LinkScheduleTime(const Field<FieldKind::Time>& f, int element,
                                                         std::string message) {
  QString* value = ValueAs<QString>(f.name);
  Self().load = [=](const ConfigRecord& r) {
    if (const auto text = ScheduleTimeText(r, f, element)) *value = QString::fromStdString(*text);
  };
  Self().store = [=](ConfigRecord& r) -> std::optional<StoreFailure> {
    const auto time = ParseScheduleTime(ToRecordText(*value));
    if (!time) return StoreFailure{message, -1};
    r.SetScheduleTime(f, time->hour, time->minute, element);
    return std::nullopt;
  };
  Place(f, element, [=](const ConfigRecord& r) {
    const auto text = ScheduleTimeText(r, f, element);
    return text ? QString::fromStdString(*text) : QStringLiteral("(not a time)");
  });
  return *this;
}

ValueExchange::Row& ValueExchange::Row::LinkHexByte(const Field<FieldKind::Byte>& f, const int* enable,
                                                    std::string message) {
  QString* value = ValueAs<QString>(f.name);
  Self().load = [=](const ConfigRecord& r) { *value = QString::fromStdString(FormatHexByte(r.Get(f))); };
  Self().store = [=](ConfigRecord& r) -> std::optional<StoreFailure> {
    if (*enable != 1) {
      r.Set(f, 0);
      return std::nullopt;
    }
    const auto byte = ParseHexByte(ToRecordText(*value));
    if (!byte) return StoreFailure{message, -1};
    r.Set(f, *byte);
    return std::nullopt;
  };
  Place(f, 0, [=](const ConfigRecord& r) { return QString::fromStdString(FormatHexByte(r.Get(f))); });
  return *this;
}

ValueExchange::Row& ValueExchange::Row::LinkHexPacket(const Field<FieldKind::HexPacket>& f, std::string message) {
  QString* value = ValueAs<QString>(f.name);
  Self().load = [=](const ConfigRecord& r) { *value = QString::fromStdString(FormatHexPacket(r, f)); };
  Self().store = [=](ConfigRecord& r) -> std::optional<StoreFailure> {
    std::vector<std::uint8_t> data(ConfigRecord::PacketCapacity(f));
    const HexPacketParse parsed = ParseHexPacket(ToRecordText(*value), data);
    if (!parsed.ok) return StoreFailure{message, -1};
    data.resize(parsed.count);
    r.Set(f, data);
    return std::nullopt;
  };
  Place(f, 0, [=](const ConfigRecord& r) { return QString::fromStdString(FormatHexPacket(r, f)); });
  return *this;
}

ValueExchange::Row& ValueExchange::Row::When(const int* enable) {
  Self().gate = enable;
  return *this;
}

ValueExchange::Row& ValueExchange::Row::StoreLimit(int maxLength, std::string message, int code) {
  QString* value = std::get<QString*>(Self().value);
  Storer inner = Self().store;
  Self().store = [=](ConfigRecord& r) -> std::optional<StoreFailure> {
    if (value->size() > maxLength) return StoreFailure{message, code};
    return inner ? inner(r) : std::nullopt;
  };
  // Its own message speaks for a text too long, not the toolkit's.
  Self().lengthByCheck = true;
  return *this;
}

ValueExchange::Row& ValueExchange::Row::LengthByCheck() {
  if (!std::holds_alternative<QString*>(Self().value) || !qobject_cast<QLineEdit*>(Self().control))
    throw std::logic_error("a length checked by the validator needs a text row");
  Self().lengthByCheck = true;
  return *this;
}

ValueExchange::Row& ValueExchange::Row::Rank(int rank) {
  Self().rank = rank;
  return *this;
}

QString FromRecordText(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToRecordText(const QString& text) {
  const QByteArray bytes = text.toLatin1();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void FillList(QComboBox* list, const ItemList& items) {
  // The items are the record's own English texts; the window shows them in
  // its language.
  for (const char* item : items.items) list->addItem(QCoreApplication::translate("telvaro::ItemList", item));
}

void SelectIndex(QComboBox* list, int index) { list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1); }

void ValueExchange::Fail(QWidget* control, const QString& message) const {
  if (messages_ != nullptr) messages_->ShowMessage(message.toStdString());
  if (quiet_) return;  // the operator is typing elsewhere: the focus stays
  control->setFocus();
  if (auto* edit = qobject_cast<QLineEdit*>(control)) edit->selectAll();
}

}  // namespace telvaro
