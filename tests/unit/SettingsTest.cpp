// The settings file lives in the Windows directory under its bare name; these
// tests run in the test run's own Wine prefix and start from no file at all.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

#include "settings/Settings.h"
#include "tests/common/SettingsFile.h"

namespace {

using testing_settings::DeleteSettings;
using testing_settings::SettingsPathA;

class Settings : public ::testing::Test {
 protected:
  void SetUp() override { DeleteSettings(); }
  void TearDown() override { DeleteSettings(); }

  static std::string FileText() {
    std::ifstream file(SettingsPathA(), std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }
};

TEST_F(Settings, MissingFileGivesEveryDefaultAndFirstWriteCreatesIt) {
  EXPECT_EQ(settings::Read(settings::Speed), 0);
  EXPECT_EQ(settings::Read(settings::PassCount), 10);
  EXPECT_EQ(settings::Read(settings::VesselIndex), 0);
  EXPECT_EQ(settings::Read(settings::BackgroundId), 0);
  EXPECT_EQ(settings::Read(settings::UseImageFiles), 0);
  EXPECT_EQ(GetFileAttributesA(SettingsPathA().c_str()), INVALID_FILE_ATTRIBUTES);

  settings::Write(settings::BackgroundId, 4);
  EXPECT_NE(GetFileAttributesA(SettingsPathA().c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(FileText().find("[Settings]"), std::string::npos);
  EXPECT_NE(FileText().find("BackgroundId=4"), std::string::npos);
  // The other keys still read as their defaults.
  EXPECT_EQ(settings::Read(settings::PassCount), 10);
}

TEST_F(Settings, IntegersAreWrittenAsPlainDecimalText) {
  settings::Write(settings::VesselIndex, -1);
  settings::Write(settings::Speed, 10);
  settings::Write(settings::BackgroundId, 0);
  std::string text = FileText();
  EXPECT_NE(text.find("VesselIndex=-1"), std::string::npos) << text;
  EXPECT_NE(text.find("Speed=10"), std::string::npos) << text;
  EXPECT_NE(text.find("BackgroundId=0"), std::string::npos) << text;
  EXPECT_EQ(settings::Read(settings::VesselIndex), -1);
}

// The pass count is stored exactly as typed; every reader gets what the
// platform's integer read makes of it.
TEST_F(Settings, RawTextReadsBackAsLeadingNumberOrDefault) {
  struct Case {
    const char* stored;
    int expected;
  } cases[] = {
      {"abc", 0}, {"", 10}, {"12abc", 12}, {" 12", 12}, {"-5", -5}, {"+7", 7}, {"0", 0}, {"3 4", 3},
  };
  for (const auto& c : cases) {
    settings::Write(settings::PassCount, c.stored);
    EXPECT_EQ(settings::Read(settings::PassCount), c.expected) << '"' << c.stored << '"';
  }
  // An empty value is kept as a key with no text, not removed.
  settings::Write(settings::PassCount, "");
  EXPECT_NE(FileText().find("PassCount="), std::string::npos);
}

TEST_F(Settings, HandEditedNamesMatchWithoutRegardToCase) {
  {
    std::ofstream file(SettingsPathA(), std::ios::binary);
    file << "[settings]\r\nspeed=3\r\nPASSCOUNT=25\r\nvesselindex=2\r\nBACKGROUNDID=4\r\nuseimagefiles=1\r\n";
  }
  EXPECT_EQ(settings::Read(settings::Speed), 3);
  EXPECT_EQ(settings::Read(settings::PassCount), 25);
  EXPECT_EQ(settings::Read(settings::VesselIndex), 2);
  EXPECT_EQ(settings::Read(settings::BackgroundId), 4);
  EXPECT_EQ(settings::Read(settings::UseImageFiles), 1);
  // A write replaces the hand-written key instead of adding a second one.
  settings::Write(settings::Speed, 7);
  EXPECT_EQ(settings::Read(settings::Speed), 7);
  std::string text = FileText();
  EXPECT_EQ(text.find("speed=3"), std::string::npos) << text;
}

}  // namespace
