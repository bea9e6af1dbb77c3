// The configuration record as text for people and scripts: every field by
// its name, texts decoded, indices with their item text, flags, times,
// packets in hex, phone book and groups, status values decoded as the
// Networks page shows them.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "record/config_record.h"

namespace telvaro {

struct FieldValue {
  std::string name;  // "device_name", or "di_mode[1]" for an element
  std::string text;  // for people
  nlohmann::ordered_json json;
};

// One entry per field element, in record order; the values of secrets (PINs,
// passwords) are "****" unless `showSecrets`.
std::vector<FieldValue> DescribeRecord(const ConfigRecord& record, bool showSecrets = true);
// "name: text" lines.
std::string RecordAsText(const ConfigRecord& record, bool showSecrets = true);
// One JSON object: field name -> value, arrays for multi-element fields, and
// "checksum" for the slot behind the record.
std::string RecordAsJson(const ConfigRecord& record, bool showSecrets = true);

// Whether a field is a secret, masked in printouts unless asked.
bool IsSecretField(const FieldInfo& field);

struct FieldDifference {
  const FieldInfo* field;
  std::string name;
  std::string before;
  std::string after;
};
// The field elements whose bytes differ, in record order.
std::vector<FieldDifference> DiffRecords(const ConfigRecord& a, const ConfigRecord& b);

// Fields the modem reports about itself (status and device bytes): they
// differ between any two reads and are not settings.
bool IsDeviceReported(const FieldInfo& field);

// A JSON string literal for raw record text (bytes above 0x7E and control
// characters are escaped as \u00XX, so any byte survives).
std::string JsonString(const std::string& bytes);

// JSON text with the C1 controls (U+0080 to U+009F, U+009B a terminal's CSI)
// escaped as \u00XX, as the C0 ones are: nlohmann writes them raw.
std::string EscapeC1InJson(std::string json);

}  // namespace telvaro
