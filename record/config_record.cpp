#include "record/config_record.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace telvaro {

namespace items {
#define TELVARO_DEFINE_LIST(name, ...)                              \
  static constexpr const char* const k##name##Items[] = {__VA_ARGS__}; \
  const ItemList name{#name, k##name##Items};
TELVARO_ITEM_LISTS(TELVARO_DEFINE_LIST)
#undef TELVARO_DEFINE_LIST
const ItemList None{"None", {}};
}  // namespace items

namespace {
constexpr const FieldInfo* kAllFields[] = {
#define TELVARO_FIELD_ADDRESS(name, ...) &field::name,
    TELVARO_RECORD_FIELDS(TELVARO_FIELD_ADDRESS)
#undef TELVARO_FIELD_ADDRESS
};

std::uint16_t ReadU16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
void WriteU16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
}  // namespace

std::span<const FieldInfo* const> AllFields() { return kAllFields; }

std::uint8_t ToBcd(int value) {
  value = std::clamp(value, 0, 99);
  return static_cast<std::uint8_t>(((value / 10) << 4) | (value % 10));
}

int FromBcd(std::uint8_t bcd) { return (bcd >> 4) * 10 + (bcd & 0x0F); }

// Element access is bounds-checked: a wrong element number is a programming
// error and must never reach a neighbouring field.
std::uint8_t* ConfigRecord::At(const FieldInfo& f, int element) {
  if (element < 0 || element >= f.count) throw std::out_of_range(f.name);
  return bytes_.data() + f.ElementOffset(element);
}

const std::uint8_t* ConfigRecord::At(const FieldInfo& f, int element) const {
  if (element < 0 || element >= f.count) throw std::out_of_range(f.name);
  return bytes_.data() + f.ElementOffset(element);
}

void ConfigRecord::Clear() { bytes_.fill(0); }

std::size_t ConfigRecord::ReplaceFrom(std::span<const std::uint8_t> bytes) {
  Clear();
  const std::size_t n = std::min(bytes.size(), kBlockSize);
  std::copy_n(bytes.begin(), n, bytes_.begin());
  return n;
}

void ConfigRecord::ImportKeepingDeviceBytes(std::span<const std::uint8_t, kBlockSize> block) {
  const std::uint8_t hw = Get(field::hw_options);
  const std::uint8_t flag = Get(field::device_flag);
  const std::uint8_t rs485 = Get(field::rs485_absent);
  std::copy(block.begin(), block.end(), bytes_.begin());
  Set(field::hw_options, hw);
  Set(field::device_flag, flag);
  Set(field::rs485_absent, rs485);
}

std::uint8_t ConfigRecord::Get(const Field<FieldKind::Byte>& f, int element) const {
  return *At(f, element);
}
void ConfigRecord::Set(const Field<FieldKind::Byte>& f, std::uint8_t value, int element) {
  *At(f, element) = value;
}
std::uint8_t ConfigRecord::Get(const Field<FieldKind::BitMask>& f) const { return *At(f, 0); }
void ConfigRecord::Set(const Field<FieldKind::BitMask>& f, std::uint8_t value) {
  // do_alarm_source has three meaningful bits and the others are written 0;
  // hw_options is a device byte and is stored as given.
  if (f.offset == field::do_alarm_source.offset) value &= kDoAlarmSourceMask;
  *At(f, 0) = value;
}

std::uint16_t ConfigRecord::Get(const Field<FieldKind::U16>& f, int element) const {
  return ReadU16(At(f, element));
}
void ConfigRecord::Set(const Field<FieldKind::U16>& f, std::uint16_t value, int element) {
  WriteU16(At(f, element), value);
}

std::uint32_t ConfigRecord::Get(const Field<FieldKind::U32>& f) const {
  const std::uint8_t* p = At(f, 0);
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
void ConfigRecord::Set(const Field<FieldKind::U32>& f, std::uint32_t value) {
  std::uint8_t* p = At(f, 0);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint8_t ConfigRecord::Get(const Field<FieldKind::Index>& f, int element) const {
  return *At(f, element);
}
void ConfigRecord::Set(const Field<FieldKind::Index>& f, std::uint8_t index, int element) {
  *At(f, element) = index;
}
std::string_view ConfigRecord::ItemText(const Field<FieldKind::Index>& f, int element) const {
  return f.list->Text(Get(f, element));
}

std::string ConfigRecord::Get(const Field<FieldKind::Text>& f, int element) const {
  const char* p = reinterpret_cast<const char*>(At(f, element));
  const std::size_t width = f.ElementWidth();
  return std::string(p, strnlen(p, width));
}
void ConfigRecord::Set(const Field<FieldKind::Text>& f, std::string_view text, int element) {
  std::uint8_t* p = At(f, element);
  const std::size_t n = std::min<std::size_t>(text.size(), f.ElementWidth() - 1u);
  if (n > 0) std::memmove(p, text.data(), n);  // the text may come from this record
  p[n] = 0;  // the bytes after the terminator keep their contents
}

bool ConfigRecord::IsOn(const Field<FieldKind::FlagIsOne>& f, int element) const {
  return *At(f, element) == 1;
}
bool ConfigRecord::IsOn(const Field<FieldKind::FlagNonZero>& f, int element) const {
  return *At(f, element) != 0;
}
bool ConfigRecord::IsOn(const Field<FieldKind::FlagPositive>& f, int element) const {
  return static_cast<std::int8_t>(*At(f, element)) > 0;
}
void ConfigRecord::SetFlag(const Field<FieldKind::FlagIsOne>& f, bool on, int element) {
  *At(f, element) = on ? 1 : 0;
}
void ConfigRecord::SetFlag(const Field<FieldKind::FlagNonZero>& f, bool on, int element) {
  *At(f, element) = on ? 1 : 0;
}
void ConfigRecord::SetFlag(const Field<FieldKind::FlagPositive>& f, bool on, int element) {
  *At(f, element) = on ? 1 : 0;
}

BcdTime ConfigRecord::Get(const Field<FieldKind::Time>& f, int element) const {
  const std::uint8_t* p = At(f, element);
  return BcdTime{FromBcd(p[kBcdSecond]), FromBcd(p[kBcdMinute]), FromBcd(p[kBcdHour]),
                 FromBcd(p[kBcdDay]),    FromBcd(p[kBcdWeekday]), FromBcd(p[kBcdMonth]),
                 FromBcd(p[kBcdYear])};
}
void ConfigRecord::SetTime(const Field<FieldKind::Time>& f, const BcdTime& time, int element) {
  std::uint8_t* p = At(f, element);
  p[kBcdSecond] = ToBcd(time.second);
  p[kBcdMinute] = ToBcd(time.minute);
  p[kBcdHour] = ToBcd(time.hour);
  p[kBcdDay] = ToBcd(time.day);
  p[kBcdMonth] = ToBcd(time.month);
  p[kBcdYear] = ToBcd(time.year);
}
void ConfigRecord::SetScheduleTime(const Field<FieldKind::Time>& f, int hour, int minute,
                                   int element) {
  std::uint8_t* p = At(f, element);
  p[kBcdMinute] = ToBcd(minute);
  p[kBcdHour] = ToBcd(hour);
}

std::vector<std::uint8_t> ConfigRecord::Get(const Field<FieldKind::HexPacket>& f) const {
  const std::uint8_t* p = At(f, 0);
  const std::size_t count = std::min<std::size_t>(p[0], PacketCapacity(f));
  return std::vector<std::uint8_t>(p + 1, p + 1 + count);
}
void ConfigRecord::Set(const Field<FieldKind::HexPacket>& f, std::span<const std::uint8_t> data) {
  std::uint8_t* p = At(f, 0);
  const std::size_t count = std::min(data.size(), PacketCapacity(f));
  p[0] = static_cast<std::uint8_t>(count);
  if (count > 0) std::memmove(p + 1, data.data(), count);
}

namespace {
constexpr std::size_t kPhoneNumberWidth = 21;
}

PhoneBookEntry ConfigRecord::PhoneBook(int slot) const {
  const std::uint8_t* p = At(field::phone_book, slot);
  const char* text = reinterpret_cast<const char*>(p);
  return PhoneBookEntry{std::string(text, strnlen(text, kPhoneNumberWidth)), p[kPhoneNumberWidth]};
}
void ConfigRecord::SetPhoneBook(int slot, const PhoneBookEntry& entry) {
  std::uint8_t* p = At(field::phone_book, slot);
  const std::size_t n = std::min(entry.number.size(), kPhoneNumberWidth - 1);
  if (n > 0) std::memmove(p, entry.number.data(), n);
  p[n] = 0;
  p[kPhoneNumberWidth] = entry.roles & kPhoneRoleMask;
}

std::uint16_t ConfigRecord::PhoneGroupMask(int group) const {
  return ReadU16(At(field::phone_groups, group));
}
void ConfigRecord::SetPhoneGroupMask(int group, std::uint16_t mask) {
  WriteU16(At(field::phone_groups, group), mask & kGroupMemberMask);
}
bool ConfigRecord::IsGroupMember(int group, int slot) const {
  return slot >= 0 && slot < kPhoneBookSlots && (PhoneGroupMask(group) >> slot) & 1u;
}

}  // namespace telvaro
