// Writing profiles: YAML through yaml-cpp's emitter (with the rule of each key
// as a comment) and JSON of the same structure through nlohmann-json.
#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <nlohmann/json.hpp>

#include "profile/profile.h"

namespace telvaro {

namespace {

bool Exported(const SettingRule& rule, const ProfileWriteOptions& options) {
  return !rule.secret || options.includeSecrets;
}

// A record's text as a profile holds it: UTF-8, and every "${" written
// "$${", so that a modem text such as "${HOME}" reads back as it stands
// instead of naming a variable.
std::string ProfileText(std::string_view latin1) {
  std::string text = Latin1ToUtf8(latin1);
  for (std::size_t at = text.find("${"); at != std::string::npos; at = text.find("${", at + 3)) text.insert(at, "$");
  return text;
}

// How many of the rule's elements the profile holds: all of them, or for a
// minimal profile those up to the last that differs (a shorter list sets the
// first elements only); 0 leaves the key out.
int ElementsWritten(const ConfigRecord& record, const SettingRule& rule, const ProfileWriteOptions& options) {
  if (!Exported(rule, options)) return 0;
  if (!options.onlyDifferentFrom) return rule.field->count;
  for (int e = rule.field->count; e > 0; --e)
    if (ShowSetting(record, rule, e - 1) != ShowSetting(*options.onlyDifferentFrom, rule, e - 1)) return e;
  return 0;
}

bool PageWritten(const ConfigRecord& record, std::string_view page, const ProfileWriteOptions& options) {
  return std::any_of(std::begin(kSettingRules), std::end(kSettingRules), [&](const SettingRule& rule) {
    return rule.page == page && ElementsWritten(record, rule, options) > 0;
  });
}

// Forms whose value reads as a number or a truth value; the others are
// quoted, so that no reader takes "08:05", "1e10" or "ON" for something else.
bool IsPlain(SettingForm form) { return form == SettingForm::Number || form == SettingForm::Flag; }

void EmitElement(YAML::Emitter& out, const SettingRule& rule, const SettingValue& v) {
  switch (rule.form) {
    case SettingForm::PhoneEntry:
      out << YAML::Flow << YAML::BeginMap << YAML::Key << "number" << YAML::Value << YAML::DoubleQuoted
          << ProfileText(v.text) << YAML::Key << "roles" << YAML::Value << YAML::Flow << v.items << YAML::EndMap;
      break;
    case SettingForm::GroupMembers:
    case SettingForm::AlarmSources: out << YAML::Flow << v.items; break;
    default:
      if (IsPlain(rule.form)) {
        out << v.text;
      } else {
        out << YAML::DoubleQuoted << ProfileText(v.text);
      }
  }
}

nlohmann::ordered_json JsonElement(const SettingRule& rule, const SettingValue& v) {
  switch (rule.form) {
    case SettingForm::Number: return std::stoll(v.text);
    case SettingForm::Flag: return v.text == "true";
    case SettingForm::PhoneEntry: return {{"number", ProfileText(v.text)}, {"roles", v.items}};
    case SettingForm::GroupMembers: {
      nlohmann::ordered_json members = nlohmann::ordered_json::array();
      for (const std::string& slot : v.items) members.push_back(std::stoi(slot));
      return members;
    }
    case SettingForm::AlarmSources: return v.items;
    default: return ProfileText(v.text);
  }
}

}  // namespace

std::string WriteProfileYaml(const ConfigRecord& record, const ProfileWriteOptions& options) {
  std::string leftOut;
  for (const SettingRule& rule : kSettingRules)
    if (!Exported(rule, options)) leftOut += (leftOut.empty() ? "" : ", ") + std::string(rule.page) + "." + rule.Key();
  YAML::Emitter out;
  out << YAML::Comment(
      "Telvaro Pro profile: the modem's settings by page. A profile may hold only\n"
      "some keys; the others stay as the modem (or the base file) has them.\n"
      "${NAME} in a value comes from --set NAME=value or the environment." +
      (leftOut.empty() ? std::string() : "\nSecrets left out (--include-secrets writes them): " + leftOut + ".") +
      (options.onlyDifferentFrom ? "\nOnly the settings that differ from the factory defaults." : ""));
  out << YAML::BeginMap;
  out << YAML::Key << "format" << YAML::Value << kProfileFormat;
  out << YAML::Key << "tool" << YAML::Value << YAML::DoubleQuoted << options.toolVersion;
  if (options.source) {
    out << YAML::Key << "source" << YAML::Value << YAML::BeginMap;
    out << YAML::Key << "model" << YAML::Value << YAML::DoubleQuoted << Latin1ToUtf8(options.source->model);
    out << YAML::Key << "imei" << YAML::Value << YAML::DoubleQuoted << Latin1ToUtf8(options.source->imei);
    out << YAML::Key << "read_at" << YAML::Value << YAML::DoubleQuoted << options.source->readAt;
    out << YAML::EndMap;
  }
  for (const char* page : kSettingPages) {
    if (!PageWritten(record, page, options)) continue;
    out << YAML::Key << page << YAML::Value << YAML::BeginMap;
    for (const SettingRule& rule : kSettingRules) {
      if (std::string_view(rule.page) != page) continue;
      const int count = ElementsWritten(record, rule, options);
      if (count == 0) continue;
      out << YAML::Key << rule.Key() << YAML::Value;
      const bool block = rule.form == SettingForm::PhoneEntry || rule.form == SettingForm::GroupMembers;
      if (rule.field->count == 1) {
        EmitElement(out, rule, ShowSetting(record, rule, 0));
      } else {
        out << (block ? YAML::Block : YAML::Flow) << YAML::BeginSeq;
        for (int e = 0; e < count; ++e) EmitElement(out, rule, ShowSetting(record, rule, e));
        out << YAML::EndSeq;
      }
      out << YAML::Comment(RuleTextWithUnit(rule));
    }
    out << YAML::EndMap;
  }
  out << YAML::EndMap;
  return std::string(out.c_str()) + "\n";
}

std::string WriteProfileJson(const ConfigRecord& record, const ProfileWriteOptions& options) {
  nlohmann::ordered_json root;
  root["format"] = kProfileFormat;
  root["tool"] = options.toolVersion;
  if (options.source) {
    root["source"] = {{"model", Latin1ToUtf8(options.source->model)},
                      {"imei", Latin1ToUtf8(options.source->imei)},
                      {"read_at", options.source->readAt}};
  }
  for (const char* page : kSettingPages) {
    if (!PageWritten(record, page, options)) continue;
    nlohmann::ordered_json settings = nlohmann::ordered_json::object();
    for (const SettingRule& rule : kSettingRules) {
      const int count = ElementsWritten(record, rule, options);
      if (std::string_view(rule.page) != page || count == 0) continue;
      if (rule.field->count == 1) {
        settings[rule.Key()] = JsonElement(rule, ShowSetting(record, rule, 0));
      } else {
        nlohmann::ordered_json elements = nlohmann::ordered_json::array();
        for (int e = 0; e < count; ++e) elements.push_back(JsonElement(rule, ShowSetting(record, rule, e)));
        settings[rule.Key()] = elements;
      }
    }
    root[page] = settings;
  }
  return root.dump(2) + "\n";
}

std::string Latin1ToUtf8(std::string_view text) {
  std::string out;
  for (const unsigned char c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::optional<std::string> Utf8ToLatin1(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if ((c == 0xC2 || c == 0xC3) && i + 1 < text.size() &&
               (static_cast<unsigned char>(text[i + 1]) & 0xC0) == 0x80) {
      out += static_cast<char>((c & 0x03) << 6 | (static_cast<unsigned char>(text[++i]) & 0x3F));
    } else {
      return std::nullopt;  // beyond Latin-1, or not UTF-8 at all
    }
  }
  return out;
}

}  // namespace telvaro
