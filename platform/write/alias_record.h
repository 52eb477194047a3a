// Mac OS alias records (Alias Manager record version 2) as QuickTime stores them in 'alis' data
// references: the fixed 150-byte part followed by tagged fields.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "../MacTypes.h"

namespace tvx {

/// Offsets in the fixed part that readers use.
namespace alias_layout {
constexpr std::size_t kRecordSize = 4;     // u16, whole record
constexpr std::size_t kVersion = 6;        // u16, 2
constexpr std::size_t kKind = 8;           // u16, 0 = file
constexpr std::size_t kVolumeName = 10;    // Pascal string in 28 bytes
constexpr std::size_t kFileName = 50;      // Pascal string in 64 bytes
constexpr std::size_t kLevelsFrom = 130;   // u16
constexpr std::size_t kLevelsTo = 132;     // u16
constexpr std::size_t kFixedSize = 150;    // tagged fields start here
}  // namespace alias_layout

/// Tags of the variable part.
enum AliasTag : std::int16_t {
  kAliasTagFolderName = 0,
  kAliasTagColonPath = 2,
  kAliasTagPosixPath = 18,
  kAliasTagEnd = -1,
};

/// Directory levels between a movie and a file it references: up from the movie's folder to the
/// common ancestor, and down from there to the file, each counting the level it starts from
/// (a file beside the movie is 1, 1).
struct AliasLevels {
  std::uint16_t from = 1;
  std::uint16_t to = 1;
};
AliasLevels LevelsBetween(const std::string& moviePath, const std::string& targetPath);

/// The alias record naming targetPath (absolute) as seen from the movie at moviePath (absolute).
/// The volume is "/", so the colon path reads "/:home:me:a.mov". invalidDataRef when the record
/// cannot hold the path.
OSErr BuildAliasRecord(const std::string& moviePath, const std::string& targetPath,
                       std::vector<std::uint8_t>* out);

/// The components of an absolute path, with "." and ".." applied and empty ones dropped.
std::vector<std::string> PathComponents(const std::string& path);

}  // namespace tvx
