#include "cli/verified_write.h"

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

VerifiedWrite WriteAndVerify(ModemLink& modem, const ConfigRecord& toSend) {
  VerifiedWrite result;
  if (!modem.Write(toSend)) {
    result.failure = modem.Failure();
    return result;
  }
  if (!modem.Read()) {
    result.outcome = VerifiedWrite::Outcome::NoReadBack;
    result.failure = modem.Failure() + " when reading back what was written";
    return result;
  }
  result.notHeld = SettingsNotHeld(toSend, modem.Record());
  result.outcome = result.notHeld.empty() ? VerifiedWrite::Outcome::Held : VerifiedWrite::Outcome::NotHeld;
  return result;
}

}  // namespace telvaro
