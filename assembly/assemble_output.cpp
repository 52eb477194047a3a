// The output movie: the first loaded movie, with every later one added end to end or in
// parallel, all by reference.
#include "assembly/assemble_output.h"

#include "cli/report.h"
#include "platform/Movies.h"

namespace {

/// The first output track of the source track's media type that accepts the whole segment at
/// outputEnd, trying output tracks in order (tracks added earlier included); none when all refuse.
Track InsertIntoSameTypeTrack(Track source, Movie output, TimeValue outputEnd) {
  OSType mediaType = 0;
  GetMediaHandlerDescription(GetTrackMedia(source), &mediaType, nullptr, nullptr);
  for (long n = 1;; ++n) {
    Track candidate = GetMovieIndTrackType(output, n, mediaType, movieTrackMediaType);
    if (candidate == nullptr) return nullptr;
    // A refusal here only moves the search on.
    if (InsertTrackSegment(source, candidate, 0, GetTrackDuration(source), outputEnd) == noErr) {
      return candidate;
    }
  }
}

/// Every track of the later movie starts at the output's end as it was before this movie.
void AppendTrackByTrack(Movie later, Movie output, const RunOptions& options) {
  const TimeValue outputEnd = GetMovieDuration(output);
  for (long i = 1; i <= GetMovieTrackCount(later); ++i) {
    Track source = GetMovieIndTrack(later, i);
    Track destination = nullptr;
    if (options.forceSameTracks) destination = InsertIntoSameTypeTrack(source, output, outputEnd);
    if (destination != nullptr) continue;

    OSErr status = AddEmptyTrackToMovie(source, output, nullptr, 0, &destination);
    if (status != noErr) {
      REPORT_ERROR("AddEmptyTrackToMovie", status);
      continue;  // no track to insert into
    }
    status = InsertTrackSegment(source, destination, 0, GetTrackDuration(source), outputEnd);
    if (status != noErr) REPORT_ERROR("InsertTrackSegment", status);
  }
}

void AddLaterMovie(Movie later, Movie output, const RunOptions& options, functionType function) {
  SetMovieTimeScale(later, GetMovieTimeScale(output));
  const TimeValue duration = GetMovieDuration(later);
  const OSErr timingStatus = GetMoviesError();
  if (timingStatus != noErr) REPORT_ERROR("GetMoviesError", timingStatus);

  if (function == multiplexFunction) {
    SetMovieSelection(output, 0, options.scaleToOutput ? GetMovieDuration(output) : 0);
    AddMovieSelection(output, later);
  } else if (function == concatenateFunction && (options.uniqueTracks || options.forceSameTracks)) {
    AppendTrackByTrack(later, output, options);
  } else {
    const OSErr status = InsertMovieSegment(later, output, 0, duration, GetMovieDuration(output));
    if (status != noErr) REPORT_ERROR("InsertMovieSegment", status);
  }
}

}  // namespace

Movie assembleOutputMovie(const std::list<MovieStruct>& records, const RunOptions& options,
                          functionType function) {
  Movie output = nullptr;
  for (const MovieStruct& record : records) {
    Movie movie = record.GetMovie();
    // A record that produced no movie (its errors are reported) adds nothing; the first movie
    // actually produced becomes the output movie.
    if (movie == nullptr) continue;
    if (output == nullptr) {
      output = movie;
      continue;
    }
    if (record.useSettings) CopyMovieSettings(movie, output);
    AddLaterMovie(movie, output, options, function);
  }
  if (function == multiplexFunction && output != nullptr) SetMovieSelection(output, 0, 0);
  return output;
}
