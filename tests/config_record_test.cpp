// Unit tests of the configuration record: where every field lies in the
// 1628-byte block, how each kind of field is encoded, and the whole-block
// operations. The expected offsets, widths and item texts are typed here from
// the record's layout, never taken from field_table.h, so that a wrong entry
// in the field table shows up as a failure.
#include "record/config_record.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace telvaro {
namespace {

using Bytes = std::vector<std::uint8_t>;
using BlockBytes = std::array<std::uint8_t, ConfigRecord::kBlockSize>;

constexpr std::size_t kRecordSize = 1628;
constexpr std::size_t kBlockSize = 1629;

// Two backgrounds, the second the complement of the first: a byte that holds
// its expected value over both was really written, not matched by chance.
BlockBytes Background(bool inverted) {
  BlockBytes b{};
  for (std::size_t i = 0; i < b.size(); ++i) {
    const auto v = static_cast<std::uint8_t>(0x5C + i * 0x3B + (i >> 8));
    b[i] = inverted ? static_cast<std::uint8_t>(~v) : v;
  }
  return b;
}

ConfigRecord RecordFrom(const BlockBytes& bytes) {
  ConfigRecord r;
  r.ReplaceFrom(bytes);
  return r;
}

BlockBytes BlockOf(const ConfigRecord& r) {
  BlockBytes b{};
  std::copy(r.Block().begin(), r.Block().end(), b.begin());
  return b;
}

Bytes TextBytes(std::string_view s) {
  Bytes b(s.begin(), s.end());
  b.push_back(0);
  return b;
}

// Printable text of `n` characters, none of them 0; `seed` varies it per field.
std::string MakeText(std::size_t n, std::size_t seed) {
  static constexpr std::string_view kChars =
      "+0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  std::string s;
  for (std::size_t i = 0; i < n; ++i) s.push_back(kChars[(i + seed) % kChars.size()]);
  return s;
}

Bytes Sequence(std::size_t n, std::uint8_t first) {
  Bytes b(n);
  for (std::size_t i = 0; i < n; ++i) b[i] = static_cast<std::uint8_t>(first + i);
  return b;
}

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// ---------------------------------------------------------------------------
// The layout, one entry per field element: the field's bytes as laid out
// [offset, offset + width), what the accessor call must leave at which bytes,
// and the call itself. Every other byte of the block must stay as it was.

struct ByteRun {
  std::size_t at;
  Bytes bytes;
};

struct LayoutCase {
  std::string name;  // as the layout names it
  int element;       // -1 for a single-valued field
  const FieldInfo* field;
  std::size_t offset;
  std::size_t width;
  std::vector<ByteRun> expect;
  std::function<void(ConfigRecord&)> set;
};

class LayoutTable {
 public:
  void Add(std::string name, const FieldInfo& f, std::size_t offset, std::size_t width,
           std::vector<ByteRun> expect, std::function<void(ConfigRecord&)> set, int element = -1) {
    cases_.push_back({std::move(name), element, &f, offset, width, std::move(expect),
                      std::move(set)});
  }

  // text[n] element at `at`: a text longer than the element is stored as its
  // first n-1 characters and a terminating 0.
  void Text(std::string name, const Field<FieldKind::Text>& f, std::size_t offset,
            std::size_t width, std::size_t at, std::size_t n, int element = -1) {
    const std::string text = MakeText(n + 7, at);
    Add(std::move(name), f, offset, width, {{at, TextBytes(text.substr(0, n - 1))}},
        [fp = &f, text, element](ConfigRecord& r) { r.Set(*fp, text, std::max(element, 0)); }, element);
  }
  void Text(std::string name, const Field<FieldKind::Text>& f, std::size_t offset,
            std::size_t width) {
    Text(std::move(name), f, offset, width, offset, width);
  }

  template <FieldKind K>
  void Flag(std::string name, const Field<K>& f, std::size_t offset, std::size_t width,
            std::size_t at, int element = -1) {
    Add(std::move(name), f, offset, width, {{at, {1}}},
        [fp = &f, element](ConfigRecord& r) { r.SetFlag(*fp, true, std::max(element, 0)); }, element);
  }
  template <FieldKind K>
  void Flag(std::string name, const Field<K>& f, std::size_t offset) {
    Flag(std::move(name), f, offset, 1, offset);
  }

  // Byte and index fields.
  template <FieldKind K>
  void Byte(std::string name, const Field<K>& f, std::size_t offset, std::size_t width,
            std::size_t at, std::uint8_t value, int element = -1) {
    Add(std::move(name), f, offset, width, {{at, {value}}},
        [fp = &f, value, element](ConfigRecord& r) { r.Set(*fp, value, std::max(element, 0)); },
        element);
  }
  template <FieldKind K>
  void Byte(std::string name, const Field<K>& f, std::size_t offset, std::uint8_t value) {
    Byte(std::move(name), f, offset, 1, offset, value);
  }

  void U16(std::string name, const Field<FieldKind::U16>& f, std::size_t offset,
           std::size_t width, std::size_t at, std::uint16_t value, Bytes little_endian,
           int element = -1) {
    Add(std::move(name), f, offset, width, {{at, std::move(little_endian)}},
        [fp = &f, value, element](ConfigRecord& r) { r.Set(*fp, value, std::max(element, 0)); },
        element);
  }
  void U16(std::string name, const Field<FieldKind::U16>& f, std::size_t offset,
           std::uint16_t value, Bytes little_endian) {
    U16(std::move(name), f, offset, 2, offset, value, std::move(little_endian));
  }

  void U32(std::string name, const Field<FieldKind::U32>& f, std::size_t offset,
           std::uint32_t value, Bytes little_endian) {
    Add(std::move(name), f, offset, 4, {{offset, std::move(little_endian)}},
        [fp = &f, value](ConfigRecord& r) { r.Set(*fp, value); });
  }

  // HexPacket with a data area of `area` bytes: more data than fits is given,
  // so the count byte must say `area` and exactly `area` bytes follow.
  void Packet(std::string name, const Field<FieldKind::HexPacket>& f, std::size_t offset,
              std::size_t width, std::size_t area) {
    const Bytes data = Sequence(area + 9, static_cast<std::uint8_t>(0x80 + offset));
    const Bytes stored = Concat({static_cast<std::uint8_t>(area)},
                                Bytes(data.begin(), data.begin() + static_cast<long>(area)));
    Add(std::move(name), f, offset, width, {{offset, stored}},
        [fp = &f, data](ConfigRecord& r) { r.Set(*fp, data); });
  }

  // Schedule time element: only its minute and hour bytes are written.
  void Schedule(std::string name, const Field<FieldKind::Time>& f, std::size_t offset,
                std::size_t minute_at, std::size_t hour_at, int element) {
    Add(std::move(name), f, offset, 21, {{minute_at, {0x45}}, {hour_at, {0x23}}},
        [fp = &f, element](ConfigRecord& r) { r.SetScheduleTime(*fp, 23, 45, element); }, element);
  }

  const std::vector<LayoutCase>& cases() const { return cases_; }

 private:
  std::vector<LayoutCase> cases_;
};

LayoutTable RecordLayout() {
  namespace fd = field;
  LayoutTable t;
  // Device identity and status.
  t.Text("status_text", fd::status_text, 2, 25);
  t.Add("hw_options", fd::hw_options, 27, 1, {{27, {0xA6}}},
        [](ConfigRecord& r) { r.Set(fd::hw_options, 0xA6); });
  t.U16("rssi_interval", fd::rssi_interval, 28, 0xA1B2, {0xB2, 0xA1});
  t.Byte("rssi", fd::rssi, 30, 0x1F);
  t.Byte("reg_status", fd::reg_status, 31, 0x05);
  t.Text("operator_name", fd::operator_name, 32, 21);
  t.Text("cell_id", fd::cell_id, 53, 21);
  t.Text("imei", fd::imei, 74, 17);
  t.Text("me_type", fd::me_type, 91, 21);
  // The weekday byte (116) is never written.
  t.Add("rtc_time", fd::rtc_time, 112, 7, {{112, {0x58, 0x59, 0x23, 0x31}}, {117, {0x12, 0x99}}},
        [](ConfigRecord& r) {
          r.SetTime(fd::rtc_time, BcdTime{.second = 58, .minute = 59, .hour = 23, .day = 31,
                                          .weekday = 6, .month = 12, .year = 99});
        });

  // Basic page and Reboot page.
  t.Byte("com_type", fd::com_type, 119, 1);
  t.Byte("pin_lock", fd::pin_lock, 120, 1);
  t.Text("pin_code", fd::pin_code, 121, 9);
  t.Flag("pin_change", fd::pin_change, 130);
  t.Text("new_pin_code", fd::new_pin_code, 131, 9);
  for (int e = 0; e < 3; ++e) {
    t.Flag("reboot_time_enable", fd::reboot_time_enable, 140, 3, 140 + e, e);
  }
  t.Schedule("reboot_times", fd::reboot_times, 143, 144, 145, 0);
  t.Schedule("reboot_times", fd::reboot_times, 143, 151, 152, 1);
  t.Schedule("reboot_times", fd::reboot_times, 143, 158, 159, 2);
  t.Flag("reboot_by_call", fd::reboot_by_call, 164);

  // Phone book: slot k at 165 + 22k, number text[21] then the role mask; the
  // number is cut to 20 characters and role bits 6 and 7 are written 0.
  for (int k = 0; k < 10; ++k) {
    const std::size_t at = 165 + 22 * static_cast<std::size_t>(k);
    const std::string number = "+49" + MakeText(30, 1 + k);
    const auto roles = static_cast<std::uint8_t>(0xC0 | (0x21 + k));
    t.Add("phone_book", fd::phone_book, 165, 220,
          {{at, TextBytes(number.substr(0, 20))}, {at + 21, {static_cast<std::uint8_t>(0x21 + k)}}},
          [k, number, roles](ConfigRecord& r) { r.SetPhoneBook(k, {number, roles}); }, k);
  }

  // Reboot, Basic, Com and device fields.
  t.Flag("reboot_call_reply_enable", fd::reboot_call_reply_enable, 385);
  t.Text("reboot_call_reply_text", fd::reboot_call_reply_text, 386, 21);
  t.Flag("reboot_by_sms", fd::reboot_by_sms, 407);
  t.Text("reboot_sms_password", fd::reboot_sms_password, 408, 21);
  t.Flag("reboot_sms_reply_enable", fd::reboot_sms_reply_enable, 429);
  t.Text("reboot_sms_reply_text", fd::reboot_sms_reply_text, 430, 21);
  t.Text("device_name", fd::device_name, 451, 21);
  t.Text("init_command", fd::init_command, 472, 41);
  t.Text("sms_control_password", fd::sms_control_password, 513, 21);
  t.Text("sms_center", fd::sms_center, 534, 31);
  t.Byte("device_flag", fd::device_flag, 565, 0x6D);
  t.Flag("rtc_set", fd::rtc_set, 566);
  t.Byte("baud_index", fd::baud_index, 567, 7);
  t.Byte("data_bits_index", fd::data_bits_index, 568, 1);
  t.Byte("parity_index", fd::parity_index, 569, 4);
  t.Byte("stop_bits_index", fd::stop_bits_index, 570, 1);
  t.Byte("rs485_absent", fd::rs485_absent, 571, 1);

  // GPRS and Advanced 1 pages.
  t.Text("apn", fd::apn, 572, 51);
  t.Text("gprs_user", fd::gprs_user, 623, 33);
  t.Text("gprs_password", fd::gprs_password, 656, 33);
  t.Text("server_address", fd::server_address, 689, 21);
  t.Text("dns1", fd::dns1, 710, 21);
  t.Text("dns2", fd::dns2, 731, 21);
  t.U16("server_port", fd::server_port, 752, 0xFEDC, {0xDC, 0xFE});
  t.Byte("socket_mode", fd::socket_mode, 754, 2);
  t.Byte("connection_mode", fd::connection_mode, 755, 1);
  t.U16("inactivity_time", fd::inactivity_time, 756, 3000, {0xB8, 0x0B});
  t.Flag("shutdown_when_idle", fd::shutdown_when_idle, 758);
  t.U16("connect_interval", fd::connect_interval, 759, 1200, {0xB0, 0x04});
  t.Byte("max_retries", fd::max_retries, 761, 60);
  t.Byte("interval_timeout", fd::interval_timeout, 762, 100);
  t.U16("packet_length", fd::packet_length, 763, 1024, {0x00, 0x04});
  t.Flag("delimiter1_enable", fd::delimiter1_enable, 765);
  t.Byte("delimiter1", fd::delimiter1, 766, 0x0D);
  t.Flag("delimiter2_enable", fd::delimiter2_enable, 767);
  t.Byte("delimiter2", fd::delimiter2, 768, 0x0A);
  t.Byte("delimiter_process", fd::delimiter_process, 769, 3);
  t.Byte("tx_delay", fd::tx_delay, 770, 50);
  t.Flag("online_sms_enable", fd::online_sms_enable, 771);
  t.Flag("roaming_enable", fd::roaming_enable, 772);
  t.Text("preferred_plmn", fd::preferred_plmn, 773, 7);
  t.Text("sim_plmn", fd::sim_plmn, 780, 7);

  // Advanced 2 page.
  t.Flag("login_enable", fd::login_enable, 787);
  t.Byte("login_max_retries", fd::login_max_retries, 788, 60);
  t.Byte("login_interval", fd::login_interval, 789, 120);
  t.Packet("login_request", fd::login_request, 790, 34, 33);
  t.Packet("login_ack", fd::login_ack, 824, 18, 17);
  t.Flag("keepalive_enable", fd::keepalive_enable, 842);
  t.U16("keepalive_interval", fd::keepalive_interval, 843, 0x04B0, {0xB0, 0x04});
  t.Packet("keepalive_request", fd::keepalive_request, 845, 34, 33);
  t.Packet("keepalive_ack", fd::keepalive_ack, 879, 18, 17);
  t.Flag("logout_enable", fd::logout_enable, 897);
  t.Packet("logout_request", fd::logout_request, 898, 34, 33);
  t.Packet("logout_ack", fd::logout_ack, 932, 18, 17);

  // Wakeup page.
  for (int e = 0; e < 3; ++e) {
    t.Flag("wakeup_time_enable", fd::wakeup_time_enable, 950, 3, 950 + e, e);
  }
  t.Schedule("wakeup_times", fd::wakeup_times, 953, 954, 955, 0);
  t.Schedule("wakeup_times", fd::wakeup_times, 953, 961, 962, 1);
  t.Schedule("wakeup_times", fd::wakeup_times, 953, 968, 969, 2);
  t.Flag("periodic_wakeup_enable", fd::periodic_wakeup_enable, 974);
  t.U16("periodic_wakeup_interval", fd::periodic_wakeup_interval, 975, 1800, {0x08, 0x07});
  t.Flag("serial_data_wakeup", fd::serial_data_wakeup, 977);
  t.Flag("wakeup_by_call", fd::wakeup_by_call, 978);
  t.Flag("wakeup_call_reply_enable", fd::wakeup_call_reply_enable, 979);
  t.Text("wakeup_call_reply_text", fd::wakeup_call_reply_text, 980, 21);
  t.Flag("wakeup_by_sms", fd::wakeup_by_sms, 1001);
  t.Text("wakeup_sms_password", fd::wakeup_sms_password, 1002, 21);
  t.Flag("wakeup_sms_reply_enable", fd::wakeup_sms_reply_enable, 1023);
  t.Text("wakeup_sms_reply_text", fd::wakeup_sms_reply_text, 1024, 21);
  t.Packet("online_output", fd::online_output, 1045, 32, 31);

  // Network status and Modbus.
  t.Text("local_ip", fd::local_ip, 1077, 21);
  t.Byte("gprs_status", fd::gprs_status, 1098, 3);
  t.Byte("tcp_status", fd::tcp_status, 1099, 4);
  t.U32("tx_bytes", fd::tx_bytes, 1100, 0x89ABCDEF, {0xEF, 0xCD, 0xAB, 0x89});
  t.U32("rx_bytes", fd::rx_bytes, 1104, 0x01234567, {0x67, 0x45, 0x23, 0x01});
  t.Flag("modbus_tcp_enable", fd::modbus_tcp_enable, 1108);

  // Phone groups: mask g at 1109 + 2g; bits 10..15 are written 0.
  for (int g = 0; g < 10; ++g) {
    const std::size_t at = 1109 + 2 * static_cast<std::size_t>(g);
    const auto mask = static_cast<std::uint16_t>(0xFC00 | (0x0155 + g));
    t.Add("phone_groups", fd::phone_groups, 1109, 20,
          {{at, {static_cast<std::uint8_t>(0x55 + g), 0x01}}},
          [g, mask](ConfigRecord& r) { r.SetPhoneGroupMask(g, mask); }, g);
  }

  // Digital inputs: pairs, DI_0 first.
  t.Byte("di_mode", fd::di_mode, 1129, 2, 1129, 3, 0);
  t.Byte("di_mode", fd::di_mode, 1129, 2, 1130, 2, 1);
  t.Byte("di_counter_edge", fd::di_counter_edge, 1131, 2, 1131, 1, 0);
  t.Byte("di_counter_edge", fd::di_counter_edge, 1131, 2, 1132, 1, 1);
  t.Flag("di_counter_at_power_on", fd::di_counter_at_power_on, 1133, 2, 1133, 0);
  t.Flag("di_counter_at_power_on", fd::di_counter_at_power_on, 1133, 2, 1134, 1);
  t.U16("di_filter_ms", fd::di_filter_ms, 1135, 4, 1135, 10000, {0x10, 0x27}, 0);
  t.U16("di_filter_ms", fd::di_filter_ms, 1135, 4, 1137, 0x0102, {0x02, 0x01}, 1);
  t.U16("di_count_trigger", fd::di_count_trigger, 1139, 4, 1139, 30000, {0x30, 0x75}, 0);
  t.U16("di_count_trigger", fd::di_count_trigger, 1139, 4, 1141, 0x0A0B, {0x0B, 0x0A}, 1);
  t.Text("di_alarm_on_text", fd::di_alarm_on_text, 1143, 142, 1143, 71, 0);
  t.Text("di_alarm_on_text", fd::di_alarm_on_text, 1143, 142, 1214, 71, 1);
  t.Text("di_alarm_off_text", fd::di_alarm_off_text, 1285, 142, 1285, 71, 0);
  t.Text("di_alarm_off_text", fd::di_alarm_off_text, 1285, 142, 1356, 71, 1);
  t.Byte("di_phone_group", fd::di_phone_group, 1427, 2, 1427, 9, 0);
  t.Byte("di_phone_group", fd::di_phone_group, 1427, 2, 1428, 8, 1);
  t.Flag("di_report_over_tcp", fd::di_report_over_tcp, 1429, 2, 1429, 0);
  t.Flag("di_report_over_tcp", fd::di_report_over_tcp, 1429, 2, 1430, 1);

  // Digital output and remaining settings. Alarm source keeps bits 0..2 only.
  t.Add("do_alarm_source", fd::do_alarm_source, 1431, 1, {{1431, {0x07}}},
        [](ConfigRecord& r) { r.Set(fd::do_alarm_source, 0xFF); });
  t.Byte("do_alarm_on_action", fd::do_alarm_on_action, 1432, 2);
  t.Byte("do_alarm_off_action", fd::do_alarm_off_action, 1433, 1);
  t.Byte("do_keep_on", fd::do_keep_on, 1434, 255);
  t.Byte("do_power_on_state", fd::do_power_on_state, 1435, 1);
  t.U16("do_pulse_low_ms", fd::do_pulse_low_ms, 1436, 30000, {0x30, 0x75});
  t.U16("do_pulse_high_ms", fd::do_pulse_high_ms, 1438, 0x1357, {0x57, 0x13});
  t.U16("do_pulse_count", fd::do_pulse_count, 1440, 0x2468, {0x68, 0x24});
  t.U16("do_pulse_delay_ms", fd::do_pulse_delay_ms, 1442, 0x7531, {0x31, 0x75});
  t.Text("do_alarm_on_text", fd::do_alarm_on_text, 1444, 71);
  t.Text("do_alarm_off_text", fd::do_alarm_off_text, 1515, 71);
  t.Byte("do_phone_group", fd::do_phone_group, 1586, 5);
  t.Flag("do_report_over_tcp", fd::do_report_over_tcp, 1587);
  t.Byte("flow_control_index", fd::flow_control_index, 1588, 1);
  t.U16("reserved", fd::reserved_1589, 1589, 0xC3D4, {0xD4, 0xC3});
  t.Flag("debug_output_enable", fd::debug_output_enable, 1591);
  t.Byte("ppp_auth", fd::ppp_auth, 1592, 3);
  t.Flag("csd_backup_enable", fd::csd_backup_enable, 1593);
  t.U16("idle_timeout", fd::idle_timeout, 1594, 0x0ABC, {0xBC, 0x0A});
  t.Flag("do_always_trigger", fd::do_always_trigger, 1596);
  return t;
}

// The reserved ranges that have no typed accessor: bytes 0..1 and 1597..1627.
struct RawRange {
  const FieldInfo* field;
  std::size_t offset;
  std::size_t width;
};
const RawRange kUntypedReserved[] = {{&field::reserved_head, 0, 2},
                                     {&field::reserved_tail, 1597, 31}};

std::string Label(const LayoutCase& c) {
  return c.element < 0 ? c.name : c.name + "[" + std::to_string(c.element) + "]";
}

TEST(ConfigRecordLayout, ExpectedLayoutItselfTilesTheRecord) {
  // Guards the table above against typing slips: its fields and the untyped
  // reserved ranges must cover 0..1627 once, and each expected byte must lie
  // inside its own field.
  const LayoutTable layout = RecordLayout();
  std::map<std::size_t, std::size_t> ranges;  // offset -> width
  for (const LayoutCase& c : layout.cases()) {
    const auto [it, inserted] = ranges.emplace(c.offset, c.width);
    EXPECT_EQ(it->second, c.width) << Label(c);
    for (const ByteRun& run : c.expect) {
      EXPECT_GE(run.at, c.offset) << Label(c);
      EXPECT_LE(run.at + run.bytes.size(), c.offset + c.width) << Label(c);
    }
  }
  for (const RawRange& r : kUntypedReserved) ranges.emplace(r.offset, r.width);
  std::size_t next = 0;
  for (const auto& [offset, width] : ranges) {
    EXPECT_EQ(offset, next) << "gap or overlap at " << next;
    next = offset + width;
  }
  EXPECT_EQ(next, kRecordSize);
}

TEST(ConfigRecordLayout, EveryAccessorWritesExactlyItsOwnBytes) {
  const LayoutTable layout = RecordLayout();
  for (const LayoutCase& c : layout.cases()) {
    SCOPED_TRACE(Label(c));
    if (c.name != "reserved") {
      EXPECT_STREQ(c.field->name, c.name.c_str());
    }

    std::map<std::size_t, std::uint8_t> expected;
    for (const ByteRun& run : c.expect) {
      for (std::size_t i = 0; i < run.bytes.size(); ++i) expected[run.at + i] = run.bytes[i];
    }
    for (const bool inverted : {false, true}) {
      const BlockBytes background = Background(inverted);
      ConfigRecord r = RecordFrom(background);
      c.set(r);
      for (std::size_t i = 0; i < kBlockSize; ++i) {
        const auto want = expected.find(i);
        if (want != expected.end()) {
          EXPECT_EQ(int{r.RawByte(i)}, int{want->second}) << "at byte " << i;
        } else if (r.RawByte(i) != background[i]) {
          const bool inside = i >= c.offset && i < c.offset + c.width;
          ADD_FAILURE() << "byte " << i << " changed "
                        << (inside ? "inside the field but outside the value"
                                   : "outside the field")
                        << " [" << c.offset << ", " << c.offset + c.width << ")";
        }
      }
    }
  }

  // Every typed field of the table has a case above.
  std::set<const FieldInfo*> covered;
  for (const LayoutCase& c : layout.cases()) covered.insert(c.field);
  for (const FieldInfo* f : AllFields()) {
    if (f->kind == FieldKind::Raw) continue;
    EXPECT_TRUE(covered.count(f)) << f->name << " has no layout case";
  }
}

TEST(ConfigRecordLayout, UntypedReservedRangesAndBlockShape) {
  const ConfigRecord r;
  for (const RawRange& range : kUntypedReserved) {
    SCOPED_TRACE(range.field->name);
    const auto bytes = r.FieldBytes(*range.field);
    EXPECT_EQ(static_cast<std::size_t>(bytes.data() - r.Block().data()), range.offset);
    EXPECT_EQ(bytes.size(), range.width);
  }
  EXPECT_EQ(ConfigRecord::kSize, kRecordSize);
  EXPECT_EQ(ConfigRecord::kBlockSize, kBlockSize);
  EXPECT_EQ(ConfigRecord::kChecksumOffset, kRecordSize);
  EXPECT_EQ(r.Record().data(), r.Block().data());
}

TEST(ConfigRecordLayout, FieldTableTilesTheRecord) {
  const auto fields = AllFields();
  ASSERT_FALSE(fields.empty());
  std::set<std::string> names;
  std::size_t next = 0;
  for (const FieldInfo* f : fields) {
    SCOPED_TRACE(f->name);
    EXPECT_EQ(f->offset, next) << "gap, overlap or out of offset order";
    ASSERT_GT(f->count, 0);
    EXPECT_GT(f->width, 0);
    EXPECT_EQ(f->width % f->count, 0);
    EXPECT_TRUE(names.insert(f->name).second) << "duplicate name";
    next = std::max<std::size_t>(next, std::size_t{f->offset} + f->width);
  }
  EXPECT_EQ(next, kRecordSize);
}

// ---------------------------------------------------------------------------
// Field encodings.

TEST(ConfigRecordText, CutTerminateAndReadToFirstZero) {
  ConfigRecord r = RecordFrom(Background(false));
  const std::size_t name_at = 451;  // device_name, text[21]

  // Cut to 20 characters and a terminator at the field's last byte.
  r.Set(field::device_name, "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
  EXPECT_EQ(r.Get(field::device_name), "ABCDEFGHIJKLMNOPQRST");
  EXPECT_EQ(r.RawByte(name_at + 20), 0);
  EXPECT_EQ(r.RawByte(name_at + 21), Background(false)[name_at + 21]);

  // Exactly N-1 characters fit whole.
  r.Set(field::device_name, "01234567890123456789");
  EXPECT_EQ(r.Get(field::device_name), "01234567890123456789");

  // A shorter text leaves the bytes after its terminator as they were.
  r.Set(field::device_name, "LONGERTEXTVALUE");
  r.Set(field::device_name, "AB");
  EXPECT_EQ(r.Get(field::device_name), "AB");
  EXPECT_EQ(r.RawByte(name_at + 2), 0);
  const std::string_view tail = "GERTEXTVALUE";
  for (std::size_t i = 0; i < tail.size(); ++i) {
    EXPECT_EQ(r.RawByte(name_at + 3 + i), static_cast<std::uint8_t>(tail[i])) << i;
  }
  EXPECT_EQ(r.RawByte(name_at + 15), 0);
  r.Set(field::device_name, "");
  EXPECT_EQ(r.Get(field::device_name), "");
  EXPECT_EQ(r.RawByte(name_at + 1), 'B');  // the earlier text stays behind the terminator
  EXPECT_EQ(r.RawByte(name_at + 2), 0);

  // Reading stops at the first 0 even with text behind it.
  r.SetRawByte(name_at, 'X');
  r.SetRawByte(name_at + 1, 'Y');
  r.SetRawByte(name_at + 2, 0);
  r.SetRawByte(name_at + 3, 'Z');
  EXPECT_EQ(r.Get(field::device_name), "XY");

  // A field filled to its full width reads as all its bytes and no further,
  // for a single text, each element of a pair and a phone number.
  for (std::size_t i = 0; i < 21; ++i) r.SetRawByte(name_at + i, 'Q');
  r.SetRawByte(472, 'R');  // init_command follows directly
  EXPECT_EQ(r.Get(field::device_name), std::string(21, 'Q'));

  for (std::size_t i = 0; i < 71; ++i) r.SetRawByte(1143 + i, 'a');
  for (std::size_t i = 0; i < 71; ++i) r.SetRawByte(1214 + i, 'b');
  r.SetRawByte(1285, 'c');
  EXPECT_EQ(r.Get(field::di_alarm_on_text, 0), std::string(71, 'a'));
  EXPECT_EQ(r.Get(field::di_alarm_on_text, 1), std::string(71, 'b'));

  for (std::size_t i = 0; i < 21; ++i) r.SetRawByte(165 + 22 + i, '7');
  r.SetRawByte(165 + 22 + 21, 0x05);
  EXPECT_EQ(r.PhoneBook(1).number, std::string(21, '7'));
  EXPECT_EQ(r.PhoneBook(1).roles, 0x05);

  // The field just before the checksum slot: reading never reaches it.
  for (std::size_t i = 0; i < 71; ++i) r.SetRawByte(1515 + i, 'z');
  r.SetRawByte(1586, 'y');
  EXPECT_EQ(r.Get(field::do_alarm_off_text), std::string(71, 'z'));

  // Setting a pair element touches only that element.
  r.Set(field::di_alarm_on_text, "on", 1);
  EXPECT_EQ(r.Get(field::di_alarm_on_text, 0), std::string(71, 'a'));
  EXPECT_EQ(r.Get(field::di_alarm_on_text, 1), "on");
}

TEST(ConfigRecordFlags, ThreeReadingKindsAndWrittenZeroOrOne) {
  // Expected readings per byte value: flag=1, flag!=0, flag>0.
  struct Reading {
    std::uint8_t byte;
    bool is_one, non_zero, positive;
  };
  const Reading kReadings[] = {{0x00, false, false, false}, {0x01, true, true, true},
                               {0x02, false, true, true},   {0x7F, false, true, true},
                               {0x80, false, true, false},  {0xFF, false, true, false}};
  enum Kind { kIsOne, kNonZero, kPositive };
  struct FlagField {
    const char* name;
    std::size_t at;
    Kind kind;
    std::function<bool(const ConfigRecord&)> is_on;
    std::function<void(ConfigRecord&, bool)> set;
  };
  auto flag = [](const char* name, std::size_t at, Kind kind, const auto& f, int element = 0) {
    return FlagField{name, at, kind,
                     [fp = &f, element](const ConfigRecord& r) { return r.IsOn(*fp, element); },
                     [fp = &f, element](ConfigRecord& r, bool on) { r.SetFlag(*fp, on, element); }};
  };
  namespace fd = field;
  const FlagField kFlags[] = {
      flag("pin_change", 130, kNonZero, fd::pin_change),
      flag("reboot_time_enable[0]", 140, kIsOne, fd::reboot_time_enable, 0),
      flag("reboot_time_enable[1]", 141, kIsOne, fd::reboot_time_enable, 1),
      flag("reboot_time_enable[2]", 142, kIsOne, fd::reboot_time_enable, 2),
      flag("reboot_by_call", 164, kIsOne, fd::reboot_by_call),
      flag("reboot_call_reply_enable", 385, kNonZero, fd::reboot_call_reply_enable),
      flag("reboot_by_sms", 407, kIsOne, fd::reboot_by_sms),
      flag("reboot_sms_reply_enable", 429, kNonZero, fd::reboot_sms_reply_enable),
      flag("shutdown_when_idle", 758, kNonZero, fd::shutdown_when_idle),
      flag("delimiter1_enable", 765, kNonZero, fd::delimiter1_enable),
      flag("delimiter2_enable", 767, kNonZero, fd::delimiter2_enable),
      flag("online_sms_enable", 771, kNonZero, fd::online_sms_enable),
      flag("roaming_enable", 772, kNonZero, fd::roaming_enable),
      flag("login_enable", 787, kNonZero, fd::login_enable),
      flag("keepalive_enable", 842, kNonZero, fd::keepalive_enable),
      flag("logout_enable", 897, kNonZero, fd::logout_enable),
      flag("wakeup_time_enable[0]", 950, kIsOne, fd::wakeup_time_enable, 0),
      flag("wakeup_time_enable[1]", 951, kIsOne, fd::wakeup_time_enable, 1),
      flag("wakeup_time_enable[2]", 952, kIsOne, fd::wakeup_time_enable, 2),
      flag("periodic_wakeup_enable", 974, kIsOne, fd::periodic_wakeup_enable),
      flag("serial_data_wakeup", 977, kPositive, fd::serial_data_wakeup),
      flag("wakeup_by_call", 978, kIsOne, fd::wakeup_by_call),
      flag("wakeup_call_reply_enable", 979, kNonZero, fd::wakeup_call_reply_enable),
      flag("wakeup_by_sms", 1001, kIsOne, fd::wakeup_by_sms),
      flag("wakeup_sms_reply_enable", 1023, kNonZero, fd::wakeup_sms_reply_enable),
      flag("modbus_tcp_enable", 1108, kNonZero, fd::modbus_tcp_enable),
      flag("di_counter_at_power_on[0]", 1133, kNonZero, fd::di_counter_at_power_on, 0),
      flag("di_counter_at_power_on[1]", 1134, kNonZero, fd::di_counter_at_power_on, 1),
      flag("di_report_over_tcp[0]", 1429, kNonZero, fd::di_report_over_tcp, 0),
      flag("di_report_over_tcp[1]", 1430, kNonZero, fd::di_report_over_tcp, 1),
      flag("do_report_over_tcp", 1587, kNonZero, fd::do_report_over_tcp),
      flag("debug_output_enable", 1591, kNonZero, fd::debug_output_enable),
      flag("csd_backup_enable", 1593, kNonZero, fd::csd_backup_enable),
      flag("do_always_trigger", 1596, kNonZero, fd::do_always_trigger),
  };

  for (const FlagField& f : kFlags) {
    SCOPED_TRACE(f.name);
    ConfigRecord r;
    for (const Reading& reading : kReadings) {
      r.SetRawByte(f.at, reading.byte);
      const bool want = f.kind == kIsOne     ? reading.is_one
                        : f.kind == kNonZero ? reading.non_zero
                                             : reading.positive;
      EXPECT_EQ(f.is_on(r), want) << "byte 0x" << std::hex << int{reading.byte};

      // Written as exactly 1 or 0 whatever the byte held before.
      f.set(r, true);
      EXPECT_EQ(r.RawByte(f.at), 1);
      r.SetRawByte(f.at, reading.byte);
      f.set(r, false);
      EXPECT_EQ(r.RawByte(f.at), 0);
    }
  }

  // rtc_set has no reading rule of its own but is written 0 or 1 too.
  ConfigRecord r;
  r.SetRawByte(566, 0xFF);
  r.SetFlag(field::rtc_set, true);
  EXPECT_EQ(r.RawByte(566), 1);
  r.SetFlag(field::rtc_set, false);
  EXPECT_EQ(r.RawByte(566), 0);
}

TEST(ConfigRecordTime, BcdEncodingScheduleAndClock) {
  // Packed BCD, tens in the high nibble; every value 0..99 goes there and back.
  EXPECT_EQ(ToBcd(0), 0x00);
  EXPECT_EQ(ToBcd(9), 0x09);
  EXPECT_EQ(ToBcd(10), 0x10);
  EXPECT_EQ(ToBcd(59), 0x59);
  EXPECT_EQ(ToBcd(99), 0x99);
  EXPECT_EQ(FromBcd(0x00), 0);
  EXPECT_EQ(FromBcd(0x23), 23);
  EXPECT_EQ(FromBcd(0x99), 99);
  for (int v = 0; v <= 99; ++v) EXPECT_EQ(FromBcd(ToBcd(v)), v) << v;
  // Out-of-range numbers still give a well-formed BCD byte.
  for (const int v : {-1, -100, 100, 255, 1000}) {
    const std::uint8_t b = ToBcd(v);
    EXPECT_LE(b >> 4, 9) << v;
    EXPECT_LE(b & 0x0F, 9) << v;
  }
  // A malformed nibble decodes as it stands.
  EXPECT_EQ(FromBcd(0x3A), 40);

  // The clock: 23:59:58 on 31.12.(20)99 is 0x58 0x59 0x23 0x31 . 0x12 0x99,
  // and the weekday byte keeps what the device put there.
  ConfigRecord r = RecordFrom(Background(false));
  r.SetRawByte(116, 0x05);
  const BcdTime t{.second = 58, .minute = 59, .hour = 23, .day = 31, .weekday = 3,
                  .month = 12, .year = 99};
  r.SetTime(field::rtc_time, t);
  const Bytes kClock = {0x58, 0x59, 0x23, 0x31, 0x05, 0x12, 0x99};
  for (std::size_t i = 0; i < kClock.size(); ++i) EXPECT_EQ(r.RawByte(112 + i), kClock[i]) << i;
  BcdTime read_back = t;
  read_back.weekday = 5;
  EXPECT_EQ(r.Get(field::rtc_time), read_back);

  // Reading decodes every byte, weekday included.
  const Bytes kRaw = {0x07, 0x30, 0x08, 0x01, 0x02, 0x03, 0x24};
  for (std::size_t i = 0; i < kRaw.size(); ++i) r.SetRawByte(112 + i, kRaw[i]);
  EXPECT_EQ(r.Get(field::rtc_time), (BcdTime{.second = 7, .minute = 30, .hour = 8, .day = 1,
                                             .weekday = 2, .month = 3, .year = 24}));

  // Schedule times write the minute and hour bytes only.
  const BlockBytes background = Background(true);
  r = RecordFrom(background);
  r.SetScheduleTime(field::reboot_times, 23, 59, 1);  // element 1 at 150..156
  for (std::size_t i = 143; i < 164; ++i) {
    if (i == 151) {
      EXPECT_EQ(r.RawByte(i), 0x59);
    } else if (i == 152) {
      EXPECT_EQ(r.RawByte(i), 0x23);
    } else {
      EXPECT_EQ(r.RawByte(i), background[i]) << "byte " << i;
    }
  }
  const BcdTime schedule = r.Get(field::reboot_times, 1);
  EXPECT_EQ(schedule.hour, 23);
  EXPECT_EQ(schedule.minute, 59);

  // All-zero schedules show as 00:00.
  const ConfigRecord zero;
  for (int e = 0; e < 3; ++e) {
    EXPECT_EQ(zero.Get(field::wakeup_times, e).hour, 0);
    EXPECT_EQ(zero.Get(field::wakeup_times, e).minute, 0);
  }
}

TEST(ConfigRecordHexPacket, CountThenDataCutAndClamped) {
  struct Packet {
    const char* name;
    const Field<FieldKind::HexPacket>& f;
    std::size_t at;
    std::size_t area;
  };
  const Packet kPackets[] = {{"login_request", field::login_request, 790, 33},
                             {"login_ack", field::login_ack, 824, 17},
                             {"online_output", field::online_output, 1045, 31}};
  for (const Packet& p : kPackets) {
    SCOPED_TRACE(p.name);
    const BlockBytes background = Background(false);
    ConfigRecord r = RecordFrom(background);

    // Short data: count byte, then the data; the rest of the area untouched.
    const Bytes short_data = {0xDE, 0xAD, 0xBE, 0xEF, 0x00};
    r.Set(p.f, short_data);
    EXPECT_EQ(r.RawByte(p.at), short_data.size());
    for (std::size_t i = 0; i < short_data.size(); ++i) {
      EXPECT_EQ(r.RawByte(p.at + 1 + i), short_data[i]);
    }
    for (std::size_t i = p.at + 1 + short_data.size(); i <= p.at + p.area + 1; ++i) {
      EXPECT_EQ(r.RawByte(i), background[i]) << "byte " << i;
    }
    EXPECT_EQ(r.Get(p.f), short_data);

    // Too much data: cut to the area, the next field untouched.
    const Bytes long_data = Sequence(p.area + 20, 0x40);
    r.Set(p.f, long_data);
    EXPECT_EQ(r.RawByte(p.at), p.area);
    EXPECT_EQ(r.Get(p.f), Bytes(long_data.begin(), long_data.begin() + static_cast<long>(p.area)));
    EXPECT_EQ(r.RawByte(p.at + 1 + p.area), background[p.at + 1 + p.area]);

    // A shorter packet after a longer one leaves the longer one's tail.
    r.Set(p.f, Bytes{0x11, 0x22});
    EXPECT_EQ(r.Get(p.f), (Bytes{0x11, 0x22}));
    EXPECT_EQ(r.RawByte(p.at + 3), long_data[2]);
    EXPECT_EQ(r.RawByte(p.at + p.area), long_data[p.area - 1]);

    // Empty: count 0, nothing else.
    r.Set(p.f, Bytes{});
    EXPECT_EQ(r.RawByte(p.at), 0);
    EXPECT_EQ(r.RawByte(p.at + 1), 0x11);
    EXPECT_TRUE(r.Get(p.f).empty());

    // A device count beyond the area reads as the whole area, never further.
    for (const std::uint8_t count : {static_cast<std::uint8_t>(p.area + 1), std::uint8_t{0xFF}}) {
      r.SetRawByte(p.at, count);
      const Bytes got = r.Get(p.f);
      ASSERT_EQ(got.size(), p.area);
      for (std::size_t i = 0; i < p.area; ++i) EXPECT_EQ(got[i], r.RawByte(p.at + 1 + i));
    }
  }
}

TEST(ConfigRecordPhones, RoleBitsAndGroupMembership) {
  // Role bits as the Phone Book page's columns.
  EXPECT_EQ(kCallReboot, 0x01);
  EXPECT_EQ(kCallWakeup, 0x02);
  EXPECT_EQ(kSmsReboot, 0x04);
  EXPECT_EQ(kSmsWakeup, 0x08);
  EXPECT_EQ(kSmsControl, 0x10);
  EXPECT_EQ(kCallCsd, 0x20);

  ConfigRecord r;
  for (int k = 0; k < 10; ++k) {
    const std::string number = "+86139" + std::to_string(1000000 + k);
    r.SetPhoneBook(k, {number, 0xFF});
    EXPECT_EQ(r.RawByte(165 + 22 * k + 21), 0x3F) << "bits 6 and 7 must be written 0";
    EXPECT_EQ(r.PhoneBook(k), (PhoneBookEntry{number, 0x3F}));
  }
  r.SetPhoneBook(4, {"+1", kSmsControl | kCallCsd});
  EXPECT_EQ(r.PhoneBook(4), (PhoneBookEntry{"+1", 0x30}));

  for (int g = 0; g < 10; ++g) {
    r.SetPhoneGroupMask(g, 0xFFFF);
    EXPECT_EQ(r.RawByte(1109 + 2 * g), 0xFF);
    EXPECT_EQ(r.RawByte(1110 + 2 * g), 0x03) << "bits 10..15 must be written 0";
    EXPECT_EQ(r.PhoneGroupMask(g), 0x03FF);
  }
  // Group 3 holds slots 0, 5 and 9 only.
  r.SetPhoneGroupMask(2, 0x0221);
  for (int k = 0; k < 10; ++k) EXPECT_EQ(r.IsGroupMember(2, k), k == 0 || k == 5 || k == 9) << k;
  // Bits the device set above bit 9 name no slot.
  r.SetRawByte(1110 + 2 * 2, 0xFC);
  for (int k = 10; k < 16; ++k) EXPECT_FALSE(r.IsGroupMember(2, k)) << k;
  EXPECT_FALSE(r.IsGroupMember(2, -1));
  EXPECT_TRUE(r.IsGroupMember(2, 0));
  // Neighbouring groups keep their masks.
  EXPECT_EQ(r.PhoneGroupMask(1), 0x03FF);
  EXPECT_EQ(r.PhoneGroupMask(3), 0x03FF);
}

// ---------------------------------------------------------------------------
// Whole-block operations.

TEST(ConfigRecordBlock, ClearReplaceAndImport) {
  const BlockBytes pattern = Background(false);

  // A new record and a cleared one are all zero, checksum slot included, and
  // read as empty texts, first items and flags off.
  ConfigRecord r = RecordFrom(pattern);
  r.Clear();
  EXPECT_TRUE(std::all_of(r.Block().begin(), r.Block().end(), [](auto b) { return b == 0; }));
  EXPECT_EQ(r, ConfigRecord{});
  EXPECT_EQ(r.Get(field::device_name), "");
  EXPECT_EQ(r.ItemText(field::baud_index), "1200");
  EXPECT_FALSE(r.IsOn(field::roaming_enable));
  EXPECT_FALSE(r.IsOn(field::serial_data_wakeup));

  // Exactly one block: everything copied, checksum slot included.
  EXPECT_EQ(r.ReplaceFrom(pattern), kBlockSize);
  EXPECT_EQ(BlockOf(r), pattern);
  EXPECT_EQ(r.Checksum(), pattern[kRecordSize]);

  // Fewer bytes: those are copied, the rest is zero even where it was not.
  EXPECT_EQ(r.ReplaceFrom(std::span(pattern).first(kRecordSize)), kRecordSize);
  EXPECT_TRUE(std::equal(pattern.begin(), pattern.begin() + kRecordSize, r.Block().begin()));
  EXPECT_EQ(r.Checksum(), 0);
  r.ReplaceFrom(pattern);
  EXPECT_EQ(r.ReplaceFrom(std::span(pattern).first(100)), 100u);
  EXPECT_TRUE(std::equal(pattern.begin(), pattern.begin() + 100, r.Block().begin()));
  EXPECT_TRUE(std::all_of(r.Block().begin() + 100, r.Block().end(), [](auto b) { return b == 0; }));
  EXPECT_EQ(r.ReplaceFrom({}), 0u);
  EXPECT_EQ(r, ConfigRecord{});

  // More bytes than the block: only the block is filled. The guard lies
  // directly behind the record's bytes, so a write past the block shows there.
  struct Guarded {
    ConfigRecord record;
    std::array<std::uint8_t, 256> guard;
  };
  Guarded g{};
  ASSERT_EQ(g.record.Block().data() + kBlockSize, g.guard.data());
  g.guard.fill(0xA5);
  Bytes oversized(kBlockSize + 200);
  for (std::size_t i = 0; i < oversized.size(); ++i) oversized[i] = static_cast<std::uint8_t>(i * 7 + 3);
  EXPECT_EQ(g.record.ReplaceFrom(oversized), kBlockSize);
  EXPECT_TRUE(std::equal(g.record.Block().begin(), g.record.Block().end(), oversized.begin()));
  EXPECT_TRUE(std::all_of(g.guard.begin(), g.guard.end(), [](auto b) { return b == 0xA5; }));

  // Import takes the whole block, checksum slot included, but keeps the
  // device's hw_options (27), device_flag (565) and rs485_absent (571).
  ConfigRecord device;
  device.SetRawByte(27, 0x02);
  device.SetRawByte(565, 0x77);
  device.SetRawByte(571, 0x01);
  BlockBytes file = Background(true);
  file[27] = 0xF0;
  file[565] = 0x11;
  file[571] = 0x00;
  device.ImportKeepingDeviceBytes(file);
  for (std::size_t i = 0; i < kBlockSize; ++i) {
    const std::uint8_t want = i == 27 ? 0x02 : i == 565 ? 0x77 : i == 571 ? 0x01 : file[i];
    EXPECT_EQ(device.RawByte(i), want) << "byte " << i;
  }
  EXPECT_EQ(device.Checksum(), file[kRecordSize]);
}

// ---------------------------------------------------------------------------
// Item lists of the index fields.

TEST(ConfigRecordItems, ListsAndTheIndexFieldsThatSelectFromThem) {
  using Texts = std::vector<std::string>;
  const Texts kComType = {"RS232", "RS485"};
  const Texts kPinLock = {"Disable PIN Lock", "Enable PIN Lock"};
  const Texts kBaud = {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"};
  const Texts kDataBits = {"7", "8"};
  const Texts kParity = {"None", "Odd", "Even", "Mark", "Space"};
  const Texts kStopBits = {"1", "2"};
  const Texts kFlow = {"None", "Hardware"};
  const Texts kPpp = {"None", "PAP", "CHAP", "PAP and CHAP"};
  const Texts kSocket = {"TCP Client", "TCP Server", "UDP"};
  const Texts kConnection = {"Always Online", "Connect On Demand"};
  const Texts kDelimiter = {"Do Nothing", "Delimiter +1", "Delimiter +2", "Strip Delimiter"};
  const Texts kDiMode = {"OFF", "ON", "ONChange", "Event Counter", "Null"};
  const Texts kEdge = {"Lo to Hi", "Hi to Lo"};
  const Texts kDoAction = {"OFF", "ON", "Pulse", "Null"};
  const Texts kPowerOn = {"OFF", "ON"};
  const Texts kGroup = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"};

  struct ListCase {
    const ItemList& list;
    const Texts& texts;
  };
  const ListCase kLists[] = {
      {items::ComType, kComType},       {items::PinLock, kPinLock},
      {items::BaudRate, kBaud},         {items::DataBits, kDataBits},
      {items::Parity, kParity},         {items::StopBits, kStopBits},
      {items::FlowControl, kFlow},      {items::PppAuth, kPpp},
      {items::SocketMode, kSocket},     {items::ConnectionMode, kConnection},
      {items::DelimiterProcess, kDelimiter}, {items::DiMode, kDiMode},
      {items::DiCounterEdge, kEdge},    {items::DoAction, kDoAction},
      {items::DoPowerOnState, kPowerOn}, {items::PhoneGroup, kGroup},
  };
  for (const ListCase& c : kLists) {
    SCOPED_TRACE(c.list.name);
    ASSERT_EQ(c.list.size(), c.texts.size());
    for (std::size_t i = 0; i < c.texts.size(); ++i) EXPECT_EQ(c.list.Text(i), c.texts[i]);
    EXPECT_EQ(c.list.Text(c.texts.size()), "");
  }

  // Each index field selects from its own list, by the byte at its offset.
  struct IndexField {
    const char* name;
    const Field<FieldKind::Index>& f;
    int element;
    std::size_t at;
    const Texts& texts;
  };
  namespace fd = field;
  const IndexField kFields[] = {
      {"com_type", fd::com_type, 0, 119, kComType},
      {"pin_lock", fd::pin_lock, 0, 120, kPinLock},
      {"baud_index", fd::baud_index, 0, 567, kBaud},
      {"data_bits_index", fd::data_bits_index, 0, 568, kDataBits},
      {"parity_index", fd::parity_index, 0, 569, kParity},
      {"stop_bits_index", fd::stop_bits_index, 0, 570, kStopBits},
      {"socket_mode", fd::socket_mode, 0, 754, kSocket},
      {"connection_mode", fd::connection_mode, 0, 755, kConnection},
      {"delimiter_process", fd::delimiter_process, 0, 769, kDelimiter},
      {"di_mode[0]", fd::di_mode, 0, 1129, kDiMode},
      {"di_mode[1]", fd::di_mode, 1, 1130, kDiMode},
      {"di_counter_edge[0]", fd::di_counter_edge, 0, 1131, kEdge},
      {"di_counter_edge[1]", fd::di_counter_edge, 1, 1132, kEdge},
      {"di_phone_group[0]", fd::di_phone_group, 0, 1427, kGroup},
      {"di_phone_group[1]", fd::di_phone_group, 1, 1428, kGroup},
      {"do_alarm_on_action", fd::do_alarm_on_action, 0, 1432, kDoAction},
      {"do_alarm_off_action", fd::do_alarm_off_action, 0, 1433, kDoAction},
      {"do_power_on_state", fd::do_power_on_state, 0, 1435, kPowerOn},
      {"do_phone_group", fd::do_phone_group, 0, 1586, kGroup},
      {"flow_control_index", fd::flow_control_index, 0, 1588, kFlow},
      {"ppp_auth", fd::ppp_auth, 0, 1592, kPpp},
  };
  for (const IndexField& f : kFields) {
    SCOPED_TRACE(f.name);
    ConfigRecord r;
    for (std::size_t i = 0; i < f.texts.size(); ++i) {
      r.SetRawByte(f.at, static_cast<std::uint8_t>(i));
      EXPECT_EQ(r.Get(f.f, f.element), i);
      EXPECT_EQ(r.ItemText(f.f, f.element), f.texts[i]);
    }
    for (const std::size_t beyond : {f.texts.size(), std::size_t{0xFF}}) {
      r.SetRawByte(f.at, static_cast<std::uint8_t>(beyond));
      EXPECT_EQ(r.ItemText(f.f, f.element), "") << beyond;
    }
  }
}

// ---------------------------------------------------------------------------
// A wrong element or slot number is refused before anything is written.

TEST(ConfigRecordElements, WrongElementWritesNothing) {
  namespace fd = field;
  const std::vector<std::pair<const char*, std::function<void(ConfigRecord&)>>> kWrites = {
      {"di_mode element 2", [](ConfigRecord& r) { r.Set(fd::di_mode, 1, 2); }},
      {"di_mode element -1", [](ConfigRecord& r) { r.Set(fd::di_mode, 1, -1); }},
      {"di_filter_ms element 2", [](ConfigRecord& r) { r.Set(fd::di_filter_ms, 7, 2); }},
      {"di_alarm_on_text element 2", [](ConfigRecord& r) { r.Set(fd::di_alarm_on_text, "x", 2); }},
      {"di_report_over_tcp element 2",
       [](ConfigRecord& r) { r.SetFlag(fd::di_report_over_tcp, true, 2); }},
      {"reboot_time_enable element 3",
       [](ConfigRecord& r) { r.SetFlag(fd::reboot_time_enable, true, 3); }},
      {"wakeup_times element 3",
       [](ConfigRecord& r) { r.SetScheduleTime(fd::wakeup_times, 1, 2, 3); }},
      {"reboot_times element 3", [](ConfigRecord& r) { r.SetTime(fd::reboot_times, {}, 3); }},
      {"rtc_time element 1", [](ConfigRecord& r) { r.SetTime(fd::rtc_time, {}, 1); }},
      {"phone book slot 10", [](ConfigRecord& r) { r.SetPhoneBook(10, {"+1", 1}); }},
      {"phone book slot -1", [](ConfigRecord& r) { r.SetPhoneBook(-1, {"+1", 1}); }},
      {"phone group 10", [](ConfigRecord& r) { r.SetPhoneGroupMask(10, 1); }},
      {"phone group -1", [](ConfigRecord& r) { r.SetPhoneGroupMask(-1, 1); }},
      {"rssi element 1", [](ConfigRecord& r) { r.Set(fd::rssi, 1, 1); }},
      {"server_port element 1", [](ConfigRecord& r) { r.Set(fd::server_port, 1, 1); }},
      {"device_name element 1", [](ConfigRecord& r) { r.Set(fd::device_name, "x", 1); }},
      {"com_type element 1", [](ConfigRecord& r) { r.Set(fd::com_type, 1, 1); }},
      {"pin_change element 1", [](ConfigRecord& r) { r.SetFlag(fd::pin_change, true, 1); }},
  };
  const BlockBytes background = Background(false);
  for (const auto& [name, write] : kWrites) {
    SCOPED_TRACE(name);
    ConfigRecord r = RecordFrom(background);
    EXPECT_THROW(write(r), std::out_of_range);
    EXPECT_EQ(BlockOf(r), background);
  }

  // Reads of a wrong element are refused the same way.
  const ConfigRecord r = RecordFrom(background);
  EXPECT_THROW(r.Get(fd::di_mode, 2), std::out_of_range);
  EXPECT_THROW(r.ItemText(fd::di_phone_group, 2), std::out_of_range);
  EXPECT_THROW(r.IsOn(fd::wakeup_time_enable, 3), std::out_of_range);
  EXPECT_THROW(r.Get(fd::di_alarm_off_text, 2), std::out_of_range);
  EXPECT_THROW(r.PhoneBook(10), std::out_of_range);
  EXPECT_THROW(r.PhoneGroupMask(-1), std::out_of_range);
  EXPECT_THROW(r.IsGroupMember(10, 0), std::out_of_range);
}

}  // namespace
}  // namespace telvaro
