// The configuration record's field table: every byte of the 1628-byte record,
// in offset order. This is the one place that names a field's offset and width;
// the typed field constants in config_record.h and the field list used by dumps
// and tests are both generated from it.
#pragma once

// X(name, offset, width, count, kind, item list)
//   width  - bytes the whole field occupies in the record
//   count  - number of elements (2 for the DI pairs, 3 for the schedule times,
//            10 for the phone book and groups); each element is width / count
//   kind   - how the bytes are read and written (FieldKind)
//   list   - item list of an index field, None otherwise
#define TELVARO_RECORD_FIELDS(X)                                                   \
  /* Device identity and status */                                                 \
  X(reserved_head,            0,    2,  1, Raw,          None)                      \
  X(status_text,              2,   25,  1, Text,         None)                      \
  X(hw_options,              27,    1,  1, BitMask,      None)                      \
  X(rssi_interval,           28,    2,  1, U16,          None)                      \
  X(rssi,                    30,    1,  1, Byte,         None)                      \
  X(reg_status,              31,    1,  1, Byte,         None)                      \
  X(operator_name,           32,   21,  1, Text,         None)                      \
  X(cell_id,                 53,   21,  1, Text,         None)                      \
  X(imei,                    74,   17,  1, Text,         None)                      \
  X(me_type,                 91,   21,  1, Text,         None)                      \
  X(rtc_time,               112,    7,  1, Time,         None)                      \
  /* Basic page and Reboot page */                                                 \
  X(com_type,               119,    1,  1, Index,        ComType)                   \
  X(pin_lock,               120,    1,  1, Index,        PinLock)                   \
  X(pin_code,               121,    9,  1, Text,         None)                      \
  X(pin_change,             130,    1,  1, FlagNonZero,  None)                      \
  X(new_pin_code,           131,    9,  1, Text,         None)                      \
  X(reboot_time_enable,     140,    3,  3, FlagIsOne,    None)                      \
  X(reboot_times,           143,   21,  3, Time,         None)                      \
  X(reboot_by_call,         164,    1,  1, FlagIsOne,    None)                      \
  /* Phone book: ten slots of number text[21] and role mask */                     \
  X(phone_book,             165,  220, 10, PhoneBook,    None)                      \
  /* Reboot, Basic, Com and device fields */                                       \
  X(reboot_call_reply_enable, 385,  1,  1, FlagNonZero,  None)                      \
  X(reboot_call_reply_text, 386,   21,  1, Text,         None)                      \
  X(reboot_by_sms,          407,    1,  1, FlagIsOne,    None)                      \
  X(reboot_sms_password,    408,   21,  1, Text,         None)                      \
  X(reboot_sms_reply_enable, 429,   1,  1, FlagNonZero,  None)                      \
  X(reboot_sms_reply_text,  430,   21,  1, Text,         None)                      \
  X(device_name,            451,   21,  1, Text,         None)                      \
  X(init_command,           472,   41,  1, Text,         None)                      \
  X(sms_control_password,   513,   21,  1, Text,         None)                      \
  X(sms_center,             534,   31,  1, Text,         None)                      \
  X(device_flag,            565,    1,  1, Byte,         None)                      \
  X(rtc_set,                566,    1,  1, FlagIsOne,    None)                      \
  X(baud_index,             567,    1,  1, Index,        BaudRate)                  \
  X(data_bits_index,        568,    1,  1, Index,        DataBits)                  \
  X(parity_index,           569,    1,  1, Index,        Parity)                    \
  X(stop_bits_index,        570,    1,  1, Index,        StopBits)                  \
  X(rs485_absent,           571,    1,  1, Byte,         None)                      \
  /* GPRS and Advanced 1 pages */                                                  \
  X(apn,                    572,   51,  1, Text,         None)                      \
  X(gprs_user,              623,   33,  1, Text,         None)                      \
  X(gprs_password,          656,   33,  1, Text,         None)                      \
  X(server_address,         689,   21,  1, Text,         None)                      \
  X(dns1,                   710,   21,  1, Text,         None)                      \
  X(dns2,                   731,   21,  1, Text,         None)                      \
  X(server_port,            752,    2,  1, U16,          None)                      \
  X(socket_mode,            754,    1,  1, Index,        SocketMode)                \
  X(connection_mode,        755,    1,  1, Index,        ConnectionMode)            \
  X(inactivity_time,        756,    2,  1, U16,          None)                      \
  X(shutdown_when_idle,     758,    1,  1, FlagNonZero,  None)                      \
  X(connect_interval,       759,    2,  1, U16,          None)                      \
  X(max_retries,            761,    1,  1, Byte,         None)                      \
  X(interval_timeout,       762,    1,  1, Byte,         None)                      \
  X(packet_length,          763,    2,  1, U16,          None)                      \
  X(delimiter1_enable,      765,    1,  1, FlagNonZero,  None)                      \
  X(delimiter1,             766,    1,  1, Byte,         None)                      \
  X(delimiter2_enable,      767,    1,  1, FlagNonZero,  None)                      \
  X(delimiter2,             768,    1,  1, Byte,         None)                      \
  X(delimiter_process,      769,    1,  1, Index,        DelimiterProcess)          \
  X(tx_delay,               770,    1,  1, Byte,         None)                      \
  X(online_sms_enable,      771,    1,  1, FlagNonZero,  None)                      \
  X(roaming_enable,         772,    1,  1, FlagNonZero,  None)                      \
  X(preferred_plmn,         773,    7,  1, Text,         None)                      \
  X(sim_plmn,               780,    7,  1, Text,         None)                      \
  /* Advanced 2 page: custom login, keep-alive and logout packets */               \
  X(login_enable,           787,    1,  1, FlagNonZero,  None)                      \
  X(login_max_retries,      788,    1,  1, Byte,         None)                      \
  X(login_interval,         789,    1,  1, Byte,         None)                      \
  X(login_request,          790,   34,  1, HexPacket,    None)                      \
  X(login_ack,              824,   18,  1, HexPacket,    None)                      \
  X(keepalive_enable,       842,    1,  1, FlagNonZero,  None)                      \
  X(keepalive_interval,     843,    2,  1, U16,          None)                      \
  X(keepalive_request,      845,   34,  1, HexPacket,    None)                      \
  X(keepalive_ack,          879,   18,  1, HexPacket,    None)                      \
  X(logout_enable,          897,    1,  1, FlagNonZero,  None)                      \
  X(logout_request,         898,   34,  1, HexPacket,    None)                      \
  X(logout_ack,             932,   18,  1, HexPacket,    None)                      \
  /* Wakeup page */                                                                \
  X(wakeup_time_enable,     950,    3,  3, FlagIsOne,    None)                      \
  X(wakeup_times,           953,   21,  3, Time,         None)                      \
  X(periodic_wakeup_enable, 974,    1,  1, FlagIsOne,    None)                      \
  X(periodic_wakeup_interval, 975,  2,  1, U16,          None)                      \
  X(serial_data_wakeup,     977,    1,  1, FlagPositive, None)                      \
  X(wakeup_by_call,         978,    1,  1, FlagIsOne,    None)                      \
  X(wakeup_call_reply_enable, 979,  1,  1, FlagNonZero,  None)                      \
  X(wakeup_call_reply_text, 980,   21,  1, Text,         None)                      \
  X(wakeup_by_sms,         1001,    1,  1, FlagIsOne,    None)                      \
  X(wakeup_sms_password,   1002,   21,  1, Text,         None)                      \
  X(wakeup_sms_reply_enable, 1023,  1,  1, FlagNonZero,  None)                      \
  X(wakeup_sms_reply_text, 1024,   21,  1, Text,         None)                      \
  X(online_output,         1045,   32,  1, HexPacket,    None)                      \
  /* Network status and Modbus */                                                  \
  X(local_ip,              1077,   21,  1, Text,         None)                      \
  X(gprs_status,           1098,    1,  1, Byte,         None)                      \
  X(tcp_status,            1099,    1,  1, Byte,         None)                      \
  X(tx_bytes,              1100,    4,  1, U32,          None)                      \
  X(rx_bytes,              1104,    4,  1, U32,          None)                      \
  X(modbus_tcp_enable,     1108,    1,  1, FlagNonZero,  None)                      \
  /* Phone groups: ten membership masks, bit k = phone book slot k */              \
  X(phone_groups,          1109,   20, 10, GroupMask,    None)                      \
  /* Digital inputs: pairs, DI_0 first */                                          \
  X(di_mode,               1129,    2,  2, Index,        DiMode)                    \
  X(di_counter_edge,       1131,    2,  2, Index,        DiCounterEdge)             \
  X(di_counter_at_power_on, 1133,   2,  2, FlagNonZero,  None)                      \
  X(di_filter_ms,          1135,    4,  2, U16,          None)                      \
  X(di_count_trigger,      1139,    4,  2, U16,          None)                      \
  X(di_alarm_on_text,      1143,  142,  2, Text,         None)                      \
  X(di_alarm_off_text,     1285,  142,  2, Text,         None)                      \
  X(di_phone_group,        1427,    2,  2, Index,        PhoneGroup)                \
  X(di_report_over_tcp,    1429,    2,  2, FlagNonZero,  None)                      \
  /* Digital output and remaining settings */                                      \
  X(do_alarm_source,       1431,    1,  1, BitMask,      None)                      \
  X(do_alarm_on_action,    1432,    1,  1, Index,        DoAction)                  \
  X(do_alarm_off_action,   1433,    1,  1, Index,        DoAction)                  \
  X(do_keep_on,            1434,    1,  1, Byte,         None)                      \
  X(do_power_on_state,     1435,    1,  1, Index,        DoPowerOnState)            \
  X(do_pulse_low_ms,       1436,    2,  1, U16,          None)                      \
  X(do_pulse_high_ms,      1438,    2,  1, U16,          None)                      \
  X(do_pulse_count,        1440,    2,  1, U16,          None)                      \
  X(do_pulse_delay_ms,     1442,    2,  1, U16,          None)                      \
  X(do_alarm_on_text,      1444,   71,  1, Text,         None)                      \
  X(do_alarm_off_text,     1515,   71,  1, Text,         None)                      \
  X(do_phone_group,        1586,    1,  1, Index,        PhoneGroup)                \
  X(do_report_over_tcp,    1587,    1,  1, FlagNonZero,  None)                      \
  X(flow_control_index,    1588,    1,  1, Index,        FlowControl)               \
  X(reserved_1589,         1589,    2,  1, U16,          None)                      \
  X(debug_output_enable,   1591,    1,  1, FlagNonZero,  None)                      \
  X(ppp_auth,              1592,    1,  1, Index,        PppAuth)                   \
  X(csd_backup_enable,     1593,    1,  1, FlagNonZero,  None)                      \
  X(idle_timeout,          1594,    2,  1, U16,          None)                      \
  X(do_always_trigger,     1596,    1,  1, FlagNonZero,  None)                      \
  X(reserved_tail,         1597,   31,  1, Raw,          None)

// X(name, items...) - the item lists of the index fields, index 0 first.
#define TELVARO_ITEM_LISTS(X)                                                      \
  X(ComType, "RS232", "RS485")                                                     \
  X(PinLock, "Disable PIN Lock", "Enable PIN Lock")                                \
  X(BaudRate, "1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200") \
  X(DataBits, "7", "8")                                                            \
  X(Parity, "None", "Odd", "Even", "Mark", "Space")                                \
  X(StopBits, "1", "2")                                                            \
  X(FlowControl, "None", "Hardware")                                               \
  X(PppAuth, "None", "PAP", "CHAP", "PAP and CHAP")                                \
  X(SocketMode, "TCP Client", "TCP Server", "UDP")                                 \
  X(ConnectionMode, "Always Online", "Connect On Demand")                          \
  X(DelimiterProcess, "Do Nothing", "Delimiter +1", "Delimiter +2", "Strip Delimiter") \
  X(DiMode, "OFF", "ON", "ONChange", "Event Counter", "Null")                      \
  X(DiCounterEdge, "Lo to Hi", "Hi to Lo")                                         \
  X(DoAction, "OFF", "ON", "Pulse", "Null")                                        \
  X(DoPowerOnState, "OFF", "ON")                                                   \
  X(PhoneGroup, "1", "2", "3", "4", "5", "6", "7", "8", "9", "10")
