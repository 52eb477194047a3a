// The "quiet" preference, read from ${XDG_CONFIG_HOME:-$HOME/.config}/talvenix/preferences.
#include <gtest/gtest.h>

#include "cli/driver.h"
#include "env_helpers.h"
#include "platform/CoreFoundation.h"

namespace {

TEST(QuietPreference, ReadsBooleansFromTheConfigFolder) {
  TempDir config;
  ScopedEnv xdg("XDG_CONFIG_HOME", config.path().string());
  struct Case {
    const char* file;  // nullptr: no preferences file
    bool quiet;
    bool valid;
  };
  const Case cases[] = {
      {nullptr, false, false},
      {"", false, false},
      {"quiet = true\n", true, true},
      {"quiet=YES", true, true},
      {"  quiet   =   1  \r\n", true, true},
      {"quiet = false\n", false, true},
      {"quiet = No # not today\n", false, true},
      {"quiet = 0\n", false, true},
      {"quiet = maybe\n", false, false},
      {"quiet = \n", false, false},
      {"# quiet = true\n", false, false},
      {"quieter = true\nQuiet = true\n", false, false},
      {"quiet = true\nquiet = false\n", false, true},  // the last line wins
      {"other = 1\nquiet = on\n", false, false},
      {"garbage without equals\nquiet = yes", true, true},
  };
  for (const Case& c : cases) {
    std::filesystem::remove_all(config.path() / "talvenix");
    if (c.file) config.Write("talvenix/preferences", c.file);
    Boolean valid = 2;
    Boolean value = CFPreferencesGetAppBooleanValue(CFSTR("quiet"), CFSTR("any.domain"), &valid);
    EXPECT_EQ(bool(value), c.quiet) << (c.file ? c.file : "(no file)");
    EXPECT_EQ(bool(valid), c.valid) << (c.file ? c.file : "(no file)");
    EXPECT_EQ(GetQuiet(), c.quiet && c.valid) << (c.file ? c.file : "(no file)");
  }
}

TEST(QuietPreference, FallsBackToHomeAndIgnoresADirectory) {
  TempDir home;
  ScopedEnv xdg("XDG_CONFIG_HOME", std::nullopt);
  ScopedEnv homeVar("HOME", home.path().string());
  home.Write(".config/talvenix/preferences", "quiet = true\n");
  EXPECT_TRUE(GetQuiet());

  // A relative XDG_CONFIG_HOME is not used (XDG base directory rules).
  ScopedEnv relative("XDG_CONFIG_HOME", "relative/config");
  EXPECT_TRUE(GetQuiet());

  std::filesystem::remove(home.path() / ".config/talvenix/preferences");
  std::filesystem::create_directory(home.path() / ".config/talvenix/preferences");
  EXPECT_FALSE(GetQuiet());
}

}  // namespace
