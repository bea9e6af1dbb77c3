// The factory settings of the record, as a table of field and value.
#pragma once

#include <cstdint>
#include <span>

#include "record/config_record.h"

namespace telvaro {

// One field's factory value: the whole field is zeroed, then every element
// gets `value` (little-endian in the element's width), or a text field gets
// `text`.
struct FactoryDefault {
  const FieldInfo* field;
  std::uint32_t value = 0;
  const char* text = nullptr;
};

std::span<const FactoryDefault> FactoryDefaults();

// Writes the table into the record. Fields not in it (the device's identity
// and status, the SIM PIN settings, the three device bytes, rtc_set, the
// reserved head and tail, the checksum) are left as they are.
void ApplyFactoryDefaults(ConfigRecord& record);

}  // namespace telvaro
