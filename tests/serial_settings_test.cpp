#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "operations/serial_settings.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace telvaro {
namespace {

class SerialSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() /
          ("telvaro-ini-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::create_directories(dir);
    path = SerialSettingsPath(dir.string());
    std::filesystem::remove(path);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  void Write(const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
  std::string Contents() const {
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    return text;
  }

  std::filesystem::path dir;
  std::string path;
};

TEST_F(SerialSettings, MissingFileOrKeysGiveTheDefaults) {
  EXPECT_EQ(std::filesystem::path(path).filename(), "Telvaro_Pro.ini");
  const SerialSelections defaults{7, 1, 0, 0, 0};  // 115200, 8, None, 1, None
  EXPECT_EQ(LoadSerialSettings(path), defaults);
  Write("[other]\nBandRate=9600\n");
  EXPECT_EQ(LoadSerialSettings(path), defaults);
  Write("[com.conf]\n");
  EXPECT_EQ(LoadSerialSettings(path), defaults);
}

TEST_F(SerialSettings, UnrecognisedValuesFallBack) {
  Write("[com.conf]\nBandRate=250000\nDataBits=9\nParity=odd\nStopBits=1.5\nFlowControl=hardware\n");
  EXPECT_EQ(LoadSerialSettings(path), (SerialSelections{7, 1, 0, 0, 0}));
  Write("[COM.CONF]\n bandrate = 2400 \nDataBits=7\nParity=Mark\nStopBits=2\nFlowControl=Hardware\n");
  EXPECT_EQ(LoadSerialSettings(path), (SerialSelections{1, 0, 3, 1, 1}));
  // A value is cut to the read's limit (9 characters for these two keys).
  Write("[com.conf]\nBandRate=9600 baud\nParity=NoneAtAllReally\n");
  EXPECT_EQ(LoadSerialSettings(path).baudRate, 7);
  EXPECT_EQ(LoadSerialSettings(path).parity, 0);
  EXPECT_EQ(ReadProfileString(path, "com.conf", "Parity", "x", 9), "NoneAtAll");
}

TEST_F(SerialSettings, SaveWritesTheFiveKeysAndKeepsTheRest) {
  ConfigRecord record;
  record.Set(field::baud_index, 3);         // 9600
  record.Set(field::data_bits_index, 0);    // 7
  record.Set(field::parity_index, 2);       // Even
  record.Set(field::stop_bits_index, 1);    // 2
  record.Set(field::flow_control_index, 1); // Hardware
  ASSERT_TRUE(SaveSerialSettings(record, path));
  EXPECT_EQ(Contents(), "[com.conf]\nBandRate=9600\nDataBits=7\nParity=Even\nStopBits=2\nFlowControl=Hardware\n");
  EXPECT_EQ(LoadSerialSettings(path), (SerialSelections{3, 0, 2, 1, 1}));

  // Other sections and keys stay; the five are replaced where they stand.
  Write("; notes\n[window]\nx=5\n[com.conf]\nParity=Odd\nExtra=kept\n\n[tail]\ny=6\n");
  ConfigRecord defaults;
  defaults.Set(field::baud_index, 7);
  defaults.Set(field::data_bits_index, 1);
  ASSERT_TRUE(SaveSerialSettings(defaults, path));
  EXPECT_EQ(Contents(),
            "; notes\n[window]\nx=5\n[com.conf]\nParity=None\nExtra=kept\nBandRate=115200\nDataBits=8\n"
            "StopBits=1\nFlowControl=None\n\n[tail]\ny=6\n");

  // Out-of-range indices are written as the fallbacks.
  ConfigRecord odd;
  odd.Set(field::baud_index, 9);
  odd.Set(field::data_bits_index, 5);
  odd.Set(field::parity_index, 7);
  odd.Set(field::stop_bits_index, 3);
  odd.Set(field::flow_control_index, 2);
  std::filesystem::remove(path);
  ASSERT_TRUE(SaveSerialSettings(odd, path));
  EXPECT_EQ(Contents(), "[com.conf]\nBandRate=9600\nDataBits=8\nParity=None\nStopBits=1\nFlowControl=None\n");

  // An unwritable place reports failure, with the system's reason, instead
  // of passing for success.
  const ProfileSave failed = SaveSerialSettings(record, (dir / "no-such-dir" / "Telvaro_Pro.ini").string());
  EXPECT_FALSE(failed);
  EXPECT_EQ(failed.reason, "No such file or directory");

  // A section of another version goes whole; the rest stays as it was.
  Write("[com.conf]\nBandRate=9600\n[UI]\nlast_port=COM3\n\n[tail]\ny=6\n");
  EXPECT_TRUE(HasProfileSection(path, "ui"));
  ASSERT_TRUE(RemoveProfileSection(path, "ui"));
  EXPECT_EQ(Contents(), "[com.conf]\nBandRate=9600\n[tail]\ny=6\n");
  EXPECT_FALSE(HasProfileSection(path, "ui"));
}

TEST_F(SerialSettings, LivesNextToAWritableExecutableElseInTheUserConfigFolder) {
  const std::filesystem::path config = dir / "config" / "Telvaro";
  // A writable folder (a portable copy) keeps the file beside the executable.
  EXPECT_EQ(SerialSettingsLocation(dir.string(), config.string()), path);
  EXPECT_FALSE(std::filesystem::exists(config));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 0);  // no probe left behind
  Write("[com.conf]\nBandRate=2400\n");
  EXPECT_EQ(SerialSettingsLocation(dir.string(), config.string()), path);
  EXPECT_EQ(Contents(), "[com.conf]\nBandRate=2400\n");

#ifndef _WIN32
  // An installed, read-only folder sends it to the user's configuration folder.
  const std::filesystem::path bin = dir / "bin";
  std::filesystem::create_directories(bin);
  {
    std::ofstream preset(bin / "Telvaro_Pro.ini");
    preset << "[com.conf]\nBandRate=2400\n";
  }
  std::filesystem::permissions(dir, std::filesystem::perms::all);  // the fallback folder can be made
  // Readable by all (the test's user keeps its group when it drops to nobody).
  std::filesystem::permissions(bin, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                                        std::filesystem::perms::group_read | std::filesystem::perms::group_exec |
                                        std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
  // Root writes anywhere, so the choice is made as an ordinary user then.
  const bool asRoot = geteuid() == 0;
  if (asRoot) {
    ASSERT_EQ(seteuid(65534), 0);
  }
  const std::string chosen = SerialSettingsLocation(bin.string(), config.string());
  if (asRoot) {
    ASSERT_EQ(seteuid(0), 0);
  }
  EXPECT_EQ(chosen, (config / "Telvaro_Pro.ini").string());
  EXPECT_TRUE(std::filesystem::is_directory(config));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(bin), {}), 1);  // the preset, no probe
  // The preset beside the installation is where the user's file starts from;
  // the same sections, keys and texts are saved there, the preset untouched.
  EXPECT_EQ(LoadSerialSettings(chosen).baudRate, 1);
  ConfigRecord record;
  record.Set(field::baud_index, 3);
  ASSERT_TRUE(SaveSerialSettings(record, chosen));
  EXPECT_EQ(LoadSerialSettings(chosen).baudRate, 3);
  EXPECT_EQ(LoadSerialSettings((bin / "Telvaro_Pro.ini").string()).baudRate, 1);
  std::filesystem::permissions(bin, std::filesystem::perms::owner_all);

  // Installed (the system's program folders, the install prefix): the user's
  // folder, whoever runs it, even where root could write; nothing is made
  // beside the program to find out.
  const std::filesystem::path installed = dir / "usr-bin";
  std::filesystem::create_directories(installed);
  EXPECT_EQ(SerialSettingsLocation(installed.string(), config.string(), {"/nowhere", installed.string()}),
            (config / "Telvaro_Pro.ini").string());
  EXPECT_TRUE(std::filesystem::is_empty(installed));
  const std::vector<std::string> system = InstalledProgramFolders();
  EXPECT_NE(std::find(system.begin(), system.end(), "/usr/bin"), system.end());
#else
  // Installed below Program Files (a folder of its own there): %APPDATA%, even
  // when the folder could be written (an administrator, Wine), so the
  // uninstaller leaves nothing behind.
  const std::filesystem::path programs = dir / "Program Files", installed = programs / "Telvaro Pro";
  std::filesystem::create_directories(installed);
  EXPECT_EQ(SerialSettingsLocation(installed.string(), config.string(), {programs.string()}),
            (config / "Telvaro_Pro.ini").string());
  EXPECT_TRUE(std::filesystem::is_empty(installed));
  EXPECT_FALSE(InstalledProgramFolders().empty());
#endif
}

// A settings file that is a FIFO, a link to an endless device or a huge file
// never stops the window from starting: the defaults, or what the first
// 64 KiB say; nothing is ever written into such a path.
TEST_F(SerialSettings, OddFilesAreNeitherWaitedOnNorReadWholeNorOverwritten) {
  ConfigRecord record;
  record.Set(field::baud_index, 1);
#ifndef _WIN32
  ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
  EXPECT_EQ(LoadSerialSettings(path), SerialSelections{});
  EXPECT_FALSE(SaveSerialSettings(record, path));
  // The file beside the executable is no file: the user's folder is used.
  EXPECT_NE(SerialSettingsLocation(dir.string(), (dir / "config").string()), path);
  std::filesystem::remove(path);
  std::filesystem::create_symlink("/dev/zero", path);
  EXPECT_EQ(LoadSerialSettings(path), SerialSelections{});
  EXPECT_FALSE(SaveSerialSettings(record, path));
  std::filesystem::remove(path);
#endif
  Write("[com.conf]\nBandRate=2400\n" + std::string(kSerialSettingsReadLimit, ';') + "\nParity=Odd\n");
  EXPECT_EQ(LoadSerialSettings(path).baudRate, 1);
  EXPECT_EQ(LoadSerialSettings(path).parity, 0);  // beyond what is read
  const auto size = std::filesystem::file_size(path);
  EXPECT_FALSE(SaveSerialSettings(record, path));  // it would lose the tail
  EXPECT_EQ(std::filesystem::file_size(path), size);

  EXPECT_EQ(ParseSerialSettings("[com.conf]\r\nDataBits=7\r\nFlowControl=Hardware"), (SerialSelections{7, 0, 0, 0, 1}));
}

}  // namespace
}  // namespace telvaro
