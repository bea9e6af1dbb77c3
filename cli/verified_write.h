// Writing a record to the modem and making sure it holds it. The echo of
// "set_syspara" only says the modem took the frame: a modem that echoes what
// it was sent without storing it would otherwise be reported as holding every
// setting. So the record is read back once more and compared with what was
// sent. `telvaro-cli write` runs it; so can any other command that writes.
#pragma once

#include <string>
#include <vector>

#include "cli/modem_link.h"
#include "cli/record_text.h"

namespace telvaro {

struct VerifiedWrite {
  enum class Outcome {
    Held,        // the read-back record holds every setting sent
    NotSent,     // the frame could not be sent, or no echo came
    NoReadBack,  // the echo came, but the record could not be read back
    NotHeld,     // the read-back record differs in the settings of notHeld
  };
  Outcome outcome = Outcome::NotSent;
  // Why, for the line "<port>: <failure>" (empty when Held or NotHeld).
  std::string failure;
  // Each setting sent that the modem does not hold: before is what was sent,
  // after what the modem has. Values the modem reports about itself (status,
  // device bytes) and the clock-set flag it clears once it has taken the
  // clock are never counted.
  std::vector<FieldDifference> notHeld;
};

// Sends `toSend` with "set_syspara" on an open link, waits for its echo, reads
// the record back with "get_syspara" and compares.
VerifiedWrite WriteAndVerify(ModemLink& modem, const ConfigRecord& toSend);

// The settings of `sent` that `held` does not have (see VerifiedWrite::notHeld).
std::vector<FieldDifference> SettingsNotHeld(const ConfigRecord& sent, const ConfigRecord& held);

}  // namespace telvaro
