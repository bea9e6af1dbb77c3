// The port row: the port selector, whose list is the system's serial ports
// refilled each time it opens, and the switch button beside it that opens
// and closes the port.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

#include "link/port_discovery.h"

class QComboBox;
class QPushButton;

namespace telvaro {

class DialogUnits;
class MessageOwner;

class PortSelector : public QObject {
  Q_OBJECT

 public:
  // `portTable` reads the system's serial devices; `rememberedPort` is the
  // port the switch button last took.
  PortSelector(QWidget* parent, const PortMap& ports, std::function<SystemPortTable()> portTable,
               std::function<int()> rememberedPort, MessageOwner& messages);

  // Places the selector and the switch button on the top row; returns where
  // the switch button ends.
  int Place(const DialogUnits& du);
  // Fills the list from the system; a port the operator picked stays picked
  // while it is there, otherwise the remembered port or the first entry.
  void Fill();
  // The COM number of the selected entry, if it names one.
  std::optional<int> Selected() const;
  // Picks COM `com` as the operator's choice, as if chosen from the list.
  void Choose(int com);
  // The switch button took the selection: it is the remembered port now.
  void ChoiceTaken() { chosen_.clear(); }
  // The switch's caption, icon and tip for the port's state; the selector
  // takes a choice only while the port is closed.
  void ShowPortState(bool open);

  QComboBox* Box() const { return box_; }
  QPushButton* Switch() const { return switch_; }

 signals:
  void selectionChanged();
  void switchPressed();
  // "Other port..." at the end of the list was chosen.
  void otherPortRequested();
  // "Network port..." was chosen: an address is to be typed.
  void networkPortRequested();

 private:
  const PortMap& ports_;
  std::function<SystemPortTable()> portTable_;
  std::function<int()> rememberedPort_;
  MessageOwner& messages_;
  QComboBox* box_;
  QPushButton* switch_;
  QString chosen_;  // picked by the operator since the last switch press
  int shown_ = -1;  // the entry shown before "Other port..." was chosen
};

}  // namespace telvaro
