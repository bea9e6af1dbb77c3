#include "fleet/unit_plan.h"

#include <algorithm>
#include <cstdlib>
#include <map>

#include "fleet/profile_apply.h"
#include "record/factory_defaults.h"
#include "record/setting_rules.h"

namespace telvaro {

VariableLookup Variables(const std::vector<std::string>& sets) {
  std::map<std::string, std::string> values;
  for (const std::string& set : sets) {
    const std::string name = set.substr(0, set.find('='));
    if (name.find('.') == std::string::npos) values[name] = set.substr(set.find('=') + 1);
  }
  return [values](const std::string& name) -> std::optional<std::string> {
    if (const auto it = values.find(name); it != values.end()) return it->second;
    if (const char* env = std::getenv(name.c_str())) return std::string(env);
    return std::nullopt;
  };
}

std::vector<std::string> ProfileVariables(const std::string& path) {
  std::vector<std::string> names;
  if (!IsProfilePath(path)) return names;
  ReadProfileFile(path, [&](const std::string& name) -> std::optional<std::string> {
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    return std::string();
  });
  return names;
}

std::string ProblemLine(const std::string& file, const ProfileProblem& p) {
  return file + ":" + std::to_string(p.line) + ":" + std::to_string(p.column) + ": " +
         (p.key.empty() ? std::string() : p.key + ": ") + p.problem;
}

std::string CloseMatch(std::string_view typed, const std::vector<std::string>& names) {
  std::string best;
  std::size_t bestDistance = 3;
  for (const std::string& name : names) {
    const std::size_t distance = EditDistance(typed, name);
    if (distance < bestDistance) {
      bestDistance = distance;
      best = name;
    }
  }
  return best.empty() ? std::string() : " (did you mean " + best + "?)";
}

ProfileRead UnitSettings(const UnitSource& source, const UnitVariables& unit) {
  std::map<std::string, std::string> own;
  for (const auto& [name, value] : unit)
    if (name.find('.') == std::string::npos) own[name] = value;
  const VariableLookup common = Variables(source.sets);
  const std::vector<std::string>& allowEmpty = source.allowEmpty;
  ProfileRead read;
  std::vector<std::string> empty;
  if (IsProfilePath(source.file)) {
    read = ReadProfileFile(source.file, [&](const std::string& name) -> std::optional<std::string> {
      if (const auto it = own.find(name); it != own.end()) {
        // A cell left empty is more often forgotten than meant.
        if (it->second.empty() && std::find(allowEmpty.begin(), allowEmpty.end(), name) == allowEmpty.end() &&
            std::find(empty.begin(), empty.end(), name) == empty.end())
          empty.push_back(name);
        return it->second;
      }
      return common(name);
    });
  }
  for (const std::string& name : empty)
    read.problems.push_back({0, 0, "", "the cell for ${" + name + "} is empty (--allow-empty " + name + " if meant)"});
  const auto set = [&read](const std::string& key, const std::string& value) {
    if (auto problem = AddSetting(read.profile, key, value)) read.problems.push_back(*problem);
  };
  for (const std::string& pair : source.sets)
    if (const std::string key = pair.substr(0, pair.find('=')); key.find('.') != std::string::npos)
      set(key, pair.substr(pair.find('=') + 1));
  for (const auto& [name, value] : unit)
    if (name.find('.') != std::string::npos) set(name, value);
  return read;
}

std::string UnitProblemText(const std::string& path, const ProfileProblem& p) {
  return p.line ? ProblemLine(path, p) : (p.key.empty() ? std::string() : p.key + ": ") + p.problem;
}

MergeStep UnitMerge(const UnitSource& source) {
  return [source](const ConfigRecord& read, const UnitVariables& unit) {
    MergeOutcome out{read, {}, {}, {}};
    if (source.base) {
      out.record = *source.base;
      KeepDeviceBytes(out.record, read);
    }
    const ProfileRead settings = UnitSettings(source, unit);
    std::vector<ProfileProblem> problems = settings.problems;
    if (problems.empty()) problems = MergeProfile(out.record, settings.profile, false);
    const std::vector<Normalisation> normalised = NormaliseRecord(out.record);  // as the window's Write stores it
    for (const ProfileProblem& p : problems) out.problems.push_back(UnitProblemText(source.file, p));
    for (const SettingChange& c : SettingChanges(read, out.record, source.showSecrets)) {
      out.changedKeys.push_back(c.key);
      out.changes.push_back(ChangeLine(c, normalised));
    }
    return out;
  };
}

std::vector<std::string> UnknownColumns(const std::string& file, const std::vector<std::string>& columns) {
  std::vector<std::string> problems;
  if (columns.empty()) return problems;
  const std::vector<std::string> variables = ProfileVariables(file);
  for (const std::string& name : columns) {
    if (name == "imei") continue;
    const std::size_t dot = name.find('.');
    const std::string page = dot == std::string::npos ? std::string() : name.substr(0, dot);
    const std::string key = dot == std::string::npos ? name : name.substr(dot + 1);
    const SettingRule* rule = FindRule(key);
    const bool known = dot == std::string::npos ? std::find(variables.begin(), variables.end(), name) != variables.end()
                                                : rule != nullptr && page == rule->page;
    if (known) continue;
    std::string close = dot == std::string::npos ? CloseMatch(name, variables) : std::string();
    if (close.empty()) {
      const std::string closeKey = CloseKey(page, key);
      // A key given without its page is still a key mistyped.
      if (!closeKey.empty()) close = " (" + closeKey + ")";
      else if (rule != nullptr) close = " (did you mean " + std::string(rule->page) + "." + rule->Key() + "?)";
    }
    problems.push_back("column \"" + name + "\" is neither a ${NAME} of " + file + " nor a page.key" + close);
  }
  return problems;
}

std::vector<std::string> UnitProblems(const UnitSource& source, const UnitVariables& unit) {
  const ProfileRead read = UnitSettings(source, unit);
  std::vector<ProfileProblem> problems = read.problems;
  if (problems.empty()) {
    ConfigRecord record;
    if (source.base) record = *source.base;
    else ApplyFactoryDefaults(record);
    problems = MergeProfile(record, read.profile, true);
  }
  std::vector<std::string> texts;
  for (const ProfileProblem& p : problems) texts.push_back(UnitProblemText(source.file, p));
  return texts;
}

}  // namespace telvaro
