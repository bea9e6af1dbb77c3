#include "fleet/record_text.h"

#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>

#include "profile/profile.h"
#include "record/setting_rules.h"
#include "status/status_decoders.h"

namespace telvaro {
namespace {

std::string Format(const char* format, auto... values) {
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, format, values...);
  return buffer;
}

std::string Hex(std::span<const std::uint8_t> bytes, const char* separator = "") {
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i) out += separator;
    out += Format("%02x", bytes[i]);
  }
  return out;
}

std::string Quoted(const std::string& text) { return JsonString(text); }

using Json = nlohmann::ordered_json;

// Record texts are Latin-1; JSON strings are Unicode.
Json JsonText(const std::string& text) { return Latin1ToUtf8(text); }


// Status codes that the Networks page shows as text.
using CodeDecoder = std::string (*)(std::uint8_t);
const std::map<std::uint16_t, CodeDecoder>& StatusDecoders() {
  static const std::map<std::uint16_t, CodeDecoder> decoders = {
      {field::reg_status.offset, &RegistrationText},
      {field::gprs_status.offset, &GprsStatusText},
      {field::tcp_status.offset, &TcpStatusText},
  };
  return decoders;
}

FieldValue Describe(const ConfigRecord& r, const FieldInfo& f, int e, bool showSecrets = true) {
  FieldValue v;
  v.name = f.count > 1 ? Format("%s[%d]", f.name, e) : f.name;
  if (!showSecrets && IsSecretField(f)) {
    v.text = "\"****\"";
    v.json = "****";
    return v;
  }
  const std::uint8_t* raw = r.FieldBytes(f).data() + (f.ElementOffset(e) - f.offset);
  const std::uint8_t byte = raw[0];
  switch (f.kind) {
    case FieldKind::Raw: {
      const std::span<const std::uint8_t> bytes(raw, f.ElementWidth());
      v.text = Hex(bytes, " ");
      v.json = Hex(bytes);
      break;
    }
    case FieldKind::Byte: {
      const auto& decoders = StatusDecoders();
      if (const auto it = decoders.find(f.offset); it != decoders.end()) {
        const std::string meaning = it->second(byte);
        v.text = Format("%u (%s)", byte, meaning.c_str());
        v.json = {{"code", byte}, {"text", meaning}};
      } else if (f.offset == field::rssi.offset) {
        const SignalLevel level = DecodeSignalLevel(byte);
        v.text = Format("%u (%s, %s, %d of 3 bars)", byte, level.rssiText.c_str(), level.dbText.c_str(), level.bars);
        v.json = {{"level", byte}, {"dbm", level.dbText}, {"bars", level.bars}};
      } else {
        v.text = Format("%u", byte);
        v.json = byte;
      }
      break;
    }
    case FieldKind::BitMask:
      v.text = Format("0x%02X", byte);
      v.json = byte;
      break;
    case FieldKind::U16: {
      const std::uint16_t value = r.Get(static_cast<const Field<FieldKind::U16>&>(f), e);
      v.text = Format("%u", value);
      v.json = value;
      break;
    }
    case FieldKind::U32: {
      const std::uint32_t value = r.Get(static_cast<const Field<FieldKind::U32>&>(f));
      v.text = ByteCounterText(value);
      v.json = value;
      break;
    }
    case FieldKind::Text: {
      const std::string text = r.Get(static_cast<const Field<FieldKind::Text>&>(f), e);
      v.text = Quoted(text);
      v.json = JsonText(text);
      break;
    }
    case FieldKind::Index: {
      const std::string_view item = f.list->Text(byte);
      v.text = Format("%u (%s)", byte, item.empty() ? "out of range" : std::string(item).c_str());
      v.json = {{"index", byte}, {"item", item.empty() ? Json() : Json(std::string(item))}};
      break;
    }
    case FieldKind::FlagIsOne:
    case FieldKind::FlagNonZero:
    case FieldKind::FlagPositive: {
      const bool on = f.kind == FieldKind::FlagIsOne      ? byte == 1
                      : f.kind == FieldKind::FlagNonZero  ? byte != 0
                                                          : static_cast<std::int8_t>(byte) > 0;
      v.text = on ? "on" : "off";
      if (byte > 1) v.text += Format(" (byte %u)", byte);
      v.json = on;
      break;
    }
    case FieldKind::Time: {
      const BcdTime t = r.Get(static_cast<const Field<FieldKind::Time>&>(f), e);
      v.text = f.offset == field::rtc_time.offset
                   ? Format("20%02d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second)
                   : Format("%02d:%02d", t.hour, t.minute);
      v.json = v.text;
      break;
    }
    case FieldKind::HexPacket: {
      const auto data = r.Get(static_cast<const Field<FieldKind::HexPacket>&>(f));
      v.text = data.empty() ? "(empty)" : Hex(data);
      v.json = Hex(data);
      break;
    }
    case FieldKind::PhoneBook: {
      const PhoneBookEntry entry = r.PhoneBook(e);
      std::string roles;
      Json jsonRoles = Json::array();
      for (std::size_t bit = 0; bit < kPhoneRoleNames.size(); ++bit) {
        if (!(entry.roles >> bit & 1)) continue;
        roles += (roles.empty() ? "" : ",") + std::string(kPhoneRoleNames[bit]);
        jsonRoles.push_back(kPhoneRoleNames[bit]);
      }
      v.text = Quoted(entry.number) + " roles " + (roles.empty() ? "none" : roles) + Format(" (0x%02X)", entry.roles);
      v.json = {{"number", JsonText(entry.number)}, {"roles", jsonRoles}};
      break;
    }
    case FieldKind::GroupMask: {
      const std::uint16_t mask = r.PhoneGroupMask(e);
      std::string members;
      Json jsonMembers = Json::array();
      for (int slot = 0; slot < kPhoneBookSlots; ++slot) {
        if (!(mask >> slot & 1)) continue;
        members += (members.empty() ? "" : ",") + std::to_string(slot + 1);
        jsonMembers.push_back(slot + 1);
      }
      v.text = "slots " + (members.empty() ? std::string("none") : members) + Format(" (0x%04X)", mask);
      v.json = jsonMembers;
      break;
    }
  }
  return v;
}

}  // namespace

std::string JsonString(const std::string& bytes) {
  std::string out = "\"";
  for (unsigned char c : bytes) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c > 0x7E) {
      out += Format("\\u%04x", c);
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

bool IsSecretField(const FieldInfo& f) {
  for (const SettingRule& rule : kSettingRules)
    if (rule.secret && rule.field->offset == f.offset) return true;
  return false;
}

bool IsDeviceReported(const FieldInfo& f) {
  return IsDeviceField(f);
}

std::vector<FieldValue> DescribeRecord(const ConfigRecord& record, bool showSecrets) {
  std::vector<FieldValue> values;
  for (const FieldInfo* f : AllFields())
    for (int e = 0; e < f->count; ++e) values.push_back(Describe(record, *f, e, showSecrets));
  return values;
}

std::string RecordAsText(const ConfigRecord& record, bool showSecrets) {
  std::string out;
  for (const FieldValue& v : DescribeRecord(record, showSecrets)) out += v.name + ": " + v.text + "\n";
  out += Format("checksum: 0x%02X\n", record.Checksum());
  return out;
}

std::string RecordAsJson(const ConfigRecord& record, bool showSecrets) {
  Json root = Json::object();
  for (const FieldInfo* f : AllFields()) {
    if (f->count == 1) {
      root[f->name] = Describe(record, *f, 0, showSecrets).json;
    } else {
      Json elements = Json::array();
      for (int e = 0; e < f->count; ++e) elements.push_back(Describe(record, *f, e, showSecrets).json);
      root[f->name] = elements;
    }
  }
  root["checksum"] = record.Checksum();
  return EscapeC1InJson(root.dump(2)) + "\n";
}

std::vector<FieldDifference> DiffRecords(const ConfigRecord& a, const ConfigRecord& b) {
  std::vector<FieldDifference> differences;
  for (const FieldInfo* f : AllFields()) {
    for (int e = 0; e < f->count; ++e) {
      const std::size_t at = f->ElementOffset(e);
      bool same = true;
      for (std::size_t i = at; i < at + f->ElementWidth(); ++i) same = same && a.RawByte(i) == b.RawByte(i);
      if (same) continue;
      const FieldValue before = Describe(a, *f, e), after = Describe(b, *f, e);
      const bool hiddenOnly = before.text == after.text;  // bytes behind a text's terminator
      differences.push_back({f, before.name, before.text, after.text + (hiddenOnly ? " (bytes after the text differ)" : "")});
    }
  }
  return differences;
}

std::string EscapeC1InJson(std::string json) {
  std::string out;
  for (std::size_t i = 0; i < json.size(); ++i) {
    const unsigned char next = i + 1 < json.size() ? static_cast<unsigned char>(json[i + 1]) : 0;
    if (static_cast<unsigned char>(json[i]) == 0xC2 && next >= 0x80 && next <= 0x9F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", next);
      out += escaped;
      ++i;
    } else {
      out += json[i];
    }
  }
  return out;
}

}  // namespace telvaro
