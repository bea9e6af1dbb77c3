// Fuzz target: the profile reader (YAML, or JSON when the first byte is odd)
// and the merge into a record. A profile that merges without a problem must
// leave a record that breaks no rule it sets, and the profile written from
// that record must read back and merge to the very same settings.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "profile/profile.h"
#include "record/factory_defaults.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace telvaro;
  if (size == 0) return 0;
  const bool json = (data[0] & 1) != 0;
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  const VariableLookup variables = [](const std::string& name) -> std::optional<std::string> {
    if (name == "SITE") return std::string("SITE-07");
    return std::nullopt;
  };
  const ProfileRead read = ReadProfile(text, json, variables);
  for (const ProfileProblem& p : read.problems)
    if (p.problem.empty() || p.line < 0 || p.column < 0) std::abort();

  ConfigRecord record;
  ApplyFactoryDefaults(record);
  const ConfigRecord before = record;
  const std::vector<ProfileProblem> problems = MergeProfile(record, read.profile, true);
  if (!problems.empty()) {
    if (!(record == before)) std::abort();  // nothing half-merged
    return 0;
  }
  for (const ProfileSetting& s : read.profile.settings)
    if (CheckSetting(*s.rule, s.element, ShowSetting(record, *s.rule, s.element), record)) std::abort();

  ProfileWriteOptions options;
  options.includeSecrets = true;
  const ProfileRead again = ReadProfile(WriteProfileYaml(record, options), false, variables);
  if (!again.ok()) std::abort();
  ConfigRecord copy;
  ApplyFactoryDefaults(copy);
  if (!MergeProfile(copy, again.profile, true).empty()) std::abort();
  for (const SettingRule& rule : kSettingRules)
    for (int e = 0; e < rule.field->count; ++e)
      if (ShowSetting(copy, rule, e) != ShowSetting(record, rule, e)) std::abort();
  return 0;
}
