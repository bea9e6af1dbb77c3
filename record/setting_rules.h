// The rules of every setting an operator can change: the text limit, number
// range, item list, time and hex forms, phone roles and group members that the
// pages apply, as one table beside the field table. The pages take their
// limits from here, the profile reader and `telvaro-cli write` check values
// and records against it, and the profile reference is generated from it.
//
// A setting's key is its field's name (as `dump` prints it); its value has the
// form an operator reads on the page: an item's text, true/false, "08:05",
// "0d0aff", a phone number with its roles, the members of a group.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "record/config_record.h"

namespace telvaro {

enum class SettingForm : std::uint8_t {
  Text,          // at most `max` characters (and at least `min` while `gate` is on)
  Number,        // a decimal number `min` to `max`
  Item,          // one item of the field's item list, by its text (the first while `gate` is on)
  Flag,          // true or false
  ScheduleTime,  // "hh:mm", hour 0-23, minute 0-59
  HexByte,       // two hex digits
  HexPacket,     // pairs of hex digits, at most `max` digits
  PhoneEntry,    // a number of at most `max` characters and its roles
  GroupMembers,  // phone book slots 1-10
  AlarmSources,  // what drives the digital output
};

struct SettingRule {
  const char* page;  // the profile group: the page the setting lives on
  const FieldInfo* field;
  SettingForm form;
  std::int32_t min = 0;
  std::int32_t max = 0;
  // The page's own message when the value fails its check, per element (one
  // for every element when only the first is given); null for the limits the
  // window toolkit reports itself.
  std::array<const char*, 3> messages{};
  // While this field's byte is on the narrower rule holds: a text's minimum
  // length while the byte is not 0 (the PIN while the SIM is locked), a list's
  // first item only while it is 1 (RS232 on a modem without RS485).
  const FieldInfo* gate = nullptr;
  bool secret = false;  // left out of exports and masked in printouts

  // The profile key: the field's name, less the "_index" of a list whose
  // value a profile gives by its item ("baud: 9600", not an index).
  constexpr std::string_view KeyView() const {
    const std::string_view name = field->name;
    constexpr std::string_view kIndex = "_index";
    return name.ends_with(kIndex) ? name.substr(0, name.size() - kIndex.size()) : name;
  }
  std::string Key() const { return std::string(KeyView()); }
  constexpr const char* Message(int element) const { return messages[element < 3 && messages[element] ? element : 0]; }
};

// Names of the bits of the list forms, bit 0 first.
inline constexpr std::array<const char*, 6> kPhoneRoleNames = {"call-reboot", "call-wakeup", "sms-reboot",
                                                               "sms-wakeup",  "sms-control", "call-csd"};
inline constexpr std::array<const char*, 3> kAlarmSourceNames = {"di-alarm", "sms-control", "phone-control"};
// The same bits as the pages caption them; a profile may give these too.
inline constexpr std::array<const char*, 6> kPhoneRoleCaptions = {"Call Reboot", "Call Wakeup", "SMS Reboot",
                                                                  "SMS Wakeup",  "SMS Control", "CSD"};
inline constexpr std::array<const char*, 3> kAlarmSourceCaptions = {"DI Alarm", "SMS Control", "Phone Control"};

// The profile groups in page order.
inline constexpr std::array<const char*, 12> kSettingPages = {
    "com", "basic", "networks", "gprs", "advanced1", "advanced2", "wakeup", "reboot", "di", "do", "phone_book",
    "phone_group"};

// The pages of the digital input and output: a modem without digital I/O
// (hw_options bit 1 clear) has them disabled, and their values are neither
// taken nor checked.
inline constexpr std::array<const char*, 2> kDigitalIoPages = {"di", "do"};

namespace rules_detail {
using F = SettingForm;
inline constexpr int kReplyText = 20;    // SMS reply texts and passwords
inline constexpr int kAlarmText = 70;    // DI and DO alarm texts
inline constexpr int kRequestDigits = 64;  // 32 bytes of a request packet
inline constexpr int kAckDigits = 32;      // 16 bytes of an acknowledgement
inline constexpr int kPulseMs = 30000;
}  // namespace rules_detail

// clang-format off
inline constexpr SettingRule kSettingRules[] = {
  // Com page
  {"com", &field::baud_index,         rules_detail::F::Item},
  {"com", &field::data_bits_index,    rules_detail::F::Item},
  {"com", &field::parity_index,       rules_detail::F::Item},
  {"com", &field::stop_bits_index,    rules_detail::F::Item},
  {"com", &field::flow_control_index, rules_detail::F::Item},
  // Basic page
  {"basic", &field::device_name,          rules_detail::F::Text, 0, 20},
  {"basic", &field::com_type,             rules_detail::F::Item, 0, 0, {"Comm port err"}, &field::rs485_absent},
  {"basic", &field::sms_control_password, rules_detail::F::Text, 0, 20, {}, nullptr, true},
  {"basic", &field::init_command,         rules_detail::F::Text, 0, 40},
  {"basic", &field::pin_lock,             rules_detail::F::Item},
  {"basic", &field::pin_code,             rules_detail::F::Text, 4, 8, {"old pin code len err"}, &field::pin_lock, true},
  {"basic", &field::pin_change,           rules_detail::F::Flag},
  {"basic", &field::new_pin_code,         rules_detail::F::Text, 4, 8, {"new pin code len err"}, &field::pin_change, true},
  {"basic", &field::debug_output_enable,  rules_detail::F::Flag},
  // Networks page
  {"networks", &field::rssi_interval, rules_detail::F::Number, 1, 3600, {"Rssi interval err"}},
  // GPRS page
  {"gprs", &field::apn,                rules_detail::F::Text, 0, 50},
  {"gprs", &field::gprs_user,          rules_detail::F::Text, 0, 32},
  {"gprs", &field::gprs_password,      rules_detail::F::Text, 0, 32, {}, nullptr, true},
  {"gprs", &field::ppp_auth,           rules_detail::F::Item},
  {"gprs", &field::dns1,               rules_detail::F::Text, 0, 20},
  {"gprs", &field::dns2,               rules_detail::F::Text, 0, 20},
  {"gprs", &field::socket_mode,        rules_detail::F::Item},
  {"gprs", &field::server_address,     rules_detail::F::Text, 0, 20},
  {"gprs", &field::server_port,        rules_detail::F::Number, 1, 65535},
  {"gprs", &field::modbus_tcp_enable,  rules_detail::F::Flag},
  {"gprs", &field::connection_mode,    rules_detail::F::Item},
  {"gprs", &field::inactivity_time,    rules_detail::F::Number, 2, 3000},
  {"gprs", &field::connect_interval,   rules_detail::F::Number, 10, 1200},
  {"gprs", &field::max_retries,        rules_detail::F::Number, 1, 60},
  {"gprs", &field::idle_timeout,       rules_detail::F::Number, 0, 1200},
  {"gprs", &field::shutdown_when_idle, rules_detail::F::Flag},
  // Advanced 1 page
  {"advanced1", &field::interval_timeout,   rules_detail::F::Number, 1, 100},
  {"advanced1", &field::packet_length,      rules_detail::F::Number, 0, 1024},
  {"advanced1", &field::delimiter1_enable,  rules_detail::F::Flag},
  {"advanced1", &field::delimiter1,         rules_detail::F::HexByte, 0, 2, {"Delimeter1 input err"}},
  {"advanced1", &field::delimiter2_enable,  rules_detail::F::Flag},
  {"advanced1", &field::delimiter2,         rules_detail::F::HexByte, 0, 2, {"Delimeter2 input err"}},
  {"advanced1", &field::delimiter_process,  rules_detail::F::Item},
  {"advanced1", &field::tx_delay,           rules_detail::F::Number, 1, 50},
  {"advanced1", &field::online_sms_enable,  rules_detail::F::Flag},
  {"advanced1", &field::roaming_enable,     rules_detail::F::Flag},
  {"advanced1", &field::preferred_plmn,     rules_detail::F::Text, 0, 6},
  {"advanced1", &field::csd_backup_enable,  rules_detail::F::Flag},
  // Advanced 2 page
  {"advanced2", &field::login_enable,       rules_detail::F::Flag},
  {"advanced2", &field::login_max_retries,  rules_detail::F::Number, 0, 60},
  {"advanced2", &field::login_interval,     rules_detail::F::Number, 5, 120},
  {"advanced2", &field::login_request,      rules_detail::F::HexPacket, 0, rules_detail::kRequestDigits, {"Login REQ Packet input err"}},
  {"advanced2", &field::login_ack,          rules_detail::F::HexPacket, 0, rules_detail::kAckDigits, {"Login ACK Packet input err"}},
  {"advanced2", &field::keepalive_enable,   rules_detail::F::Flag},
  {"advanced2", &field::keepalive_interval, rules_detail::F::Number, 5, 1200},
  {"advanced2", &field::keepalive_request,  rules_detail::F::HexPacket, 0, rules_detail::kRequestDigits, {"Keep Alive REQ input err"}},
  {"advanced2", &field::keepalive_ack,      rules_detail::F::HexPacket, 0, rules_detail::kAckDigits, {"Keep Alive ACK input err"}},
  {"advanced2", &field::logout_enable,      rules_detail::F::Flag},
  {"advanced2", &field::logout_request,     rules_detail::F::HexPacket, 0, rules_detail::kRequestDigits, {"Logout REQ Packet input err"}},
  {"advanced2", &field::logout_ack,         rules_detail::F::HexPacket, 0, rules_detail::kAckDigits, {"Logout ACK Packet input err"}},
  // Wakeup page
  {"wakeup", &field::wakeup_time_enable,       rules_detail::F::Flag},
  {"wakeup", &field::wakeup_times,             rules_detail::F::ScheduleTime, 0, 0, {"Wakeup time1 error", "Wakeup time2 error", "Wakeup time3 error"}},
  {"wakeup", &field::periodic_wakeup_enable,   rules_detail::F::Flag},
  {"wakeup", &field::periodic_wakeup_interval, rules_detail::F::Number, 1, 1800},
  {"wakeup", &field::wakeup_by_call,           rules_detail::F::Flag},
  {"wakeup", &field::wakeup_call_reply_enable, rules_detail::F::Flag},
  {"wakeup", &field::wakeup_call_reply_text,   rules_detail::F::Text, 0, rules_detail::kReplyText},
  {"wakeup", &field::wakeup_by_sms,            rules_detail::F::Flag},
  {"wakeup", &field::wakeup_sms_password,      rules_detail::F::Text, 0, rules_detail::kReplyText, {}, nullptr, true},
  {"wakeup", &field::wakeup_sms_reply_enable,  rules_detail::F::Flag},
  {"wakeup", &field::wakeup_sms_reply_text,    rules_detail::F::Text, 0, rules_detail::kReplyText, {"SMS len error"}},
  {"wakeup", &field::serial_data_wakeup,       rules_detail::F::Flag},
  {"wakeup", &field::online_output,            rules_detail::F::HexPacket, 0, 30, {"Output Packet input err"}},
  // Reboot page
  {"reboot", &field::reboot_time_enable,       rules_detail::F::Flag},
  {"reboot", &field::reboot_times,             rules_detail::F::ScheduleTime, 0, 0, {"Reboot time error", "Reboot time2 error", "Reboot time3 error"}},
  {"reboot", &field::reboot_by_call,           rules_detail::F::Flag},
  {"reboot", &field::reboot_call_reply_enable, rules_detail::F::Flag},
  {"reboot", &field::reboot_call_reply_text,   rules_detail::F::Text, 0, rules_detail::kReplyText},
  {"reboot", &field::reboot_by_sms,            rules_detail::F::Flag},
  {"reboot", &field::reboot_sms_password,      rules_detail::F::Text, 0, rules_detail::kReplyText, {}, nullptr, true},
  {"reboot", &field::reboot_sms_reply_enable,  rules_detail::F::Flag},
  {"reboot", &field::reboot_sms_reply_text,    rules_detail::F::Text, 0, rules_detail::kReplyText, {"SMS len error"}},
  // DI page (DI_0, DI_1)
  {"di", &field::di_mode,                rules_detail::F::Item},
  {"di", &field::di_filter_ms,           rules_detail::F::Number, 0, 10000},
  {"di", &field::di_counter_edge,        rules_detail::F::Item},
  {"di", &field::di_count_trigger,       rules_detail::F::Number, 0, 30000},
  {"di", &field::di_counter_at_power_on, rules_detail::F::Flag},
  {"di", &field::di_alarm_on_text,       rules_detail::F::Text, 0, rules_detail::kAlarmText},
  {"di", &field::di_alarm_off_text,      rules_detail::F::Text, 0, rules_detail::kAlarmText},
  {"di", &field::di_phone_group,         rules_detail::F::Item},
  {"di", &field::di_report_over_tcp,     rules_detail::F::Flag},
  // DO page
  {"do", &field::do_alarm_source,     rules_detail::F::AlarmSources},
  {"do", &field::do_alarm_on_action,  rules_detail::F::Item},
  {"do", &field::do_alarm_off_action, rules_detail::F::Item},
  {"do", &field::do_power_on_state,   rules_detail::F::Item},
  {"do", &field::do_keep_on,          rules_detail::F::Number, 0, 255},
  {"do", &field::do_pulse_low_ms,     rules_detail::F::Number, 1, rules_detail::kPulseMs},
  {"do", &field::do_pulse_high_ms,    rules_detail::F::Number, 1, rules_detail::kPulseMs},
  {"do", &field::do_pulse_count,      rules_detail::F::Number, 0, rules_detail::kPulseMs},
  {"do", &field::do_pulse_delay_ms,   rules_detail::F::Number, 0, rules_detail::kPulseMs},
  {"do", &field::do_alarm_on_text,    rules_detail::F::Text, 0, rules_detail::kAlarmText},
  {"do", &field::do_alarm_off_text,   rules_detail::F::Text, 0, rules_detail::kAlarmText},
  {"do", &field::do_phone_group,      rules_detail::F::Item},
  {"do", &field::do_report_over_tcp,  rules_detail::F::Flag},
  {"do", &field::do_always_trigger,   rules_detail::F::Flag},
  // Phone Book and Phone Group pages
  {"phone_book",  &field::phone_book,   rules_detail::F::PhoneEntry, 0, 20, {"Phone number err"}},
  {"phone_group", &field::phone_groups, rules_detail::F::GroupMembers},
};
// clang-format on

// The rule of a field; a field without one is a programming error caught at
// compile time where the call is constant-evaluated.
constexpr const SettingRule& RuleOf(const FieldInfo& f) {
  for (const SettingRule& rule : kSettingRules)
    if (rule.field->offset == f.offset) return rule;
  throw "field without a setting rule";
}

// What the pages ask for: a text's limit and a number's range.
constexpr int TextLimit(const FieldInfo& f) { return RuleOf(f).max; }
struct NumberRange {
  std::int32_t min;
  std::int32_t max;
};
constexpr NumberRange RangeOf(const FieldInfo& f) { return {RuleOf(f).min, RuleOf(f).max}; }
constexpr const char* MessageOf(const FieldInfo& f, int element = 0) { return RuleOf(f).Message(element); }

// What a number setting counts in, as its page names it, and the range the
// page prints beside it where that text (kept as the window always showed
// it) is not the range the rules enforce.
struct SettingUnit {
  const FieldInfo* field;
  const char* unit;                // "s", "min", "ms", "(units of 100 ms)", ...
  const char* pageHint = nullptr;  // only where it differs from the rule
};

// clang-format off
inline constexpr SettingUnit kSettingUnits[] = {
  {&field::rssi_interval,            "s"},
  {&field::inactivity_time,          "s", "(5 - 1200)"},
  {&field::connect_interval,         "s"},
  {&field::idle_timeout,             "s"},
  {&field::interval_timeout,         "(units of 100 ms)", "(2 - 100)"},
  {&field::packet_length,            "bytes"},
  {&field::tx_delay,                 "(units of 100 ms)"},
  {&field::login_interval,           "s"},
  {&field::keepalive_interval,       "s"},
  {&field::periodic_wakeup_interval, "min"},
  {&field::di_filter_ms,             "ms"},
  {&field::di_count_trigger,         "pulses"},
  {&field::do_keep_on,               "s"},
  {&field::do_pulse_low_ms,          "ms"},
  {&field::do_pulse_high_ms,         "ms"},
  {&field::do_pulse_count,           "pulses"},
  {&field::do_pulse_delay_ms,        "ms"},
};
// clang-format on

// The unit entry of a rule's field, or null for a setting without a unit
// (a text, a list, a count of retries).
constexpr const SettingUnit* UnitOf(const SettingRule& rule) {
  for (const SettingUnit& unit : kSettingUnits)
    if (unit.field->offset == rule.field->offset) return &unit;
  return nullptr;
}

// The rule of a key ("apn"), or null.
const SettingRule* FindRule(std::string_view key);

// A setting's value as an operator reads it: `text` for every form but the
// lists, which use `items` (role names, member slots "1".."10", alarm source
// names); a phone entry has both (the number and its roles).
struct SettingValue {
  std::string text;
  std::vector<std::string> items;
  bool operator==(const SettingValue&) const = default;
};

// The rule as a person reads it: "at most 50 characters", "10 to 1200", ...
std::string RuleText(const SettingRule& rule);
// The same with the number's unit ("10 to 1200 s", "1 to 100 (units of
// 100 ms)"): the profile's comments and the reference.
std::string RuleTextWithUnit(const SettingRule& rule);
// The value's form: "number", "list of 3 × time \"hh:mm\"", ...
std::string FormText(const SettingRule& rule);

// The value of one element in the record, as the page shows it (an index
// outside its list shows as its number, a time that does not decode as its
// raw bytes), so that it fails the check as the page fails it.
SettingValue ShowSetting(const ConfigRecord& record, const SettingRule& rule, int element);

// Why a value breaks its rule: the problem in words, the rule, and the page's
// message when it has one.
struct SettingProblem {
  std::string problem;
  std::string rule;
  std::string message;
};

// Checks a value against its rule; `context` gives the gate of a minimum
// length (the PIN lock, the PIN change box).
std::optional<SettingProblem> CheckSetting(const SettingRule& rule, int element, const SettingValue& value,
                                           const ConfigRecord& context);

// Checks the value and, when it holds, writes it into the record. A value the
// record already shows is not written, so bytes the operator did not change
// (a flag sent as 2, bytes after a text's end) go back as they came.
std::optional<SettingProblem> StoreSetting(ConfigRecord& record, const SettingRule& rule, int element,
                                           const SettingValue& value);

// One breach of a whole record.
struct RecordBreach {
  const SettingRule* rule;
  int element;
  std::string key;  // "apn", or "di_mode[1]" for an element
  std::string value;
  SettingProblem problem;
};

// Every breach of the record against the table, in table order: what the
// pages would refuse to take or to write (the digital I/O pages only when the
// modem has digital I/O).
std::vector<RecordBreach> CheckRecord(const ConfigRecord& record);

// "device_name" or "di_mode[1]".
std::string ElementKey(const SettingRule& rule, int element);

// What Write stores on its own, whatever the operator did: the one rule for
// the window, apply, write, restore and the fleet, so that the same settings
// become the same record everywhere.
//  - a flag read as "exactly 1" or "1 to 127" goes out as 0 or 1, as its box
//    shows it (a 2 is off, so 0);
//  - a PIN lock above 2 is "Disable PIN Lock";
//  - a delimiter whose "Enable" is off is 0;
//  - an empty preferred PLMN ("PLMN in SIM") is all zero;
//  - a phone book role in a column no setting offers is cleared (Call Reboot
//    without the Reboot page's "Call ", Call Wakeup likewise, CSD without
//    "CSD Backup"), and so are the role bits no column has;
//  - on a modem with digital I/O, the group bits above slot 10 and the alarm
//    source bits above "phone-control" are 0.
struct Normalisation {
  const SettingRule* rule;
  int element;
  std::string key;     // "advanced1.delimiter1", "phone_book.phone_book[0]"
  std::string before;  // as ShowSetting reads it (roles by name)
  std::string after;
  std::string reason;
};
std::vector<Normalisation> NormaliseRecord(ConfigRecord& record);

// The fields the modem reports about itself: identity (IMEI, model), hardware
// options, the device flag, RS485 absence, status texts and codes, counters,
// the clock and its set request. They are the modem's, never a setting.
bool IsDeviceField(const FieldInfo& f);
std::span<const FieldInfo* const> DeviceFields();

// `record` takes every device field of `device`: what a settings file,
// backup or profile brings is sent to the modem it came from only as
// settings. The clock and its set request are the modem's too, unless the
// operator sets the clock afterwards.
void KeepDeviceBytes(ConfigRecord& record, const ConfigRecord& device);

// Setting elements whose bytes differ between what was sent and what the
// modem holds (device fields never count).
struct SettingDifference {
  const SettingRule* rule;
  int element;
  std::string key;  // "gprs.apn", "reboot.reboot_times[1]"
};
std::vector<SettingDifference> SettingsNotKept(const ConfigRecord& sent, const ConfigRecord& held);
// A value as the page shows it, for change lists: texts quoted, lists by the
// pages' captions ("Call Reboot, SMS Control", or "none").
std::string ShownValue(const SettingRule& rule, const SettingValue& value);

// The number of letters to add, drop or change to make one word of the
// other: how close a mistyped key, item or command is.
std::size_t EditDistance(std::string_view a, std::string_view b);

}  // namespace telvaro
