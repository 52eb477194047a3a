// MPEG-4 output through the toolbox's exporter, without re-encoding.
#pragma once

#include <string>

#include "platform/Movies.h"

/// True when every sample description of the track's media has the given data format.
bool CheckMedia(Track track, SInt32 sampleFormat);

/// 0: no enabled track of the media type; 1: exactly one, in the format; 2: otherwise.
int CheckMPEGPass(Movie movie, OSType mediaType, SInt32 sampleFormat);

/// True when the enabled video and sound are at most one MPEG-4 video and one AAC track, and
/// at least one of them is there.
bool CanOutputAsMPEG4(Movie movie);

/// Exports the movie as MPEG-4; featureUnsupported when it does not qualify. Failures on the way
/// are reported and counted; the result is otherwise 0.
OSErr writeMovieToMPEG4(Movie movie, std::string path);

/// True when the movie's user data holds any item.
bool MovieHasUserData(Movie movie);
