// Naming, listing and selecting the tracks of an input movie.
#include "input/track_names.h"

#include <iostream>
#include <vector>

namespace {

std::string NameFromHandler(Track track) {
  Media media = GetTrackMedia(track);
  OSType mediaType = 0;
  GetMediaHandlerDescription(media, &mediaType, nullptr, nullptr);
  Str255 handlerName = {0};
  MediaGetName(GetMediaHandler(media), handlerName, 0, nullptr);
  std::string name(reinterpret_cast<const char*>(handlerName) + 1, handlerName[0]);
  name += " Track";

  // Number the track only when its media type has several tracks; the search ends at the last
  // track of that type even if this one were somehow not among them.
  Movie movie = GetTrackMovie(track);
  if (GetMovieIndTrackType(movie, 2, mediaType, movieTrackMediaType) != nullptr) {
    for (long k = 1;; ++k) {
      Track candidate = GetMovieIndTrackType(movie, k, mediaType, movieTrackMediaType);
      if (candidate == nullptr) break;
      if (candidate == track) {
        name += ' ' + std::to_string(k);
        break;
      }
    }
  }
  return name;
}

bool IsKept(const std::string& name, const MovieStruct& record) {
  return (record.tracksToInclude.empty() || record.tracksToInclude.count(name) != 0) &&
         record.tracksToExclude.count(name) == 0;
}

}  // namespace

std::string GetTrackName(Track track) {
  std::string name;
  Handle data = NewHandle(0);
  if (GetUserData(GetTrackUserData(track), data, kUserDataName, 1) == noErr) {
    const Size size = GetHandleSize(data);
    if (size > 0 && *data != nullptr) name.assign(*data, static_cast<std::size_t>(size));
  } else {
    name = NameFromHandler(track);
  }
  DisposeHandle(data);
  return name;
}

void SelectTracks(Movie movie, const MovieStruct& record) {
  const long trackCount = movie != nullptr ? GetMovieTrackCount(movie) : 0;
  // All names first: generated numbers refer to the movie as it was read.
  std::vector<std::string> names;
  for (long i = 1; i <= trackCount; ++i) names.push_back(GetTrackName(GetMovieIndTrack(movie, i)));

  if (record.listTracks) std::cout << "Track list for " << record.fileName << ":" << std::endl;

  bool anyKept = false;
  long position = 1;
  long count = trackCount;
  for (long walked = 1; position <= count && walked <= trackCount; ++walked, ++position) {
    const std::string& name = names[static_cast<std::size_t>(walked - 1)];
    const bool kept = IsKept(name, record);
    if (record.listTracks) std::cout << '\t' << (kept ? "* " : "  ") << name << std::endl;
    if (kept) {
      anyKept = true;
    } else {
      DisposeMovieTrack(GetMovieIndTrack(movie, position));
      --position;  // the following tracks move up one position
      --count;
    }
  }

  if (!anyKept) {
    std::cerr << "Warning: no tracks from " << record.fileName << " were used in the output movie"
              << std::endl;
  }
}
