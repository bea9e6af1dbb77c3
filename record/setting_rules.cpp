#include "record/setting_rules.h"

#include <algorithm>
#include <cstdio>
#include <limits>

#include "record/conversions.h"

namespace telvaro {

namespace {

template <FieldKind K>
const Field<K>& As(const SettingRule& rule) {
  return static_cast<const Field<K>&>(*rule.field);
}

std::string Join(std::span<const char* const> names, const char* separator) {
  std::string out;
  for (const char* name : names) out += (out.empty() ? "" : separator) + std::string(name);
  return out;
}

std::string Quote(std::string_view text) { return "\"" + std::string(text) + "\""; }

// A decimal number with an optional sign and blanks around it, as the pages
// take one; anything else (an empty text too) is not a number.
std::optional<long long> ParseNumber(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || text.size() > 12) return std::nullopt;
  long long value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return negative ? -value : value;
}

bool SameLetters(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

// The item as the list writes it, or in other letter case ("even" for "Even").
std::optional<std::size_t> ItemIndex(const ItemList& list, std::string_view text) {
  for (std::size_t i = 0; i < list.size(); ++i)
    if (list.Text(i) == text) return i;
  for (std::size_t i = 0; i < list.size(); ++i)
    if (SameLetters(list.Text(i), text)) return i;
  return std::nullopt;
}

// The bit an item names, by its profile name or the page's caption, in any
// letter case.
std::optional<unsigned> NamedBit(std::span<const char* const> names, std::span<const char* const> captions,
                                 std::string_view item) {
  for (std::size_t bit = 0; bit < names.size(); ++bit)
    if (SameLetters(item, names[bit]) || SameLetters(item, captions[bit])) return static_cast<unsigned>(bit);
  return std::nullopt;
}

// The bits named by `items`; nothing when a name is unknown.
std::optional<unsigned> NamedBits(std::span<const char* const> names, std::span<const char* const> captions,
                                  const std::vector<std::string>& items) {
  unsigned bits = 0;
  for (const std::string& item : items) {
    const auto bit = NamedBit(names, captions, item);
    if (!bit) return std::nullopt;
    bits |= 1u << *bit;
  }
  return bits;
}

// "unknown role \"sms_control\", did you mean sms-control?"
std::string UnknownName(const char* what, std::span<const char* const> names, const std::vector<std::string>& items) {
  std::string unknown;
  for (const std::string& item : items)
    if (unknown.empty() && !NamedBit(names, names, item)) unknown = item;
  std::string best;
  std::size_t bestDistance = std::max<std::size_t>(3, unknown.size() / 3);
  for (const char* name : names) {
    if (const std::size_t d = EditDistance(unknown, name); d < bestDistance) {
      bestDistance = d;
      best = name;
    }
  }
  return std::string("unknown ") + what + " \"" + unknown + "\"" + (best.empty() ? "" : ", did you mean " + best + "?");
}

std::vector<std::string> BitNames(std::span<const char* const> names, unsigned bits) {
  std::vector<std::string> items;
  for (std::size_t bit = 0; bit < names.size(); ++bit)
    if (bits >> bit & 1u) items.emplace_back(names[bit]);
  return items;
}

std::optional<std::uint16_t> MemberMask(const std::vector<std::string>& items) {
  std::uint16_t mask = 0;
  for (const std::string& item : items) {
    const auto slot = ParseNumber(item);
    if (!slot || *slot < 1 || *slot > kPhoneBookSlots) return std::nullopt;
    mask = static_cast<std::uint16_t>(mask | 1u << (*slot - 1));
  }
  return mask;
}

bool IsOn(const ConfigRecord& r, const SettingRule& rule, int e) {
  switch (rule.field->kind) {
    case FieldKind::FlagIsOne: return r.IsOn(As<FieldKind::FlagIsOne>(rule), e);
    case FieldKind::FlagPositive: return r.IsOn(As<FieldKind::FlagPositive>(rule), e);
    default: return r.IsOn(As<FieldKind::FlagNonZero>(rule), e);
  }
}

void SetFlag(ConfigRecord& r, const SettingRule& rule, int e, bool on) {
  switch (rule.field->kind) {
    case FieldKind::FlagIsOne: r.SetFlag(As<FieldKind::FlagIsOne>(rule), on, e); break;
    case FieldKind::FlagPositive: r.SetFlag(As<FieldKind::FlagPositive>(rule), on, e); break;
    default: r.SetFlag(As<FieldKind::FlagNonZero>(rule), on, e); break;
  }
}

unsigned NumberIn(const ConfigRecord& r, const SettingRule& rule, int e) {
  if (rule.field->kind == FieldKind::U16) return r.Get(As<FieldKind::U16>(rule), e);
  return r.Get(As<FieldKind::Byte>(rule), e);
}

SettingProblem Problem(const SettingRule& rule, int element, std::string problem) {
  const char* message = rule.Message(element);
  return {std::move(problem), RuleText(rule), message ? message : ""};
}

// Writes a value that has passed its check.
void Write(ConfigRecord& r, const SettingRule& rule, int e, const SettingValue& v) {
  switch (rule.form) {
    case SettingForm::Text: r.Set(As<FieldKind::Text>(rule), v.text, e); break;
    case SettingForm::Number: {
      const auto n = static_cast<unsigned>(*ParseNumber(v.text));
      if (rule.field->kind == FieldKind::U16) {
        r.Set(As<FieldKind::U16>(rule), static_cast<std::uint16_t>(n), e);
      } else {
        r.Set(As<FieldKind::Byte>(rule), static_cast<std::uint8_t>(n), e);
      }
      break;
    }
    case SettingForm::Item:
      r.Set(As<FieldKind::Index>(rule), static_cast<std::uint8_t>(*ItemIndex(*rule.field->list, v.text)), e);
      break;
    case SettingForm::Flag: SetFlag(r, rule, e, v.text == "true"); break;
    case SettingForm::ScheduleTime: {
      const auto time = ParseScheduleTime(v.text);
      r.SetScheduleTime(As<FieldKind::Time>(rule), time->hour, time->minute, e);
      break;
    }
    case SettingForm::HexByte: r.Set(As<FieldKind::Byte>(rule), *ParseHexByte(v.text), e); break;
    case SettingForm::HexPacket: {
      std::vector<std::uint8_t> data(ConfigRecord::PacketCapacity(*rule.field));
      data.resize(ParseHexPacket(v.text, data).count);
      r.Set(As<FieldKind::HexPacket>(rule), data);
      break;
    }
    case SettingForm::PhoneEntry:
      r.SetPhoneBook(e, {v.text, static_cast<std::uint8_t>(*NamedBits(kPhoneRoleNames, kPhoneRoleCaptions, v.items))});
      break;
    case SettingForm::GroupMembers: r.SetPhoneGroupMask(e, *MemberMask(v.items)); break;
    case SettingForm::AlarmSources: {
      // The sum of the three sources, as the DO page writes it: the modem
      // defines no other bits, so they go out as 0.
      r.Set(field::do_alarm_source, static_cast<std::uint8_t>(*NamedBits(kAlarmSourceNames, kAlarmSourceCaptions, v.items)));
      break;
    }
  }
}

}  // namespace

const SettingRule* FindRule(std::string_view key) {
  for (const SettingRule& rule : kSettingRules)
    if (key == rule.KeyView() || key == rule.field->name) return &rule;  // the dump's name too
  return nullptr;
}

std::size_t EditDistance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

std::string ShownValue(const SettingRule& rule, const SettingValue& v) {
  std::string quoted = "\"";
  for (const char c : v.text) quoted += c == '"' || c == '\\' ? std::string("\\") + c : std::string(1, c);
  quoted += "\"";
  // Captions in the page's column order: Call Reboot, Call Wakeup, CSD, then the SMS roles.
  const auto captions = [&](std::span<const char* const> names, std::span<const char* const> shown,
                            std::span<const unsigned> order) {
    const unsigned bits = NamedBits(names, shown, v.items).value_or(0);
    std::string out;
    for (const unsigned bit : order)
      if (bits >> bit & 1u) out += (out.empty() ? "" : ", ") + std::string(shown[bit]);
    return out.empty() ? std::string("none") : out;
  };
  static constexpr unsigned kRoleColumns[] = {0, 1, 5, 2, 3, 4};
  static constexpr unsigned kSourceColumns[] = {0, 1, 2};
  switch (rule.form) {
    case SettingForm::Text: return quoted;
    case SettingForm::PhoneEntry: return quoted + " " + captions(kPhoneRoleNames, kPhoneRoleCaptions, kRoleColumns);
    case SettingForm::AlarmSources: return captions(kAlarmSourceNames, kAlarmSourceCaptions, kSourceColumns);
    case SettingForm::GroupMembers: {
      std::string out;
      for (const std::string& slot : v.items) out += (out.empty() ? "" : ", ") + slot;
      return out.empty() ? "none" : out;
    }
    default: return v.text;
  }
}

std::string ElementKey(const SettingRule& rule, int element) {
  return rule.field->count > 1 ? std::string(rule.Key()) + "[" + std::to_string(element) + "]" : rule.Key();
}

std::string RuleText(const SettingRule& rule) {
  const std::string max = std::to_string(rule.max);
  switch (rule.form) {
    case SettingForm::Text:
      if (rule.gate != nullptr)
        return std::to_string(rule.min) + " to " + max + " characters while " + rule.gate->name +
               " is set, else at most " + max;
      return "at most " + max + " characters";
    case SettingForm::Number: return std::to_string(rule.min) + " to " + max;
    case SettingForm::Item:
      if (rule.gate != nullptr)
        return "one of " + Join(rule.field->list->items, ", ") + "; " + rule.field->list->items[0] + " only while " +
               rule.gate->name + " is set";
      return "one of " + Join(rule.field->list->items, ", ");
    case SettingForm::Flag: return "true or false";
    case SettingForm::ScheduleTime: return "hh:mm, hour 0-23, minute 0-59";
    case SettingForm::HexByte: return "two hex digits";
    case SettingForm::HexPacket: return "pairs of hex digits, at most " + max + " digits";
    case SettingForm::PhoneEntry:
      return "number of at most " + max + " characters; roles any of " + Join(kPhoneRoleNames, ", ");
    case SettingForm::GroupMembers: return "phone book slots 1 to " + std::to_string(kPhoneBookSlots);
    case SettingForm::AlarmSources: return "any of " + Join(kAlarmSourceNames, ", ");
  }
  return {};
}

std::string RuleTextWithUnit(const SettingRule& rule) {
  const SettingUnit* unit = UnitOf(rule);
  return unit ? RuleText(rule) + " " + unit->unit : RuleText(rule);
}

std::string FormText(const SettingRule& rule) {
  const char* form = "";
  switch (rule.form) {
    case SettingForm::Text: form = "text"; break;
    case SettingForm::Number: form = "number"; break;
    case SettingForm::Item: form = "list item"; break;
    case SettingForm::Flag: form = "true / false"; break;
    case SettingForm::ScheduleTime: form = "time \"hh:mm\""; break;
    case SettingForm::HexByte: form = "hex byte \"0d\""; break;
    case SettingForm::HexPacket: form = "hex packet \"0d0aff\""; break;
    case SettingForm::PhoneEntry: form = "{number, roles}"; break;
    case SettingForm::GroupMembers: form = "list of slots"; break;
    case SettingForm::AlarmSources: form = "list of sources"; break;
  }
  return rule.field->count > 1 ? "list of " + std::to_string(rule.field->count) + " × " + form : std::string(form);
}

SettingValue ShowSetting(const ConfigRecord& r, const SettingRule& rule, int e) {
  SettingValue v;
  switch (rule.form) {
    case SettingForm::Text: v.text = r.Get(As<FieldKind::Text>(rule), e); break;
    case SettingForm::Number: v.text = std::to_string(NumberIn(r, rule, e)); break;
    case SettingForm::Item: {
      const std::uint8_t index = r.Get(As<FieldKind::Index>(rule), e);
      const std::string_view item = rule.field->list->Text(index);
      v.text = item.empty() ? std::to_string(index) : std::string(item);
      break;
    }
    case SettingForm::Flag: v.text = IsOn(r, rule, e) ? "true" : "false"; break;
    case SettingForm::ScheduleTime: {
      const auto bytes = r.FieldBytes(*rule.field).subspan(e * rule.field->ElementWidth());
      char raw[8];
      std::snprintf(raw, sizeof raw, "%02x:%02x", bytes[kBcdHour], bytes[kBcdMinute]);
      v.text = ScheduleTimeText(r, As<FieldKind::Time>(rule), e).value_or(raw);
      break;
    }
    case SettingForm::HexByte: v.text = FormatHexByte(r.Get(As<FieldKind::Byte>(rule), e)); break;
    case SettingForm::HexPacket: v.text = FormatHexPacket(r, As<FieldKind::HexPacket>(rule)); break;
    case SettingForm::PhoneEntry: {
      const PhoneBookEntry entry = r.PhoneBook(e);
      v.text = entry.number;
      v.items = BitNames(kPhoneRoleNames, entry.roles);
      break;
    }
    case SettingForm::GroupMembers: {
      const std::uint16_t mask = r.PhoneGroupMask(e);
      for (int slot = 0; slot < kPhoneBookSlots; ++slot)
        if (mask >> slot & 1u) v.items.push_back(std::to_string(slot + 1));
      break;
    }
    case SettingForm::AlarmSources: v.items = BitNames(kAlarmSourceNames, r.RawByte(rule.field->offset)); break;
  }
  return v;
}

std::optional<SettingProblem> CheckSetting(const SettingRule& rule, int e, const SettingValue& v,
                                           const ConfigRecord& context) {
  const std::string& t = v.text;
  switch (rule.form) {
    case SettingForm::Text:
    case SettingForm::PhoneEntry: {
      if (t.size() > static_cast<std::size_t>(rule.max))
        return Problem(rule, e, std::to_string(t.size()) + " characters are too long");
      if (rule.gate != nullptr && context.RawByte(rule.gate->offset) != 0 &&
          t.size() < static_cast<std::size_t>(rule.min))
        return Problem(rule, e, std::to_string(t.size()) + " characters are too short");
      if (rule.form == SettingForm::PhoneEntry && !NamedBits(kPhoneRoleNames, kPhoneRoleCaptions, v.items))
        return Problem(rule, e, UnknownName("role", kPhoneRoleNames, v.items));
      return std::nullopt;
    }
    case SettingForm::Number: {
      const auto n = ParseNumber(t);
      if (!n) return Problem(rule, e, Quote(t) + " is not a number");
      if (*n < rule.min || *n > rule.max) return Problem(rule, e, t + " is out of range");
      return std::nullopt;
    }
    case SettingForm::Item: {
      const auto index = ItemIndex(*rule.field->list, t);
      if (!index) return Problem(rule, e, Quote(t) + " is not an item of the list");
      // The list loses its other items only for a gate byte of exactly 1.
      if (*index > 0 && rule.gate != nullptr && context.RawByte(rule.gate->offset) == 1)
        return Problem(rule, e, Quote(t) + " is not offered by this modem");
      return std::nullopt;
    }
    case SettingForm::Flag:
      if (t != "true" && t != "false") return Problem(rule, e, Quote(t) + " is not true or false");
      return std::nullopt;
    case SettingForm::ScheduleTime:
      if (!ParseScheduleTime(t)) return Problem(rule, e, Quote(t) + " is not a time of day");
      return std::nullopt;
    case SettingForm::HexByte:
      if (t.size() > 2 || !ParseHexByte(t)) return Problem(rule, e, Quote(t) + " is not two hex digits");
      return std::nullopt;
    case SettingForm::HexPacket: {
      if (t.size() > static_cast<std::size_t>(rule.max))
        return Problem(rule, e, std::to_string(t.size()) + " digits are too long");
      std::vector<std::uint8_t> data(ConfigRecord::PacketCapacity(*rule.field));
      if (!ParseHexPacket(t, data).ok) return Problem(rule, e, Quote(t) + " is not pairs of hex digits");
      return std::nullopt;
    }
    case SettingForm::GroupMembers:
      if (!MemberMask(v.items)) return Problem(rule, e, "a member is not a phone book slot");
      return std::nullopt;
    case SettingForm::AlarmSources:
      if (!NamedBits(kAlarmSourceNames, kAlarmSourceCaptions, v.items))
        return Problem(rule, e, UnknownName("alarm source", kAlarmSourceNames, v.items));
      return std::nullopt;
  }
  return std::nullopt;
}

std::optional<SettingProblem> StoreSetting(ConfigRecord& record, const SettingRule& rule, int element,
                                           const SettingValue& value) {
  if (auto problem = CheckSetting(rule, element, value, record)) return problem;
  ConfigRecord changed = record;
  Write(changed, rule, element, value);
  if (ShowSetting(changed, rule, element) != ShowSetting(record, rule, element)) record = changed;
  return std::nullopt;
}

std::vector<RecordBreach> CheckRecord(const ConfigRecord& record) {
  std::vector<RecordBreach> breaches;
  const bool digitalIo = (record.Get(field::hw_options) & kHwOptionDigitalIo) != 0;
  for (const SettingRule& rule : kSettingRules) {
    const bool ioPage = std::any_of(kDigitalIoPages.begin(), kDigitalIoPages.end(),
                                    [&](const char* page) { return std::string_view(page) == rule.page; });
    if (ioPage && !digitalIo) continue;
    for (int e = 0; e < rule.field->count; ++e) {
      const SettingValue value = ShowSetting(record, rule, e);
      if (auto problem = CheckSetting(rule, e, value, record)) {
        std::string shown = value.text;
        for (const std::string& item : value.items) shown += (shown.empty() ? "" : " ") + item;
        breaches.push_back({&rule, e, ElementKey(rule, e), shown, std::move(*problem)});
      }
    }
  }
  return breaches;
}

}  // namespace telvaro

namespace telvaro {

namespace {

const FieldInfo* const kDeviceFields[] = {
    &field::status_text,  &field::hw_options, &field::rssi,       &field::reg_status,  &field::operator_name,
    &field::cell_id,      &field::imei,       &field::me_type,    &field::rtc_time,    &field::sms_center,
    &field::device_flag,  &field::rtc_set,    &field::rs485_absent, &field::sim_plmn,  &field::local_ip,
    &field::gprs_status,  &field::tcp_status, &field::tx_bytes,   &field::rx_bytes,
};

std::string Shown(const SettingValue& v) {
  std::string shown = v.text;
  for (const std::string& item : v.items) shown += (shown.empty() ? "" : " ") + item;
  return shown.empty() ? "(none)" : shown;
}

std::string PageKey(const SettingRule& rule, int element) { return rule.page + std::string(".") + ElementKey(rule, element); }

// Runs `change` on the record and notes the setting element it changed, with why.
class Normaliser {
 public:
  explicit Normaliser(ConfigRecord& record) : record_(record) {}

  template <typename Change>
  void Apply(const FieldInfo& f, int element, const std::string& reason, Change change) {
    const SettingRule& rule = RuleOf(f);
    const ConfigRecord before = record_;
    change(record_);
    if (before == record_) return;
    std::string was = Shown(ShowSetting(before, rule, element)), now = Shown(ShowSetting(record_, rule, element));
    if (was == now) {
      // Bytes the page does not show (after a text's end, role bits without a column).
      const auto bytes = [&](const ConfigRecord& r) {
        std::string hex;
        for (std::size_t i = f.ElementOffset(element); i < f.ElementOffset(element) + f.ElementWidth(); ++i) {
          char pair[4];
          std::snprintf(pair, sizeof pair, "%02x", r.RawByte(i));
          hex += pair;
        }
        return hex;
      };
      was = "0x" + bytes(before);
      now = "0x" + bytes(record_);
    }
    done_.push_back({&rule, element, PageKey(rule, element), was, now, reason});
  }
  std::vector<Normalisation> Done() { return std::move(done_); }

 private:
  ConfigRecord& record_;
  std::vector<Normalisation> done_;
};

}  // namespace

std::vector<Normalisation> NormaliseRecord(ConfigRecord& record) {
  Normaliser n(record);
  // Flags the pages read as "exactly 1" or "1 to 127": the byte goes out as
  // the box shows it.
  for (const SettingRule& rule : kSettingRules) {
    if (rule.form != SettingForm::Flag || rule.field->kind == FieldKind::FlagNonZero) continue;
    for (int e = 0; e < rule.field->count; ++e) {
      const bool on = IsOn(record, rule, e);
      n.Apply(*rule.field, e, std::string(rule.Key()) + " is stored as " + (on ? "1" : "0") + ", as its box shows it",
              [&](ConfigRecord& r) { SetFlag(r, rule, e, on); });
    }
  }
  if (record.Get(field::pin_lock) > 2)
    n.Apply(field::pin_lock, 0, "a PIN lock outside its list is stored as \"Disable PIN Lock\"",
            [](ConfigRecord& r) { r.Set(field::pin_lock, 0); });
  const std::pair<const Field<FieldKind::Byte>*, const Field<FieldKind::FlagNonZero>*> delimiters[] = {
      {&field::delimiter1, &field::delimiter1_enable}, {&field::delimiter2, &field::delimiter2_enable}};
  for (const auto& delimiter : delimiters) {
    const Field<FieldKind::Byte>* value = delimiter.first;
    if (record.IsOn(*delimiter.second)) continue;
    n.Apply(*value, 0, std::string(delimiter.second->name) + " is off, so " + value->name + " is stored as 0",
            [value](ConfigRecord& r) { r.Set(*value, 0); });
  }
  if (record.Get(field::preferred_plmn).empty())
    n.Apply(field::preferred_plmn, 0, "no preferred PLMN (\"PLMN in SIM\") is stored as all zero", [](ConfigRecord& r) {
      for (std::size_t i = 0; i < field::preferred_plmn.width; ++i) r.SetRawByte(field::preferred_plmn.offset + i, 0);
    });
  // Roles in a column no setting offers, and bits no column has.
  struct Column {
    std::uint8_t role;
    bool offered;
    const char* reason;
  };
  const Column columns[] = {
      {kCallReboot, record.IsOn(field::reboot_by_call), "call-reboot is cleared: reboot.reboot_by_call is off"},
      {kCallWakeup, record.IsOn(field::wakeup_by_call), "call-wakeup is cleared: wakeup.wakeup_by_call is off"},
      {kCallCsd, record.IsOn(field::csd_backup_enable), "call-csd is cleared: advanced1.csd_backup_enable is off"},
  };
  const std::size_t roleBytes = field::phone_book.ElementWidth() - 1u;
  for (int slot = 0; slot < kPhoneBookSlots; ++slot) {
    const std::size_t at = field::phone_book.ElementOffset(slot) + roleBytes;
    if (record.RawByte(at) & ~kPhoneRoleMask)
      n.Apply(field::phone_book, slot, "role bits no column has are stored as 0", [at](ConfigRecord& r) {
        r.SetRawByte(at, static_cast<std::uint8_t>(r.RawByte(at) & kPhoneRoleMask));
      });
    for (const Column& column : columns) {
      if (column.offered || !(record.RawByte(at) & column.role)) continue;
      n.Apply(field::phone_book, slot, column.reason, [at, &column](ConfigRecord& r) {
        r.SetRawByte(at, static_cast<std::uint8_t>(r.RawByte(at) & ~column.role));
      });
    }
  }
  for (int group = 0; group < kPhoneGroups; ++group) {
    if ((record.PhoneGroupMask(group) & ~kGroupMemberMask) == 0) continue;
    n.Apply(field::phone_groups, group, "member bits above slot 10 are stored as 0", [group](ConfigRecord& r) {
      r.SetPhoneGroupMask(group, static_cast<std::uint16_t>(r.PhoneGroupMask(group) & kGroupMemberMask));
    });
  }
  if (record.Get(field::do_alarm_source) & ~kDoAlarmSourceMask)
    n.Apply(field::do_alarm_source, 0, "alarm source bits no source has are stored as 0", [](ConfigRecord& r) {
      r.SetRawByte(field::do_alarm_source.offset,
                   static_cast<std::uint8_t>(r.RawByte(field::do_alarm_source.offset) & kDoAlarmSourceMask));
    });
  return n.Done();
}

std::span<const FieldInfo* const> DeviceFields() { return kDeviceFields; }

bool IsDeviceField(const FieldInfo& f) {
  return std::any_of(std::begin(kDeviceFields), std::end(kDeviceFields),
                     [&](const FieldInfo* d) { return d->offset == f.offset; });
}

void KeepDeviceBytes(ConfigRecord& record, const ConfigRecord& device) {
  for (const FieldInfo* f : kDeviceFields)
    for (std::size_t i = f->offset; i < static_cast<std::size_t>(f->offset + f->width); ++i)
      record.SetRawByte(i, device.RawByte(i));
}

std::vector<SettingDifference> SettingsNotKept(const ConfigRecord& sent, const ConfigRecord& held) {
  std::vector<SettingDifference> differences;
  for (const SettingRule& rule : kSettingRules) {
    for (int e = 0; e < rule.field->count; ++e) {
      const std::size_t at = rule.field->ElementOffset(e);
      bool same = true;
      for (std::size_t i = at; i < at + rule.field->ElementWidth(); ++i) same = same && sent.RawByte(i) == held.RawByte(i);
      if (!same) differences.push_back({&rule, e, PageKey(rule, e)});
    }
  }
  return differences;
}

}  // namespace telvaro
