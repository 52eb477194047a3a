// Track names: the track's own 'name' item, else one made from its media handler's name.
#pragma once

#include <string>

#include "cli/movie_struct.h"
#include "platform/Movies.h"

/// The 'name' user data item taken whole, or "<handler name> Track", numbered by position among
/// the movie's tracks of the same media type when there are several.
std::string GetTrackName(Track track);

/// The track step of loading: names every track first, lists them when asked, disposes of the
/// tracks not kept, and warns when none is kept.
void SelectTracks(Movie movie, const MovieStruct& record);
