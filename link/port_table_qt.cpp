// The system's serial devices on Linux and macOS, as Qt SerialPort sees them.
#include <QSerialPortInfo>

#include "link/port_discovery.h"

namespace telvaro {

SystemPortTable ReadSystemPortTable() {
  SystemPortTable table;
  for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
    QString description = info.description();
    if (!info.manufacturer().isEmpty() && info.manufacturer() != description)
      description += (description.isEmpty() ? "" : ", ") + info.manufacturer();
    table.ports.push_back(SystemSerialPort{std::string(), info.systemLocation().toStdString(),
                                           description.toStdString()});
  }
  return table;
}

}  // namespace telvaro
