// The settings record of one input movie.
#pragma once

#include <set>
#include <string>

#include "platform/Movies.h"

class MovieStruct {
 public:
  explicit MovieStruct(std::string name);
  MovieStruct(const MovieStruct&) = default;
  MovieStruct& operator=(const MovieStruct&) = default;

  /// Opens (or imports) the file and prepares the movie: chapters, tracks, matrices, trim, rate,
  /// tags, in-place save. Never stops the run; failures are reported and counted.
  Movie GetMovie() const;

  std::string fileName;
  std::set<std::string> tracksToInclude;
  std::set<std::string> tracksToExclude;
  std::set<std::string> chaptersToInclude;
  std::set<std::string> chaptersToExclude;
  bool listTracks = false;
  bool listChapters = false;
  bool trimToShortestTrack = false;
  SInt16 openFlags = 4;
  bool resetTrackMatrix = false;
  bool resetMovieMatrix = false;
  MatrixRecord trackMatrix{};
  MatrixRecord movieMatrix{};
  double rate = 1.0;
  bool saveInPlace = false;
  bool useSettings = false;
  bool noConvertTags = false;
};
