// Every rule of the setting table at its edges: the last value it allows is
// taken and the first one past it refused, both as a value an operator stores
// (StoreSetting) and as a record the modem sends (CheckRecord). The edges come
// from the table itself, so a limit changed by one is caught whichever it is.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "record/factory_defaults.h"
#include "record/setting_rules.h"

namespace telvaro {
namespace {

// One value at a rule's edge. `raw` puts it into the record bypassing every
// check, as only the modem can; empty when the record cannot hold it.
// `gate` is the byte the rule's gate field holds meanwhile.
struct Edge {
  std::string what;
  SettingValue value;
  bool accepted;
  std::function<void(ConfigRecord&)> raw;
  std::uint8_t gate = 0;
};

std::string Repeat(const std::string& piece, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += piece;
  return out;
}

std::vector<Edge> EdgesOf(const SettingRule& rule, int e) {
  const FieldInfo& f = *rule.field;
  const std::uint16_t at = f.ElementOffset(e);
  const auto text = [&](int length) {
    return [&f, at, length](ConfigRecord& r) {
      for (int i = 0; i <= length && i < f.ElementWidth(); ++i)
        r.SetRawByte(at + i, i < length ? 'a' : 0);
    };
  };
  const auto byte = [at](int offset, std::uint8_t value) {
    return [at, offset, value](ConfigRecord& r) { r.SetRawByte(at + offset, value); };
  };
  const auto number = [&](long long n) -> std::function<void(ConfigRecord&)> {
    const long long top = f.kind == FieldKind::U16 ? 0xFFFF : 0xFF;
    if (n < 0 || n > top) return {};
    return [at, n, &f](ConfigRecord& r) {
      r.SetRawByte(at, static_cast<std::uint8_t>(n));
      if (f.kind == FieldKind::U16) r.SetRawByte(at + 1, static_cast<std::uint8_t>(n >> 8));
    };
  };
  const auto packet = [at](int count) {
    return [at, count](ConfigRecord& r) {
      r.SetRawByte(at, static_cast<std::uint8_t>(count));
      for (int i = 1; i <= count; ++i) r.SetRawByte(at + i, 0xAB);
    };
  };
  const auto hex = [](int digits) { return Repeat("ab", digits / 2) + (digits % 2 ? "a" : ""); };
  const auto flag = [&](std::uint8_t value, bool on) {
    return Edge{"byte " + std::to_string(value), {on ? "true" : "false", {}}, true, byte(0, value)};
  };
  const int max = rule.max;
  const int min = rule.min;

  switch (rule.form) {
    case SettingForm::Text: {
      std::vector<Edge> edges = {{"at the limit", {std::string(max, 'a'), {}}, true, text(max)},
                                 {"one past the limit", {std::string(max + 1, 'a'), {}}, false, text(max + 1)}};
      if (rule.gate != nullptr) {  // the minimum holds only while the gate byte is on
        edges.push_back({"at the minimum, gate on", {std::string(min, 'a'), {}}, true, text(min), 1});
        edges.push_back({"below the minimum, gate on", {std::string(min - 1, 'a'), {}}, false, text(min - 1), 1});
        edges.push_back({"below the minimum, gate off", {std::string(min - 1, 'a'), {}}, true, text(min - 1), 0});
      }
      return edges;
    }
    case SettingForm::PhoneEntry:
      return {{"at the limit", {std::string(max, 'a'), {kPhoneRoleNames.back()}}, true, [=](ConfigRecord& r) {
                 r.SetPhoneBook(e, {std::string(max, 'a'), static_cast<std::uint8_t>(1u << (kPhoneRoleNames.size() - 1))});
               }},
              {"one past the limit", {std::string(max + 1, 'a'), {}}, false, text(max + 1)},
              {"an unknown role", {"1", {"call-everyone"}}, false, {}}};
    case SettingForm::Number:
      return {{"the minimum", {std::to_string(min), {}}, true, number(min)},
              {"the maximum", {std::to_string(max), {}}, true, number(max)},
              {"below the minimum", {std::to_string(min - 1), {}}, false, number(min - 1)},
              {"above the maximum", {std::to_string(max + 1), {}}, false, number(max + 1)}};
    case SettingForm::Item: {
      const int last = static_cast<int>(f.list->size()) - 1;
      // An index past the list shows as its number; where that number is
      // also an item's text ("2" of the stop bits) the record cannot tell.
      const std::string past = std::to_string(last + 1);
      const bool pastShowsAsItem = std::any_of(f.list->items.begin(), f.list->items.end(),
                                               [&](const char* item) { return past == item; });
      std::vector<Edge> edges = {
          {"the last item", {f.list->items[last], {}}, true, byte(0, static_cast<std::uint8_t>(last))},
          {"one past the last item", {pastShowsAsItem ? "#" + past : past, {}}, false,
           pastShowsAsItem ? std::function<void(ConfigRecord&)>() : byte(0, static_cast<std::uint8_t>(last + 1))}};
      if (rule.gate != nullptr) {  // the first item only while the gate byte is exactly 1
        edges.push_back({"the first item, gate 1", {f.list->items[0], {}}, true, byte(0, 0), 1});
        edges.push_back({"the last item, gate 1", {f.list->items[last], {}}, false, byte(0, static_cast<std::uint8_t>(last)), 1});
        edges.push_back({"the last item, gate 2", {f.list->items[last], {}}, true, byte(0, static_cast<std::uint8_t>(last)), 2});
      }
      return edges;
    }
    case SettingForm::Flag: {
      std::vector<Edge> edges = {flag(0, false), {"not a flag", {"1", {}}, false, {}}};
      switch (f.kind) {
        case FieldKind::FlagIsOne: edges.push_back(flag(1, true)); edges.push_back(flag(2, false)); break;
        case FieldKind::FlagPositive: edges.push_back(flag(127, true)); edges.push_back(flag(128, false)); break;
        default: edges.push_back(flag(1, true)); edges.push_back(flag(2, true)); break;
      }
      return edges;
    }
    case SettingForm::ScheduleTime: {
      const auto time = [&](std::uint8_t hour, std::uint8_t minute) {
        return [=](ConfigRecord& r) {
          byte(kBcdHour, hour)(r);
          byte(kBcdMinute, minute)(r);
        };
      };
      return {{"the last minute", {"23:59", {}}, true, time(0x23, 0x59)},
              {"the first minute", {"00:00", {}}, true, time(0x00, 0x00)},
              {"hour 24", {"24:00", {}}, false, time(0x24, 0x00)},
              {"minute 60", {"12:60", {}}, false, time(0x12, 0x60)}};
    }
    case SettingForm::HexByte:
      return {{"two digits", {hex(max), {}}, true, byte(0, 0xAB)},
              {"three digits", {hex(max + 1), {}}, false, {}},
              {"one digit", {hex(max - 1), {}}, false, {}}};
    case SettingForm::HexPacket:
      return {{"at the limit", {hex(max), {}}, true, packet(max / 2)},
              {"an odd digit past the limit", {hex(max + 1), {}}, false, {}},
              {"a byte past the limit", {hex(max + 2), {}}, false, packet(max / 2 + 1)}};
    case SettingForm::GroupMembers:
      return {{"the last slot", {"", {std::to_string(kPhoneBookSlots)}}, true, {}},
              {"the first slot", {"", {"1"}}, true, {}},
              {"past the last slot", {"", {std::to_string(kPhoneBookSlots + 1)}}, false, {}},
              {"slot 0", {"", {"0"}}, false, {}}};
    case SettingForm::AlarmSources:
      return {{"the last source", {"", {kAlarmSourceNames.back()}}, true, byte(0, 1u << (kAlarmSourceNames.size() - 1))},
              {"an unknown source", {"", {"timer"}}, false, {}}};
  }
  return {};
}

std::vector<std::string> BreachKeys(const ConfigRecord& r) {
  std::vector<std::string> keys;
  for (const RecordBreach& b : CheckRecord(r)) keys.push_back(b.key);
  return keys;
}

TEST(SettingLimits, EveryRuleTakesItsEdgeAndRefusesOnePast) {
  ConfigRecord base;
  ApplyFactoryDefaults(base);
  base.Set(field::hw_options, kHwOptionDigitalIo);  // the DI and DO pages are checked too
  // Texts with a minimum while their gate is on hold it, so turning a gate
  // on (an edge of the PIN lock) breaks nothing else.
  for (const SettingRule& rule : kSettingRules)
    if (rule.form == SettingForm::Text && rule.gate != nullptr)
      base.Set(static_cast<const Field<FieldKind::Text>&>(*rule.field), std::string(rule.min, '1'));
  ASSERT_TRUE(CheckRecord(base).empty());

  int edgesSeen = 0;
  for (const SettingRule& rule : kSettingRules) {
    // A text's limit is its field's room less the terminator (and the role
    // byte of a phone book entry): the record, not the table, says what fits.
    if (rule.form == SettingForm::Text || rule.form == SettingForm::PhoneEntry) {
      EXPECT_EQ(rule.max + (rule.form == SettingForm::Text ? 1 : 2), rule.field->ElementWidth()) << rule.field->name;
    }
    for (int e = 0; e < rule.field->count; ++e) {
      const std::string key = ElementKey(rule, e);
      const std::vector<Edge> edges = EdgesOf(rule, e);
      ASSERT_FALSE(edges.empty()) << key;
      for (const Edge& edge : edges) {
        SCOPED_TRACE(key + ", " + edge.what + ": \"" + edge.value.text + "\"");
        ++edgesSeen;
        ConfigRecord gated = base;
        if (rule.gate != nullptr) gated.SetRawByte(rule.gate->offset, edge.gate);
        const std::vector<std::string> expected = edge.accepted ? std::vector<std::string>{}
                                                                : std::vector<std::string>{key};

        // As an operator's value: stored and shown back, or refused with the
        // page's message and the record left alone.
        ConfigRecord stored = gated;
        const auto problem = StoreSetting(stored, rule, e, edge.value);
        EXPECT_EQ(!problem, edge.accepted) << (problem ? problem->problem : "");
        if (problem) {
          EXPECT_EQ(stored, gated);
          EXPECT_EQ(problem->message, rule.Message(e) ? rule.Message(e) : "");
        } else {
          EXPECT_EQ(ShowSetting(stored, rule, e), edge.value);
          EXPECT_TRUE(BreachKeys(stored).empty());
        }

        // As the modem's record: the same value, judged by CheckRecord alone.
        if (edge.raw) {
          ConfigRecord sent = gated;
          edge.raw(sent);
          EXPECT_EQ(ShowSetting(sent, rule, e), edge.value);
          EXPECT_EQ(BreachKeys(sent), expected);
        }
      }
    }
  }
  EXPECT_GT(edgesSeen, 3 * static_cast<int>(std::size(kSettingRules)));
}

}  // namespace
}  // namespace telvaro
