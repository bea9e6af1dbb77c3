// The configuration record: the modem's complete parameter set as one fixed
// block of 1628 bytes, with its checksum byte directly behind it so that record
// and checksum travel and are stored as one 1629-byte block.
//
// Every field has a typed constant in namespace `field` (generated from
// field_table.h), and the accessors below read and write exactly the bytes of
// that field: numbers little-endian, texts zero-terminated with the bytes after
// the terminator left as they were.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "record/field_table.h"

namespace telvaro {

enum class FieldKind : std::uint8_t {
  Raw,           // not interpreted; carried unchanged
  Byte,          // unsigned 8-bit number
  BitMask,       // 8 bits with individual meanings
  U16,           // unsigned 16-bit, little-endian
  U32,           // unsigned 32-bit, little-endian
  Text,          // text[N]: at most N-1 characters and a 0 terminator
  Index,         // one byte selecting an item of an item list
  FlagIsOne,     // on only when the byte is exactly 1
  FlagNonZero,   // on for any non-zero byte
  FlagPositive,  // on for 1..127 (the byte read as signed, greater than 0)
  Time,          // BcdTime, 7 bytes of packed BCD
  HexPacket,     // count byte followed by a data area
  PhoneBook,     // 22-byte slots: number text[21] and a role mask
  GroupMask,     // uint16 membership masks
};

// A fixed list of item texts that an index field selects from.
struct ItemList {
  const char* name;
  std::span<const char* const> items;
  std::size_t size() const { return items.size(); }
  // The text of item `index`, or an empty view when the index is out of range.
  std::string_view Text(std::size_t index) const {
    return index < items.size() ? std::string_view(items[index]) : std::string_view();
  }
};

namespace items {
#define TELVARO_DECLARE_LIST(name, ...) extern const ItemList name;
TELVARO_ITEM_LISTS(TELVARO_DECLARE_LIST)
#undef TELVARO_DECLARE_LIST
extern const ItemList None;  // the empty list of fields that are not indices
}  // namespace items

// Untyped description of one field; what dumps and table checks iterate over.
struct FieldInfo {
  const char* name;
  std::uint16_t offset;
  std::uint16_t width;
  std::uint8_t count;  // elements in the field
  FieldKind kind;
  const ItemList* list;
  std::uint16_t ElementWidth() const { return static_cast<std::uint16_t>(width / count); }
  std::uint16_t ElementOffset(int element) const {
    return static_cast<std::uint16_t>(offset + element * ElementWidth());
  }
};

// Typed field: the accessors take only fields of the matching kind.
template <FieldKind K>
struct Field : FieldInfo {};

namespace field {
#define TELVARO_DECLARE_FIELD(name, offset, width, count, kind, list)                     \
  inline constexpr Field<FieldKind::kind> name{                                           \
      {#name, offset, width, count, FieldKind::kind, &items::list}};
TELVARO_RECORD_FIELDS(TELVARO_DECLARE_FIELD)
#undef TELVARO_DECLARE_FIELD
}  // namespace field

// Every field in offset order.
std::span<const FieldInfo* const> AllFields();

// Decoded BcdTime. Values are plain numbers; year is the year within the
// century (years counted from 2000).
struct BcdTime {
  int second = 0;
  int minute = 0;
  int hour = 0;
  int day = 0;
  int weekday = 0;
  int month = 0;
  int year = 0;
  bool operator==(const BcdTime&) const = default;
};
enum BcdTimeByte { kBcdSecond, kBcdMinute, kBcdHour, kBcdDay, kBcdWeekday, kBcdMonth, kBcdYear };

// Packed BCD of a number 0..99 (tens in the high four bits), and back. A
// nibble above 9 decodes as it stands (0x3A gives 40), never out of the byte.
std::uint8_t ToBcd(int value);
int FromBcd(std::uint8_t bcd);

// Roles of a phone book slot: the Phone Book page's columns.
enum PhoneRole : std::uint8_t {
  kCallReboot = 0x01,
  kCallWakeup = 0x02,
  kSmsReboot = 0x04,
  kSmsWakeup = 0x08,
  kSmsControl = 0x10,
  kCallCsd = 0x20,
};
inline constexpr std::uint8_t kPhoneRoleMask = 0x3F;

struct PhoneBookEntry {
  std::string number;
  std::uint8_t roles = 0;
  bool operator==(const PhoneBookEntry&) const = default;
};

// Bits of do_alarm_source.
enum DoAlarmSource : std::uint8_t { kDiAlarm = 0x01, kSmsControlAlarm = 0x02, kPhoneControlAlarm = 0x04 };
inline constexpr std::uint8_t kDoAlarmSourceMask = 0x07;

// Bit of hw_options that lets the DI, DO and Phone Group pages be enabled.
inline constexpr std::uint8_t kHwOptionDigitalIo = 0x02;

inline constexpr int kPhoneBookSlots = 10;
inline constexpr int kPhoneGroups = 10;
inline constexpr std::uint16_t kGroupMemberMask = 0x03FF;

class ConfigRecord {
 public:
  static constexpr std::size_t kSize = 1628;       // record bytes
  static constexpr std::size_t kBlockSize = 1629;  // record and checksum slot
  static constexpr std::size_t kChecksumOffset = kSize;

  ConfigRecord() { Clear(); }

  // Whole-block operations.
  void Clear();  // record and checksum slot to 0
  // Zero the block, then copy at most kBlockSize bytes from the start of `bytes`.
  // Returns the number of bytes copied; nothing is ever written past the block.
  std::size_t ReplaceFrom(std::span<const std::uint8_t> bytes);
  // Replace the whole block from an imported settings file, keeping this
  // record's hw_options, device_flag and rs485_absent.
  void ImportKeepingDeviceBytes(std::span<const std::uint8_t, kBlockSize> block);
  std::span<const std::uint8_t, kBlockSize> Block() const { return bytes_; }
  std::span<const std::uint8_t, kSize> Record() const {
    return std::span<const std::uint8_t, kSize>(bytes_.data(), kSize);
  }
  std::uint8_t Checksum() const { return bytes_[kChecksumOffset]; }
  void SetChecksum(std::uint8_t value) { bytes_[kChecksumOffset] = value; }
  std::uint8_t RawByte(std::size_t offset) const { return bytes_.at(offset); }
  void SetRawByte(std::size_t offset, std::uint8_t value) { bytes_.at(offset) = value; }

  // Numbers. `element` picks the DI_0/DI_1 value of a pair.
  std::uint8_t Get(const Field<FieldKind::Byte>& f, int element = 0) const;
  void Set(const Field<FieldKind::Byte>& f, std::uint8_t value, int element = 0);
  std::uint8_t Get(const Field<FieldKind::BitMask>& f) const;
  void Set(const Field<FieldKind::BitMask>& f, std::uint8_t value);
  std::uint16_t Get(const Field<FieldKind::U16>& f, int element = 0) const;
  void Set(const Field<FieldKind::U16>& f, std::uint16_t value, int element = 0);
  std::uint32_t Get(const Field<FieldKind::U32>& f) const;
  void Set(const Field<FieldKind::U32>& f, std::uint32_t value);

  // Index fields: the raw index; ItemText gives the item it selects.
  std::uint8_t Get(const Field<FieldKind::Index>& f, int element = 0) const;
  void Set(const Field<FieldKind::Index>& f, std::uint8_t index, int element = 0);
  std::string_view ItemText(const Field<FieldKind::Index>& f, int element = 0) const;

  // Texts: read up to the first 0 byte (or the whole field when the device
  // filled it without one); written cut to N-1 characters plus terminator.
  std::string Get(const Field<FieldKind::Text>& f, int element = 0) const;
  void Set(const Field<FieldKind::Text>& f, std::string_view text, int element = 0);

  // Flags, read by their kind's rule and written as 0 or 1.
  bool IsOn(const Field<FieldKind::FlagIsOne>& f, int element = 0) const;
  bool IsOn(const Field<FieldKind::FlagNonZero>& f, int element = 0) const;
  bool IsOn(const Field<FieldKind::FlagPositive>& f, int element = 0) const;
  void SetFlag(const Field<FieldKind::FlagIsOne>& f, bool on, int element = 0);
  void SetFlag(const Field<FieldKind::FlagNonZero>& f, bool on, int element = 0);
  void SetFlag(const Field<FieldKind::FlagPositive>& f, bool on, int element = 0);

  // BcdTime fields. SetTime writes all seven bytes but the weekday;
  // SetScheduleTime writes only the minute and hour bytes.
  BcdTime Get(const Field<FieldKind::Time>& f, int element = 0) const;
  void SetTime(const Field<FieldKind::Time>& f, const BcdTime& time, int element = 0);
  void SetScheduleTime(const Field<FieldKind::Time>& f, int hour, int minute, int element = 0);

  // HexPacket fields: the valid data bytes (count clamped to the data area),
  // and writing count and data; data longer than the area is cut, and the
  // area's bytes after the data are left unchanged.
  std::vector<std::uint8_t> Get(const Field<FieldKind::HexPacket>& f) const;
  void Set(const Field<FieldKind::HexPacket>& f, std::span<const std::uint8_t> data);
  static std::size_t PacketCapacity(const FieldInfo& f) { return f.width - 1u; }

  // Phone book slots 0..9; role bits 6 and 7 are always written 0.
  PhoneBookEntry PhoneBook(int slot) const;
  void SetPhoneBook(int slot, const PhoneBookEntry& entry);

  // Phone group masks 0..9; bit k is phone book slot k; bits 10..15 written 0.
  std::uint16_t PhoneGroupMask(int group) const;
  void SetPhoneGroupMask(int group, std::uint16_t mask);
  bool IsGroupMember(int group, int slot) const;

  // The generic element bytes of any field, for dumps and comparisons.
  std::span<const std::uint8_t> FieldBytes(const FieldInfo& f) const {
    return std::span<const std::uint8_t>(bytes_.data() + f.offset, f.width);
  }

  bool operator==(const ConfigRecord&) const = default;

 private:
  std::uint8_t* At(const FieldInfo& f, int element);
  const std::uint8_t* At(const FieldInfo& f, int element) const;

  std::array<std::uint8_t, kBlockSize> bytes_{};
};

}  // namespace telvaro
