// What the Wakeup and Reboot pages share: three daily times, each behind its
// own check box, and the call and SMS sections whose reply the modem may send.
// Each page declares the exchange rows of these controls itself (the two pages
// exchange them in different orders); these parts only place the controls and
// apply the enabling rules to them.
#pragma once

#include <QCheckBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QString>
#include <array>
#include <initializer_list>
#include <string>

#include "pages/page_layout.h"

namespace telvaro {

// "Time" with its "(hh:mm)" hint and time 1, then an unlabelled box and time
// 2, then an unlabelled box and time 3, on one line. Times are "hh:mm" texts
// without a page limit; the validators parse them.
struct TimeBlock {
  Q_DECLARE_TR_FUNCTIONS(telvaro::TimeBlock)

 public:
  static constexpr int kTimes = 3;

  std::array<QCheckBox*, kTimes> boxes{};
  std::array<QLineEdit*, kTimes> edits{};
  std::array<int, kTimes> enable{};  // page values of the boxes
  std::array<QString, kTimes> times;  // page values of the edits

  // Object names: <prefix>Time1Box ... <prefix>Time3Edit.
  void Build(QWidget* parent, const std::string& prefix, int y) {
    using namespace layout;
    constexpr int kEditWidth = 52;
    for (int i = 0; i < kTimes; ++i) {
      const std::string n = prefix + "Time" + std::to_string(i + 1);
      const int x = 14 + i * 130;
      // The first box carries the block's label; its hint sits beside it.
      boxes[i] = Check(parent, i == 0 ? tr("Time") : QString(), (n + "Box").c_str(), x, y,
                       i == 0 ? 52 : 18);
      edits[i] = Edit(parent, (n + "Edit").c_str(), i == 0 ? x + 54 : x + 22, y, kEditWidth);
      // Only the first box has a caption; each time says which it is.
      const QString time = tr("Time %1").arg(i + 1);
      if (i > 0) boxes[i]->setAccessibleName(time);
      edits[i]->setAccessibleName(time + " (hh:mm)");
    }
    Label(parent, tr("(hh:mm)"), 14, y + 22, 60, 16);
  }

  // A time is offered only behind a ticked box, and times 2 and 3 only behind
  // the one before them.
  void ApplyEnabling() const {
    boxes[0]->setEnabled(true);
    const bool first = enable[0] == 1;
    const bool second = first && enable[1] == 1;
    edits[0]->setEnabled(first);
    boxes[1]->setEnabled(first);
    edits[1]->setEnabled(second);
    boxes[2]->setEnabled(second);
    edits[2]->setEnabled(second && enable[2] == 1);
  }

  void SetEnabled(bool on) const {
    for (int i = 0; i < kTimes; ++i) {
      boxes[i]->setEnabled(on);
      edits[i]->setEnabled(on);
    }
  }

  void Clear() {
    enable.fill(0);
    for (QString& time : times) time.clear();
  }
};

// A "Call" or "SMS" check box with its "Enable SMS Reply" box, the reply
// text's "SMS" label and the reply text; an SMS section also has the
// "Password:" label and edit.
struct ReplySection {
  Q_DECLARE_TR_FUNCTIONS(telvaro::ReplySection)

 public:
  QCheckBox* mainBox = nullptr;
  QCheckBox* replyBox = nullptr;
  QLabel* replyLabel = nullptr;
  QLineEdit* replyEdit = nullptr;
  QLabel* passwordLabel = nullptr;
  QLineEdit* passwordEdit = nullptr;

  // The main box at (x, y), the reply line under it; `withPassword` puts
  // "Password:" beside the main box.
  void Build(QWidget* parent, const QString& title, const std::string& prefix, int x, int y, bool withPassword) {
    using namespace layout;
    mainBox = Check(parent, title, (prefix + "Box").c_str(), x, y, 60);
    if (withPassword) {
      passwordLabel = Label(parent, tr("Password:"), x + 150, y, 70);
      passwordLabel->setObjectName(QString::fromStdString(prefix + "PasswordLabel"));
      passwordLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
      passwordEdit = Edit(parent, (prefix + "PasswordEdit").c_str(), x + 222, y, 160);
    }
    replyBox = Check(parent, tr("Enable SMS Reply"), (prefix + "ReplyBox").c_str(), x + 16, y + 26, 130);
    replyLabel = Label(parent, tr("SMS"), x + 150, y + 26, 70);
    replyLabel->setObjectName(QString::fromStdString(prefix + "ReplyLabel"));
    replyLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    replyEdit = Edit(parent, (prefix + "ReplyEdit").c_str(), x + 222, y + 26, 160);
  }

  // With the main box ticked its reply box (and password) are offered, and
  // the reply text only while the reply box is ticked. The main box itself is
  // the caller's.
  void ApplyEnabling(int mainValue, int replyValue) const {
    const bool on = mainValue == 1;
    replyBox->setEnabled(on);
    replyLabel->setEnabled(on && replyValue == 1);
    replyEdit->setEnabled(on && replyValue == 1);
    if (passwordEdit != nullptr) {
      passwordLabel->setEnabled(on);
      passwordEdit->setEnabled(on);
    }
  }

  // The whole section, main box included.
  void SetEnabled(bool on) const {
    for (QWidget* w : {static_cast<QWidget*>(mainBox), static_cast<QWidget*>(replyBox),
                       static_cast<QWidget*>(replyLabel), static_cast<QWidget*>(replyEdit)})
      w->setEnabled(on);
    if (passwordEdit != nullptr) {
      passwordLabel->setEnabled(on);
      passwordEdit->setEnabled(on);
    }
  }
};

}  // namespace telvaro
