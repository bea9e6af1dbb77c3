// Profiles: the modem's settings as a readable text file (YAML, or JSON of the
// same structure), grouped by page, each key a field's name and each value in
// the form the page shows. A profile may hold only some keys (a partial
// profile); everything else comes from the modem or the base record. Live
// status and the three device bytes are never part of one, and secrets only
// when asked for.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "record/config_record.h"
#include "record/setting_rules.h"

namespace telvaro {

inline constexpr const char* kProfileFormat = "telvaro-profile/1";

// Where the values of a profile read from a modem came from.
struct ProfileSource {
  std::string model;  // me_type
  std::string imei;
  std::string readAt;  // local time of the read, "YYYY-MM-DD hh:mm:ss"
};

struct ProfileWriteOptions {
  std::string toolVersion;
  std::optional<ProfileSource> source;
  bool includeSecrets = false;
  // Only the settings that differ from this record (the factory defaults, for
  // a minimal profile); a list up to its last differing element.
  std::optional<ConfigRecord> onlyDifferentFrom;
};

// The whole profile of a record: every setting of every page.
std::string WriteProfileYaml(const ConfigRecord& record, const ProfileWriteOptions& options);
std::string WriteProfileJson(const ConfigRecord& record, const ProfileWriteOptions& options);

// A problem of a profile, at its place in the text (1-based; 0 when the
// place is not known, as for a value that came from the modem).
struct ProfileProblem {
  int line = 0;
  int column = 0;
  std::string key;  // "gprs.apn", or empty for the file as a whole
  std::string problem;
  // A setting the profile leaves out that its gate asks for (the PIN of a PIN
  // lock): a modem may hold it already.
  bool gated = false;
};

struct ProfileSetting {
  const SettingRule* rule;
  int element;
  SettingValue value;
  int line;
  int column;
};

struct Profile {
  std::string toolVersion;
  std::optional<ProfileSource> source;
  std::vector<ProfileSetting> settings;
};

struct ProfileRead {
  Profile profile;
  std::vector<ProfileProblem> problems;
  bool ok() const { return problems.empty(); }
};

// The value of `${NAME}`, or nothing when it is not set.
using VariableLookup = std::function<std::optional<std::string>(const std::string& name)>;

// Reads a profile's text; `json` picks the JSON reader. Every `${NAME}` in a
// value is replaced through `variables`.
ProfileRead ReadProfile(std::string_view text, bool json, const VariableLookup& variables);
// The same from a file (".json" is JSON, anything else YAML); a file that
// cannot be read is one problem at line 0.
ProfileRead ReadProfileFile(const std::string& path, const VariableLookup& variables);
// True for a path that names a profile rather than a settings file.
bool IsProfilePath(const std::string& path);

// Sets one dotted key ("gprs.apn" or "apn") to a text value, as `--set`
// gives it: the value is read as it would be in the profile.
std::optional<ProfileProblem> AddSetting(Profile& profile, const std::string& dottedKey, const std::string& value);

// Writes the profile's settings into `record`, each checked by its rule; the
// record is changed only when every setting holds. `onlyOwnKeys` limits the
// whole-record check that follows to the keys the profile sets (for a check
// without a modem); otherwise every breach of the merged record counts.
std::vector<ProfileProblem> MergeProfile(ConfigRecord& record, const Profile& profile, bool onlyOwnKeys);

// Record texts are 8-bit (Latin-1); profiles are UTF-8.
std::string Latin1ToUtf8(std::string_view text);
std::optional<std::string> Utf8ToLatin1(std::string_view text);

// "did you mean apn?" for "apm"; "did you mean gprs.apn?" for a key under
// another page; empty when nothing is close.
std::string CloseKey(std::string_view page, std::string_view key);

}  // namespace telvaro
