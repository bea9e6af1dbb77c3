// Profiles without a modem: what the writer puts in a file reads back as the
// same settings, in YAML and JSON, and the reader's problems name their place.
#include <gtest/gtest.h>

#include "profile/profile.h"
#include "record/factory_defaults.h"

namespace telvaro {
namespace {

ConfigRecord Factory() {
  ConfigRecord r;
  ApplyFactoryDefaults(r);
  return r;
}

TEST(Profile, WhatIsWrittenReadsBackAsTheSameSettingsInYamlAndJson) {
  ConfigRecord source = Factory();
  source.Set(field::device_name, "Caf\xe9 \"7\"\x01");
  source.Set(field::gprs_password, "s3cret");
  source.Set(field::parity_index, 2);
  source.SetScheduleTime(field::wakeup_times, 23, 59, 2);
  const std::uint8_t packet[] = {0x0D, 0x0A, 0xFF};
  source.Set(field::logout_ack, packet);
  source.SetPhoneBook(9, {"+8613800000000", kCallReboot | kCallCsd});
  source.SetPhoneGroupMask(3, 0x0300);
  source.Set(field::do_alarm_source, kSmsControlAlarm);
  for (const bool json : {false, true}) {
    for (const bool secrets : {false, true}) {
      SCOPED_TRACE(std::string(json ? "json" : "yaml") + (secrets ? " with secrets" : ""));
      ProfileWriteOptions options;
      options.toolVersion = "1.0.7";
      options.includeSecrets = secrets;
      options.source = ProfileSource{"TLV", "8601", "2026-12-08 07:00:00"};
      const std::string text = json ? WriteProfileJson(source, options) : WriteProfileYaml(source, options);
      EXPECT_EQ(text.find("s3cret") != std::string::npos, secrets);
      const ProfileRead read = ReadProfile(text, json, {});
      ASSERT_TRUE(read.ok()) << read.problems[0].problem;
      EXPECT_EQ(read.profile.source->imei, "8601");
      ConfigRecord copy = Factory();
      ASSERT_TRUE(MergeProfile(copy, read.profile, false).empty());
      for (const SettingRule& rule : kSettingRules) {
        if (rule.secret && !secrets) continue;
        for (int e = 0; e < rule.field->count; ++e)
          EXPECT_EQ(ShowSetting(copy, rule, e), ShowSetting(source, rule, e)) << rule.Key();
      }
      EXPECT_EQ(copy.Get(field::gprs_password), secrets ? "s3cret" : "");
    }
  }
}

// A number's comment names its unit as its page does; other rules stay as
// they read.
TEST(Profile, RuleCommentsGiveTheUnitOfEachNumber) {
  const std::string text = WriteProfileYaml(Factory(), ProfileWriteOptions{});
  for (const char* comment : {"# 2 to 3000 s\n", "# 1 to 100 (units of 100 ms)\n", "# 1 to 1800 min\n",
                              "# 0 to 10000 ms\n", "# 1 to 60\n", "# at most 50 characters\n"})
    EXPECT_NE(text.find(comment), std::string::npos) << comment << "\n" << text;
}

TEST(Profile, ProblemsNameTheirPlaceAndNothingIsMerged) {
  const VariableLookup variables = [](const std::string& name) -> std::optional<std::string> {
    return name == "APN" ? std::optional<std::string>("m2m") : std::nullopt;
  };
  const ProfileRead read = ReadProfile("format: telvaro-profile/1\ngprs:\n  apn: ${APN}\n  dns1: ${DNS}\n"
                                       "basic:\n  device_name: \"\xe4\xb8\xad\"\n  pin_lock: Enable PIN Lock\n"
                                       "  pin_code: \"123\"\nphone_group:\n  phone_groups: [[1, 12]]\n",
                                       false, variables);
  ASSERT_EQ(read.problems.size(), 2u);
  EXPECT_EQ(read.problems[0].line, 4);
  EXPECT_EQ(read.problems[0].problem, "no value for ${DNS} (--set DNS=VALUE or the environment)");
  EXPECT_EQ(read.problems[1].key, "basic.device_name");
  EXPECT_EQ(read.problems[1].problem, "holds a character the modem cannot store (Latin-1 only)");
  ConfigRecord record = Factory();
  const ConfigRecord before = record;
  const std::vector<ProfileProblem> merged = MergeProfile(record, read.profile, true);
  ASSERT_EQ(merged.size(), 2u);
  EXPECT_EQ(merged[0].key, "phone_group.phone_groups[0]");
  EXPECT_EQ(merged[1].key, "basic.pin_code");
  EXPECT_EQ(merged[1].line, 8);
  EXPECT_EQ(record, before);

  const ProfileRead json = ReadProfile("{\"format\": \"telvaro-profile/1\",\n \"gprs\": {\"apn\": }}", true, {});
  ASSERT_EQ(json.problems.size(), 1u);
  EXPECT_EQ(json.problems[0].line, 2);
  EXPECT_EQ(ReadProfile("gprs: {apn: x}", false, {}).problems[0].key, "format");
  // A number beyond any double is the rule's problem, not the reader's end.
  const ProfileRead huge = ReadProfile("{\"format\": \"telvaro-profile/1\", \"gprs\": {\"max_retries\": 8E777}}", true, {});
  ASSERT_TRUE(huge.ok());
  ConfigRecord target = Factory();
  ASSERT_EQ(MergeProfile(target, huge.profile, true).size(), 1u);
}

TEST(Profile, ADelimiterNamedButNotEnabledIsStoredAsZeroAsTheAdvancedPageStoresIt) {
  ConfigRecord record = Factory();
  record.Set(field::delimiter2, 0x0A);  // the modem's byte, not named below: kept
  const ProfileRead read =
      ReadProfile("format: telvaro-profile/1\nadvanced1:\n  delimiter1_enable: false\n  delimiter1: \"0d\"\n", false, {});
  ASSERT_TRUE(read.ok());
  ASSERT_TRUE(MergeProfile(record, read.profile, true).empty());
  EXPECT_EQ(record.Get(field::delimiter1), 0);
  EXPECT_EQ(record.Get(field::delimiter2), 0x0A);
}

// A modem's own text holding "${" is written so that it reads back as it
// stands; a "${NAME}" typed into a profile still names a variable.
TEST(Profile, AModemTextThatLooksLikeAVariableReadsBackAsItStands) {
  ConfigRecord source = Factory();
  source.Set(field::device_name, "${HOME}");
  source.Set(field::apn, "a$${b}$");
  source.SetPhoneBook(0, {"$${X", 0});
  const VariableLookup home = [](const std::string& name) -> std::optional<std::string> {
    return name == "HOME" ? std::optional<std::string>("/root") : std::nullopt;
  };
  for (const bool json : {false, true}) {
    const std::string text = WriteProfileJson(source, {});
    const ProfileRead read = ReadProfile(json ? text : WriteProfileYaml(source, {}), json, home);
    ASSERT_TRUE(read.ok()) << read.problems[0].problem;
    ConfigRecord copy = Factory();
    ASSERT_TRUE(MergeProfile(copy, read.profile, true).empty());
    EXPECT_EQ(copy.Get(field::device_name), "${HOME}");
    EXPECT_EQ(copy.Get(field::apn), "a$${b}$");
    EXPECT_EQ(copy.PhoneBook(0).number, "$${X");
  }
  const ProfileRead typed = ReadProfile("format: telvaro-profile/1\nbasic:\n  device_name: ${HOME}-$${HOME}\n", false, home);
  ASSERT_TRUE(typed.ok());
  EXPECT_EQ(typed.profile.settings[0].value.text, "/root-${HOME}");
}

// The readers' messages give the place of a fault, never the text of a PIN
// or password found there.
TEST(Profile, ReaderErrorsNeverQuoteASecretsValue) {
  const ProfileRead json =
      ReadProfile("{\"format\": \"telvaro-profile/1\", \"basic\": {\"pin_code\": 86x42}}", true, {});
  ASSERT_EQ(json.problems.size(), 1u);
  EXPECT_EQ(json.problems[0].problem.find("86x"), std::string::npos) << json.problems[0].problem;
  EXPECT_GT(json.problems[0].column, 50);
  const ProfileRead yaml = ReadProfile("format: telvaro-profile/1\ngprs:\n  gprs_password: \"s3\\q\"\n", false, {});
  ASSERT_EQ(yaml.problems.size(), 1u);
  EXPECT_EQ(yaml.problems[0].problem, "not YAML: unknown escape character") << yaml.problems[0].problem;
  const ProfileRead variable =
      ReadProfile("format: telvaro-profile/1\ngprs:\n  gprs_password: \"pa${ss}wd\"\nbasic:\n  pin_code: ${SIM_PIN}\n",
                  false, {});
  ASSERT_EQ(variable.problems.size(), 2u);
  EXPECT_EQ(variable.problems[0].problem.find("ss"), std::string::npos) << variable.problems[0].problem;
  EXPECT_EQ(variable.problems[1].problem, "no value for ${SIM_PIN} (--set SIM_PIN=VALUE or the environment)");
}

// Nothing in a profile is resolved silently: a key given twice, a setting
// under both its names, a second document. An alias repeated in lists is
// refused before anything reads it.
TEST(Profile, DuplicatesSecondDocumentsAndAliasBombsAreProblems) {
  const ProfileRead twice = ReadProfile(
      "format: telvaro-profile/1\ngprs:\n  apn: a\n  apn: b\ncom:\n  baud: 9600\n  baud_index: 9600\n", false, {});
  ASSERT_EQ(twice.problems.size(), 2u);
  EXPECT_EQ(twice.problems[0].line, 4);
  EXPECT_EQ(twice.problems[0].problem, "given twice (first at line 3)");
  EXPECT_EQ(twice.problems[1].line, 7);
  EXPECT_EQ(twice.problems[1].key, "com.baud_index");
  EXPECT_EQ(twice.problems[1].problem, "the same setting as baud (line 6)");
  const ProfileRead json = ReadProfile("{\"format\": \"telvaro-profile/1\", \"gprs\": {\"apn\": \"a\", \"apn\": \"b\"}}", true, {});
  ASSERT_EQ(json.problems.size(), 1u);
  EXPECT_EQ(json.problems[0].problem, "given twice (first at line 1)");
  const ProfileRead documents = ReadProfile("format: telvaro-profile/1\n---\ngprs:\n  apn: b\n", false, {});
  ASSERT_EQ(documents.problems.size(), 1u);
  EXPECT_EQ(documents.problems[0].line, 3);
  EXPECT_EQ(documents.problems[0].problem, "a second document; a profile is one document");
  EXPECT_TRUE(ReadProfile("format: telvaro-profile/1\n---\n", false, {}).ok());
  // The parser hands out empty documents without end after this text.
  EXPECT_FALSE(ReadProfile(",!,", false, {}).ok());

  // Nine levels of nine aliases: 387 million values from a few hundred bytes.
  std::string bomb = "format: telvaro-profile/1\nx0: &a0 [lol, lol, lol, lol, lol, lol, lol, lol, lol]\n";
  for (int level = 1; level < 10; ++level) {
    bomb += "x" + std::to_string(level) + ": &a" + std::to_string(level) + " [";
    for (int i = 0; i < 9; ++i) bomb += (i ? ", *a" : "*a") + std::to_string(level - 1);
    bomb += "]\n";
  }
  bomb += "phone_group:\n  phone_groups: [*a9]\n";
  const ProfileRead refused = ReadProfile(bomb, false, {});
  ASSERT_EQ(refused.problems.size(), 1u);
  EXPECT_EQ(refused.problems[0].problem, "too large for a profile once its aliases are expanded");
  EXPECT_TRUE(refused.profile.settings.empty());
  const ProfileRead longList = ReadProfile("format: telvaro-profile/1\nx: [" + std::string(40, '1') + "]\n" +
                                               "y: [1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17]\n",
                                           false, {});
  ASSERT_EQ(longList.problems.size(), 1u);
  EXPECT_EQ(longList.problems[0].line, 3);
  EXPECT_NE(longList.problems[0].problem.find("a list of 17 values"), std::string::npos) << longList.problems[0].problem;
}

}  // namespace
}  // namespace telvaro
