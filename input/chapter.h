// Chapters of a movie: the samples of the text tracks that other tracks reference as 'chap'.
#pragma once

#include <list>
#include <string>

#include "cli/movie_struct.h"
#include "platform/Movies.h"

class chapter {
 public:
  chapter(TimeScale timeScale, TimeValue start, TimeValue duration, std::string name)
      : timeScale(timeScale), start(start), duration(duration), name(std::move(name)) {}

  /// Ordered by start alone.
  bool operator<(const chapter& other) const { return start < other.start; }

  /// Every chapter of the movie, sorted by start (stably); empty without chapter tracks or movie.
  static std::list<chapter> GetChapters(Movie movie);

  TimeScale timeScale;  // the movie's, when read; the unit of start and duration
  TimeValue start;
  TimeValue duration;
  std::string name;
};

/// The chapter step of loading: lists the chapters when asked and deletes the spans of those not
/// kept, latest first, so the times of the spans still to delete stay valid.
void SelectChapters(Movie movie, const MovieStruct& record);
