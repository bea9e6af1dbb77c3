// The setting rules of the core and the pages judge every record alike: one
// table of cases, each opened in a fresh window (File > Open settings file,
// then the validators of Export) and checked by CheckRecord. Each value
// lies in a control the operator can reach: one that cannot be reached keeps
// the modem's value unrefused.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <functional>
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

}  // namespace
}  // namespace telvaro
