#include "pages/value_exchange.h"

#include <QCheckBox>
#include <QLineEdit>
#include <algorithm>
#include <limits>
#include <optional>

#include "link/session_events.h"

namespace telvaro {

namespace {

// QLineEdit's own default, which stands for "no limit".
constexpr int kNoLengthLimit = 32767;

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

QString IntegerRequiredText() { return QStringLiteral("Please enter an integer."); }

QString SignedRangeText(std::int32_t min, std::int32_t max) {
  return QStringLiteral("Please enter an integer between %1 and %2.").arg(min).arg(max);
}

QString UnsignedRangeText(std::uint32_t min, std::uint32_t max) {
  return QStringLiteral("Please enter an integer between %1 and %2.").arg(min).arg(max);
}

QString TextTooLongText(int maxLength) {
  return QStringLiteral("Please enter no more than %1 characters.").arg(maxLength);
}

void ValueExchange::Text(QLineEdit* edit, QString* value, int maxLength) {
  bindings_.push_back(
      {edit,
       [edit, value, maxLength] {
         // QLineEdit cuts text longer than its limit; a value that is already
         // longer keeps its full text on screen so that it is never shortened
         // silently, and the next take reports it instead.
         const int limit = maxLength > 0 ? std::max(maxLength, static_cast<int>(value->size())) : kNoLengthLimit;
         edit->setMaxLength(limit);
         edit->setText(*value);
       },
       [edit, value, maxLength] {
         const QString text = edit->text();
         if (maxLength > 0 && text.size() > maxLength) return TextTooLongText(maxLength);
         *value = text;
         return QString();
       }});
}

void ValueExchange::Signed(QLineEdit* edit, std::int32_t* value, std::int32_t min, std::int32_t max) {
  bindings_.push_back({edit, [edit, value] { edit->setText(QString::number(*value)); },
                       [edit, value, min, max] {
                         const auto parsed = ParseDecimal(edit->text());
                         if (!parsed || *parsed < std::numeric_limits<std::int32_t>::min() ||
                             *parsed > std::numeric_limits<std::int32_t>::max()) {
                           return IntegerRequiredText();
                         }
                         if (*parsed < min || *parsed > max) return SignedRangeText(min, max);
                         *value = static_cast<std::int32_t>(*parsed);
                         return QString();
                       }});
}

void ValueExchange::Unsigned(QLineEdit* edit, std::uint32_t* value, std::uint32_t min, std::uint32_t max) {
  bindings_.push_back({edit, [edit, value] { edit->setText(QString::number(*value)); },
                       [edit, value, min, max] {
                         const auto parsed = ParseDecimal(edit->text());
                         if (!parsed || *parsed > std::numeric_limits<std::uint32_t>::max()) {
                           return IntegerRequiredText();
                         }
                         // A negative number is an integer, just not one this
                         // field accepts: the range message says what is.
                         if (*parsed < std::int64_t{min} || *parsed > std::int64_t{max}) {
                           return UnsignedRangeText(min, max);
                         }
                         *value = static_cast<std::uint32_t>(*parsed);
                         return QString();
                       }});
}

void ValueExchange::Check(QCheckBox* box, int* value) {
  bindings_.push_back({box, [box, value] { box->setChecked(*value == 1); },
                       [box, value] {
                         *value = box->isChecked() ? 1 : 0;
                         return QString();
                       }});
}

void ValueExchange::Show() const {
  for (const Binding& binding : bindings_) binding.show();
}

bool ValueExchange::Take() {
  for (const Binding& binding : bindings_) {
    const QString failure = binding.take();
    if (!failure.isEmpty()) {
      Fail(binding.control, failure);
      return false;
    }
  }
  return true;
}

std::vector<QWidget*> ValueExchange::Controls() const {
  std::vector<QWidget*> controls;
  controls.reserve(bindings_.size());
  for (const Binding& binding : bindings_) controls.push_back(binding.control);
  return controls;
}

void ValueExchange::Fail(QWidget* control, const QString& message) const {
  if (messages_ != nullptr) messages_->ShowMessage(message.toStdString());
  control->setFocus();
  if (auto* edit = qobject_cast<QLineEdit*>(control)) edit->selectAll();
}

}  // namespace telvaro
