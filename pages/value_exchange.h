// The exchange between a page's values and its controls, in the page's fixed
// exchange order. Show puts every value into its control (text limits become
// input limits). Take reads the controls back; at the first failure (text too
// long, not an integer, integer out of range) it shows one message, puts the
// focus on the failing control and stops, so later values keep their
// previous contents.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

class QCheckBox;
class QLineEdit;
class QWidget;

namespace telvaro {

class MessageSink;

class ValueExchange {
 public:
  explicit ValueExchange(MessageSink* messages = nullptr) : messages_(messages) {}
  void SetMessages(MessageSink* messages) { messages_ = messages; }

  // Bindings, in exchange order. The values live in the page.
  void Text(QLineEdit* edit, QString* value, int maxLength);  // maxLength <= 0: no limit
  void Signed(QLineEdit* edit, std::int32_t* value, std::int32_t min, std::int32_t max);
  void Unsigned(QLineEdit* edit, std::uint32_t* value, std::uint32_t min, std::uint32_t max);
  void Check(QCheckBox* box, int* value);

  void Show() const;
  // True when every control was taken.
  bool Take();

  // The controls bound, in exchange order (what DisableAll switches off).
  std::vector<QWidget*> Controls() const;

 private:
  struct Binding {
    QWidget* control;
    std::function<void()> show;
    std::function<QString()> take;  // the failure message; empty when taken
  };
  void Fail(QWidget* control, const QString& message) const;

  MessageSink* messages_;
  std::vector<Binding> bindings_;
};

// The toolkit's messages for a failed take.
QString IntegerRequiredText();
QString SignedRangeText(std::int32_t min, std::int32_t max);
QString UnsignedRangeText(std::uint32_t min, std::uint32_t max);
QString TextTooLongText(int maxLength);

}  // namespace telvaro
