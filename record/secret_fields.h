// The fields that hold secrets: the SIM PIN, the new PIN and the passwords.
// Whatever shows records to others (a support trace, a report) masks them.
#pragma once

#include <array>

#include "record/config_record.h"

namespace telvaro {

inline constexpr std::array<const FieldInfo*, 6> kSecretFields = {
    &field::pin_code,          &field::new_pin_code,         &field::gprs_password,
    &field::reboot_sms_password, &field::sms_control_password, &field::wakeup_sms_password};

}  // namespace telvaro
