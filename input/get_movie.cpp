// Loading one input movie: open or import it, select chapters and tracks, apply matrices, trim
// and rate, and save it in place when asked.
#include <cmath>
#include <cstdint>

#include "cli/movie_struct.h"
#include "cli/report.h"
#include "input/chapter.h"
#include "input/track_names.h"
#include "platform/CoreFoundation.h"
#include "platform/Files.h"
#include "platform/Movies.h"

namespace {

FSSpec ResolveFile(const std::string& fileName) {
  CFURLRef url = CFURLCreateFromFileSystemRepresentation(
      kCFAllocatorDefault, reinterpret_cast<const UInt8*>(fileName.data()),
      static_cast<CFIndex>(fileName.size()), false);
  FSRef ref;
  CFURLGetFSRef(url, &ref);
  if (url != nullptr) CFRelease(url);
  FSSpec spec;
  const OSErr status = FSGetCatalogInfo(&ref, kFSCatInfoNone, nullptr, nullptr, &spec, nullptr);
  if (status != noErr) REPORT_ERROR("FSGetCatalogInfo", status);
  return spec;
}

/// A file that holds no movie is imported with the MP3 importer only; the new movie is kept
/// whether or not the import succeeded.
Movie ImportFile(const FSSpec& spec, const std::string& fileName) {
  ComponentInstance importer = OpenDefaultComponent(MovieImportType, kQTFileTypeMP3);
  Movie movie = NewMovie(0);
  Track usedTrack = nullptr;
  TimeValue addedDuration = 0;
  long outFlags = 0;
  const ComponentResult result =
      MovieImportFile(importer, &spec, movie, nullptr, &usedTrack, 0, &addedDuration, 0, &outFlags);
  const OSErr status = static_cast<OSErr>(static_cast<UInt16>(result & 0xFFFF));
  if (status != noErr) REPORT_ERROR_GETTING(fileName, "MovieImportFile", status);
  if (importer != nullptr) CloseComponent(importer);
  return movie;
}

Movie ReadMovie(SInt16 refNum, SInt16* resId, SInt16 openFlags, const FSSpec& spec,
                const std::string& fileName) {
  Movie movie = nullptr;
  OSErr status = NewMovieFromFile(&movie, refNum, resId, nullptr, openFlags, nullptr);
  if (status == noMovieFound) return ImportFile(spec, fileName);
  if (status != noErr) {
    // Only the retry's failure is reported; a retry that succeeds leaves no trace.
    status = NewMovieFromFile(&movie, refNum, resId, nullptr, openFlags, nullptr);
    if (status != noErr) REPORT_ERROR_GETTING(fileName, "NewMovieFromFile", status);
  }
  return movie;
}

bool IsIdentity(const MatrixRecord& matrix) {
  MatrixRecord identity;
  SetIdentityMatrix(&identity);
  return EqualMatrix(&matrix, &identity) != 0;
}

/// Visual tracks are found by their own index among visual tracks, up to the track count.
void ApplyTrackMatrix(Movie movie, const MovieStruct& record) {
  MatrixRecord identity;
  SetIdentityMatrix(&identity);
  const long trackCount = GetMovieTrackCount(movie);
  for (long i = 1; i <= trackCount; ++i) {
    Track track =
        GetMovieIndTrackType(movie, i, VisualMediaCharacteristic, movieTrackCharacteristic);
    if (track == nullptr) break;
    if (record.resetTrackMatrix) SetTrackMatrix(track, &identity);
    MatrixRecord scratch;
    GetTrackMatrix(track, &scratch);
    ConcatMatrix(&record.trackMatrix, &scratch);
    SetTrackMatrix(track, &scratch);
  }
}

void ApplyMovieMatrix(Movie movie, const MovieStruct& record) {
  if (record.resetMovieMatrix) {
    MatrixRecord identity;
    SetIdentityMatrix(&identity);
    SetMovieMatrix(movie, &identity);
  }
  MatrixRecord scratch;
  GetMovieMatrix(movie, &scratch);
  ConcatMatrix(&record.movieMatrix, &scratch);
  SetMovieMatrix(movie, &scratch);
}

void TrimToShortestTrack(Movie movie) {
  const TimeValue movieDuration = GetMovieDuration(movie);
  TimeValue shortest = movieDuration;
  for (long i = 1; i <= GetMovieTrackCount(movie); ++i) {
    const TimeValue trackDuration = GetTrackDuration(GetMovieIndTrack(movie, i));
    if (trackDuration < shortest) shortest = trackDuration;
  }
  if (shortest != movieDuration) DeleteMovieSegment(movie, shortest, movieDuration - shortest);
}

/// New duration rint(D / rate), ties to even. A rate that is not a positive number, or a result
/// that is not a positive 32-bit time value, leaves the timing alone and is reported: the refusal
/// must not pass for success.
void ApplyRate(Movie movie, double rate) {
  const TimeValue duration = GetMovieDuration(movie);
  const double scaled = std::rint(static_cast<double>(duration) / rate);
  if (!(rate > 0) || !(scaled > 0) || scaled > static_cast<double>(INT32_MAX)) {
    REPORT_ERROR("ScaleMovieSegment", invalidDuration);
    return;
  }
  const OSErr status = ScaleMovieSegment(movie, 0, duration, static_cast<TimeValue>(scaled));
  if (status != noErr) REPORT_ERROR("ScaleMovieSegment", status);
}

}  // namespace

Movie MovieStruct::GetMovie() const {
  const FSSpec spec = ResolveFile(fileName);

  SInt16 refNum = 0;
  SInt16 resId = 0;
  const OSErr openStatus = OpenMovieFile(&spec, &refNum, saveInPlace ? fsRdWrPerm : fsRdPerm);
  if (openStatus != noErr) REPORT_ERROR("OpenMovieFile", openStatus);

  Movie movie = ReadMovie(refNum, &resId, openFlags, spec, fileName);

  // Chapters are cut before tracks are removed, so a dropped chapter track still counts.
  if (listChapters || !chaptersToInclude.empty() || !chaptersToExclude.empty()) {
    SelectChapters(movie, *this);
  }
  if (listTracks || !tracksToInclude.empty() || !tracksToExclude.empty()) {
    SelectTracks(movie, *this);
  }

  if (movie != nullptr) {
    if (resetTrackMatrix || !IsIdentity(trackMatrix)) ApplyTrackMatrix(movie, *this);
    if (resetMovieMatrix || !IsIdentity(movieMatrix)) ApplyMovieMatrix(movie, *this);
    if (trimToShortestTrack) TrimToShortestTrack(movie);
    if (rate != 1.0) ApplyRate(movie, rate);
    if (saveInPlace) {
      // Reported, unlike the classic tool: a refused save would otherwise end the run as a success
      // with nothing saved.
      const OSErr status = UpdateMovieResource(movie, refNum, resId, nullptr);
      if (status != noErr) REPORT_ERROR("UpdateMovieResource", status);
    }
  }

  if (openStatus == noErr) CloseMovieFile(refNum);
  return movie;
}
