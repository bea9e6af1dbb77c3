// Reading profiles: YAML through yaml-cpp, JSON checked by nlohmann-json and
// then read by the same code (JSON is YAML), so that both report problems at
// their line and column.
#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>

#include "profile/profile.h"

namespace telvaro {

namespace {

constexpr std::size_t kMaxProfileBytes = 1 << 20;  // far beyond any full profile

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool IsListForm(SettingForm form) {
  return form == SettingForm::GroupMembers || form == SettingForm::AlarmSources;
}


class Reader {
 public:
  explicit Reader(const VariableLookup& variables) : variables_(variables) {}

  ProfileRead Read(const YAML::Node& root) {
    if (!root.IsMap()) {
      Problem(root.Mark(), "", "not a profile: expected keys such as format: " + std::string(kProfileFormat));
      return std::move(result_);
    }
    bool format = false;
    for (const auto& entry : root) {
      const std::string key = entry.first.Scalar();
      const YAML::Node& value = entry.second;
      if (key == "format") {
        format = true;
        if (!value.IsScalar() || value.Scalar() != kProfileFormat)
          Problem(value.Mark(), key, "not a profile of format " + std::string(kProfileFormat));
      } else if (key == "tool") {
        if (value.IsScalar()) result_.profile.toolVersion = value.Scalar();
      } else if (key == "source") {
        ReadSource(value);
      } else if (std::find_if(kSettingPages.begin(), kSettingPages.end(),
                              [&](const char* p) { return key == p; }) != kSettingPages.end()) {
        ReadPage(key, value);
      } else {
        Problem(entry.first.Mark(), key, UnknownPage(key));
      }
    }
    if (!format) Problem(root.Mark(), "format", "missing: a profile begins with format: " + std::string(kProfileFormat));
    return std::move(result_);
  }

  // One value for `rule`, all its elements; false after a problem.
  bool ReadValue(const SettingRule& rule, const std::string& key, const YAML::Node& node) {
    if (rule.field->count == 1) return ReadElement(rule, 0, key, node);
    if (!node.IsSequence() || node.size() > static_cast<std::size_t>(rule.field->count)) {
      Problem(node.Mark(), key, "expected a list of at most " + std::to_string(rule.field->count) + " values");
      return false;
    }
    bool ok = true;
    for (std::size_t e = 0; e < node.size(); ++e) ok = ReadElement(rule, static_cast<int>(e), key, node[e]) && ok;
    return ok;
  }

  ProfileRead& Result() { return result_; }

 private:
  void Problem(const YAML::Mark& mark, const std::string& key, const std::string& problem) {
    result_.problems.push_back({mark.is_null() ? 0 : mark.line + 1, mark.is_null() ? 0 : mark.column + 1, key, problem});
  }

  std::string UnknownKey(std::string_view page, std::string_view key) {
    const std::string close = CloseKey(page, key);
    return "unknown key" + (close.empty() ? std::string() : ", " + close);
  }

  // "GPRS:" or "gprs1:" is taken for the page it is closest to; a key of a
  // page given at the top is named with its page.
  std::string UnknownPage(const std::string& key) {
    for (const char* page : kSettingPages)
      if (EditDistance(Lower(key), page) <= 1) return "unknown key, did you mean " + std::string(page) + "?";
    return UnknownKey("", key);
  }

  void ReadSource(const YAML::Node& node) {
    if (!node.IsMap()) return;
    ProfileSource source;
    if (node["model"]) source.model = node["model"].Scalar();
    if (node["imei"]) source.imei = node["imei"].Scalar();
    if (node["read_at"]) source.readAt = node["read_at"].Scalar();
    result_.profile.source = source;
  }

  void ReadPage(const std::string& page, const YAML::Node& node) {
    if (node.IsNull()) return;  // a page left empty sets nothing
    if (!node.IsMap()) {
      Problem(node.Mark(), page, "expected the page's keys");
      return;
    }
    for (const auto& entry : node) {
      const std::string key = entry.first.Scalar();
      const SettingRule* rule = FindRule(key);
      if (rule == nullptr || page != rule->page) {
        Problem(entry.first.Mark(), page + "." + key, UnknownKey(page, key));
        continue;
      }
      ReadValue(*rule, page + "." + key, entry.second);
    }
  }

  // A scalar's text with every ${NAME} replaced, in Latin-1 as the record
  // holds it.
  std::optional<std::string> Text(const YAML::Node& node, const std::string& key) {
    if (!node.IsScalar()) {
      Problem(node.Mark(), key, "expected a single value");
      return std::nullopt;
    }
    std::string text = node.Scalar();
    for (std::size_t at = text.find("${"); at != std::string::npos; at = text.find("${", at)) {
      const std::size_t end = text.find('}', at);
      if (end == std::string::npos) break;
      const std::string name = text.substr(at + 2, end - at - 2);
      const auto value = variables_ ? variables_(name) : std::nullopt;
      if (!value) {
        Problem(node.Mark(), key, "no value for ${" + name + "} (--set " + name + "=VALUE or the environment)");
        return std::nullopt;
      }
      text.replace(at, end - at + 1, *value);
      at += value->size();
    }
    const auto latin1 = Utf8ToLatin1(text);
    if (!latin1) Problem(node.Mark(), key, "holds a character the modem cannot store (Latin-1 only)");
    return latin1;
  }

  std::optional<std::vector<std::string>> Items(const YAML::Node& node, const std::string& key) {
    if (node.IsNull()) return std::vector<std::string>{};
    if (!node.IsSequence()) {
      Problem(node.Mark(), key, "expected a list");
      return std::nullopt;
    }
    std::vector<std::string> items;
    for (const YAML::Node& item : node) {
      const auto text = Text(item, key);
      if (!text) return std::nullopt;
      items.push_back(*text);
    }
    return items;
  }

  bool ReadElement(const SettingRule& rule, int element, const std::string& key, const YAML::Node& node) {
    SettingValue value;
    if (rule.form == SettingForm::PhoneEntry) {
      if (!node.IsMap() || !node["number"]) {
        Problem(node.Mark(), key, "expected {number: \"...\", roles: [...]}");
        return false;
      }
      const auto number = Text(node["number"], key);
      const auto roles = node["roles"] ? Items(node["roles"], key) : std::vector<std::string>{};
      if (!number || !roles) return false;
      value = {*number, *roles};
    } else if (IsListForm(rule.form)) {
      const auto items = Items(node, key);
      if (!items) return false;
      value.items = *items;
    } else {
      const auto text = Text(node, key);
      if (!text) return false;
      value.text = *text;
      // YAML's other spellings of a truth value (yes, on, True) read as the
      // page's true and false.
      bool flag = false;
      if (rule.form == SettingForm::Flag && YAML::convert<bool>::decode(node, flag)) value.text = flag ? "true" : "false";
    }
    const YAML::Mark mark = node.Mark();
    result_.profile.settings.push_back(
        {&rule, element, value, mark.is_null() ? 0 : mark.line + 1, mark.is_null() ? 0 : mark.column + 1});
    return true;
  }

  const VariableLookup& variables_;
  ProfileRead result_;
};

ProfileRead OneProblem(int line, int column, std::string problem) {
  ProfileRead read;
  read.problems.push_back({line, column, "", std::move(problem)});
  return read;
}

}  // namespace

std::string CloseKey(std::string_view page, std::string_view typed) {
  const std::string key = Lower(typed);  // "APN" is apn mistyped
  const SettingRule* best = nullptr;
  std::size_t bestDistance = std::max<std::size_t>(3, key.size() / 3);
  for (const SettingRule& rule : kSettingRules) {
    // "conn" is close to "connect_interval" however many letters it leaves out.
    const std::string name = rule.Key();
    const std::size_t distance = key.size() >= 3 && name.starts_with(key) ? 1 : EditDistance(key, name);
    if (distance < bestDistance || (distance == bestDistance && best && page == rule.page && page != best->page)) {
      bestDistance = distance;
      best = &rule;
    }
  }
  if (best == nullptr || (best->Key() == typed && page == best->page)) return {};
  return "did you mean " + (page == best->page ? std::string(best->Key()) : best->page + std::string(".") + best->Key()) +
         "?";
}

ProfileRead ReadProfile(std::string_view text, bool json, const VariableLookup& variables) {
  if (json) {
    try {
      const nlohmann::json parsed = nlohmann::json::parse(text);
      (void)parsed;
    } catch (const nlohmann::json::parse_error& error) {
      const std::string_view before = text.substr(0, std::min<std::size_t>(error.byte, text.size()));
      const auto line = static_cast<int>(std::count(before.begin(), before.end(), '\n')) + 1;
      const std::size_t lastNewline = before.rfind('\n');
      const int column = static_cast<int>(before.size() - (lastNewline == std::string_view::npos ? 0 : lastNewline + 1));
      return OneProblem(line, std::max(column, 1), "not JSON: " + std::string(error.what()));
    } catch (const nlohmann::json::out_of_range&) {
      // A number too large for the library is still JSON: its key's rule
      // reports it, at its line, once the text is read below.
    } catch (const nlohmann::json::exception& error) {
      return OneProblem(1, 1, "not JSON: " + std::string(error.what()));
    }
  }
  YAML::Node root;
  try {
    root = YAML::Load(std::string(text));
  } catch (const YAML::Exception& error) {
    return OneProblem(error.mark.line + 1, error.mark.column + 1, (json ? "not readable: " : "not YAML: ") + error.msg);
  }
  try {
    return Reader(variables).Read(root);
  } catch (const YAML::Exception& error) {
    // A key that is itself a list or map, for one.
    return OneProblem(error.mark.line + 1, error.mark.column + 1, "not a profile: " + error.msg);
  }
}

bool IsProfilePath(const std::string& path) {
  for (const char* extension : {".yaml", ".yml", ".json"}) {
    const std::string_view e(extension);
    if (path.size() > e.size() && path.compare(path.size() - e.size(), e.size(), e) == 0) return true;
  }
  return false;
}

ProfileRead ReadProfileFile(const std::string& path, const VariableLookup& variables) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return OneProblem(0, 0, "cannot read the file");
  if (std::filesystem::file_size(path, error) > kMaxProfileBytes || error)
    return OneProblem(0, 0, "too large for a profile");
  std::ifstream in(path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) return OneProblem(0, 0, "cannot read the file");
  const bool json = path.size() > 5 && path.compare(path.size() - 5, 5, ".json") == 0;
  return ReadProfile(text, json, variables);
}

std::optional<ProfileProblem> AddSetting(Profile& profile, const std::string& dottedKey, const std::string& value) {
  const std::size_t dot = dottedKey.find('.');
  const std::string page = dot == std::string::npos ? std::string() : dottedKey.substr(0, dot);
  const std::string key = dot == std::string::npos ? dottedKey : dottedKey.substr(dot + 1);
  const SettingRule* rule = FindRule(key);
  if (rule == nullptr || (!page.empty() && page != rule->page)) {
    const std::string close = CloseKey(page, key);
    return ProfileProblem{0, 0, dottedKey, "unknown key" + (close.empty() ? std::string() : ", " + close)};
  }
  const VariableLookup none;
  Reader reader(none);
  // A single text value is taken as typed; lists and several elements are
  // written as in the profile ("[ON, OFF]").
  YAML::Node node;
  if (rule->field->count == 1 && !IsListForm(rule->form) && rule->form != SettingForm::PhoneEntry) {
    node = YAML::Node(value);
  } else {
    try {
      node = YAML::Load(value);
    } catch (const YAML::Exception& error) {
      return ProfileProblem{0, 0, dottedKey, "not readable: " + error.msg};
    }
  }
  if (!reader.ReadValue(*rule, rule->page + std::string(".") + rule->Key(), node))
    return reader.Result().problems.front();
  // The command line wins over the file.
  for (const ProfileSetting& s : reader.Result().profile.settings)
    std::erase_if(profile.settings, [&](const ProfileSetting& old) { return old.rule == s.rule && old.element == s.element; });
  for (ProfileSetting s : reader.Result().profile.settings) profile.settings.push_back(s);
  return std::nullopt;
}

std::vector<ProfileProblem> MergeProfile(ConfigRecord& record, const Profile& profile, bool onlyOwnKeys) {
  std::vector<ProfileProblem> problems;
  ConfigRecord merged = record;
  auto problemText = [](const SettingProblem& p) { return p.problem + " (" + p.rule + ")"; };
  auto keyOf = [](const SettingRule& rule, int element) { return rule.page + std::string(".") + ElementKey(rule, element); };
  // A rule that depends on another setting (the PIN on its lock) is checked
  // once that setting is in.
  for (const bool gated : {false, true}) {
    for (const ProfileSetting& s : profile.settings) {
      if ((s.rule->gate != nullptr) != gated) continue;
      if (const auto p = StoreSetting(merged, *s.rule, s.element, s.value))
        problems.push_back({s.line, s.column, keyOf(*s.rule, s.element), problemText(*p)});
    }
  }
  // A delimiter that is not enabled is stored as 0, as the Advanced page
  // stores it on Write; only for a delimiter the profile speaks of, so a
  // partial profile leaves the modem's other bytes as they came.
  const auto named = [&](const FieldInfo& a, const FieldInfo& b) {
    return std::any_of(profile.settings.begin(), profile.settings.end(), [&](const ProfileSetting& s) {
      return s.rule->field->offset == a.offset || s.rule->field->offset == b.offset;
    });
  };
  if (named(field::delimiter1_enable, field::delimiter1) && !merged.IsOn(field::delimiter1_enable))
    merged.Set(field::delimiter1, 0);
  if (named(field::delimiter2_enable, field::delimiter2) && !merged.IsOn(field::delimiter2_enable))
    merged.Set(field::delimiter2, 0);
  for (const RecordBreach& breach : CheckRecord(merged)) {
    const auto own = std::find_if(profile.settings.begin(), profile.settings.end(), [&](const ProfileSetting& s) {
      return s.rule == breach.rule && s.element == breach.element;
    });
    const std::string key = keyOf(*breach.rule, breach.element);
    if (std::any_of(problems.begin(), problems.end(), [&](const ProfileProblem& p) { return p.key == key; })) continue;
    // A rule whose gate the profile sets (a PIN that the profile's PIN lock
    // asks for) is the profile's problem too, at the gate's place.
    const auto gate = breach.rule->gate == nullptr ? profile.settings.end()
                      : std::find_if(profile.settings.begin(), profile.settings.end(), [&](const ProfileSetting& s) {
                          return s.rule->field->offset == breach.rule->gate->offset;
                        });
    if (own != profile.settings.end()) {
      problems.push_back({own->line, own->column, key, problemText(breach.problem)});
    } else if (gate != profile.settings.end()) {
      problems.push_back({gate->line, gate->column, key,
                          problemText(breach.problem) + ", as " + ElementKey(*gate->rule, gate->element) + " asks",
                          true});
    } else if (!onlyOwnKeys) {
      problems.push_back({0, 0, key, "as it stands: " + problemText(breach.problem)});
    }
  }
  if (problems.empty()) record = merged;
  return problems;
}

}  // namespace telvaro
