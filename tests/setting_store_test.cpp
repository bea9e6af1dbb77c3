// Values stored by the setting rules (what a profile or --set writes): only a
// value that differs from what the record shows is written, so bytes the
// operator did not change go back as they came.
#include <gtest/gtest.h>

#include "record/factory_defaults.h"
#include "record/setting_rules.h"

namespace telvaro {
namespace {

TEST(SettingStore, OnlyChangedValuesAreWrittenAndEveryRuleIsChecked) {
  ConfigRecord r;
  ApplyFactoryDefaults(r);
  EXPECT_TRUE(CheckRecord(r).empty());  // the factory settings break no rule
  r.SetRawByte(field::roaming_enable.offset, 2);  // "on" as the modem sent it
  r.Set(field::apn, "internet");
  r.SetRawByte(field::apn.offset + 12, 0x5A);  // behind the terminator
  r.SetRawByte(field::do_alarm_source.offset, 0x81);  // bit 7 has no box
  const ConfigRecord before = r;

  EXPECT_FALSE(StoreSetting(r, RuleOf(field::roaming_enable), 0, {"true", {}}));
  EXPECT_FALSE(StoreSetting(r, RuleOf(field::apn), 0, {"internet", {}}));
  EXPECT_FALSE(StoreSetting(r, RuleOf(field::do_alarm_source), 0, {"", {"di-alarm"}}));
  EXPECT_EQ(r, before);

  EXPECT_FALSE(StoreSetting(r, RuleOf(field::do_alarm_source), 0, {"", {"phone-control", "di-alarm"}}));
  EXPECT_EQ(r.RawByte(field::do_alarm_source.offset), 0x05);  // a changed source: the sum, other bits 0
  EXPECT_FALSE(StoreSetting(r, RuleOf(field::reboot_times), 2, {" 7:5", {}}));
  EXPECT_EQ(ShowSetting(r, RuleOf(field::reboot_times), 2).text, "07:05");
  EXPECT_FALSE(StoreSetting(r, RuleOf(field::login_request), 0, {"0D0a", {}}));
  EXPECT_EQ(r.Get(field::login_request), (std::vector<std::uint8_t>{0x0D, 0x0A}));

  // Refused values leave the record alone and say why, with the page's message.
  const ConfigRecord stored = r;
  const auto time = StoreSetting(r, RuleOf(field::wakeup_times), 1, {"12:60", {}});
  ASSERT_TRUE(time);
  EXPECT_EQ(time->message, "Wakeup time2 error");
  EXPECT_TRUE(StoreSetting(r, RuleOf(field::parity_index), 0, {"evn", {}}));
  EXPECT_TRUE(StoreSetting(r, RuleOf(field::server_port), 0, {"0", {}}));
  EXPECT_TRUE(StoreSetting(r, RuleOf(field::delimiter1), 0, {"0x", {}}));
  EXPECT_TRUE(StoreSetting(r, RuleOf(field::phone_groups), 0, {"", {"11"}}));
  EXPECT_EQ(r, stored);
  // An item in other letter case is the item.
  EXPECT_FALSE(StoreSetting(r, RuleOf(field::parity_index), 0, {"even", {}}));
  EXPECT_EQ(ShowSetting(r, RuleOf(field::parity_index), 0).text, "Even");
  r = stored;

  // The PIN's minimum length holds only while the lock is on.
  EXPECT_FALSE(StoreSetting(r, RuleOf(field::pin_code), 0, {"12", {}}));
  EXPECT_TRUE(CheckRecord(r).empty());
  r.Set(field::pin_lock, 1);
  const std::vector<RecordBreach> breaches = CheckRecord(r);
  ASSERT_EQ(breaches.size(), 1u);
  EXPECT_EQ(breaches[0].key, "pin_code");
  EXPECT_EQ(breaches[0].problem.message, "old pin code len err");
  // The digital I/O pages count only on a modem that has digital I/O.
  r.Set(field::pin_lock, 0);
  r.Set(field::di_filter_ms, 60000, 1);
  EXPECT_TRUE(CheckRecord(r).empty());
  r.Set(field::hw_options, kHwOptionDigitalIo);
  ASSERT_EQ(CheckRecord(r).size(), 1u);
  EXPECT_EQ(CheckRecord(r)[0].key, "di_filter_ms[1]");
  r.Set(field::di_filter_ms, 10, 1);
  // A modem without RS485 offers RS232 only.
  r.Set(field::pin_lock, 0);
  r.Set(field::com_type, 1);
  EXPECT_TRUE(CheckRecord(r).empty());
  r.Set(field::rs485_absent, 1);
  ASSERT_EQ(CheckRecord(r).size(), 1u);
  EXPECT_EQ(CheckRecord(r)[0].problem.message, "Comm port err");
}

}  // namespace
}  // namespace telvaro
