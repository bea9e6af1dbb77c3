#include <gtest/gtest.h>

#include "link/port_discovery.h"

namespace telvaro {
namespace {

std::vector<std::string> Texts(const PortListing& listing) {
  std::vector<std::string> texts;
  for (const PortEntry& e : listing.entries) texts.push_back(e.text);
  return texts;
}

SystemPortTable WindowsTable(std::initializer_list<const char*> names) {
  SystemPortTable table;
  for (const char* name : names)
    table.ports.push_back({name, std::string("\\Device\\Serial_") + name, ""});
  return table;
}

TEST(ListSerialPorts, SortedAsTextWithTheRememberedPortSelected) {
  const SystemPortTable table = WindowsTable({"COM3", "COM1", "COM10"});
  const PortMap none;

  const PortListing one = ListSerialPorts(table, 1, none);
  EXPECT_EQ(Texts(one), (std::vector<std::string>{"COM1", "COM10", "COM3"}));
  EXPECT_EQ(one.selected, 0);
  EXPECT_EQ(one.message, "");
  EXPECT_EQ(one.entries[2].devicePath, "\\Device\\Serial_COM3");

  const PortListing three = ListSerialPorts(table, 3, none);
  EXPECT_EQ(three.selected, 2);  // wherever sorting put it
  const PortListing ten = ListSerialPorts(table, 10, none);
  EXPECT_EQ(ten.selected, 1);

  // A remembered port that is gone: the first entry in text order, silently.
  const PortListing seven = ListSerialPorts(table, 7, none);
  EXPECT_EQ(seven.selected, 0);
  EXPECT_EQ(seven.message, "");

  // The list reflects the table of the moment: COM1 removed, COM2 added.
  const PortListing later = ListSerialPorts(WindowsTable({"COM3", "COM2", "COM10"}), 1, none);
  EXPECT_EQ(Texts(later), (std::vector<std::string>{"COM10", "COM2", "COM3"}));
  EXPECT_EQ(later.selected, 0);
}

TEST(ListSerialPorts, EmptyOrUnreadableTablesGiveTheirMessages) {
  const PortMap none;
  const PortListing empty = ListSerialPorts(SystemPortTable{}, 1, none);
  EXPECT_TRUE(empty.entries.empty());
  EXPECT_EQ(empty.selected, -1);
  EXPECT_EQ(empty.message, "Warn: no comm port found");

  SystemPortTable unreadable = WindowsTable({"COM1"});
  unreadable.readable = false;
  const PortListing failed = ListSerialPorts(unreadable, 1, none);
  EXPECT_TRUE(failed.entries.empty());
  EXPECT_EQ(failed.selected, -1);
  EXPECT_EQ(failed.message, "Err:Open register failed");
}

TEST(ListSerialPorts, EntriesThatAreNotComNamesAreListedButNeverRemembered) {
  const PortListing listing = ListSerialPorts(WindowsTable({"CNCA0", "COM4"}), 4, PortMap{});
  EXPECT_EQ(Texts(listing), (std::vector<std::string>{"CNCA0", "COM4"}));
  EXPECT_EQ(listing.selected, 1);
  const PortListing other = ListSerialPorts(WindowsTable({"COMX", "CNCA0"}), 0, PortMap{});
  EXPECT_EQ(other.selected, 0);
}

TEST(ListSerialPorts, PosixDevicesTakeTheirNumbersFromThePortMap) {
  SystemPortTable table;
  table.ports.push_back({"", "/dev/ttyUSB0", "FT232R USB UART, FTDI"});
  table.ports.push_back({"", "/dev/ttyS0", ""});
  table.ports.push_back({"", "/dev/ttyAMA0", "no number for this one"});
  table.ports.push_back({"", "/dev/pts/4", ""});
  PortMap map;
  map.AddPair("COM50=/tmp/telvaro-sim");
  map.AddPair("COM7=/dev/pts/4");  // a listed device with an explicit number

  const PortListing listing = ListSerialPorts(table, 50, map);
#ifdef _WIN32
  (void)listing;
#else
  EXPECT_EQ(Texts(listing), (std::vector<std::string>{"COM1", "COM100", "COM50", "COM7"}));
  EXPECT_EQ(listing.selected, 2);
  EXPECT_EQ(listing.entries[1].description, "FT232R USB UART, FTDI");
  EXPECT_EQ(listing.entries[2].devicePath, "/tmp/telvaro-sim");
  EXPECT_EQ(listing.entries[3].devicePath, "/dev/pts/4");
#endif

  // Explicit pairs alone make a list.
  const PortListing pairsOnly = ListSerialPorts(SystemPortTable{}, 1, map);
  EXPECT_EQ(Texts(pairsOnly), (std::vector<std::string>{"COM50", "COM7"}));
  EXPECT_EQ(pairsOnly.message, "");
}

}  // namespace
}  // namespace telvaro
