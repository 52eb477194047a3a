// MPEG-4 output: the qualification test and the call of the exporter.
#include "output/mpeg4_export.h"

#include "cli/report.h"
#include "output/movie_writer.h"

namespace {
constexpr OSType kCreator = FOUR_CHAR_CODE("TVOD");
constexpr OSType kMPEG4VideoFormat = FOUR_CHAR_CODE("mp4v");
constexpr OSType kAACFormat = FOUR_CHAR_CODE("mp4a");

/// A sample description starts with its 32-bit size, then its data format.
OSType DataFormat(Handle description) {
  if (GetHandleSize(description) < 8 || *description == nullptr) return 0;
  const auto* bytes = reinterpret_cast<const UInt8*>(*description);
  return (OSType(bytes[4]) << 24) | (OSType(bytes[5]) << 16) | (OSType(bytes[6]) << 8) |
         OSType(bytes[7]);
}
}  // namespace

bool CheckMedia(Track track, SInt32 sampleFormat) {
  Media media = GetTrackMedia(track);
  Handle description = NewHandle(0);
  if (description == nullptr) return false;  // cannot look, so cannot vouch for it
  bool matches = true;
  for (long i = 1; matches && i <= GetMediaSampleDescriptionCount(media); ++i) {
    GetMediaSampleDescription(media, i, description);
    matches = DataFormat(description) == static_cast<OSType>(sampleFormat);
  }
  DisposeHandle(description);
  return matches;
}

int CheckMPEGPass(Movie movie, OSType mediaType, SInt32 sampleFormat) {
  const long enabledOfType = movieTrackMediaType | movieTrackEnabledOnly;
  Track first = GetMovieIndTrackType(movie, 1, mediaType, enabledOfType);
  if (first == nullptr) return 0;
  if (GetMovieIndTrackType(movie, 2, mediaType, enabledOfType) != nullptr) return 2;
  return CheckMedia(first, sampleFormat) ? 1 : 2;
}

bool CanOutputAsMPEG4(Movie movie) {
  const int video = CheckMPEGPass(movie, VideoMediaType, static_cast<SInt32>(kMPEG4VideoFormat));
  const int sound = CheckMPEGPass(movie, SoundMediaType, static_cast<SInt32>(kAACFormat));
  if (video == 2 || sound == 2) return false;
  return video == 1 || sound == 1;
}

OSErr writeMovieToMPEG4(Movie movie, std::string path) {
  if (!CanOutputAsMPEG4(movie)) return featureUnsupported;

  ComponentInstance exporter = nullptr;
  OSErr status = OpenADefaultComponent(MovieExportType, kQTFileTypeMP4, &exporter);
  if (status != noErr) REPORT_ERROR("OpenADefaultComponent", status);

  Handle dataRef = nullptr;
  OSType dataRefType = 0;
  status = PathToDataRef(path, dataRef, dataRefType);
  if (status != noErr) REPORT_ERROR("PathToDataRef", status);

  // The exporter writes through a temporary file and replaces the destination only when the
  // export is complete, so the destination is not emptied beforehand.
  status = ConvertMovieToDataRef(movie, nullptr, dataRef, dataRefType, kQTFileTypeMP4, kCreator, 0,
                                 exporter);
  if (status != noErr) REPORT_ERROR("ConvertMovieToDataRef", status);

  if (dataRef != nullptr) DisposeHandle(dataRef);
  if (exporter != nullptr) CloseComponent(exporter);
  return noErr;
}

bool MovieHasUserData(Movie movie) { return GetNextUserDataType(GetMovieUserData(movie), 0) != 0; }
