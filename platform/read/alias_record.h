// The fields of a Mac OS alias record that locate its target (Inside Macintosh: Files, Alias
// Manager; the record a QuickTime 'alis' data reference holds).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tvx {

struct AliasRecord {
  std::string volumeName;
  std::string fileName;      // the fixed field; at most 63 bytes
  int levelsFrom = -1;       // nlvlFrom: folders from the alias's folder up to the common one
  int levelsTo = -1;         // nlvlTo: folders from the common one down to the target
  std::string parentName;    // tag 0
  std::string colonPath;     // tag 2: "Volume:dir:file"
  std::string posixPath;     // tag 18
};

/// Decodes the record (the 'alis' entry's payload after its version and flags). False when it is
/// too short to hold the fixed part; tagged fields that run past the record are ignored.
bool ParseAliasRecord(const std::vector<std::uint8_t>& bytes, AliasRecord* out);

/// The target as POSIX path components (folders, then the file), from the most complete field.
std::vector<std::string> AliasPathComponents(const AliasRecord& alias);

/// The target's absolute POSIX path from tag 18 or the colon path, or empty.
std::string AliasAbsolutePath(const AliasRecord& alias);

}  // namespace tvx
