// What each unit of a run is given, and the checks made before any port is
// opened: the base (a profile, or a settings file), the common values
// (NAME=value and page.key=value), and the unit's own row. telvaro-cli's
// `apply --units` and the window's provisioning dialog plan their units here.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fleet/fleet.h"
#include "profile/profile.h"
#include "record/config_record.h"

namespace telvaro {

struct UnitSource {
  std::string file;                      // the profile, or a settings file
  std::optional<ConfigRecord> base;      // the settings file's record; none for a profile
  std::vector<std::string> sets;         // NAME=value and page.key=value for every unit
  std::vector<std::string> allowEmpty;   // ${NAME}s whose cell may be empty
  bool showSecrets = false;              // changes show secrets as they are
};

// ${NAME} comes from `sets` (NAME=value) first, then from the environment.
VariableLookup Variables(const std::vector<std::string>& sets);
// The ${NAME}s a profile asks for, in the order it asks; none for a settings file.
std::vector<std::string> ProfileVariables(const std::string& path);
// "FILE:LINE:COLUMN: key: problem"
std::string ProblemLine(const std::string& file, const ProfileProblem& problem);
// " (did you mean read?)" for "raed" among `names`; empty when none is close.
std::string CloseMatch(std::string_view typed, const std::vector<std::string>& names);

// The profile read with the unit's columns without a dot filling ${NAME}
// before the common values do, then the common dotted keys, then the unit's
// dotted columns. A settings file as the base brings no profile of its own.
ProfileRead UnitSettings(const UnitSource& source, const UnitVariables& unit);

// A problem at its place in the profile, or by its key when the value came
// from the unit's row or the common values.
std::string UnitProblemText(const std::string& path, const ProfileProblem& problem);

// The record to write to a unit: a settings file's settings (the unit's own
// status and device bytes kept), or what the unit holds, with the unit's
// settings merged over it and the whole record checked by the setting rules.
MergeStep UnitMerge(const UnitSource& source);

// Each column of `columns` that neither a ${NAME} of the profile nor a
// page.key takes, with the name it is closest to.
std::vector<std::string> UnknownColumns(const std::string& file, const std::vector<std::string>& columns);

// One unit's settings read and checked by the setting rules, as `check`
// does, without a modem: its problems, or none.
std::vector<std::string> UnitProblems(const UnitSource& source, const UnitVariables& unit);

}  // namespace telvaro
