// The setting rules of the core and the pages judge every record alike: one
// table of cases, each opened in a fresh window (File > Open settings file,
// then the validators of Export) and checked by CheckRecord. Each value
// lies in a control the operator can reach: one that cannot be reached keeps
// the modem's value unrefused.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "app/main_dialog.h"
#include "protocol/record_checksum.h"
#include "record/setting_rules.h"
#include "sim/modem_sim.h"

namespace telvaro {
namespace {

// Writes `count` characters into a text element without a terminator, as
// only a record from the modem can.
void FillText(ConfigRecord& r, const FieldInfo& f, std::size_t count, int element = 0) {
  for (std::size_t i = 0; i < count; ++i) r.SetRawByte(f.ElementOffset(element) + i, 'a');
}

struct RuleCase {
  const char* name;
  std::function<void(ConfigRecord&)> edit;
  bool accepted;
  // The value lies in a control the record itself switches off: the pages
  // keep it as it came instead of refusing what the operator cannot reach.
  bool keptByPages = false;
};

const RuleCase kCases[] = {
    {"a realistic record", [](ConfigRecord&) {}, true},
    {"a flag sent as 2", [](ConfigRecord& r) { r.SetRawByte(field::roaming_enable.offset, 2); }, true},
    {"a short PIN without the lock", [](ConfigRecord& r) { r.Set(field::pin_code, "12"); }, true},
    {"largest numbers", [](ConfigRecord& r) {
       r.Set(field::do_keep_on, 255);
       r.Set(field::connect_interval, 1200);
       r.Set(field::di_filter_ms, 10000, 1);
     }, true},
    {"longest texts", [](ConfigRecord& r) {
       r.Set(field::apn, std::string(50, 'x'));
       r.SetPhoneBook(9, {std::string(20, '1'), kCallReboot});
       r.Set(field::reboot_sms_reply_text, std::string(20, 'r'));
     }, true},
    {"connect interval 5", [](ConfigRecord& r) { r.Set(field::connect_interval, 5); }, false},
    {"tx delay 0", [](ConfigRecord& r) { r.Set(field::tx_delay, 0); }, false},
    {"max retries 61", [](ConfigRecord& r) { r.Set(field::max_retries, 61); }, false},
    {"update frequency 0", [](ConfigRecord& r) { r.Set(field::rssi_interval, 0); }, false},
    {"an APN of 51 characters", [](ConfigRecord& r) { FillText(r, field::apn, 51); }, false},
    {"a phone number of 21", [](ConfigRecord& r) { FillText(r, field::phone_book, 21, 2); }, false},
    {"an SMS reply of 21", [](ConfigRecord& r) { FillText(r, field::wakeup_sms_reply_text, 21); }, false, true},
    {"reboot time 24:00", [](ConfigRecord& r) { r.SetRawByte(field::reboot_times.ElementOffset(1) + kBcdHour, 0x24); },
     false, true},
    {"wakeup hour 0x1a", [](ConfigRecord& r) { r.SetRawByte(field::wakeup_times.offset + kBcdHour, 0x1A); }, false,
     true},
    {"com type 2", [](ConfigRecord& r) { r.Set(field::com_type, 2); }, false},
    {"a short PIN with the lock", [](ConfigRecord& r) {
       r.Set(field::pin_lock, 1);
       r.Set(field::pin_code, "12");
     }, false},
    {"a login packet of 33 bytes", [](ConfigRecord& r) { r.SetRawByte(field::login_request.offset, 33); }, false, true},
    {"an output packet of 16 bytes", [](ConfigRecord& r) { r.SetRawByte(field::online_output.offset, 16); }, false,
     true},
};

TEST(SettingRules, ThePagesAndTheCoreCheckAcceptAndRefuseTheSameRecords) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  for (const RuleCase& c : kCases) {
    SCOPED_TRACE(c.name);
    ConfigRecord record = sim::ModemSimulator::RealisticRecord(true);
    c.edit(record);
    record.SetChecksum(RecordChecksum(record.Record()));
    const QString path = dir.filePath("case.bin");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(reinterpret_cast<const char*>(record.Block().data()), ConfigRecord::kBlockSize);
    file.close();

    QString chosen = path;
    MainDlgOptions options;
    options.ports.AddPair("COM50=/dev/null");  // a port to list; it is never opened
    options.portTable = [] { return SystemPortTable{}; };
    options.serialSettingsPath = dir.filePath("Telvaro_Pro.ini").toStdString();
    options.chooseSettingsFile = [&chosen](QWidget*, bool) { return chosen; };
    CMainDlg window(std::move(options));
    std::vector<std::string> texts;
    window.Messages().SetResponder([&](const MessageRequest& request) {
      texts.push_back(request.text.toStdString());
      return MessageAnswer::Ok;
    });
    // With the port closed the opened file is edited at the desk, and the
    // pages may already hold a value out of its range; Export judges.
    window.OpenSettingsFile();
    ASSERT_TRUE(texts.empty()) << texts[0];
    chosen.clear();  // Export stops at the file dialog: only the validators speak
    window.ExportSettings();

    const std::vector<RecordBreach> breaches = CheckRecord(record);
    std::string breachText;
    for (const RecordBreach& b : breaches) breachText += b.key + ": " + b.problem.problem + "; ";
    EXPECT_EQ(texts.empty(), c.accepted || c.keptByPages) << (texts.empty() ? "" : texts[0]);
    EXPECT_EQ(breaches.empty(), c.accepted) << breachText;
  }
}


// A realistic record with the bytes the window corrects on its own set at
// random: flags sent as 2, 5 or 0x80, disabled delimiters with a value, an
// empty preferred PLMN with bytes behind it, a PIN lock past its list, roles
// in columns no setting offers, and mask bits no box has.
ConfigRecord RecordToNormalise(std::mt19937& random) {
  const auto pick = [&random](std::initializer_list<std::uint8_t> values) {
    return *(values.begin() + std::uniform_int_distribution<std::size_t>(0, values.size() - 1)(random));
  };
  const auto byte = [&random] { return static_cast<std::uint8_t>(random()); };
  ConfigRecord r = sim::ModemSimulator::RealisticRecord(random() % 2 == 0);
  for (const SettingRule& rule : kSettingRules)
    if (rule.form == SettingForm::Flag)
      for (int e = 0; e < rule.field->count; ++e) r.SetRawByte(rule.field->ElementOffset(e), pick({0, 1, 2, 5, 0x80}));
  r.Set(field::delimiter1, byte());
  r.Set(field::delimiter2, byte());
  if (random() % 2) {
    r.Set(field::preferred_plmn, "");
    r.SetRawByte(field::preferred_plmn.offset + 3, byte());
  }
  r.Set(field::pin_code, "1234");
  r.Set(field::new_pin_code, "5678");
  r.Set(field::pin_lock, pick({0, 1, 3, 200}));
  for (int slot = 0; slot < kPhoneBookSlots; ++slot)
    r.SetRawByte(field::phone_book.ElementOffset(slot) + field::phone_book.ElementWidth() - 1u, byte());
  for (int group = 0; group < kPhoneGroups; ++group) {
    r.SetRawByte(field::phone_groups.ElementOffset(group), byte());
    r.SetRawByte(field::phone_groups.ElementOffset(group) + 1, byte());
  }
  r.SetRawByte(field::do_alarm_source.offset, byte());
  r.SetFlag(field::rtc_set, false);  // the window asks for the clock only when told to
  return r;
}

// Stored by the pages (Open settings file, then the validators of Export) and by the
// core's NormaliseRecord, many records come out byte for byte the same.
TEST(SettingRules, ThePagesAndTheCoreStoreTheSameRecord) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString in = dir.filePath("in.bin"), out = dir.filePath("out.bin");
  QString chosen;
  MainDlgOptions options;
  options.ports.AddPair("COM50=/dev/null");
  options.portTable = [] { return SystemPortTable{}; };
  options.serialSettingsPath = dir.filePath("Telvaro_Pro.ini").toStdString();
  options.chooseSettingsFile = [&chosen](QWidget*, bool) { return chosen; };
  CMainDlg window(std::move(options));
  std::vector<std::string> texts;
  window.Messages().SetResponder([&](const MessageRequest& request) {
    texts.push_back(request.text.toStdString());
    return MessageAnswer::Ok;
  });
  std::mt19937 random(31);
  std::size_t normalised = 0;
  for (int n = 0; n < 40; ++n) {
    SCOPED_TRACE(n);
    ConfigRecord record = RecordToNormalise(random);
    record.SetChecksum(RecordChecksum(record.Record()));
    QFile file(in);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(reinterpret_cast<const char*>(record.Block().data()), ConfigRecord::kBlockSize);
    file.close();
    chosen = in;
    window.OpenSettingsFile();  // the port closed: the file whole, device bytes too
    chosen = out;
    texts.clear();
    window.ExportSettings();
    ASSERT_EQ(texts, std::vector<std::string>{"Export succeed"});
    QFile exported(out);
    ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
    const QByteArray bytes = exported.readAll();
    ASSERT_EQ(bytes.size(), static_cast<int>(ConfigRecord::kBlockSize));
    ConfigRecord byPages;
    byPages.ReplaceFrom(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), ConfigRecord::kSize));

    ConfigRecord byCore = record;
    normalised += NormaliseRecord(byCore).size();
    for (std::size_t i = 0; i < ConfigRecord::kSize; ++i)
      EXPECT_EQ(byPages.RawByte(i), byCore.RawByte(i)) << "offset " << i;
    EXPECT_TRUE(CheckRecord(byCore).empty());
  }
  EXPECT_GT(normalised, 40u);  // the records did need correcting
}
}  // namespace
}  // namespace telvaro
