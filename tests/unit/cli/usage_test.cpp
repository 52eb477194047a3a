// The usage text of each function, byte for byte against golden files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/usage.h"

namespace {

std::string Golden(const char* name) {
  auto path = std::filesystem::path(__FILE__).parent_path() / "golden" / name;
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << path;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(Usage, MatchesGoldenTextPerFunction) {
  struct Case {
    const char* programPath;
    functionType function;
    const char* programName;
    const char* golden;
  };
  const Case cases[] = {
      {"clipchain", concatenateFunction, "clipchain", "usage_clipchain.txt"},
      {"./tools/clipstack", multiplexFunction, "clipstack", "usage_clipstack.txt"},
      {"/usr/local/bin/cliptweak", modifyFunction, "cliptweak", "usage_cliptweak.txt"},
  };
  for (const Case& c : cases) {
    std::ostringstream out;
    usage(c.programPath, c.function, c.programName, out);
    EXPECT_EQ(out.str(), Golden(c.golden)) << c.golden;
  }
}

}  // namespace
