#include "fleet/verified_write.h"

namespace telvaro {

std::vector<FieldDifference> SettingsNotHeld(const ConfigRecord& sent, const ConfigRecord& held) {
  std::vector<FieldDifference> notHeld;
  for (FieldDifference& d : DiffRecords(sent, held)) {
    // Status values change between any two answers, and the modem clears
    // rtc_set once it has taken the clock: neither is a setting not held.
    if (IsDeviceReported(*d.field) || d.field->offset == field::rtc_set.offset) continue;
    notHeld.push_back(std::move(d));
  }
  return notHeld;
}

VerifiedWrite WriteAndVerify(ModemClient& modem, const ConfigRecord& toSend) {
  VerifiedWrite result;
  const Result<ConfigRecord> held = modem.WriteAndReadBack(toSend);
  if (!held) {
    result.failure = OneLine(held.failure());
    return result;
  }
  result.notHeld = SettingsNotHeld(toSend, held.value());
  result.outcome = result.notHeld.empty() ? VerifiedWrite::Outcome::Held : VerifiedWrite::Outcome::NotHeld;
  return result;
}

}  // namespace telvaro
