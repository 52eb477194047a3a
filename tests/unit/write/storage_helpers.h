// Test helper: temporary folders, fixture copies, loading movies and writing reference movies
// through the public storage calls, and running FFmpeg.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Movies.h"

namespace write_test {

/// A folder removed with its contents when the test ends.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const std::string& path() const { return path_; }
  /// Copies the named fixture to relative (folders created) and returns the absolute path.
  std::string CopyFixture(const std::string& fixture, const std::string& relative) const;
  /// Names of the entries in the folder (to spot stray temporary files).
  std::vector<std::string> Entries(const std::string& relative = "") const;

 private:
  std::string path_;
};

std::vector<std::uint8_t> ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

/// Opens and loads a movie; the file stays open (refNum) for in-place saves.
Movie LoadMovie(const std::string& path, SInt8 permission = fsRdPerm, SInt16* refNum = nullptr);

/// CreateMovieStorage + AddMovieToStorage + CloseComponent; the first failing status.
OSErr WriteReferenceMovie(Movie movie, const std::string& destination);

bool HaveFFmpeg();
/// The frame hashes FFmpeg decodes from the first video stream (following alias references).
std::vector<std::string> VideoFrameHashes(const std::string& path);
/// Standard output of a shell command.
std::string RunCommand(const std::string& command);

}  // namespace write_test
