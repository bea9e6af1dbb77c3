// Changes not yet written: what a Write would change in the modem. The pages
// are stored on a copy of the record exactly as Write stores them (quietly,
// sending nothing) and the result is compared with the record last read from
// or written to the modem, row by row as the pages show it, then byte by byte
// for what no row reads differently. Changes Write makes on its own are
// named with their reason, so the list says exactly what Write will send.
#pragma once

#include <QString>
#include <cstddef>
#include <span>
#include <vector>

#include "record/config_record.h"

class QWidget;

namespace telvaro {

class ConfigPage;

struct PendingChange {
  int page = -1;               // the page's index in the window; -1 when no page shows it
  QWidget* control = nullptr;  // the control that shows it, if any
  QString setting;
  QString modemValue;
  QString newValue;
  QString reason;  // why Write sends it, when that needs saying
  std::size_t offset = 0;  // the record bytes it covers
  std::size_t width = 0;
  bool secret = false;  // a password or PIN: its values are never shown
  // Write makes this change on its own (a cleared role in an unavailable
  // column, a disabled delimiter stored as 0): it is listed, but it is not
  // the operator's, so it is not counted, and a Read does not lose it.
  bool normalisation = false;
};

// A page whose validator would refuse a value, so Write would stop there.
struct PageRefusal {
  int page = -1;
  QString message;
  // Not there when the record was shown: a value the operator typed, which
  // counts as an edit though it cannot be stored.
  bool fresh = false;
};

struct PendingChanges {
  std::vector<PendingChange> changes;  // the operator's edits and Write's own changes
  std::vector<PageRefusal> refusals;
  // The operator's edits, fresh refusals included: what the title, the tabs,
  // the status bar and the question before discarding count.
  int Count() const;
  bool OnPage(int page) const;  // an edit on that page
  const PendingChange* ForControl(const QWidget* control) const;
};

// What the list shows in place of a secret's value.
inline constexpr const char* kSecretMask = "******";

// Compares `base` (the modem's record) with `toSend` (the pages stored as
// Write would); `pages` are the window's twelve, by their PageIndex.
// `shown`, when given, is what Write would have sent right after the pages
// showed the base: what the pages corrected on their own then (Flow Control
// from the serial settings file, a PIN lock above 2 as 0) is Write's own
// change, listed with its reason and not counted. Values the pages kept
// unrefused (ConfigPage::KeptControls) are listed as kept.
PendingChanges ComparePending(const ConfigRecord& base, const ConfigRecord& toSend, std::span<ConfigPage* const> pages,
                              const ConfigRecord* shown = nullptr);

// "1 change not written", "3 changes not written".
QString PendingCountText(int count);

}  // namespace telvaro
