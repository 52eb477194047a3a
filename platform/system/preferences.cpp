#include "preferences.h"

#include <sys/stat.h>

#include <cctype>
#include <cstdlib>
#include <fstream>

#include "../CoreFoundation.h"
#include "../api/cf_object.h"

namespace {

// A preferences file is a few lines; refuse to read anything that is not a small regular file.
constexpr off_t kMaxPreferencesSize = 1 << 20;

std::string Trim(const std::string& s) {
  const char* kSpace = " \t\r\n\v\f";
  size_t begin = s.find_first_not_of(kSpace);
  if (begin == std::string::npos) return std::string();
  return s.substr(begin, s.find_last_not_of(kSpace) - begin + 1);
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::optional<bool> ParseBoolean(const std::string& value) {
  std::string v = Lower(value);
  if (v == "true" || v == "yes" || v == "1") return true;
  if (v == "false" || v == "no" || v == "0") return false;
  return std::nullopt;
}

}  // namespace

namespace tvx {

std::string PreferencesFilePath() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  // The XDG base directory rules ignore a relative XDG_CONFIG_HOME.
  if (config != nullptr && config[0] == '/') {
    base = config;
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] == '\0') return std::string();
    base = std::string(home) + "/.config";
  }
  return base + "/talvenix/preferences";
}

std::optional<bool> ReadBooleanPreference(const std::string& file, const std::string& key) {
  struct stat st;
  if (file.empty() || stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
      st.st_size > kMaxPreferencesSize) {
    return std::nullopt;
  }
  std::ifstream in(file, std::ios::binary);
  std::optional<std::string> found;
  std::string line;
  size_t total = 0;
  while (total <= size_t(kMaxPreferencesSize) && std::getline(in, line)) {
    total += line.size() + 1;
    line = line.substr(0, line.find('#'));
    size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    if (Trim(line.substr(0, equals)) == key) found = Trim(line.substr(equals + 1));
  }
  if (!found) return std::nullopt;
  return ParseBoolean(*found);
}

}  // namespace tvx

Boolean CFPreferencesGetAppBooleanValue(CFStringRef key, CFStringRef applicationID,
                                        Boolean* keyExistsAndHasValidFormat) {
  // The suite keeps one preferences file, whatever domain the caller names.
  (void)applicationID;
  std::optional<bool> value;
  if (const std::string* name = tvx::CFStringText(key))
    value = tvx::ReadBooleanPreference(tvx::PreferencesFilePath(), *name);
  if (keyExistsAndHasValidFormat != nullptr) *keyExistsAndHasValidFormat = value.has_value();
  return value.value_or(false);
}
