// Writes a QuickTime movie file: reference or self-contained.
#pragma once

#include <string>

#include "platform/Movies.h"

OSErr PathToDataRef(std::string path, Handle& dataRef, OSType& dataRefType);
void writeMovieToFile(Movie movie, std::string path, bool selfContained, std::int32_t flattenFlags);
