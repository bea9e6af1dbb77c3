// The configuration record as text for people and scripts: every field by
// its name, texts decoded, indices with their item text, flags, times,
// packets in hex, phone book and groups, status values decoded as the
// Networks page shows them.
#pragma once

#include <string>
#include <vector>

#include "record/config_record.h"

namespace telvaro {

struct FieldValue {
  std::string name;  // "device_name", or "di_mode[1]" for an element
  std::string text;  // for people
  std::string json;  // a JSON value
};

// One entry per field element, in record order.
std::vector<FieldValue> DescribeRecord(const ConfigRecord& record);
// "name: text" lines.
std::string RecordAsText(const ConfigRecord& record);
// One JSON object: field name -> value, arrays for multi-element fields, and
// "checksum" for the slot behind the record.
std::string RecordAsJson(const ConfigRecord& record);

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

}  // namespace telvaro
