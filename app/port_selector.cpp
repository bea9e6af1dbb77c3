#include "app/port_selector.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QPushButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <algorithm>

#include "app/message_owner.h"
#include "app/window_layout.h"
#include "widgets/icons.h"

namespace telvaro {
namespace {

// An entry's "COM<n>  <device path>  <description>", shown in the open list.
constexpr int kPortDetailRole = Qt::UserRole + 1;
// The last entry, "Other port...", where a device the list misses is typed.
constexpr int kOtherPortRole = Qt::UserRole + 2;
// "Network port...", where a serial device server's address is typed.
constexpr int kNetworkPortRole = Qt::UserRole + 3;

// The open list names what each port is; the closed box keeps the COM name
// alone, which is also what the switch button reads.
class PortDetailDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    const QString detail = index.data(kPortDetailRole).toString();
    if (!detail.isEmpty()) option->text = detail;
  }
};

// The list is refilled from the system every time it is about to open, and
// opens as wide as its widest entry: names such as COM100 and COM200 must
// never be cut to the same "CO...00".
class PortBox : public QComboBox {
 public:
  PortBox(QWidget* parent, std::function<void()> aboutToOpen) : QComboBox(parent), aboutToOpen_(std::move(aboutToOpen)) {
    setItemDelegate(new PortDetailDelegate(this));
  }
  void showPopup() override {
    aboutToOpen_();
    int widest = 0;
    for (int row = 0; row < count(); ++row)
      widest = std::max(widest, view()->sizeHintForIndex(model()->index(row, modelColumn())).width());
    const int frame = 2 * view()->frameWidth() + view()->verticalScrollBar()->sizeHint().width();
    view()->setMinimumWidth(std::max(width(), widest + frame));
    QComboBox::showPopup();
  }

 private:
  std::function<void()> aboutToOpen_;
};

}  // namespace

PortSelector::PortSelector(QWidget* parent, const PortMap& ports, std::function<SystemPortTable()> portTable,
                           std::function<int()> rememberedPort, MessageOwner& messages)
    : QObject(parent),
      ports_(ports),
      portTable_(std::move(portTable)),
      rememberedPort_(std::move(rememberedPort)),
      messages_(messages) {
  box_ = new PortBox(parent, [this] { Fill(); });
  box_->setObjectName("portSelector");
  // The top row has room for what it holds: the selector's own arrow beside
  // "COM100", and the switch button's picture and word, before the note.
  box_->setMinimumContentsLength(6);
  box_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  connect(box_, &QComboBox::currentIndexChanged, this, &PortSelector::selectionChanged);
  connect(box_, &QComboBox::activated, this, [this](int row) {
    const bool other = box_->itemData(row, kOtherPortRole).toBool();
    if (other || box_->itemData(row, kNetworkPortRole).toBool()) {
      // Not a port itself: the entry shown before stays until one is given.
      const QSignalBlocker block(box_);
      box_->setCurrentIndex(shown_);
      if (other) {
        emit otherPortRequested();
      } else {
        emit networkPortRequested();
      }
      return;
    }
    chosen_ = box_->currentText();
  });
  connect(box_, &QComboBox::currentIndexChanged, this, [this](int row) {
    if (!box_->itemData(row, kOtherPortRole).toBool() && !box_->itemData(row, kNetworkPortRole).toBool())
      shown_ = row;
  });

  switch_ = new QPushButton(tr("Open"), parent);
  switch_->setObjectName("switchButton");
  switch_->setIconSize(QSize(12, 12));
  switch_->setAutoDefault(false);
  connect(switch_, &QPushButton::clicked, this, &PortSelector::switchPressed);
}

int PortSelector::Place(const DialogUnits& du) {
  const int selectorWidth = std::max(du.X(40), box_->minimumSizeHint().width());
  box_->setGeometry(du.X(7), du.Y(3), selectorWidth, du.Y(12));
  const int switchX = du.X(7) + selectorWidth + du.X(2);
  const int switchWidth = std::max(du.X(30), switch_->fontMetrics().horizontalAdvance(tr("Close")) + 12 + 16);
  switch_->setGeometry(switchX, du.Y(4), switchWidth, du.Y(11));
  return switchX + switchWidth;
}

void PortSelector::Fill() {
  const PortListing listing = ListSerialPorts(portTable_(), rememberedPort_(), ports_);
  const QSignalBlocker block(box_);
  box_->clear();
  for (const PortEntry& entry : listing.entries) {
    box_->addItem(QString::fromStdString(entry.text));
    const int row = box_->count() - 1;
    QString tip = QString::fromStdString(entry.devicePath);
    QString detail = QString::fromStdString(entry.text);
    if (!entry.devicePath.empty()) detail += "  " + QString::fromStdString(entry.devicePath);
    if (!entry.description.empty()) {
      tip += "\n" + QString::fromStdString(entry.description);
      detail += "  " + QString::fromStdString(entry.description);
    }
    box_->setItemData(row, tip, Qt::ToolTipRole);
    box_->setItemData(row, detail, kPortDetailRole);
  }
  box_->addItem(tr("Network port..."));
  box_->setItemData(box_->count() - 1, true, kNetworkPortRole);
  box_->setItemData(box_->count() - 1, tr("A serial device server: tcp://HOST:PORT or rfc2217://HOST:PORT"),
                    Qt::ToolTipRole);
  box_->addItem(tr("Other port..."));
  box_->setItemData(box_->count() - 1, true, kOtherPortRole);
  box_->setItemData(box_->count() - 1, tr("A device path, or COM<n>=path"), Qt::ToolTipRole);
  const int kept = chosen_.isEmpty() ? -1 : box_->findText(chosen_);
  box_->setCurrentIndex(kept >= 0 ? kept : listing.selected);
  shown_ = box_->currentIndex();
  if (!listing.message.empty()) messages_.ShowMessage(listing.message);
}

std::optional<int> PortSelector::Selected() const { return ParseComName(box_->currentText().toStdString()); }

void PortSelector::Choose(int com) {
  chosen_ = QString("COM%1").arg(com);
  Fill();
}

void PortSelector::ShowPortState(bool open) {
  switch_->setText(open ? tr("Close") : tr("Open"));
  switch_->setIcon(icons::Switch(open));
  switch_->setToolTip(open ? tr("Close the comm port") : tr("Open the comm port"));
  box_->setEnabled(!open);
}

}  // namespace telvaro
