// The in-memory movie: Movie -> Track -> Media -> SampleTable, with edit lists, data references,
// sample descriptions and user data. Times inside the engine are 64-bit; durations of tracks and
// movies are always derived, never stored.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "../MacTypes.h"
#include "sample_table.h"

namespace tvx {

struct Movie;
struct Track;

/// One edit: duration in movie time, start in media time (-1: empty edit), rate (16.16, > 0).
struct Edit {
  std::int64_t duration = 0;
  std::int64_t mediaTime = -1;
  Fixed rate = fixed1;
};

/// Where a media's samples live.
struct DataRef {
  enum class Kind { Self, Alias, Url, Other };
  Kind kind = Kind::Self;
  OSType type = 0;                 // 'alis', 'url ', ...
  std::uint32_t flags = 0;         // the entry's version/flags word; 1 = self
  std::string resolvedPath;        // absolute path of the file, empty when unresolved
  std::vector<std::uint8_t> raw;   // the entry's payload as read (after version/flags)
};

/// A whole 'stsd' entry: u32 size, format, 6 reserved bytes, u16 data reference index, body.
struct SampleDescription {
  std::vector<std::uint8_t> bytes;
  OSType Format() const;
  std::uint16_t DataRefIndex() const;  // 1-based
  void SetDataRefIndex(std::uint16_t index);
};

/// An ordered list of items (type, bytes). Text items hold records u16 length, u16 language, text.
struct UserDataItem {
  OSType type = 0;
  std::vector<std::uint8_t> data;
};
struct UserData {
  std::vector<UserDataItem> items;
};

struct Media {
  Track* track = nullptr;
  TimeScale timeScale = 600;
  std::uint64_t creationTime = 0;
  std::uint64_t modificationTime = 0;
  std::uint16_t language = 0;      // Mac code (< 0x400) or packed ISO-639-2/T
  std::uint16_t quality = 0;
  OSType handlerType = 0;          // 'vide', 'soun', 'text', ...
  std::string handlerName;         // the 'hdlr' name string
  bool handlerNamePascal = true;   // QuickTime writes a Pascal string, ISO a C string
  std::vector<std::uint8_t> mediaInfoHeader;  // whole vmhd/smhd/gmhd/nmhd/sthd atom, raw
  std::vector<DataRef> dataRefs;
  std::vector<SampleDescription> descriptions;
  SampleTable samples;

  std::int64_t Duration() const { return samples.Duration(); }
};

struct TrackReference {
  OSType type = 0;
  std::vector<Track*> tracks;
};

struct Track {
  Movie* movie = nullptr;
  std::uint32_t id = 0;            // as read; renumbered 1..n when written
  std::uint32_t flags = 0x3;       // tkhd flags: 1 enabled, 2 in movie, 4 in preview, 8 in poster
  std::uint64_t creationTime = 0;
  std::uint64_t modificationTime = 0;
  std::int16_t layer = 0;
  std::int16_t alternateGroup = 0;
  std::int16_t volume = 0;         // 8.8
  MatrixRecord matrix{};
  Fixed width = 0;
  Fixed height = 0;
  std::vector<Edit> edits;         // always explicit; a file without elst gets one edit
  std::vector<TrackReference> references;
  UserData userData;
  Media media;
  std::vector<std::vector<std::uint8_t>> extraAtoms;  // whole uninterpreted trak children

  bool Enabled() const { return (flags & 1) != 0; }
  std::int64_t Duration() const;   // sum of edit durations
};

struct Movie {
  TimeScale timeScale = 600;
  std::uint64_t creationTime = 0;
  std::uint64_t modificationTime = 0;
  Fixed preferredRate = fixed1;
  std::int16_t preferredVolume = 0x100;  // 8.8
  MatrixRecord matrix{};
  std::int64_t previewTime = 0;
  std::int64_t previewDuration = 0;
  std::int64_t posterTime = 0;
  std::int64_t selectionTime = 0;
  std::int64_t selectionDuration = 0;
  std::int64_t currentTime = 0;
  UserData userData;
  std::vector<std::unique_ptr<Track>> tracks;
  std::vector<std::unique_ptr<Track>> disposedTracks;  // kept alive: handles may still point here

  // Where the movie was read from: for in-place saving and self references.
  std::string originPath;
  std::uint64_t originMoovOffset = 0;
  std::uint64_t originMoovSize = 0;
  bool originHasMovieAtom = false;  // false for imported files (an MP3 holds no movie atom)

  std::int64_t Duration() const;   // the largest track duration
  /// A new track owned by this movie, with identity matrix and an empty media.
  Track* AddTrack();
  /// Moves the track to disposedTracks and removes every reference to it.
  void RemoveTrack(Track* track);
};

MatrixRecord IdentityMatrix();

}  // namespace tvx
