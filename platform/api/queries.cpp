// Read-only questions about movies, tracks and media, plus the matrix setters. Internal times are
// 64-bit; a value that does not fit a TimeValue is reported, never wrapped.
#include <algorithm>
#include <cstring>

#include "../Movies.h"
#include "../edit/time_math.h"
#include "../edit/track_time.h"
#include "status.h"

namespace {

TimeValue ToTimeValue(std::int64_t t, OSErr overflowStatus) {
  if (!tvx::FitsTimeValue(t)) {
    tvx::SetMoviesError(overflowStatus);
    return 0;
  }
  tvx::SetMoviesError(noErr);
  return TimeValue(t);
}

bool IsVisual(OSType type) {
  static constexpr OSType kTypes[] = {
      FOUR_CHAR_CODE("vide"), FOUR_CHAR_CODE("text"), FOUR_CHAR_CODE("sbtl"),
      FOUR_CHAR_CODE("subp"), FOUR_CHAR_CODE("clcp"), FOUR_CHAR_CODE("sprt"),
      FOUR_CHAR_CODE("MPEG"), FOUR_CHAR_CODE("tmcd")};
  return std::find(std::begin(kTypes), std::end(kTypes), type) != std::end(kTypes);
}

bool IsAudible(OSType type) {
  return type == FOUR_CHAR_CODE("soun") || type == FOUR_CHAR_CODE("MPEG");
}

bool TrackMatches(const tvx::Track& track, OSType type, long flags) {
  if ((flags & movieTrackEnabledOnly) && !track.Enabled()) return false;
  OSType handler = track.media.handlerType;
  bool byMedia = (flags & movieTrackMediaType) || !(flags & movieTrackCharacteristic);
  if (byMedia && handler == type) return true;
  if (flags & movieTrackCharacteristic) {
    if (type == VisualMediaCharacteristic && IsVisual(handler)) return true;
    if (type == AudioMediaCharacteristic && IsAudible(handler)) return true;
  }
  return false;
}

const tvx::TrackReference* FindReference(const tvx::Track& track, OSType type) {
  for (const tvx::TrackReference& ref : track.references)
    if (ref.type == type) return &ref;
  return nullptr;
}

void CopyPascal(const std::string& text, unsigned char* out) {
  std::size_t n = std::min<std::size_t>(text.size(), 255);
  out[0] = static_cast<unsigned char>(n);
  std::memcpy(out + 1, text.data(), n);
}

std::string FourCharText(OSType type) {
  std::string s(4, ' ');
  for (int i = 0; i < 4; ++i) s[std::size_t(i)] = char((type >> (24 - 8 * i)) & 0xFF);
  return s;
}

// The handler's own name, independent of the string the file's 'hdlr' carries.
std::string HandlerName(OSType type) {
  struct Entry {
    OSType type;
    const char* name;
  };
  static constexpr Entry kNames[] = {
      {FOUR_CHAR_CODE("vide"), "Video"},         {FOUR_CHAR_CODE("soun"), "Sound"},
      {FOUR_CHAR_CODE("text"), "Text"},          {FOUR_CHAR_CODE("sbtl"), "Subtitle"},
      {FOUR_CHAR_CODE("clcp"), "Closed Caption"}, {FOUR_CHAR_CODE("tmcd"), "Timecode"},
      {FOUR_CHAR_CODE("hint"), "Hint"},          {FOUR_CHAR_CODE("meta"), "Metadata"},
      {FOUR_CHAR_CODE("sprt"), "Sprite"},        {FOUR_CHAR_CODE("MPEG"), "MPEG"},
      {FOUR_CHAR_CODE("subp"), "Subpicture"}};
  for (const Entry& e : kNames)
    if (e.type == type) return e.name;
  return FourCharText(type);
}

}  // namespace

// --- Movies ---

TimeValue GetMovieDuration(Movie theMovie) {
  if (theMovie == nullptr) return tvx::SetMoviesError(invalidMovie), 0;
  return ToTimeValue(theMovie->Duration(), invalidDuration);
}

TimeScale GetMovieTimeScale(Movie theMovie) {
  if (theMovie == nullptr) return tvx::SetMoviesError(invalidMovie), 0;
  tvx::SetMoviesError(noErr);
  return theMovie->timeScale;
}

long GetMovieTrackCount(Movie theMovie) {
  if (theMovie == nullptr) return tvx::SetMoviesError(invalidMovie), 0;
  tvx::SetMoviesError(noErr);
  return long(theMovie->tracks.size());
}

Track GetMovieIndTrack(Movie theMovie, long index) {
  if (theMovie == nullptr) return tvx::SetMoviesError(invalidMovie), nullptr;
  tvx::SetMoviesError(noErr);
  if (index < 1 || std::size_t(index) > theMovie->tracks.size()) return nullptr;
  return theMovie->tracks[std::size_t(index - 1)].get();
}

Track GetMovieIndTrackType(Movie theMovie, long index, OSType trackType, long flags) {
  if (theMovie == nullptr) return tvx::SetMoviesError(invalidMovie), nullptr;
  tvx::SetMoviesError(noErr);
  if (index < 1) return nullptr;
  long seen = 0;
  for (const auto& track : theMovie->tracks)
    if (TrackMatches(*track, trackType, flags) && ++seen == index) return track.get();
  return nullptr;
}

void GetMovieMatrix(Movie theMovie, MatrixRecord* matrix) {
  if (theMovie == nullptr) return void(tvx::SetMoviesError(invalidMovie));
  if (matrix == nullptr) return void(tvx::SetMoviesError(paramErr));
  *matrix = theMovie->matrix;
  tvx::SetMoviesError(noErr);
}

void SetMovieMatrix(Movie theMovie, const MatrixRecord* matrix) {
  if (theMovie == nullptr) return void(tvx::SetMoviesError(invalidMovie));
  theMovie->matrix = matrix != nullptr ? *matrix : tvx::IdentityMatrix();
  tvx::SetMoviesError(noErr);
}

UserData GetMovieUserData(Movie theMovie) {
  if (theMovie == nullptr) return tvx::SetMoviesError(invalidMovie), nullptr;
  tvx::SetMoviesError(noErr);
  return &theMovie->userData;
}

// --- Tracks ---

TimeValue GetTrackDuration(Track theTrack) {
  if (theTrack == nullptr) return tvx::SetMoviesError(invalidTrack), 0;
  return ToTimeValue(theTrack->Duration(), invalidDuration);
}

TimeValue GetTrackOffset(Track theTrack) {
  if (theTrack == nullptr) return tvx::SetMoviesError(invalidTrack), 0;
  return ToTimeValue(tvx::TrackOffset(*theTrack), invalidTime);
}

Media GetTrackMedia(Track theTrack) {
  if (theTrack == nullptr) return tvx::SetMoviesError(invalidTrack), nullptr;
  tvx::SetMoviesError(noErr);
  return &theTrack->media;
}

Movie GetTrackMovie(Track theTrack) {
  if (theTrack == nullptr) return tvx::SetMoviesError(invalidTrack), nullptr;
  tvx::SetMoviesError(noErr);
  return theTrack->movie;
}

void GetTrackMatrix(Track theTrack, MatrixRecord* matrix) {
  if (theTrack == nullptr) return void(tvx::SetMoviesError(invalidTrack));
  if (matrix == nullptr) return void(tvx::SetMoviesError(paramErr));
  *matrix = theTrack->matrix;
  tvx::SetMoviesError(noErr);
}

void SetTrackMatrix(Track theTrack, const MatrixRecord* matrix) {
  if (theTrack == nullptr) return void(tvx::SetMoviesError(invalidTrack));
  theTrack->matrix = matrix != nullptr ? *matrix : tvx::IdentityMatrix();
  tvx::SetMoviesError(noErr);
}

UserData GetTrackUserData(Track theTrack) {
  if (theTrack == nullptr) return tvx::SetMoviesError(invalidTrack), nullptr;
  tvx::SetMoviesError(noErr);
  return &theTrack->userData;
}

long GetTrackReferenceCount(Track theTrack, OSType refType) {
  if (theTrack == nullptr) return tvx::SetMoviesError(invalidTrack), 0;
  tvx::SetMoviesError(noErr);
  const tvx::TrackReference* ref = FindReference(*theTrack, refType);
  return ref == nullptr ? 0 : long(ref->tracks.size());
}

Track GetTrackReference(Track theTrack, OSType refType, long index) {
  if (theTrack == nullptr) return tvx::SetMoviesError(invalidTrack), nullptr;
  tvx::SetMoviesError(noErr);
  const tvx::TrackReference* ref = FindReference(*theTrack, refType);
  if (ref == nullptr || index < 1 || std::size_t(index) > ref->tracks.size()) return nullptr;
  return ref->tracks[std::size_t(index - 1)];
}

Boolean GetTrackEnabled(Track theTrack) {
  if (theTrack == nullptr) return tvx::SetMoviesError(invalidTrack), 0;
  tvx::SetMoviesError(noErr);
  return theTrack->Enabled() ? 1 : 0;
}

void GetTrackNextInterestingTime(Track theTrack, SInt16 interestingTimeFlags, TimeValue time,
                                 Fixed rate, TimeValue* interestingTime,
                                 TimeValue* interestingDuration) {
  (void)rate;  // only forward searches are supported; the sign of the rate is not consulted
  if (interestingTime != nullptr) *interestingTime = -1;
  if (interestingDuration != nullptr) *interestingDuration = 0;
  if (theTrack == nullptr) return void(tvx::SetMoviesError(invalidTrack));
  if (!(interestingTimeFlags & nextTimeMediaSample)) return void(tvx::SetMoviesError(noErr));
  tvx::InterestingTime next =
      tvx::NextSampleTime(*theTrack, time, (interestingTimeFlags & nextTimeEdgeOK) != 0);
  if (next.time >= 0 && (!tvx::FitsTimeValue(next.time) || !tvx::FitsTimeValue(next.duration)))
    return void(tvx::SetMoviesError(invalidTime));
  if (interestingTime != nullptr) *interestingTime = TimeValue(next.time);
  if (interestingDuration != nullptr) *interestingDuration = TimeValue(next.duration);
  tvx::SetMoviesError(noErr);
}

TimeValue TrackTimeToMediaTime(TimeValue value, Track theTrack) {
  if (theTrack == nullptr) return tvx::SetMoviesError(invalidTrack), -1;
  std::int64_t media = tvx::TrackToMediaTime(*theTrack, value);
  if (!tvx::FitsTimeValue(media)) return tvx::SetMoviesError(invalidTime), -1;
  tvx::SetMoviesError(noErr);
  return TimeValue(media);
}

// --- Media ---

TimeScale GetMediaTimeScale(Media theMedia) {
  if (theMedia == nullptr) return tvx::SetMoviesError(invalidMedia), 0;
  tvx::SetMoviesError(noErr);
  return theMedia->timeScale;
}

TimeValue GetMediaDuration(Media theMedia) {
  if (theMedia == nullptr) return tvx::SetMoviesError(invalidMedia), 0;
  return ToTimeValue(theMedia->Duration(), invalidDuration);
}

MediaHandler GetMediaHandler(Media theMedia) {
  if (theMedia == nullptr) return tvx::SetMoviesError(invalidMedia), nullptr;
  tvx::SetMoviesError(noErr);
  return theMedia;
}

void GetMediaHandlerDescription(Media theMedia, OSType* mediaType, Str255 creatorName,
                                OSType* creatorManufacturer) {
  if (mediaType != nullptr) *mediaType = 0;
  if (theMedia == nullptr) return void(tvx::SetMoviesError(invalidMedia));
  if (mediaType != nullptr) *mediaType = theMedia->handlerType;
  if (creatorName != nullptr) CopyPascal(theMedia->handlerName, creatorName);
  if (creatorManufacturer != nullptr) *creatorManufacturer = 0;
  tvx::SetMoviesError(noErr);
}

ComponentResult MediaGetName(MediaHandler mh, Str255 name, long requestedLanguage,
                             long* actualLanguage) {
  (void)requestedLanguage;  // the names exist in one language only
  if (actualLanguage != nullptr) *actualLanguage = 0;
  if (name != nullptr) name[0] = 0;
  if (mh == nullptr) return tvx::SetMoviesError(invalidMedia);
  if (name != nullptr) CopyPascal(HandlerName(mh->handlerType), name);
  return tvx::SetMoviesError(noErr);
}

long GetMediaSampleDescriptionCount(Media theMedia) {
  if (theMedia == nullptr) return tvx::SetMoviesError(invalidMedia), 0;
  tvx::SetMoviesError(noErr);
  return long(theMedia->descriptions.size());
}

void GetMediaSampleDescription(Media theMedia, long index, SampleDescriptionHandle descH) {
  if (theMedia == nullptr) return void(tvx::SetMoviesError(invalidMedia));
  if (index < 1 || std::size_t(index) > theMedia->descriptions.size() || descH == nullptr)
    return void(tvx::SetMoviesError(paramErr));
  const std::vector<std::uint8_t>& bytes = theMedia->descriptions[std::size_t(index - 1)].bytes;
  SetHandleSize(descH, Size(bytes.size()));
  if (MemError() != noErr) return void(tvx::SetMoviesError(memFullErr));
  if (!bytes.empty()) std::memcpy(*descH, bytes.data(), bytes.size());
  tvx::SetMoviesError(noErr);
}
