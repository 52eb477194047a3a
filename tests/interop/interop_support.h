// Helpers for tests that run the built tool and check its output with FFmpeg and GStreamer.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Movies.h"

namespace interop {

namespace fs = std::filesystem;

struct CommandResult {
  int status = -1;  // exit status; 128 + signal when killed by one
  std::string out;
  std::string err;
};

/// Runs argv[0] (a path, or a name looked up in PATH) in `cwd` (empty: the current folder)
/// with standard input empty, capturing standard output and standard error. `env` entries
/// ("NAME=value") replace or add to this process's environment.
CommandResult Run(const std::vector<std::string>& argv, const fs::path& cwd = {},
                  const std::vector<std::string>& env = {});

/// True when `name` is an executable in PATH.
bool HaveTool(const std::string& name);

/// The built clipchain, clipstack or cliptweak.
std::string Tool(const std::string& name);
/// A file of tests/fixtures.
fs::path Fixture(const std::string& name);

/// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const fs::path& path() const { return path_; }
  fs::path operator/(const std::string& name) const { return path_ / name; }
  /// Copies a fixture into the folder and returns its new path.
  fs::path CopyFixture(const std::string& name, const std::string& as = {}) const;

 private:
  fs::path path_;
};

/// One decoded frame as FFmpeg's framemd5 muxer prints it.
struct Frame {
  std::int64_t pts = 0;       // in the stream's time base
  std::int64_t duration = 0;
  std::string md5;
};
struct Frames {
  bool ok = false;            // ffmpeg exited with 0
  std::string error;          // its standard error when it did not
  double timeBase = 0;        // seconds per pts unit
  std::vector<Frame> frames;
  std::vector<std::string> Hashes() const;
  /// Hashes of the frames whose pts lies in [from, to) seconds.
  std::vector<std::string> HashesBetween(double from, double to) const;
  /// Sum of the frames' durations: for sound, how much was decoded.
  double Seconds() const;
};

/// Decodes the first video stream (`stream` "v") or audio stream ("a"), or the one named
/// ("a:1"), with
/// `ffmpeg -enable_drefs 1 -noautorotate -i file -map 0:<stream>:0 -f framemd5 -`.
Frames DecodeFrames(const fs::path& file, const std::string& stream = "v");
/// The same with `-c copy`: one hash per packet, i.e. per stored sample as a demuxer sees it.
Frames PacketHashes(const fs::path& file, const std::string& stream);

/// ffprobe's values for `entries` (e.g. "stream=codec_type"), one per line, for the selected
/// streams ("" for all; "v", "a"...). Data references are followed.
std::vector<std::string> Probe(const fs::path& file, const std::string& entries,
                               const std::string& streams = "");
/// The duration in seconds of the first stream of that kind, or of the file ("" ), -1 if none.
double ProbeDuration(const fs::path& file, const std::string& streams = "");
/// The video stream's display rotation as ffprobe reports it (degrees), 0 when it has none.
double ProbeRotation(const fs::path& file);

/// The decoded sound of one stream as 16-bit mono samples.
std::vector<std::int16_t> DecodePcm(const fs::path& file, const std::string& stream = "a");
/// The largest difference between a[aFrom + i] and b[bFrom + i] for i in [0, count).
int MaxDifference(const std::vector<std::int16_t>& a, std::size_t aFrom,
                  const std::vector<std::int16_t>& b, std::size_t bFrom, std::size_t count);

/// Types of the top-level atoms of a file, in order ("ftyp", "moov", "mdat", ...).
std::vector<std::string> TopLevelAtoms(const fs::path& file);
/// True when an atom of that type occurs anywhere inside 'moov' (after the header of each atom).
bool MovieAtomContains(const fs::path& file, const std::string& type);

struct GstResult {
  bool ok = false;
  std::string error;
  int frames = 0;            // buffers that reached the video sink
  // qtdemux stamps buffers with media times and moves the segment instead, so only the span
  // between the first buffer's start and the last one's end means anything.
  double spanSeconds = 0;
};
/// Decodes the first video stream with gst-launch-1.0 (qtdemux ! decodebin ! fakesink).
GstResult GstDecodeVideo(const fs::path& file);

/// Reads a movie with our own toolbox (data references resolved).
struct LoadedMovie {
  OSErr status = 0;
  Movie movie = nullptr;
};
LoadedMovie LoadMovie(const fs::path& file, SInt16 flags = 0);

/// What the join and stack checks look at in one track of a movie read by our toolbox.
struct TrackSummary {
  std::string type;                 // "vide", "soun", ...
  std::uint32_t samples = 0;        // samples in its media
  std::size_t descriptions = 0;     // sample descriptions in its media
  std::vector<std::string> files;   // resolved data files ("" for the movie's own file)
  double start = 0;                 // seconds of empty edits before its first media edit
  double duration = 0;              // seconds (edit list total, movie time scale)
};
std::vector<TrackSummary> Summarize(Movie movie);
/// The tracks of one type, in movie order.
std::vector<TrackSummary> OfType(const std::vector<TrackSummary>& tracks, const std::string& type);

/// All regular files in a folder, by name, with their sizes and a hash of their contents.
struct FolderEntry {
  std::string name;
  std::uintmax_t size = 0;
  std::string digest;
  bool operator==(const FolderEntry&) const = default;
};
std::vector<FolderEntry> Snapshot(const fs::path& folder);

std::string ReadFile(const fs::path& file);

}  // namespace interop
