// Writing a record to the modem and making sure it holds it. The echo of
// "set_syspara" only says the modem took the frame: a modem that echoes what
// it was sent without storing it would otherwise be reported as holding every
// setting. So the client reads the record back once more
// (ModemClient::WriteAndReadBack) and here it is compared, setting by
// setting, with what was sent. `telvaro-cli write` runs it; so can any other
// command that writes.
#pragma once

#include <string>
#include <vector>

#include "fleet/record_text.h"
#include "operations/modem_client.h"

namespace telvaro {

struct VerifiedWrite {
  enum class Outcome {
    Failed,   // not sent, no echo, or no read-back: failure says which
    Held,     // the read-back record holds every setting sent
    NotHeld,  // the read-back record differs in the settings of notHeld
  };
  Outcome outcome = Outcome::Failed;
  // Why, for the line "<port>: <failure>" (empty when Held or NotHeld).
  std::string failure;
  // Each setting sent that the modem does not hold: before is what was sent,
  // after what the modem has. Values the modem reports about itself (status,
  // device bytes) and the clock-set flag it clears once it has taken the
  // clock are never counted.
  std::vector<FieldDifference> notHeld;
};

// Sends `toSend` with "set_syspara" on an open client, waits for its echo,
// reads the record back with "get_syspara" and compares.
VerifiedWrite WriteAndVerify(ModemClient& modem, const ConfigRecord& toSend);

// The settings of `sent` that `held` does not have (see VerifiedWrite::notHeld).
std::vector<FieldDifference> SettingsNotHeld(const ConfigRecord& sent, const ConfigRecord& held);

}  // namespace telvaro
