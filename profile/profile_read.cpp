// Reading profiles: YAML through yaml-cpp, JSON checked by nlohmann-json and
// then read by the same code (JSON is YAML), so that both report problems at
// their line and column.
#include <yaml-cpp/eventhandler.h>
#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <nlohmann/json.hpp>

#include "profile/profile.h"

namespace telvaro {

namespace {

constexpr std::size_t kMaxProfileBytes = 1 << 20;  // far beyond any full profile
constexpr int kMaxDepth = 16;                       // a profile nests three levels

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return out;
}

bool IsListForm(SettingForm form) {
  return form == SettingForm::GroupMembers || form == SettingForm::AlarmSources;
}

// The longest list any key takes: a field's elements, the phone book's
// slots, the named bits of a byte.
std::size_t MaxListSlots() {
  std::size_t slots = std::max<std::size_t>(kPhoneBookSlots, 8);
  for (const SettingRule& rule : kSettingRules) slots = std::max(slots, static_cast<std::size_t>(rule.field->count));
  return slots;
}

bool IsSecretKey(std::string_view key) {
  const SettingRule* rule = FindRule(key.substr(key.find('.') + 1));
  return rule != nullptr && rule->secret;
}

// What a document would be with every alias written out, measured before
// anything reads it: an alias repeated in lists (a "billion laughs") is
// refused at once, however small its text. Each list is bounded by the
// slots a profile has, the whole by the size of the largest profile file,
// and every map is checked for a key given twice.
class Inspection {
 public:
  explicit Inspection(std::vector<ProfileProblem>& problems) : problems_(problems) {}

  // False when the document may not be read at all.
  bool Walk(const YAML::Node& node, int depth = 0) {
    if (!node.IsDefined()) return true;
    if (depth == 0) entry_ = YAML::Mark::null_mark();
    expanded_ += 1 + (node.IsScalar() ? node.Scalar().size() : 0);
    // Reported at the key whose value grew too large: an alias's own mark
    // is where its anchor was set, not where it was used.
    if (expanded_ > kMaxProfileBytes)
      return Refuse(entry_.is_null() ? node.Mark() : entry_, "too large for a profile once its aliases are expanded");
    if (depth > kMaxDepth) return Refuse(node.Mark(), "nested too deeply for a profile");
    if (node.IsSequence()) {
      if (node.size() > MaxListSlots())
        return Refuse(node.Mark(), "a list of " + std::to_string(node.size()) + " values; no key takes more than " +
                                std::to_string(MaxListSlots()));
      for (const YAML::Node& item : node)
        if (!Walk(item, depth + 1)) return false;
    } else if (node.IsMap()) {
      std::vector<std::pair<std::string, YAML::Mark>> keys;
      for (const auto& entry : node) {
        if (depth == 0) entry_ = entry.first.Mark();
        if (entry.first.IsScalar()) {
          const std::string key = entry.first.Scalar();
          const auto first = std::find_if(keys.begin(), keys.end(), [&](const auto& k) { return k.first == key; });
          if (first != keys.end()) {
            Note(entry.first.Mark(), key, "given twice (first at line " + std::to_string(first->second.line + 1) + ")");
          } else {
            keys.emplace_back(key, entry.first.Mark());
          }
        }
        if (!Walk(entry.first, depth + 1) || !Walk(entry.second, depth + 1)) return false;
      }
    }
    return true;
  }

 private:
  bool Refuse(const YAML::Mark& mark, const std::string& problem) {
    Note(mark, "", problem);
    return false;
  }
  void Note(const YAML::Mark& mark, const std::string& key, const std::string& problem) {
    const int line = mark.is_null() ? 0 : mark.line + 1, column = mark.is_null() ? 0 : mark.column + 1;
    // An aliased map is walked once for each of its uses; it is reported once.
    for (const ProfileProblem& p : problems_)
      if (p.line == line && p.column == column && p.problem == problem) return;
    problems_.push_back({line, column, key, problem});
  }

  std::vector<ProfileProblem>& problems_;
  std::size_t expanded_ = 0;
  YAML::Mark entry_ = YAML::Mark::null_mark();  // the document's key being walked
};


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
      // baud and baud_index are one setting: given under both names, neither
      // may silently win. The same name twice is the inspection's to report.
      const auto seen = named_.find(rule);
      if (seen != named_.end() && seen->second.first != key)
        Problem(entry.first.Mark(), page + "." + key,
                "the same setting as " + seen->second.first + " (line " + std::to_string(seen->second.second) + ")");
      if (seen == named_.end()) named_[rule] = {key, entry.first.Mark().line + 1};
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
    const std::string& raw = node.Scalar();
    std::string text;
    for (std::size_t at = 0; at < raw.size();) {
      // "$${" is a "${" that names nothing: a modem's own text, written out.
      if (raw.compare(at, 3, "$${") == 0) {
        text += "${";
        at += 3;
        continue;
      }
      const std::size_t end = raw.compare(at, 2, "${") == 0 ? raw.find('}', at) : std::string::npos;
      if (end == std::string::npos) {
        text += raw[at++];
        continue;
      }
      const std::string name = raw.substr(at + 2, end - at - 2);
      const auto value = variables_ ? variables_(name) : std::nullopt;
      if (!value) {
        // A secret's text is never quoted, not even the part that looks like a name.
        const bool quoted = !IsSecretKey(key) || (at == 0 && end + 1 == raw.size());
        Problem(node.Mark(), key,
                quoted ? "no value for ${" + name + "} (--set " + name + "=VALUE or the environment)"
                       : "no value for a ${NAME} in it (--set NAME=VALUE or the environment)");
        return std::nullopt;
      }
      text += *value;
      at = end + 1;
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
  std::map<const SettingRule*, std::pair<std::string, int>> named_;  // the first name each setting came by
};

ProfileRead OneProblem(int line, int column, std::string problem) {
  ProfileRead read;
  read.problems.push_back({line, column, "", std::move(problem)});
  return read;
}

// Where a second document with content starts, if the text has one. The
// parser is asked for two documents and no more: on some malformed texts
// it hands out empty documents without end, so reading them all never stops.
class FirstContent : public YAML::EventHandler {
 public:
  std::optional<YAML::Mark> mark;
  void OnDocumentStart(const YAML::Mark&) override {}
  void OnDocumentEnd() override {}
  void OnNull(const YAML::Mark&, YAML::anchor_t) override {}
  void OnAlias(const YAML::Mark& at, YAML::anchor_t) override { Seen(at); }
  void OnScalar(const YAML::Mark& at, const std::string&, YAML::anchor_t, const std::string&) override { Seen(at); }
  void OnSequenceStart(const YAML::Mark& at, const std::string&, YAML::anchor_t, YAML::EmitterStyle::value) override {
    Seen(at);
  }
  void OnSequenceEnd() override {}
  void OnMapStart(const YAML::Mark& at, const std::string&, YAML::anchor_t, YAML::EmitterStyle::value) override {
    Seen(at);
  }
  void OnMapEnd() override {}

 private:
  void Seen(const YAML::Mark& at) {
    if (!mark) mark = at;
  }
};

std::optional<YAML::Mark> SecondDocument(std::string_view text) {
  std::istringstream in{std::string(text)};
  YAML::Parser parser(in);
  FirstContent first, second;
  if (!parser.HandleNextDocument(first) || !parser.HandleNextDocument(second)) return std::nullopt;
  return second.mark;
}

// The readers' own messages may quote the text they stopped at, which can
// be a PIN or a password: the place (line and column) is given instead.
std::string WithoutQuotedText(std::string message) {
  const std::size_t read = message.find("; last read: '");  // nlohmann-json
  if (read != std::string::npos) {
    const std::size_t expected = message.rfind("; expected ");
    message.erase(read, expected != std::string::npos && expected > read ? expected - read : std::string::npos);
  }
  for (const std::string_view prefix : {YAML::ErrorMsg::INVALID_ESCAPE, YAML::ErrorMsg::INVALID_UNICODE})
    if (message.starts_with(prefix)) message = std::string(prefix.substr(0, prefix.find_last_not_of(": ") + 1));
  return message;
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
      return OneProblem(line, std::max(column, 1), "not JSON: " + WithoutQuotedText(error.what()));
    } catch (const nlohmann::json::out_of_range&) {
      // A number too large for the library is still JSON: its key's rule
      // reports it, at its line, once the text is read below.
    } catch (const nlohmann::json::exception& error) {
      return OneProblem(1, 1, "not JSON: " + WithoutQuotedText(error.what()));
    }
  }
  YAML::Node root;
  std::optional<YAML::Mark> second;
  try {
    root = YAML::Load(std::string(text));
    second = SecondDocument(text);
  } catch (const YAML::Exception& error) {
    return OneProblem(error.mark.line + 1, error.mark.column + 1,
                      (json ? "not readable: " : "not YAML: ") + WithoutQuotedText(error.msg));
  }
  ProfileRead inspected;
  Inspection inspection(inspected.problems);
  if (!inspection.Walk(root)) return inspected;
  // A second document would be dropped unread: one profile is one document.
  if (second)
    inspected.problems.push_back({second->is_null() ? 0 : second->line + 1, second->is_null() ? 0 : second->column + 1,
                                  "", "a second document; a profile is one document"});
  try {
    ProfileRead read = Reader(variables).Read(root);
    read.problems.insert(read.problems.begin(), inspected.problems.begin(), inspected.problems.end());
    return read;
  } catch (const YAML::Exception& error) {
    // A key that is itself a list or map, for one.
    return OneProblem(error.mark.line + 1, error.mark.column + 1, "not a profile: " + WithoutQuotedText(error.msg));
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
      return ProfileProblem{0, 0, dottedKey, "not readable: " + WithoutQuotedText(error.msg)};
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
  // And only when the profile changes it: a profile read from a modem
  // merges back into that modem's very record.
  const auto changed = [&](const FieldInfo& a, const FieldInfo& b) {
    return !std::ranges::equal(merged.FieldBytes(a), record.FieldBytes(a)) ||
           !std::ranges::equal(merged.FieldBytes(b), record.FieldBytes(b));
  };
  for (const auto& [enable, delimiter] : {std::pair{&field::delimiter1_enable, &field::delimiter1},
                                          std::pair{&field::delimiter2_enable, &field::delimiter2}}) {
    if (named(*enable, *delimiter) && changed(*enable, *delimiter) && !merged.IsOn(*enable)) merged.Set(*delimiter, 0);
  }
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
