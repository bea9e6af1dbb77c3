#include "app/pending_changes.h"

#include <QCoreApplication>
#include <QWidget>
#include <algorithm>
#include <optional>

#include "app/main_dialog.h"
#include "pages/config_page.h"
#include "pages/phone_book_page.h"

namespace telvaro {

namespace {

// Values never shown, in the list or in a tool tip.
constexpr const FieldInfo* kSecretFields[] = {&field::pin_code,           &field::new_pin_code,
                                              &field::sms_control_password, &field::gprs_password,
                                              &field::reboot_sms_password,  &field::wakeup_sms_password};

// Fields a page stores by its own code rather than through a row, with the
// control that stands for them.
struct OutsideRow {
  const FieldInfo* field;
  PageIndex page;
  const char* control;
  const char* reason;  // why Write sends it, when it is not the operator's edit
};
constexpr OutsideRow kOutsideRows[] = {
    {&field::rssi_interval, kNetworks, "updateFrequency", ""},
    {&field::rtc_time, kBasic, "syncWithPcBox", "\"Synchronize with PC\" sends the PC's clock"},
    {&field::rtc_set, kBasic, "syncWithPcBox", "\"Synchronize with PC\" asks the modem to set its clock"},
};

// A disabled delimiter goes to the modem as 0, whatever its box shows.
struct DelimiterRule {
  const Field<FieldKind::Byte>* value;
  const Field<FieldKind::FlagNonZero>* enable;
  const char* reason;
};
constexpr DelimiterRule kDelimiterRules[] = {
    {&field::delimiter1, &field::delimiter1_enable, "Delimiter 1 is not enabled, so it is stored as 0"},
    {&field::delimiter2, &field::delimiter2_enable, "Delimiter 2 is not enabled, so it is stored as 0"},
};

bool Covers(std::size_t offset, std::size_t width, std::size_t at) { return at >= offset && at < offset + width; }

constexpr const char* kReasonAsShown = "stored as its control shows it";
constexpr const char* kReasonKept =
    "the modem's value, which the page cannot hold, kept as it came: its control is not available";

// Corrections the pages make as they show a record, with why.
struct ShownRule {
  const FieldInfo* field;
  const char* reason;
};
constexpr ShownRule kShownRules[] = {
    {&field::flow_control_index, "Flow Control is taken from Telvaro_Pro.ini: a record read does not set it"},
    {&field::pin_lock, "a PIN lock setting above 2 is shown and stored as 0"},
    {&field::rtc_set, "a clock request is never carried over from a record read"},
};
constexpr const char* kReasonShown = "stored as the page showed the modem's record";

// The change's bytes (its one bit, for a role or mask row) are what Write
// would have sent right after the pages showed the base.
bool AsShown(const PendingChange& change, std::uint8_t bit, const ConfigRecord& toSend, const ConfigRecord& shown) {
  for (std::size_t i = change.offset; i < change.offset + change.width; ++i) {
    const std::uint8_t mask = bit != 0 ? bit : 0xFF;
    if ((toSend.RawByte(i) & mask) != (shown.RawByte(i) & mask)) return false;
  }
  return true;
}

QString ShownReason(std::size_t offset) {
  for (const ShownRule& rule : kShownRules)
    if (Covers(rule.field->offset, rule.field->width, offset)) return QString::fromLatin1(rule.reason);
  return QString::fromLatin1(kReasonShown);
}

bool IsSecret(std::size_t offset) {
  return std::any_of(std::begin(kSecretFields), std::end(kSecretFields),
                     [offset](const FieldInfo* f) { return Covers(f->offset, f->width, offset); });
}

bool IsPhoneRoleByte(std::size_t offset) {
  const FieldInfo& book = field::phone_book;
  return Covers(book.offset, book.width, offset) &&
         (offset - book.offset) % book.ElementWidth() == book.ElementWidth() - 1u;
}

// Why Write changes what a row shows although the operator did not.
QString RowReason(const ValueExchange::RecordRow& row, const ConfigRecord& toSend, std::span<ConfigPage* const> pages) {
  for (const DelimiterRule& rule : kDelimiterRules) {
    if (row.offset == rule.value->offset && !toSend.IsOn(*rule.enable) && toSend.Get(*rule.value) == 0)
      return QString::fromLatin1(rule.reason);
  }
  if (row.bit != 0 && IsPhoneRoleByte(row.offset) && (toSend.RawByte(row.offset) & row.bit) == 0) {
    const auto column = CPhoneBookPage::CallColumnOfRole(row.bit);
    const auto* book = qobject_cast<const CPhoneBookPage*>(pages[kPhoneBook]);
    if (column && book != nullptr && !book->ColumnOn(*column))
      return QString("the %1 column is not available with these settings, so its tick is cleared")
          .arg(CPhoneBookPage::ColumnCaption(*column));
  }
  return QString();
}

// A field's bytes as the list shows them when no row reads them differently.
QString RawText(const ConfigRecord& record, const FieldInfo& f, int element) {
  const std::size_t offset = f.ElementOffset(element);
  switch (f.kind) {
    case FieldKind::Byte:
    case FieldKind::Index:
    case FieldKind::FlagIsOne:
    case FieldKind::FlagNonZero:
    case FieldKind::FlagPositive:
      return QString::number(record.RawByte(offset));
    case FieldKind::U16:
      return QString::number(record.RawByte(offset) | (record.RawByte(offset + 1) << 8));
    case FieldKind::Time: {
      const BcdTime t = record.Get(static_cast<const Field<FieldKind::Time>&>(f), element);
      return QString::asprintf("20%02d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
    }
    default:
      break;
  }
  QString bytes;
  for (std::size_t i = 0; i < f.ElementWidth(); ++i)
    bytes += QString("%1 ").arg(record.RawByte(offset + i), 2, 16, QChar('0')).toUpper();
  return bytes.trimmed();
}

}  // namespace

int PendingChanges::Count() const {
  return static_cast<int>(
      std::count_if(changes.begin(), changes.end(), [](const PendingChange& c) { return !c.normalisation; }) +
      std::count_if(refusals.begin(), refusals.end(), [](const PageRefusal& r) { return r.fresh; }));
}

bool PendingChanges::OnPage(int page) const {
  return std::any_of(changes.begin(), changes.end(),
                     [page](const PendingChange& c) { return c.page == page && !c.normalisation; }) ||
         std::any_of(refusals.begin(), refusals.end(), [page](const PageRefusal& r) { return r.page == page && r.fresh; });
}

const PendingChange* PendingChanges::ForControl(const QWidget* control) const {
  for (const PendingChange& change : changes)
    if (change.control == control) return &change;
  return nullptr;
}

PendingChanges ComparePending(const ConfigRecord& base, const ConfigRecord& toSend,
                              std::span<ConfigPage* const> pages, const ConfigRecord* shown) {
  PendingChanges result;
  std::vector<bool> listed(ConfigRecord::kSize, false);
  struct Owned {
    int page;
    ValueExchange::RecordRow row;
  };
  std::vector<Owned> rows;
  for (std::size_t page = 0; page < pages.size(); ++page)
    for (ValueExchange::RecordRow& row : pages[page]->RecordRows())
      rows.push_back({static_cast<int>(page), std::move(row)});

  // Row by row, as the pages read the two records.
  for (const Owned& owned : rows) {
    const ValueExchange::RecordRow& row = owned.row;
    const QString was = row.describe(base);
    const QString now = row.describe(toSend);
    if (was == now) continue;
    const QString reason = RowReason(row, toSend, pages);
    PendingChange change{owned.page, row.control, pages[owned.page]->SettingName(row.control), was, now, reason,
                         row.offset, row.width, IsSecret(row.offset), !reason.isEmpty()};
    if (!change.normalisation && shown != nullptr && AsShown(change, row.bit, toSend, *shown)) {
      change.reason = ShownReason(row.offset);
      change.normalisation = true;
    }
    result.changes.push_back(change);
    for (std::size_t i = row.offset; i < row.offset + row.width; ++i) listed[i] = true;
  }

  // Values kept as the modem sent them, though the page cannot hold them.
  for (const Owned& owned : rows) {
    const ValueExchange::RecordRow& row = owned.row;
    const auto& kept = pages[owned.page]->KeptControls();
    if (std::find(kept.begin(), kept.end(), row.control) == kept.end() || listed[row.offset]) continue;
    result.changes.push_back({owned.page, row.control, pages[owned.page]->SettingName(row.control), row.describe(base),
                              row.describe(toSend), QString::fromLatin1(kReasonKept), row.offset, row.width,
                              IsSecret(row.offset), true});
    for (std::size_t i = row.offset; i < row.offset + row.width; ++i) listed[i] = true;
  }

  // Field by field, what changes in bytes no differing row has listed: a
  // byte stored as its control shows it, or a field a page stores by its
  // own code.
  for (const FieldInfo* f : AllFields()) {
    for (int element = 0; element < f->count; ++element) {
      const std::size_t offset = f->ElementOffset(element);
      const std::size_t width = f->ElementWidth();
      bool unlisted = false;
      for (std::size_t i = offset; i < offset + width; ++i)
        unlisted = unlisted || (!listed[i] && base.RawByte(i) != toSend.RawByte(i));
      if (!unlisted) continue;
      PendingChange change{-1, nullptr, QString::fromLatin1(f->name), RawText(base, *f, element),
                           RawText(toSend, *f, element), QString(), offset, width, IsSecret(offset), false};
      const auto outside = std::find_if(std::begin(kOutsideRows), std::end(kOutsideRows),
                                        [f](const OutsideRow& o) { return o.field == f; });
      if (outside != std::end(kOutsideRows)) {
        change.page = outside->page;
        change.control = pages[outside->page]->findChild<QWidget*>(outside->control);
        change.reason = QString::fromLatin1(outside->reason);
      } else {
        for (const Owned& owned : rows) {
          if (!Covers(owned.row.offset, owned.row.width, offset) && !Covers(offset, width, owned.row.offset)) continue;
          change.page = owned.page;
          change.control = owned.row.control;
          change.reason = kReasonAsShown;
          change.normalisation = true;
          break;
        }
      }
      if (change.control != nullptr) change.setting = pages[change.page]->SettingName(change.control);
      if (!change.normalisation && shown != nullptr && AsShown(change, 0, toSend, *shown)) {
        change.reason = ShownReason(offset);
        change.normalisation = true;
      }
      result.changes.push_back(change);
    }
  }
  return result;
}

QString PendingCountText(int count) {
  return (count == 1 ? QCoreApplication::translate("telvaro::PendingView", "%1 change not written")
                     : QCoreApplication::translate("telvaro::PendingView", "%1 changes not written"))
      .arg(count);
}

}  // namespace telvaro
