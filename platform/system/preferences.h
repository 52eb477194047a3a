// The suite's preferences file: ${XDG_CONFIG_HOME:-$HOME/.config}/talvenix/preferences.
// Lines are "key = value"; "#" starts a comment.
#pragma once

#include <optional>
#include <string>

namespace tvx {

/// Where the preferences file lives; empty when neither XDG_CONFIG_HOME nor HOME says.
std::string PreferencesFilePath();

/// The value of key as a boolean (true/false/yes/no/1/0, any case); nullopt when the file or the
/// key is missing or the value is not one of those words. The last line naming the key wins.
std::optional<bool> ReadBooleanPreference(const std::string& file, const std::string& key);

}  // namespace tvx
