#include "record/factory_defaults.h"

#include <algorithm>
#include <cstring>

namespace telvaro {

namespace {

namespace f = field;

// Fields with an empty text, zero bytes or value 0 are listed all the same:
// the table is the whole set of fields that Default resets.
const FactoryDefault kFactoryDefaults[] = {
    {&f::rssi_interval, 30},
    {&f::com_type, 0},
    {&f::reboot_time_enable, 0},
    {&f::reboot_times, 0},
    {&f::reboot_by_call, 0},
    {&f::phone_book, 0},
    {&f::reboot_call_reply_enable, 0},
    {&f::reboot_call_reply_text, 0},
    {&f::reboot_by_sms, 0},
    {&f::reboot_sms_password, 0},
    {&f::reboot_sms_reply_enable, 0},
    {&f::reboot_sms_reply_text, 0},
    {&f::device_name, 0, "Modem"},
    {&f::init_command, 0},
    {&f::sms_control_password, 0},
    {&f::sms_center, 0},
    {&f::baud_index, 7},
    {&f::data_bits_index, 1},
    {&f::parity_index, 0},
    {&f::stop_bits_index, 0},
    {&f::apn, 0, "cmnet"},
    {&f::gprs_user, 0},
    {&f::gprs_password, 0},
    {&f::server_address, 0},
    {&f::dns1, 0},
    {&f::dns2, 0},
    {&f::server_port, 502},
    {&f::socket_mode, 0},
    {&f::connection_mode, 0},
    {&f::inactivity_time, 120},
    {&f::shutdown_when_idle, 0},
    {&f::connect_interval, 60},
    {&f::max_retries, 5},
    {&f::interval_timeout, 6},
    {&f::packet_length, 0},
    {&f::delimiter1_enable, 0},
    {&f::delimiter1, 0},
    {&f::delimiter2_enable, 0},
    {&f::delimiter2, 0},
    {&f::delimiter_process, 0},
    {&f::tx_delay, 6},
    {&f::online_sms_enable, 0},
    {&f::roaming_enable, 1},
    {&f::preferred_plmn, 0},
    {&f::login_enable, 0},
    {&f::login_max_retries, 5},
    {&f::login_interval, 60},
    {&f::login_request, 0},
    {&f::login_ack, 0},
    {&f::keepalive_enable, 0},
    {&f::keepalive_interval, 40},
    {&f::keepalive_request, 0},
    {&f::keepalive_ack, 0},
    {&f::logout_enable, 0},
    {&f::logout_request, 0},
    {&f::logout_ack, 0},
    {&f::wakeup_time_enable, 0},
    {&f::wakeup_times, 0},
    {&f::periodic_wakeup_enable, 0},
    {&f::periodic_wakeup_interval, 5},
    {&f::serial_data_wakeup, 1},
    {&f::wakeup_by_call, 0},
    {&f::wakeup_call_reply_enable, 0},
    {&f::wakeup_call_reply_text, 0},
    {&f::wakeup_by_sms, 0},
    {&f::wakeup_sms_password, 0},
    {&f::wakeup_sms_reply_enable, 0},
    {&f::wakeup_sms_reply_text, 0},
    {&f::online_output, 0},
    {&f::modbus_tcp_enable, 0},
    {&f::phone_groups, 0},
    {&f::di_mode, 4},
    {&f::di_counter_edge, 0},
    {&f::di_counter_at_power_on, 0},
    {&f::di_filter_ms, 1},
    {&f::di_count_trigger, 0},
    {&f::di_alarm_on_text, 0},
    {&f::di_alarm_off_text, 0},
    {&f::di_phone_group, 0},
    {&f::di_report_over_tcp, 0},
    {&f::do_alarm_source, 0},
    {&f::do_alarm_on_action, 3},
    {&f::do_alarm_off_action, 3},
    {&f::do_keep_on, 10},
    {&f::do_power_on_state, 0},
    {&f::do_pulse_low_ms, 1000},
    {&f::do_pulse_high_ms, 1000},
    {&f::do_pulse_count, 10},
    {&f::do_pulse_delay_ms, 0},
    {&f::do_alarm_on_text, 0},
    {&f::do_alarm_off_text, 0},
    {&f::do_phone_group, 0},
    {&f::do_report_over_tcp, 0},
    {&f::flow_control_index, 0},
    {&f::reserved_1589, 0},
    {&f::debug_output_enable, 0},
    {&f::ppp_auth, 3},
    {&f::csd_backup_enable, 0},
    {&f::idle_timeout, 180},
    {&f::do_always_trigger, 0},
};

void ApplyOne(ConfigRecord& record, const FactoryDefault& entry) {
  const FieldInfo& info = *entry.field;
  for (std::size_t i = 0; i < info.width; ++i) record.SetRawByte(info.offset + i, 0);
  if (entry.text != nullptr) {
    const std::size_t length = std::min<std::size_t>(std::strlen(entry.text), info.ElementWidth() - 1u);
    for (std::size_t i = 0; i < length; ++i)
      record.SetRawByte(info.offset + i, static_cast<std::uint8_t>(entry.text[i]));
    return;
  }
  for (int element = 0; element < info.count; ++element) {
    const std::size_t at = info.ElementOffset(element);
    for (std::size_t byte = 0; byte < info.ElementWidth() && byte < sizeof entry.value; ++byte)
      record.SetRawByte(at + byte, static_cast<std::uint8_t>(entry.value >> (8 * byte)));
  }
}

}  // namespace

std::span<const FactoryDefault> FactoryDefaults() { return kFactoryDefaults; }

void ApplyFactoryDefaults(ConfigRecord& record) {
  for (const FactoryDefault& entry : kFactoryDefaults) ApplyOne(record, entry);
}

}  // namespace telvaro
